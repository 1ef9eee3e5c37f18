#include "Elements.h"
#include "ElementsPrivate.h"

#include "M_Zelto.h"
#include "Notifier.h"
#include "TextLocale.h"
#include "e_Class.h"

#include <QSet>

#include <atomic>

namespace zelto {

TReader::~TReader() = default;
TWriter::~TWriter() = default;

// ---- visit marks --------------------------------------------------------------------------------

namespace {
// Marks run downwards from -3: -1 (new element) and -2 (reset nested element) keep their own
// meaning, and a mark is not handed out again until two billion walks later, so a stale mark left
// by an earlier walk can never be mistaken for the current one.
constexpr qint32 FirstMark = -3;
std::atomic<qint32> g_baseID{FirstMark + 1};
} // namespace

qint32 BaseID() {
    return g_baseID.load(std::memory_order_relaxed);
}

void ResetBaseID() {
    qint32 cur = g_baseID.load(std::memory_order_relaxed);
    qint32 next;
    do {
        next = cur <= -2000000000 ? FirstMark : cur - 1;
    } while (!g_baseID.compare_exchange_weak(cur, next, std::memory_order_relaxed));
}

// ---- TElement ------------------------------------------------------------------------------------

TElement::~TElement() {
    TDestructionWatch::destroyed(this);
    if (m_flags & NumberedFlag) withdrawObjectNumber(this);
}

void TElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TElement::ID>("ID").stored(false).def(qint64(-1));
    b.prop<&TElement::GetName, &TElement::SetName>("Name").storedBy<&TElement::StoreName>();
    b.readOnly<&TElement::GetOwnersCount>("OwnersCount").stored(false);
    b.readOnly<&TElement::GetInstanceSize>("Size").stored(false);
    b.readOnly<&TElement::GetWholeSize>("WholeSize").stored(false);
    b.readOnly<&TElement::Get_ClassName>("_ClassName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TElement, TPersistent, "Elements")

qint32 TElement::GetInstanceSize() const {
    return ClassType().instanceSize();
}

qint32 TElement::GetWholeSize() {
    ResetBaseID();
    return GetWholeSizes();
}

qint32 TElement::GetWholeSizes() {
    ID = BaseID();
    return GetInstanceSize();
}

QString TElement::GetName() const {
    return ClassName();
}
void TElement::SetName(const QString&) {}
TEntity* TElement::GetOwnerEntity(int) const {
    return nullptr;
}
void TElement::PutOwner(int, TEntity*) {}
qint32 TElement::GetOwnersCount() const {
    return 0;
}
bool TElement::StoreName() const {
    return false;
}

void TElement::Load(TReader& reader, TEntity*) {
    ID = reader.ReadInteger();
}

void TElement::Save(TWriter& writer) {
    writer.WriteString(ClassName());
    writer.WriteInteger(ID);
}

bool TElement::NoElements() const {
    return true;
}

TElement* TElement::CreateEnvelope() {
    auto* env = static_cast<TElement*>(ClassType().create());
    if (env) env->SetName(QStringLiteral("Obálka: ") + GetName());
    return env;
}

void TElement::HandleMessage(TZeltoMessage&, bool&) {}

void TElement::OwnersHandleMessage(TZeltoMessage& message, bool& handled) {
    if (NoOwners()) {
        handled = true;
        return;
    }
    for (int i = 0; i < GetOwnersCount(); ++i) {
        TEntity* owner = GetOwnerEntity(i);
        if (!owner) continue;
        try {
            owner->HandleMessage(message, handled);
        } catch (const std::exception&) {
            notifier().error(QString::number(message.FMessage));
            continue;
        }
        if (handled) break;
    }
    handled = true;
}

void TElement::SendZeltoMsg(TZeltoMessage* message) {
    TMessageBus::instance().publish(this, message);
}

void TElement::SendMsg(qint32 msg, TElement* receiver, TElement* data, bool killData) {
    SendZeltoMsg(TZeltoMessage::CreateAll(msg, this, receiver, data, killData));
}

void TElement::PostMsg(qint32 msg, TElement* receiver, TElement* data, bool killData) {
    SendMsg(msg, receiver, data, killData);
}

void TElement::SendMsgToOwners(qint32 msg, TElement* data, bool killData) {
    // Delivery is synchronous, so only the last message may destroy the shared data; giving
    // each message the kill flag would destroy it once per owner.
    const int n = GetOwnersCount();
    for (int i = 0; i < n; ++i)
        SendZeltoMsg(TZeltoMessage::CreateAll(msg, this, GetOwnerEntity(i), data, killData && i == n - 1));
}

void TElement::PostMsgToOwners(qint32 msg, TElement* data, bool killData) {
    SendMsgToOwners(msg, data, killData);
}

void TElement::OnTimer() {}

void TElement::AddOwner(TEntity*) {
    m_flags |= HeldFlag;
}
void TElement::RemoveOwner(TEntity*) {
    m_flags &= ~HeldFlag;
}
bool TElement::IsMyOwner(const TEntity*) const {
    return false;
}
bool TElement::NoOwners() const {
    return GetOwnersCount() < 1;
}
TEntity* TElement::FindOwnerClass(const TClassInfo&) const {
    return nullptr;
}
TEntity* TElement::FindOwnerName(const QString&) const {
    return nullptr;
}

TElement* TElement::FindClassInOwners(const TClassInfo& cls) {
    if (InheritsFrom(cls)) return this;
    for (int i = 0; i < GetOwnersCount(); ++i)
        if (TEntity* o = GetOwnerEntity(i))
            if (TElement* r = o->FindClassInOwners(cls)) return r;
    return nullptr;
}

TElement* TElement::FindClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) {
    if (InheritsFrom(cls) && IsMyOwner(owner)) return this;
    for (int i = 0; i < GetOwnersCount(); ++i)
        if (TEntity* o = GetOwnerEntity(i))
            if (TElement* r = o->FindClassWithOwnerInOwners(cls, owner)) return r;
    return nullptr;
}

TElement* TElement::FindFirstClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) {
    if (InheritsFrom(cls)) return IsMyOwner(owner) ? this : nullptr;
    for (int i = 0; i < GetOwnersCount(); ++i)
        if (TEntity* o = GetOwnerEntity(i))
            if (TElement* r = o->FindFirstClassWithOwnerInOwners(cls, owner)) return r;
    return nullptr;
}

