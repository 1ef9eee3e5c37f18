#include "E_Reg.h"

#include "e_DBFTable.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "framework/u_Props.h"

#include <exception>

namespace zelto {

QChar ObjectTypeOfGeometry(const TGeometry* geometry) {
    if (!geometry) return QLatin1Char(' ');
    if (geometry->Is<TPointElement>()) return QLatin1Char('B');
    if (geometry->Is<TTextElement>()) return QLatin1Char('T');
    if (geometry->Is<TPolyLineElement>()) return QLatin1Char('L');
    if (geometry->Is<TAreaElement>()) return QLatin1Char('P');
    return QLatin1Char('X');
}

namespace {

// The geometry that decides an element's letter: a geometry element's geometry, or the element
// itself when it is a geometry.
const TGeometry* geometryOf(const TElement* element) {
    if (const auto* ge = zelto_cast<TGeometryElement>(element)) return ge->GetGeometry();
    return zelto_cast<TGeometry>(element);
}

QChar logicObjectType(const TGeometry* g) {
    if (!g) return QLatin1Char(' ');
    if (g->Is<TAreaElement>()) return QLatin1Char('P');
    if (g->Is<TPolyLineElement>()) return QLatin1Char('L');
    if (g->Is<TTextElement>()) return QLatin1Char('T');
    if (g->Is<TPointElement>()) return QLatin1Char('B');
    return QLatin1Char('X');
}

} // namespace

// ---- TRegisteredGeometryElement ------------------------------------------------------------------

void TRegisteredGeometryElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TRegisteredGeometryElement::GetOrigNo>("OrigNo").stored(false);
    b.field<&TRegisteredGeometryElement::FIsDone>("IsDone").def(qint64(0));
    b.readOnly<&TRegisteredGeometryElement::GetObjectRegister>("ObjectRegister").stored(false);
    b.readOnly<&TRegisteredGeometryElement::GetBlockRegister>("BlockRegister").stored(false);
    b.readOnly<&TRegisteredGeometryElement::GetBlockName>("BlockName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TRegisteredGeometryElement, TPropertyGeometryElement, "E_Reg")

TObjectOwner* TRegisteredGeometryElement::GetObjectOwner() const {
    return static_cast<TObjectOwner*>(FindOwnerClass(TObjectOwner::StaticClass()));
}

TObjectRegister* TRegisteredGeometryElement::GetObjectRegister() const {
    const TObjectOwner* owner = GetObjectOwner();
    return owner ? static_cast<TObjectRegister*>(owner->FindOwnerClass(TObjectRegister::StaticClass()))
                 : nullptr;
}

TBlockRegister* TRegisteredGeometryElement::GetBlockRegister() const {
    const TObjectRegister* reg = GetObjectRegister();
    return reg ? static_cast<TBlockRegister*>(reg->FindOwnerClass(TBlockRegister::StaticClass())) : nullptr;
}

TElement* TRegisteredGeometryElement::GetOrigElement() const {
    const TObjectOwner* owner = GetObjectOwner();
    if (!owner) return nullptr;
    if (owner->ElementsCount() == 1) return const_cast<TRegisteredGeometryElement*>(this);
    TElement* first = owner->ElementsCount() > 0 ? owner->FElements.at(0) : nullptr;
    return zelto_cast<TRegisteredGeometryElement>(first);
}

qint32 TRegisteredGeometryElement::GetOrigNo() const {
    const TObjectOwner* owner = GetObjectOwner();
    const TObjectRegister* reg = GetObjectRegister();
    return owner && reg ? reg->IndexOf(owner) : -1;
}

QString TRegisteredGeometryElement::GetBlockName() const {
    const TObjectRegister* reg = GetObjectRegister();
    return reg ? reg->GetBlockName() : QString();
}

bool TRegisteredGeometryElement::HasDBFItem(const QString&) const {
    return false;
}
QString TRegisteredGeometryElement::GetDBFFieldAsString(const QString&) const {
    return QString();
}
void TRegisteredGeometryElement::SetDBFFieldAsString(const QString&, const QString&) {}
bool TRegisteredGeometryElement::SetDBFRecord() const {
    return false;
}

bool TRegisteredGeometryElement::HasPropertyByName(const QString& name) const {
    if (TPropertyGeometryElement::HasPropertyByName(name)) return true;
    if (!IsFiled()) return false;
    try {
        return HasDBFItem(name);
    } catch (const std::exception&) {
        return false;
    }
}

QString TRegisteredGeometryElement::GetPropertyStringByName(const QString& name) const {
    QString value = TPropertyGeometryElement::GetPropertyStringByName(name);
    if (!value.isEmpty() || !IsFiled()) return value;
    try {
        if (SetDBFRecord()) return GetDBFFieldAsString(name);
    } catch (const std::exception&) {
    }
    return QString();
}

void TRegisteredGeometryElement::SetPropertyStringByName(const QString& name, const QString& value) {
    if (TPropertyGeometryElement::HasPropertyByName(name)) {
        TPropertyGeometryElement::SetPropertyStringByName(name, value);
        return;
    }
    if (!IsFiled()) return;
    try {
        if (SetDBFRecord()) SetDBFFieldAsString(name, value);
    } catch (const std::exception&) {
    }
}

TRegisteredGeometryElement* TRegisteredGeometryElement::CreateDuplicate() const {
    auto* copy = zelto_cast<TRegisteredGeometryElement>(ClassType().create());
    if (!copy) return nullptr;
    const TClassInfo& cls = ClassType();
    const int from = cls.propertyIndex(QStringLiteral("LastIndex")) + 1;
    for (int i = from; i < cls.propertyCount(); ++i) {
        const TPropInfo* p = cls.property(i);
        if (!p || !p->readable() || !p->writable()) continue;
        try {
            // A reference to one of this element's children would make the copy share it.
            if (p->kind == tkClass) {
                auto* value = zelto_cast<TElement>(p->get(this).obj);
                if (value && IndexOf(value) >= 0) continue;
            }
            SetPropString(copy, i, GetPropString(this, i));
        } catch (const std::exception&) {
        }
    }
    return copy;
}

// ---- TRegister -----------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TRegister, TRectEntity, "E_Reg")

TBlockRegister* TRegister::GetBlockRegister(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    return FindNamedChild<TBlockRegister>(name);
}

TBlockRegister* TRegister::GetAndCreateBlockRegister(const QString& name, const QString& className) {
    if (TBlockRegister* found = GetBlockRegister(name)) return found;
    const TClassInfo* cls = GetZeltoClass(className);
    if (!cls || !cls->inheritsFrom(TBlockRegister::StaticClass())) return nullptr;
    auto* block = zelto_cast<TBlockRegister>(cls->create());
    if (!block) return nullptr;
    block->SetName(name);
    AddElement(block);
    return block;
}

// ---- TBlockRegister ------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TBlockRegister, TRectEntity, "E_Reg")

TObjectRegister* TBlockRegister::createObjectRegister() const {
    return new TObjectRegister;
}

TObjectRegister* TBlockRegister::GetObjectRegister(QChar type) {
    const QString name(type);
    if (auto* found = FindNamedChild<TObjectRegister>(name)) return found;
    TObjectRegister* reg = createObjectRegister();
    reg->SetName(name);
    AddElement(reg);
    return reg;
}

void TBlockRegister::fileUnder(QChar type, TElement* element) {
    GetObjectRegister(type)->RegisterObject(element);
    UpdateRect(element);
}

void TBlockRegister::RegisterObject(TElement* element) {
    auto* ge = zelto_cast<TGeometryElement>(element);
    if (!ge) return;
    const QChar type = ObjectTypeOfGeometry(ge->GetGeometry());
    fileUnder(type == QLatin1Char(' ') ? QLatin1Char('X') : type, element);
}

void TBlockRegister::RegisterLogicObject(TElement* element) {
    if (!element) return;
    const QChar type = logicObjectType(geometryOf(element));
    fileUnder(type == QLatin1Char(' ') ? QLatin1Char('X') : type, element);
}

TGeometryElement* TBlockRegister::GetObject(QChar type, qint32 number) {
    const auto* reg = FindNamedChild<TObjectRegister>(QString(type));
    return reg ? reg->GetObject(number) : nullptr;
}

void TBlockRegister::RemoveObject(QChar type, qint32 number) {
    if (auto* reg = FindNamedChild<TObjectRegister>(QString(type))) reg->RemoveObject(number);
}

// ---- TObjectRegister -----------------------------------------------------------------------------

void TObjectRegister::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TObjectRegister::GetBlockName>("BlockName").stored(false);
    b.readOnly<&TObjectRegister::GetDBF>("DBF").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TObjectRegister, TRectEntity, "E_Reg")

TObjectRegister::~TObjectRegister() {
    delete m_dbf;
}

TTopolDBFTable* TObjectRegister::GetDBF() {
    return nullptr;
}

TObjectOwner* TObjectRegister::CreateObjectOwner() const {
    return new TObjectOwner;
}

void TObjectRegister::RegisterObject(TElement* element) {
    auto* ge = zelto_cast<TGeometryElement>(element);
    if (!ge) return;
    const qint32 number = ge->GetSpaceID();
    if (number >= 1 && number <= MaxObjectNumber) SetObject(number, element);
}

void TObjectRegister::SetObject(qint32 number, TElement* element) {
    if (!element || number < 0 || number > MaxObjectNumber) return;
    TObjectOwner* owner = nullptr;
    const qint32 count = ElementsCount();
    if (number < count) {
        owner = zelto_cast<TObjectOwner>(FElements.at(number));
        if (!owner) return;
    } else {
        FElements.reserve(number + 1);
        for (qint32 i = count; i <= number; ++i) {
            owner = CreateObjectOwner();
            AddElement(owner);
        }
    }
    owner->AddElement(element);
    UpdateRect(element);
}

TGeometryElement* TObjectRegister::GetObject(qint32 number) const {
    if (number <= 0 || number >= ElementsCount()) return nullptr;
    const auto* owner = zelto_cast<TObjectOwner>(FElements.at(number));
    if (!owner || owner->ElementsCount() == 0) return nullptr;
    return zelto_cast<TGeometryElement>(owner->FElements.at(0));
}

void TObjectRegister::RemoveObject(qint32 number) {
    if (auto* owner = zelto_cast<TObjectOwner>(Get(number))) owner->FreeAll();
}

QString TObjectRegister::GetBlockName() const {
    const TEntity* block = FindOwnerClass(TBlockRegister::StaticClass());
    return block ? block->GetName() : QString();
}

// ---- TObjectOwner --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TObjectOwner, TOwnerEntity, "E_Reg")

void TObjectOwner::HandleMessage(TZeltoMessage& message, bool& handled) {
    TOwnerEntity::HandleMessage(message, handled);
    if (handled || message.FMessage != tm_DivideGeometry) return;
    TElement* piece = message.FData;
    if (piece && piece != this && !piece->IsMyOwner(this)) AddElement(piece);
}

QString TObjectOwner::GetPropertyStringByName(const QString& name) const {
    try {
        QString own = TOwnerEntity::GetPropertyStringByName(name);
        if (!own.isEmpty() || ElementsCount() == 0 || !FElements.at(0)) return own;
        return FElements.at(0)->GetPropertyStringByName(name);
    } catch (const std::exception&) {
        return QString();
    }
}

// ---- TRegisterObjectSelector ---------------------------------------------------------------------

void TRegisterObjectSelector::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TRegisterObjectSelector::FBlockName>("BlockName");
    b.field<&TRegisterObjectSelector::FObjectNo>("ObjectNo");
    b.field<&TRegisterObjectSelector::FObjectType>("ObjectType");
}
ZELTO_IMPLEMENT_CLASS(TRegisterObjectSelector, TTool, "E_Reg")

void TRegisterObjectSelector::DoIt() {
    TObjectModel* model = World ? World->GetObjectModel() : nullptr;
    if (!model) return;
    auto* reg = zelto_cast<TRegister>(model->FindElementClass(TRegister::StaticClass()));
    if (!reg) return;
    TBlockRegister* block = reg->GetBlockRegister(FBlockName);
    if (!block) return;
    // Without an object type there is nothing to pick.
    SetOutput(FObjectType.isEmpty() ? nullptr : block->GetObject(FObjectType.at(0), FObjectNo));
}

void registerRegisterClasses() {
    RegisterZeltoClass(TBlockRegister::StaticClass());
    RegisterZeltoClass(TRegister::StaticClass());
    RegisterZeltoClass(TRegisterObjectSelector::StaticClass());
    RegisterZeltoClass(TRegisteredGeometryElement::StaticClass());
}

} // namespace zelto
