#include "e_Props.h"

#include "TextLocale.h"
#include "e_Class.h"

namespace zelto {

namespace {

// The instance's own table entry matching `entry` (same position, name and accessors), so that an
// entry of one class is never applied to an object of an unrelated class.
const TPropInfo* entryFor(const TPersistent* instance, const TPropInfo* entry) {
    if (!instance || !entry) return nullptr;
    const TPropInfo* own = instance->ClassType().property(entry->index);
    if (!own || own->name != entry->name || own->get != entry->get || own->set != entry->set) return nullptr;
    return own;
}

} // namespace

// ---- TProperties ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TProperties, TOwnerEntity, "e_Props")

// ---- TDynamicProperties --------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDynamicProperties, TProperties, "e_Props")

TTypeElement* TDynamicProperties::FindValue(const QString& name) const {
    for (TElement* e : FElements) {
        auto* t = zelto_cast<TTypeElement>(e);
        if (t && sameText(t->GetName(), name)) return t;
    }
    return nullptr;
}

bool TDynamicProperties::HasPropertyByName(const QString& name) const {
    return FindValue(name) != nullptr;
}

QString TDynamicProperties::GetPropertyStringByName(const QString& name) const {
    const TTypeElement* t = FindValue(name);
    return t ? t->GetAsString() : QString();
}

void TDynamicProperties::SetPropertyStringByName(const QString& name, const QString& value) {
    if (TTypeElement* t = FindValue(name))
        t->SetAsString(value);
    else
        AddElement(TStringElement::CreateNameValue(name, value));
}

qint32 TDynamicProperties::GetPropertyLongIntByName(const QString& name) const {
    const TTypeElement* t = FindValue(name);
    return t ? t->GetAsInteger() : 0;
}

void TDynamicProperties::SetPropertyLongIntByName(const QString& name, qint32 value) {
    if (TTypeElement* t = FindValue(name)) {
        t->SetAsInteger(value);
        return;
    }
    auto* e = new TIntegerElement;
    e->SetName(name);
    e->FValue = value;
    AddElement(e);
}

bool TDynamicProperties::GetPropertyBooleanByName(const QString& name) const {
    const TTypeElement* t = FindValue(name);
    return t && t->GetAsBoolean();
}

void TDynamicProperties::SetPropertyBooleanByName(const QString& name, bool value) {
    if (TTypeElement* t = FindValue(name)) {
        t->SetAsBoolean(value);
        return;
    }
    auto* e = new TBooleanElement;
    e->SetName(name);
    e->FValue = value;
    AddElement(e);
}

TDynamicProperties* TDynamicProperties::MakeSelfCopy() const {
    auto* copy = new TDynamicProperties;
    copy->FName = FName;
    for (TElement* e : FElements)
        if (TElement* c = e ? CreateElementCopy(e) : nullptr) copy->AddElement(c);
    return copy;
}

// ---- TProperty -----------------------------------------------------------------------------------

void TProperty::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TProperty::SetInstance>("Instance").stored(false);
    b.prop<&TProperty::GetPropIndex, &TProperty::SetPropIndex>("PropIndex").stored(false);
    b.readOnly<&TProperty::GetStored>("IsStored").stored(false);
    b.readOnly<&TProperty::GetTypeKind>("TypeKind").stored(false);
    b.prop<&TProperty::GetPropString, &TProperty::SetPropString>("PropString").stored(false);
    b.readOnly<&TProperty::GetPropLongInt>("PropLongInt").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProperty, TNameElement, "e_Props")

void TProperty::SetInstance(TPersistent* instance) {
    FInstance = instance;
    if (FPropInfo) SetPropInfo(FPropInfo);
}

void TProperty::SetPropInfo(const TPropInfo* entry) {
    // Without an instance the entry is kept as given; with one it must be the instance's own.
    FPropInfo = FInstance ? entryFor(FInstance, entry) : entry;
    FIndex = FPropInfo ? FPropInfo->index : -1;
    if (FPropInfo) SetName(FPropInfo->name);
}

void TProperty::SetPropIndex(qint32 index) {
    FPropInfo = nullptr;
    FIndex = -1;
    if (FInstance) SetPropInfo(FInstance->ClassType().property(index));
}

bool TProperty::GetStored() const {
    if (!FInstance || !FPropInfo) return false;
    return FPropInfo->storedFor(FInstance);
}

qint32 TProperty::GetTypeKind() const {
    return FPropInfo ? qint32(FPropInfo->kind) : 0;
}

QString TProperty::GetPropString() const {
    return FInstance ? FillWithData(FInstance, FPropInfo) : QString();
}

void TProperty::SetPropString(const QString& text) {
    if (FInstance) SetPropByString(FInstance, FPropInfo, text);
}