bool TElement::IsPossibleToFree() {
    const int n = GetOwnersCount();
    if (n <= 1) return true;
    for (int i = 0; i < n; ++i) {
        TEntity* o = GetOwnerEntity(i);
        if (!o || !o->CanFreeElement(this)) return false;
    }
    return true;
}

void TElement::ResetID() {
    ResetBaseID();
    ResetIDs();
}

void TElement::ResetIDs() {
    ID = BaseID();
}

bool TElement::HasPropertyByName(const QString& name) const {
    return ClassType().propertyIndex(name) >= 0;
}

QString TElement::GetPropertyStringByName(const QString& name) const {
    return GetPropStringByName(this, name);
}

void TElement::SetPropertyStringByName(const QString& name, const QString& value) {
    SetPropStringByName(this, name, value);
}

qint32 TElement::GetPropertyLongIntByName(const QString& name) const {
    const QString text = GetPropertyStringByName(name);
    qint32 v = 0;
    if (tryParseInt32(text.trimmed(), v)) return v;
    // An enumeration answers its ordinal rather than 0 for its identifier.
    const TPropInfo* p = ClassType().property(ClassType().propertyIndex(name));
    if (p && p->readable() && p->kind == tkEnumeration) {
        // A getter may raise (it runs the class's own code); the text form then has no value.
        try {
            return qint32(p->get(this).ord);
        } catch (...) {
        }
    }
    return 0;
}

void TElement::SetPropertyLongIntByName(const QString& name, qint32 value) {
    SetPropertyStringByName(name, QString::number(value));
}

qint32 TElement::GetPropertyIntByName(const QString& name) const {
    return GetPropertyLongIntByName(name);
}

void TElement::SetPropertyIntByName(const QString& name, qint32 value) {
    SetPropertyLongIntByName(name, value);
}

bool TElement::GetPropertyBooleanByName(const QString& name) const {
    const QString text = GetPropertyStringByName(name);
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double v = strToExtended(text, &ok);
    if (ok) return v != 0;
    throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
}

void TElement::SetPropertyBooleanByName(const QString& name, bool value) {
    SetPropertyStringByName(name, value ? QStringLiteral("-1") : QStringLiteral("0"));
}

TElement* TElement::LoadElement(TReader& reader, TEntity* index) {
    const qint32 v = reader.ReadInteger();
    if (v < 0 || !index) return nullptr;
    return index->Get(v);
}

void TElement::SaveElement(const TElement* element, TWriter& writer) {
    writer.WriteInteger(element ? element->ID : -1);
}

void TElement::PostTextMsg(qint32 msg, const QString& text, TElement* receiver) {
    auto* m = new TZeltoTextMessage;
    m->FMessage = msg;
    m->FSender = this;
    m->FReceiver = receiver;
    m->FTime = nowAsDateTime();
    m->FMessageText = text;
    SendZeltoMsg(m);
}

void TElement::PostTextMsgToOwners(qint32 msg, const QString& text) {
    for (int i = 0; i < GetOwnersCount(); ++i) PostTextMsg(msg, text, GetOwnerEntity(i));
}

// ---- TNameElement --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TNameElement, TElement, "Elements")

