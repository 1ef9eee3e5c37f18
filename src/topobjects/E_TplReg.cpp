#include "E_TplReg.h"

#include "e_DBFTable.h"
#include "e_TopolElements.h"
#include "framework/e_Class.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TTopolObjectOwner, TObjectOwner, "E_TplReg")

void TTopolObjectOwner::AddElement(TElement* element) {
    TObjectOwner::AddElement(element);
    if (!FName.isEmpty()) return;
    if (const auto* topol = zelto_cast<TTopoLElement>(element); topol && IndexOf(element) >= 0)
        SetName(QString(topol->GetObjectType()) + QString::number(topol->FCislo) + QLatin1Char(':') +
                QString::number(topol->FDruh));
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TTopolObjectRegister, TObjectRegister, "E_TplReg")

TTopolDBFTable* TTopolObjectRegister::GetDBF() {
    if (!m_dbf) {
        m_dbf = new TTopolDBFTable;
        m_dbf->SetReadOnly(true);
    }
    return m_dbf;
}

TObjectOwner* TTopolObjectRegister::CreateObjectOwner() const {
    return new TTopolObjectOwner;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TTopolBlockRegister, TBlockRegister, "E_TplReg")

TObjectRegister* TTopolBlockRegister::createObjectRegister() const {
    return new TTopolObjectRegister;
}

void registerTopolRegisterClasses() {
    RegisterZeltoClass(TTopolObjectOwner::StaticClass());
    RegisterZeltoClass(TTopolObjectRegister::StaticClass());
    RegisterZeltoClass(TTopolBlockRegister::StaticClass());
}

} // namespace zelto
