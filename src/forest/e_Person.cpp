#include "e_Person.h"

#include "framework/e_Class.h"

namespace zelto {

void TPersonElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TPersonElement::GetFirstName, &TPersonElement::SetFirstName>("FirstName");
    b.prop<&TPersonElement::GetSecondName, &TPersonElement::SetSecondName>("SecondName");
    b.prop<&TPersonElement::GetComment, &TPersonElement::SetComment>("Comment");
    b.prop<&TPersonElement::GetPIN, &TPersonElement::SetPIN>("PIN");
}
ZELTO_IMPLEMENT_CLASS(TPersonElement, TOwnerEntity, "e_Person")

QString TPersonElement::GetName() const {
    if (!FName.isEmpty()) return FName;
    const QString joined = (FFirstName + QLatin1Char(' ') + FSecondName).trimmed();
    return joined.isEmpty() ? TOwnerEntity::GetName() : joined;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPerson_Collection, TOwnerEntity, "e_Person")

TPersonElement* TPerson_Collection::GetPerson(int index) const {
    if (index < 0 || index >= FElements.count()) return nullptr;
    return zelto_cast<TPersonElement>(FElements.at(index));
}

TPersonElement* TPerson_Collection::FindPIN(qint32 pin) const {
    for (TElement* e : FElements)
        if (auto* p = zelto_cast<TPersonElement>(e); p && p->FPIN == pin) return p;
    return nullptr;
}

void registerPersonClasses() {
    RegisterZeltoClass(TPersonElement::StaticClass());
}

} // namespace zelto