qint32 TNameElement::GetInstanceSize() const {
    return TElement::GetInstanceSize() + (FName.isEmpty() ? 0 : qint32(FName.size()) + 1);
}
QString TNameElement::GetName() const {
    return FName.isEmpty() ? ClassName() : FName;
}
void TNameElement::SetName(const QString& name) {
    FName = name;
}
bool TNameElement::StoreName() const {
    return !FName.isEmpty();
}

void TNameElement::Load(TReader& reader, TEntity* index) {
    TElement::Load(reader, index);
    SetName(reader.ReadString());
}

void TNameElement::Save(TWriter& writer) {
    TElement::Save(writer);
    writer.WriteString(FName);
}

// ---- owner lists shared by TOwnerElement and TOwnerEntity ----------------------------------------

namespace {

TEntity* ownerAt(const TSuperList& owners, int index) {
    if (index < 0 || index >= owners.count()) return nullptr;
    return static_cast<TEntity*>(owners.at(index));
}

void putOwner(TSuperList& owners, int index, TEntity* owner) {
    if (index == 0 || index >= owners.count())
        owners.append(owner);
    else
        owners.insert(index, owner);
}

// Detaches a dying element from every entity that holds it, from the last owner to the first.
void detachFromOwners(TSuperList& owners, TElement* self, bool skipEmptyOwners) {
    while (owners.count() > 0) {
        const int before = owners.count();
        auto* owner = static_cast<TEntity*>(owners.at(before - 1));
        if (owner && (!skipEmptyOwners || owner->ElementsCount() > 0)) owner->RemoveElement(self);
        // RemoveElement normally drops the entry through RemoveOwner; make sure the loop advances.
        if (owners.count() == before) owners.takeLast();
    }
}

TEntity* throughEnvelope(TEntity* owner) {
    if (auto* env = zelto_cast<TEnvelopeEntity>(owner)) return env->FOwner;
    return owner;
}

} // namespace

// ---- TOwnerElement -------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TOwnerElement, TNameElement, "Elements")

TOwnerElement::~TOwnerElement() {
    detachFromOwners(FOwners, this, false);
}

TEntity* TOwnerElement::GetOwnerEntity(int index) const {
    return ownerAt(FOwners, index);
}
void TOwnerElement::PutOwner(int index, TEntity* owner) {
    putOwner(FOwners, index, owner);
}
qint32 TOwnerElement::GetOwnersCount() const {
    return FOwners.count();
}
void TOwnerElement::AddOwner(TEntity* owner) {
    FOwners.append(owner);
}
void TOwnerElement::RemoveOwner(TEntity* owner) {
    // Any entry of the owner will do; the last one costs nothing to find or remove when an entity
    // that lists the element many times lets go of it.
    FOwners.removeLast(owner);
}
bool TOwnerElement::IsMyOwner(const TEntity* owner) const {
    return FOwners.indexOf(owner) >= 0;
}

TEntity* TOwnerElement::FindOwnerClass(const TClassInfo& cls) const {
    for (TElement* o : FOwners)
        if (o && o->InheritsFrom(cls)) return static_cast<TEntity*>(o);
    return nullptr;
}

TEntity* TOwnerElement::FindOwnerName(const QString& name) const {
    for (TElement* o : FOwners)
        if (o && o->GetName() == name) return static_cast<TEntity*>(o);
    return nullptr;
}

// ---- TEntity -------------------------------------------------------------------------------------

void TEntity::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TEntity::AddElement>("NextElement").stored(false);
    b.writeOnly<&TEntity::FreeElement>("ElementToFree").stored(false);
    b.writeOnly<&TEntity::RemoveElement>("ElementToRemove").stored(false);
    b.writeOnly<&TEntity::PAddAllFrom>("AddAllFrom").stored(false);
    b.writeOnly<&TEntity::RAddAllFrom>("AddAllFromRev").stored(false);
    b.readOnly<&TEntity::GetWholeCount>("WholeCount").stored(false);
    b.readOnly<&TEntity::ElementsCount>("Count").stored(false);
    b.readOnly<&TEntity::GetLastIndex>("LastIndex").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TEntity, TElement, "Elements")

TEntity::~TEntity() {
    FreeAll();
}

qint32 TEntity::GetWholeSizes() {
    ID = BaseID();
    qint32 size = GetInstanceSize();
    const qint32 mark = BaseID();
    for (int i = 0; i < FElements.count(); ++i) {
        TElement* e = FElements.at(i);
        if (e && e->ID != mark) size += e->GetWholeSizes();
    }
    return size;
}

bool TEntity::NoElements() const {
    return FElements.count() == 0;
}

TElement* TEntity::CreateEnvelope() {
    auto* env = zelto_cast<TEntity>(TElement::CreateEnvelope());
    if (!env) return nullptr;
    for (int i = 0; i < FElements.count(); ++i) {
        TElement* child = FElements.at(i);
        if (!child) continue;
        if (child->NoOwners()) {
            if (TElement* childEnv = child->CreateEnvelope()) env->AddElement(childEnv);
        } else {
            env->AddElement(child);
        }
    }
    return env;
}

