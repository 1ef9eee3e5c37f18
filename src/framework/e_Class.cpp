#include "e_Class.h"

#include "TextLocale.h"

#include <memory>

namespace zelto {

// ---- TZeltoClassProperty -------------------------------------------------------------------------

void TZeltoClassProperty::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TZeltoClassProperty::FIndex>("PropIndex").stored(false);
    b.readOnly<&TZeltoClassProperty::FLostProperty>("LostProperty").stored(false);
    b.readOnly<&TZeltoClassProperty::FLostTypeKind>("LostTypeKind").stored(false);
    b.readOnly<&TZeltoClassProperty::FTypeMishmash>("TypeMishmash").stored(false);
    b.readOnly<&TZeltoClassProperty::GetTypeKind>("TypeKind").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TZeltoClassProperty, TNameElement, "e_Class")

qint32 TZeltoClassProperty::GetTypeKind() const {
    if (FLostProperty) return FLostTypeKind;
    return FPropInfo ? qint32(FPropInfo->kind) : 0;
}

// ---- TZeltoClass ---------------------------------------------------------------------------------

void TZeltoClass::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TZeltoClass::GetElementClassName>("ElementClassName");
    b.readOnly<&TZeltoClass::GetAncestorClassName>("AncestorClassName");
    b.readOnly<&TZeltoClass::GetPropCount>("PropCount");
    b.readOnly<&TZeltoClass::GetUnitName>("UnitName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TZeltoClass, TOwnerEntity, "e_Class")

void TZeltoClass::SetElementClass(const TClassInfo* cls) {
    FElementClass = cls;
    FPropList = nullptr;
    FPropCount = 0;
    if (!cls) return;
    SetName(cls->name());
    const auto& props = cls->properties();
    FPropList = props.data();
    FPropCount = qint32(props.size());
}

bool TZeltoClass::GetPropertyStored(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return !FPropList || (p && p->staticallyStored());
}

void TZeltoClass::ShowProperties() {
    FreeAll();
    for (int i = 0; i < FPropCount; ++i) {
        auto* p = new TZeltoClassProperty;
        p->SetName(FPropList[i].name);
        p->FPropInfo = &FPropList[i];
        p->FIndex = i;
        p->FTrueIndex = i;
        AddElement(p);
    }
}

int TZeltoClass::PropertyIndex(const QString& name) const {
    for (int i = 0; i < FPropCount; ++i)
        if (sameText(FPropList[i].name, name)) return i;
    return -1;
}

const TPropInfo* TZeltoClass::GetPropInfo(int index) const {
    if (!FPropList || index < 0 || index >= FPropCount) return nullptr;
    return &FPropList[index];
}

QString TZeltoClass::GetPropertyName(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return p ? p->name : QString();
}

int TZeltoClass::GetPropertyTypeKind(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return p ? int(p->kind) : 0;
}

bool TZeltoClass::GetPropertyIsReadOnly(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return !p || !p->writable();
}

bool TZeltoClass::GetPropertyIsWriteOnly(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return !p || !p->readable();
}

bool TZeltoClass::GetPropertyIsReadOrWriteOnly(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return !p || !p->writable() || !p->readable();
}

const TClassInfo* TZeltoClass::GetPropertyClass(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return p && p->kind == tkClass ? p->propClass : nullptr;
}

bool TZeltoClass::IsClassName(const QString& name) const {
    return sameText(GetName(), name);
}

QString TZeltoClass::GetElementClassName() const {
    return FElementClass ? FElementClass->name() : QString();
}

QString TZeltoClass::GetAncestorClassName() const {
    return FElementClass && FElementClass->parent() ? FElementClass->parent()->name() : QString();
}

QString TZeltoClass::GetUnitName() const {
    return FElementClass ? FElementClass->unitName() : QString();
}

void TZeltoClass::SelfCHeck() {
    for (int i = 0; i < FPropCount; ++i) {
        const TPropInfo& p = FPropList[i];
        if (p.kind == tkClass && p.staticallyStored() && p.propClass && !p.propClass->isElementClass())
            PostTextMsg(tm_AddToProtocol,
                        GetName() + QStringLiteral(" property \"") + p.name +
                            QStringLiteral("\" is not Element"),
                        nullptr);
    }
}

// ---- TZeltoClasses -------------------------------------------------------------------------------

void TZeltoClasses::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZeltoClasses::GetShowProperties, &TZeltoClasses::SetShowProperties>("ShowProperties");
    b.prop<&TZeltoClasses::FSortByName, &TZeltoClasses::SetSortByName>("SortByName");
}
ZELTO_IMPLEMENT_CLASS(TZeltoClasses, TOwnerEntity, "e_Class")

namespace {
// Class names are ASCII identifiers. They are ordered ignoring case but not by the user's
// collation: the order is built once at start-up and must stay valid when the default locale
// changes later (Czech collation, for one, sorts "ch" after "h").
int compareClassNames(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive);
}
} // namespace

int TZeltoClasses::FindIndex(const QString& name, int& insertAt) const {
    insertAt = -1;
    const int count = FElements.count();
    if (count == 0) return -1;
    auto cmp = [&](int i) { return compareClassNames(name, Entry(i)->FName); };
    int lo = 0, hi = count - 1;
    int c = cmp(hi);
    if (c > 0) return -1;
    if (c == 0) return hi;
    if (hi <= lo) {
        insertAt = lo;
        return -1;
    }
    c = cmp(lo);
    if (c < 0) {
        insertAt = lo;
        return -1;
    }
    if (c == 0) {
        insertAt = lo + 1;
        return lo;
    }
    while (lo < hi) {
        insertAt = hi;
        if (hi - lo <= 1) return -1;
        const int mid = lo + (hi - lo) / 2;
        c = cmp(mid);
        if (c < 0) {
            hi = mid;
        } else if (c > 0) {
            lo = mid;
        } else {
            insertAt = mid + 1;
            return mid;
        }
    }
    return -1;
}