qint32 TProperty::GetPropLongInt() const {
    if (!FInstance || !FPropInfo || !FPropInfo->readable()) return 0;
    if (!isOrdinalKind(FPropInfo->kind) && FPropInfo->kind != tkInt64) return 0;
    // The getter runs the class's own code and may raise.
    try {
        return qint32(FPropInfo->get(FInstance).ord);
    } catch (...) {
        return 0;
    }
}

// ---- TInstanceProperties -------------------------------------------------------------------------

void TInstanceProperties::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TInstanceProperties::GetInstance, &TInstanceProperties::SetInstance>("Instance").stored(false);
    b.readOnly<&TInstanceProperties::GetInstClassName>("InstClassName").stored(false);
    b.readOnly<&TInstanceProperties::GetPropCount>("PropCount").stored(false);
    b.prop<&TInstanceProperties::GetPropName, &TInstanceProperties::SetPropName>("PropName").stored(false);
    b.prop<&TInstanceProperties::IGetPropIndex, &TInstanceProperties::ISetPropIndex>("PropIndex")
        .stored(false);
    b.readOnly<&TInstanceProperties::GetActualProperty>("ActualProperty").stored(false);
    b.prop<&TInstanceProperties::IGetPropString, &TInstanceProperties::ISetPropString>("PropString")
        .stored(false);
    b.readOnly<&TInstanceProperties::GetPropKind>("PropKind").stored(false);
    b.writeOnly<&TInstanceProperties::SetList>("IsList").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TInstanceProperties, TPropertyList, "e_Props")

TInstanceProperties::~TInstanceProperties() {
    delete FActualProperty;
}

void TInstanceProperties::SetInstance(TPersistent* instance) {
    select(nullptr);
    FInstance = instance;
    FPropList = nullptr;
    FPropCount = 0;
    if (!instance) return;
    const auto& props = instance->ClassType().properties();
    FPropList = props.data();
    FPropCount = qint32(props.size());
    SetName(instance->ClassName() + QStringLiteral("_Instance"));
}

QString TInstanceProperties::GetInstClassName() const {
    return FInstance ? FInstance->ClassName() : QStringLiteral("Unknown class");
}

QString TInstanceProperties::GetPropName() const {
    return FActualProperty && FActualProperty->FPropInfo ? FActualProperty->FPropInfo->name : QString();
}

void TInstanceProperties::SetPropName(const QString& name) {
    for (int i = 0; i < FPropCount; ++i) {
        if (sameAsciiText(FPropList[i].name, name)) {
            select(&FPropList[i]);
            return;
        }
    }
    select(nullptr);
}

qint32 TInstanceProperties::IGetPropIndex() const {
    return FActualProperty ? FActualProperty->FIndex : -1;
}

void TInstanceProperties::ISetPropIndex(qint32 index) {
    select(index >= 0 && index < FPropCount ? &FPropList[index] : nullptr);
}

QString TInstanceProperties::IGetPropString() const {
    return FActualProperty ? FActualProperty->GetPropString() : QString();
}

void TInstanceProperties::ISetPropString(const QString& text) {
    if (FActualProperty) FActualProperty->SetPropString(text);
}

qint32 TInstanceProperties::GetPropKind() const {
    return FActualProperty ? FActualProperty->GetTypeKind() : 0;
}

void TInstanceProperties::SetList(bool list) {
    if (!list) return;
    // Read every text first: the instance may be this inspector itself.
    QStringList names, texts;
    for (int i = 0; i < FPropCount; ++i) {
        names << FPropList[i].name;
        texts << FillWithData(FInstance, &FPropList[i]);
    }
    FreeAll();
    for (int i = 0; i < names.size(); ++i) AddNameString(names.at(i), texts.at(i));
}

bool TInstanceProperties::HasPropertyByName(const QString& name) const {
    return ClassType().propertyIndex(name) >= 0 || GetPropIndex(FInstance, name) >= 0;
}

QString TInstanceProperties::GetPropertyStringByName(const QString& name) const {
    if (ClassType().propertyIndex(name) >= 0) return GetPropStringByName(this, name);
    // Reading leaves the selection as it is.
    return GetPropStringByName(FInstance, name);
}

void TInstanceProperties::SetPropertyStringByName(const QString& name, const QString& value) {
    if (ClassType().propertyIndex(name) >= 0) {
        SetPropStringByName(this, name, value);
        return;
    }
    SetPropName(name);
    ISetPropString(value);
}

void TInstanceProperties::select(const TPropInfo* entry) {
    delete FActualProperty;
    FActualProperty = nullptr;
    if (!entry || !FInstance) return;
    FActualProperty = new TProperty;
    FActualProperty->SetInstance(FInstance);
    FActualProperty->SetPropInfo(entry);
}

// ---- registration --------------------------------------------------------------------------------

void registerDynamicPropertiesClasses() {
    RegisterZeltoClass(TDynamicProperties::StaticClass());
}

} // namespace zelto