void TEntity::OnTimer() {
    for (int i = 0; i < FElements.count(); ++i)
        if (TElement* e = FElements.at(i)) e->OnTimer();
}

void TEntity::ResetIDs() {
    const qint32 mark = BaseID();
    ID = mark;
    for (int i = 0; i < FElements.count(); ++i) {
        TElement* e = FElements.at(i);
        if (e && e->ID != mark) e->ResetIDs();
    }
}

void TEntity::Load(TReader& reader, TEntity* index) {
    TElement::Load(reader, index);
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const qint32 i = reader.ReadInteger();
        AddElement(index ? index->Get(i) : nullptr);
    }
    reader.ReadListEnd();
}

void TEntity::Save(TWriter& writer) {
    TElement::Save(writer);
    writer.WriteListBegin();
    for (int i = 0; i < FElements.count(); ++i) {
        TElement* e = FElements.at(i);
        writer.WriteInteger(e ? e->ID : -1);
    }
    writer.WriteListEnd();
}

qint32 TEntity::ElementsCount() const {
    return FElements.count();
}
qint32 TEntity::GetLastIndex() const {
    return ElementsCount() - 1;
}

TElement* TEntity::Get(int index) const {
    if (!FElements.created()) return nullptr;
    if (index < 0 || index >= FElements.count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FElements.at(index);
}

void TEntity::Put(int index, TElement* element) {
    if (FElements.count() == 0 && index == 0) {
        FElements.append(element);
        return;
    }
    if (index < 0 || index >= FElements.count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    FElements.set(index, element);
}

qint32 TEntity::IndexOf(const TElement* element) const {
    return FElements.indexOf(element);
}

void TEntity::FreeAll() {
    if (FElements.count() == 0) return;
    try {
        // Children are taken off the list one at a time from the end, so that a child whose
        // destruction touches this list (a shared child listed twice) never meets a stale entry.
        while (FElements.count() > 0) {
            TElement* e = FElements.takeLast();
            if (!e) continue;
            const bool destroy = mayDestroyChild(e);
            releaseChild(e);
            if (destroy) delete e;
        }
    } catch (const std::exception& err) {
        notifier().message(GetName() + QStringLiteral(" TEntity.FreeAll\r\n") +
                           QString::fromUtf8(err.what()));
    }
    FElements.clear();
}

TElement* TEntity::CreateElement(const QString& className, const QString& name) {
    TZeltoClass* entry = ZeltoClasses() ? ZeltoClasses()->GetZeltoClassByName(className) : nullptr;
    if (!entry || !entry->FElementClass) return nullptr;
    auto* e = static_cast<TElement*>(entry->FElementClass->create());
    if (!e) return nullptr;
    e->SetName(name);
    AddElement(e);
    return e;
}

bool TEntity::acceptChild(TElement* element) {
    if (!element->heldByContainer()) return true;
    notifier().message(QStringLiteral("TEntity.AddElement: %1 (%2) already belongs to another container")
                           .arg(element->GetName(), element->ClassName()));
    return false;
}

void TEntity::AddElement(TElement* element) {
    if (!element || !acceptChild(element)) return;
    element->AddOwner(this);
    FElements.append(element);
}

void TEntity::InsertElement(int index, TElement* element) {
    if (!element) return;
    if (!FElements.created() && index != 0) return;
    if (index < 0 || index > FElements.count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (!acceptChild(element)) return;
    FElements.insert(index, element);
    element->AddOwner(this);
}

void TEntity::RemoveElement(TElement* element) {
    if (!element) return;
    // An element that is not listed here keeps the claim of the container that does hold it;
    // only an owner list that really names this entity is corrected.
    const bool listed = FElements.indexOf(element) >= 0;
    if (listed)
        releaseChild(element);
    else if (element->IsMyOwner(this))
        element->RemoveOwner(this);
    FElements.removeFirst(element);
}

void TEntity::RemoveElementIndex(int index) {
    if (index < 0 || index >= FElements.count()) return;
    if (TElement* e = FElements.at(index)) releaseChild(e);
    FElements.removeAt(index);
}

void TEntity::releaseChild(TElement* element) {
    if (!(m_flags & NotHoldingFlag)) element->RemoveOwner(this);
}

bool TEntity::mayDestroyChild(TElement* element) {
    if ((m_flags & NotHoldingFlag) && element->heldByContainer()) return false;
    return element->IsPossibleToFree();
}

void TEntity::freeTaken(TElement* e) {
    if (mayDestroyChild(e))
        delete e;
    else
        releaseChild(e);
}

void TEntity::FreeElement(TElement* element) {
    if (!element || !FElements.created()) return;
    try {
        // An element that is not a child of this entity is left alone: it belongs to others.
        if (FElements.removeFirst(element) < 0) return;
        freeTaken(element);
    } catch (const std::exception& err) {
        notifier().message(QStringLiteral("TEntity.FreeElement\r\n") + QString::fromUtf8(err.what()));
    }
}

void TEntity::FreeElementIndex(int index) {
    if (index < 0 || index >= FElements.count()) return;
    try {
        TElement* e = FElements.at(index);
        FElements.removeAt(index);
        if (e) freeTaken(e);
    } catch (const std::exception& err) {
        notifier().message(QStringLiteral("TEntity.FreeElement\r\n") + QString::fromUtf8(err.what()));
    }
}

TElement* TEntity::FindElementClass(const TClassInfo& cls) const {
    for (TElement* e : FElements)
        if (e && e->InheritsFrom(cls)) return e;
    return nullptr;
}

bool TEntity::sameTextName(const TElement* e, const QString& name) {
    return sameText(e->GetName(), name);
}

TElement* TEntity::FindElementName(const QString& name) const {
    for (TElement* e : FElements)
        if (e && sameText(e->GetName(), name)) return e;
    return nullptr;
}

TElement* TEntity::FindElementByProperty(const QString& propertyName, const QString& value) const {
    for (TElement* e : FElements)
        if (e && sameText(e->GetPropertyStringByName(propertyName), value)) return e;
    return nullptr;
}

TElement* TEntity::FindElementByValue(const QString& value) const {
    return FindElementName(value);
}

bool TEntity::CanFreeElement(const TElement*) const {
    return false;
}

qint32 TEntity::GetWholeCount() {
    ResetBaseID();
    return GetWholeCounts();
}

qint32 TEntity::GetWholeCounts() {
    const qint32 mark = BaseID();
    ID = mark;
    qint32 n = ElementsCount();
    for (int i = 0; i < FElements.count(); ++i) {
        TElement* e = FElements.at(i);
        if (!e || e->ID == mark) continue;
        if (auto* ent = zelto_cast<TEntity>(e))
            n += ent->GetWholeCounts();
        else
            e->ID = mark;
    }
    return n;
}

TElement* TEntity::GetElement(const QString& name) const {
    if (auto* aliases = static_cast<TAliases*>(FindElementClass(TAliases::StaticClass())))
        if (TElement* target = aliases->GetAlias(name)) return target;
    return FindElementName(name);
}

void TEntity::SetElement(const QString& name, TElement* element) {
    auto* aliases = static_cast<TAliases*>(FindElementClass(TAliases::StaticClass()));
    if (!aliases) {
        aliases = new TAliases;
        AddElement(aliases);
    }
    if (TElement* old = aliases->GetAlias(name)) {
        if (old == element) return;
        FreeElement(old);
    }
    if (!element) {
        // The old target may be gone: the alias must not keep pointing at it.
        if (auto* alias = zelto_cast<TAliasElement>(aliases->FindElementName(name))) alias->FTarget = nullptr;
        return;
    }
    aliases->SetAlias(name, element);
    AddElement(element);
}

void TEntity::HardFreeAll() {
    if (FElements.count() == 0) return;
    try {
        while (FElements.count() > 0) {
            TElement* e = FElements.takeLast();
            if (!e) continue;
            e->RemoveOwner(this);
            delete e;
        }
    } catch (const std::exception& err) {
        notifier().message(QStringLiteral("TEntity.HardFreeAll\r\n") + QString::fromUtf8(err.what()));
    }
    FElements.clear();
}

void TEntity::FastFreeAll() {
    while (FElements.count() > 0) {
        TElement* e = FElements.takeLast();
        if (!e) continue;
        if (auto* ent = zelto_cast<TEntity>(e)) ent->FastFreeAll();
        // Dropping this entity from the child's owners first spares the child's destructor a
        // search of this (shrinking) list, which made freeing a large entity quadratic.
        e->RemoveOwner(this);
        delete e;
    }
}

void TEntity::PAddAllFrom(TElement* source) {
    auto* src = zelto_cast<TEntity>(source);
    if (!src) return;
    const int n = src->FElements.count();
    for (int i = 0; i < n; ++i) AddElement(src->FElements.at(i));
}

void TEntity::RAddAllFrom(TElement* source) {
    auto* src = zelto_cast<TEntity>(source);
    if (!src) return;
    for (int i = src->FElements.count() - 1; i >= 0; --i) AddElement(src->FElements.at(i));
}

void TEntity::GetElements(TElement* source, int from, int to) {
    auto* src = zelto_cast<TEntity>(source);
    if (!src || to < from) return;
    for (int i = from; i <= to; ++i) AddElement(src->Get(i));
}

qint32 TEntity::GetClassCount(const TClassInfo& cls) const {
    qint32 n = 0;
    for (TElement* e : FElements)
        if (e && e->InheritsFrom(cls)) ++n;
    return n;
}

void TEntity::ExchangeElements(TElement* element1, TElement* element2) {
    const int i = IndexOf(element1), j = IndexOf(element2);
    if (i >= 0 && j >= 0) ExchangeElementsIndex(i, j);
}

void TEntity::ExchangeElementsIndex(int index1, int index2) {
    const int n = FElements.count();
    if (index1 < 0 || index1 >= n || index2 < 0 || index2 >= n)
        throw EListError(
            QStringLiteral("List index out of bounds (%1)").arg(index1 < 0 || index1 >= n ? index1 : index2));
    TElement* a = FElements.at(index1);
    FElements.set(index1, FElements.at(index2));
    FElements.set(index2, a);
}

TElement* TEntity::FindOrCreateElementName(const TClassInfo& cls, const QString& name) {
    if (TElement* e = FindElementName(name)) return e;
    auto* e = zelto_cast<TElement>(cls.create());
    if (!e) return nullptr;
    e->SetName(name);
    AddElement(e);
    return e;
}

void TEntity::ExchangeFieldElementImpl(TElement*& field, TElement* element) {
    // Setting the element the field already holds changes nothing (releasing it first would
    // destroy it), and an element that already is a child is not listed a second time.
    if (field == element) return;
    if (field) {
        FreeElement(field);
        field = nullptr;
    }
    field = element;
    if (element && IndexOf(element) < 0) AddElement(element);
}

// ---- TNameEntity ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TNameEntity, TEntity, "Elements")

qint32 TNameEntity::GetInstanceSize() const {
    return TEntity::GetInstanceSize() + (FName.isEmpty() ? 0 : qint32(FName.size()) + 1);
}
QString TNameEntity::GetName() const {
    return FName.isEmpty() ? ClassName() : FName;
}
void TNameEntity::SetName(const QString& name) {
    FName = name;
}
bool TNameEntity::StoreName() const {
    return !FName.isEmpty();
}

void TNameEntity::Load(TReader& reader, TEntity* index) {
    TEntity::Load(reader, index);
    SetName(reader.ReadString());
}

void TNameEntity::Save(TWriter& writer) {
    TEntity::Save(writer);
    writer.WriteString(FName);
}

// ---- TOwnerEntity --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TOwnerEntity, TNameEntity, "Elements")

TOwnerEntity::~TOwnerEntity() {
    try {
        detachFromOwners(FOwners, this, true);
    } catch (const std::exception&) {
        notifier().message(
            QStringLiteral("TOwnerEntity.Destroy: chyba cyklu uvolňování , %1 : %2").arg(ClassName(), FName));
    }
}

TEntity* TOwnerEntity::GetOwnerEntity(int index) const {
    if (index < 0 || index >= FOwners.count()) return nullptr;
    TElement* o = FOwners.at(index);
    if (!o) {
        notifier().message(
            QStringLiteral("TOwnerEntity(%1).GetOwner: Objekt vlastníka je prázdný").arg(GetName()));
        return nullptr;
    }
    if (!o->Is<TEntity>()) {
        notifier().message(
            QStringLiteral("TOwnerEntity(%1).GetOwner: Objekt vlastníka není TEntity").arg(GetName()));
        return nullptr;
    }
    return static_cast<TEntity*>(o);
}

void TOwnerEntity::PutOwner(int index, TEntity* owner) {
    putOwner(FOwners, index, owner);
}
qint32 TOwnerEntity::GetOwnersCount() const {
    return FOwners.count();
}
void TOwnerEntity::AddOwner(TEntity* owner) {
    FOwners.append(owner);
}
void TOwnerEntity::RemoveOwner(TEntity* owner) {
    FOwners.removeLast(owner); // as for elements
}
bool TOwnerEntity::IsMyOwner(const TEntity* owner) const {
    return FOwners.indexOf(owner) >= 0;
}

TEntity* TOwnerEntity::FindOwnerClass(const TClassInfo& cls) const {
    for (TElement* o : FOwners) {
        TEntity* owner = throughEnvelope(static_cast<TEntity*>(o));
        if (owner && owner->InheritsFrom(cls)) return owner;
    }
    return nullptr;
}

TEntity* TOwnerEntity::FindOwnerName(const QString& name) const {
    for (TElement* o : FOwners) {
        TEntity* owner = throughEnvelope(static_cast<TEntity*>(o));
        if (owner && owner->GetName() == name) return owner;
    }
    return nullptr;
}

void TOwnerEntity::InsertNameSortedEntity(TElement* entity) {
    if (!entity) return;
    const int n = FElements.count();
    if (n == 0) {
        AddElement(entity);
        return;
    }
    const QString name = entity->GetName();
    TElement* last = FElements.at(n - 1);
    if (!last || last->GetName() <= name) {
        AddElement(entity);
        return;
    }
    for (int i = 0; i < n; ++i) {
        TElement* e = FElements.at(i);
        if (e && e->GetName() > name) {
            InsertElement(i, entity);
            return;
        }
    }
    AddElement(entity);
}

TElement* TOwnerEntity::CreateSubEntity(const TClassInfo& cls, const QString& name) {
    const QString n = name.isEmpty() ? QStringLiteral("no name") : name;
    if (TElement* e = FindElementName(n)) return e;
    auto* e = zelto_cast<TElement>(cls.create());
    if (!e) return nullptr;
    e->SetName(n);
    InsertNameSortedEntity(e);
    return e;
}

// ---- the rest of the core ------------------------------------------------------------------------

void TStringEntity::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TStringEntity::FValue, &TStringEntity::SetValue>("Value");
}
ZELTO_IMPLEMENT_CLASS(TStringEntity, TOwnerEntity, "Elements")

void TQuickEntity::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TQuickEntity::SetClearIt>("ClearIt").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TQuickEntity, TEntity, "Elements")

void TQuickEntity::AddElement(TElement* element) {
    if (element) FElements.append(element);
}

void TQuickEntity::InsertElement(int index, TElement* element) {
    if (!element) return;
    if (!FElements.created() && index != 0) return;
    FElements.insert(index, element);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TEnvelopeEntity, TEntity, "Elements")

TEnvelopeEntity::~TEnvelopeEntity() {
    if (FOwner) FOwner->FElements.removeFirst(this);
}

void TEnvelopeEntity::AddOwner(TEntity* owner) {
    FOwner = owner;
    TEntity::AddOwner(owner);
}

void TEnvelopeEntity::RemoveOwner(TEntity* owner) {
    // Forget the owner that let go, so that nothing is routed to an entity that may be gone.
    if (FOwner == owner) {
        FOwner = nullptr;
        TEntity::RemoveOwner(owner);
    }
}

TEntity* TEnvelopeEntity::FindOwnerClass(const TClassInfo& cls) const {
    if (InheritsFrom(cls)) return const_cast<TEnvelopeEntity*>(this);
    if (FOwner && FOwner->InheritsFrom(cls)) return FOwner;
    return nullptr;
}

TElement* TEnvelopeEntity::FindClassInOwners(const TClassInfo& cls) {
    if (InheritsFrom(cls)) return this;
    return FOwner ? FOwner->FindClassInOwners(cls) : nullptr;
}

TElement* TEnvelopeEntity::FindClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) {
    if (InheritsFrom(cls) && FOwner == owner && owner) return this;
    return FOwner ? FOwner->FindClassWithOwnerInOwners(cls, owner) : nullptr;
}