void TZeltoClasses::insertSorted(TZeltoClass* entry) {
    int insertAt = -1;
    FindIndex(entry->FName, insertAt);
    if (insertAt < 0)
        AddElement(entry);
    else
        InsertElement(insertAt, entry);
    FActualClass = entry;
}

TZeltoClass* TZeltoClasses::AddClass(const TClassInfo& cls) {
    auto* entry = new TZeltoClass;
    entry->SetElementClass(&cls);
    entry->SetName(cls.name());
    entry->ID = FIndex++;
    if (FShowProperties) entry->ShowProperties();
    insertSorted(entry);
    return entry;
}

void TZeltoClasses::AddZeltoClass(TZeltoClass* entry) {
    if (!entry) return;
    insertSorted(entry);
    entry->ID = FIndex++;
}

TZeltoClass* TZeltoClasses::GetZeltoClassByName(const QString& name) {
    int insertAt = -1;
    const int i = FindIndex(name, insertAt);
    if (i < 0) return nullptr;
    TZeltoClass* e = Entry(i);
    FActualClass = e;
    return e;
}

const TClassInfo* TZeltoClasses::GetClass(const QString& name) {
    TZeltoClass* e = GetZeltoClassByName(name);
    return e ? e->FElementClass : nullptr;
}

const TClassInfo* TZeltoClasses::FindClass(const QString& name) {
    if (const TClassInfo* c = GetClass(name)) return c;
    throw EClassNotFound(QStringLiteral("Zelto nenašel třídu ") + name);
}

// ---- TZeltoInstance ------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TZeltoInstance, TZeltoClass, "e_Class")

void TZeltoInstance::SetInstance(TElement* element) {
    FInstance = element;
    const TClassInfo* cls = element ? &element->ClassType() : nullptr;
    if (cls != FElementClass) SetElementClass(cls);
}

bool TZeltoInstance::GetPropertyStored(int index) const {
    const TPropInfo* p = GetPropInfo(index);
    return p && FInstance && p->storedFor(FInstance);
}

namespace {
// The kinds whose values move between an instance and a value holder.
bool isMovableKind(TTypeKind k) {
    switch (k) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
    case tkWChar:
    case tkClass:
    case tkFloat:
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
    case tkMethod:
    case tkVariant:
    case tkInt64:
        return true;
    default:
        return false;
    }
}
} // namespace

bool TZeltoInstance::GetPropertyValue(int index, TValue& value) const {
    const TPropInfo* p = GetPropInfo(index);
    if (!p || !FInstance || !p->readable() || !isMovableKind(p->kind)) return false;
    value = p->get(FInstance);
    value.kind = p->kind;
    return true;
}

void TZeltoInstance::SetPropertyValue(int index, const TValue& value) {
    const TPropInfo* p = GetPropInfo(index);
    if (!p || !FInstance || !p->writable() || !isMovableKind(p->kind)) return;
    p->set(FInstance, value);
}

TElement* TZeltoInstance::CreateInstanceCopy() {
    if (!FInstance || !FElementClass) return nullptr;
    // Held until complete, so that an accessor that raises does not leak the half-made copy.
    std::unique_ptr<TElement> copy(zelto_cast<TElement>(FElementClass->create()));
    if (!copy) return nullptr;
    TZeltoInstance target;
    target.SetInstance(copy.get());
    for (int i = 0; i < FPropCount; ++i) {
        const TPropInfo& p = FPropList[i];
        if (!GetPropertyStored(i) || !p.readable() || !p.writable()) continue;
        TValue v;
        if (GetPropertyValue(i, v)) target.SetPropertyValue(i, v);
    }
    return copy.release();
}

// ---- global registry -----------------------------------------------------------------------------

namespace {
TZeltoClasses* g_registry = nullptr;
QStringList& registrationLog() {
    static QStringList log;
    return log;
}
} // namespace

const QStringList& RegisteredClassNames() {
    return registrationLog();
}

TZeltoClasses* ZeltoClasses() {
    return g_registry;
}

void RegisterZeltoClass(const TClassInfo& cls) {
    if (!g_registry) {
        g_registry = new TZeltoClasses;
        g_registry->FShowProperties = true;
        // A permanent holder keeps the registry alive when the world that lists it is freed.
        static TEntity* holder = new TEntity;
        holder->AddElement(g_registry);
    }
    g_registry->AddClass(cls);
    registrationLog().append(cls.name());
}

void CHeckZeltoClasses() {
    if (!g_registry) return;
    for (int i = 0; i < g_registry->ElementsCount(); ++i) g_registry->Entry(i)->SelfCHeck();
}

const TClassInfo* GetZeltoClass(const QString& name) {
    return g_registry ? g_registry->GetClass(name) : nullptr;
}

const TClassInfo* FindZeltoClass(const QString& name) {
    if (!g_registry) throw EClassNotFound(QStringLiteral("Zelto nenašel třídu ") + name);
    return g_registry->FindClass(name);
}

TElement* CreateElementCopy(TElement* element) {
    TZeltoInstance inst;
    inst.SetInstance(element);
    return inst.CreateInstanceCopy();
}

void registerClassRegistryClasses() {
    RegisterZeltoClass(TZeltoClass::StaticClass());
    RegisterZeltoClass(TZeltoClasses::StaticClass());
    RegisterZeltoClass(TZeltoClassProperty::StaticClass());
}

} // namespace zelto