TElement* TEnvelopeEntity::FindFirstClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) {
    if (InheritsFrom(cls)) return FOwner == owner && owner ? this : nullptr;
    return FOwner ? FOwner->FindFirstClassWithOwnerInOwners(cls, owner) : nullptr;
}

void TEnvelopeEntity::HandleMessage(TZeltoMessage& message, bool& handled) {
    message.FReceiver = FOwner;
    if (FOwner) FOwner->HandleMessage(message, handled);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TAliasElement, TOwnerElement, "Elements")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TAliases, TEntity, "Elements")

TElement* TAliases::GetAlias(const QString& name) const {
    auto* alias = zelto_cast<TAliasElement>(FindElementName(name));
    return alias ? alias->FTarget : nullptr;
}

void TAliases::SetAlias(const QString& name, TElement* element) {
    if (!element) return;
    auto* alias = zelto_cast<TAliasElement>(FindElementName(name));
    if (!alias) {
        alias = new TAliasElement;
        alias->SetName(name);
        AddElement(alias);
    }
    alias->FTarget = element;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TYouShallNotPass, TElement, "Elements")

void TZeltoMessage::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TZeltoMessage::FMessage>("Message");
    b.field<&TZeltoMessage::FSender>("Sender");
    b.field<&TZeltoMessage::FReceiver>("Receiver");
    b.field<&TZeltoMessage::FData>("Data");
    b.field<&TZeltoMessage::FKillData>("KillData").def(qint64(0));
    b.field<&TZeltoMessage::FTime>("Time").def(0.0);
}
ZELTO_IMPLEMENT_CLASS(TZeltoMessage, TElement, "Elements")

TZeltoMessage::~TZeltoMessage() {
    // An element that an owning container holds without keeping owners stays with that container.
    if (FKillData && FData && FData != this && !FData->heldByContainer()) delete FData;
}

TZeltoMessage* TZeltoMessage::CreateAll(qint32 message, TElement* sender, TElement* receiver, TElement* data,
                                        bool killData) {
    auto* m = new TZeltoMessage;
    m->FMessage = message;
    m->FSender = sender;
    m->FReceiver = receiver;
    m->FData = data;
    m->FKillData = killData;
    m->FTime = nowAsDateTime();
    return m;
}

void TZeltoTextMessage::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZeltoTextMessage::GetMessageText, &TZeltoTextMessage::SetMessageText>("Text");
}
ZELTO_IMPLEMENT_CLASS(TZeltoTextMessage, TZeltoMessage, "Elements")

// ---- freeing sets of elements ---------------------------------------------------------------------

namespace {
thread_local TDestructionWatch* t_watch = nullptr;
}

struct TDestructionWatch::Data {
    QSet<const TElement*> alive;
};

TDestructionWatch::TDestructionWatch() : d(new Data), m_previous(t_watch) {
    t_watch = this;
}

TDestructionWatch::~TDestructionWatch() {
    t_watch = m_previous;
    delete d;
}

void TDestructionWatch::watch(const TElement* e) {
    d->alive.insert(e);
}
bool TDestructionWatch::alive(const TElement* e) const {
    return d->alive.contains(e);
}
qsizetype TDestructionWatch::count() const {
    return d->alive.size();
}

void TDestructionWatch::destroyed(const TElement* e) {
    for (TDestructionWatch* w = t_watch; w; w = w->m_previous) w->d->alive.remove(e);
}

void FreeElementSet(const std::vector<TElement*>& elements) {
    TDestructionWatch watch;
    for (TElement* e : elements)
        if (e) watch.watch(e);
    // Element properties that point into the set are cleared first: the set frees those elements
    // itself, and a holder that owns its value (a message its data) would otherwise free one that
    // is already gone, or one that an entity of the set still lists as its child.
    // A setter may free the value it gives up (an owned child list, an owned point), so every
    // element is checked against the watch before it is touched again.
    for (TElement* e : elements) {
        if (!e || !watch.alive(e)) continue;
        for (const TPropInfo& p : e->ClassType().properties()) {
            if (p.kind != tkClass || !p.readable() || !p.writable() || !p.staticallyStored()) continue;
            // Getters and setters run the classes' own code and may raise; such a value stays.
            try {
                // Compared by address first: the value may be one a setter has just freed.
                auto* value = static_cast<TElement*>(p.get(e).obj);
                if (value && watch.alive(value)) p.set(e, TValue::object(nullptr));
            } catch (...) {
            }
            if (!watch.alive(e)) break;
        }
    }
    // A quick entity lists children without holding them and frees, when it dies, those that no
    // container holds: an entry whose element the set freed first (or an element listed twice)
    // would be freed again. The set frees its own elements, so those entries go first.
    for (TElement* e : elements)
        if (auto* quick = e && watch.alive(e) ? zelto_cast<TQuickEntity>(e) : nullptr)
            for (int i = quick->ElementsCount() - 1; i >= 0; --i)
                if (watch.alive(quick->FElements.at(i))) quick->RemoveElementIndex(i);
    bool cut = false;
    while (watch.count() > 0) {
        QSet<const TElement*> held;
        for (TElement* e : elements) {
            if (!e || !watch.alive(e)) continue;
            if (auto* entity = zelto_cast<TEntity>(e))
                for (TElement* child : entity->FElements)
                    if (child && child != e && watch.alive(child)) held.insert(child);
        }
        bool freed = false;
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
            TElement* e = *it;
            if (!e || !watch.alive(e) || held.contains(e)) continue;
            delete e;
            freed = true;
        }
        if (freed) continue;
        if (cut) break; // holders that cannot be parted; leave them rather than free twice
        // Only entities that hold each other are left: part them, then free them one by one.
        cut = true;
        for (TElement* e : elements)
            if (auto* entity = e && watch.alive(e) ? zelto_cast<TEntity>(e) : nullptr)
                for (int i = entity->ElementsCount() - 1; i >= 0; --i) {
                    TElement* child = entity->FElements.at(i);
                    if (child && watch.alive(child)) entity->RemoveElementIndex(i);
                }
    }
}

TElement* CreateElementByName(const QString& name) {
    const TClassInfo* cls = GetZeltoClass(name);
    const QString prefixed = QStringLiteral("T") + name;
    if (!cls) cls = GetZeltoClass(prefixed);
    if (!cls) {
        notifier().error(QStringLiteral("Neregistrovaný element: ") + prefixed);
        return nullptr;
    }
    return zelto_cast<TElement>(cls->create());
}

void registerElementClasses() {
    for (const TClassInfo* c :
         {&TElement::StaticClass(), &TNameElement::StaticClass(), &TOwnerElement::StaticClass(),
          &TEntity::StaticClass(), &TNameEntity::StaticClass(), &TOwnerEntity::StaticClass(),
          &TEnvelopeEntity::StaticClass(), &TQuickEntity::StaticClass(), &TZeltoMessage::StaticClass(),
          &TStringEntity::StaticClass(), &TYouShallNotPass::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
