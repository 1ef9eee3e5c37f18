#include "t_Loader.h"

#include "ReadTable.h"

#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "framework/e_Class.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <limits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace zelto {

namespace {

bool isStringKindCode(int k) {
    return k == tkString || k == tkLString || k == tkWString || k == tkUString;
}

QString quoted(const QString& cls, const QString& prop) {
    return cls + QStringLiteral(" property \"") + prop + QStringLiteral("\"");
}

// A stored property whose value is an element.
bool isElementProperty(const TPropInfo& p) {
    return p.kind == tkClass && p.readable() && p.staticallyStored();
}

// Whether instances of the class can hold other elements through stored element properties.
bool hasElementProperties(const TClassInfo& cls) {
    return std::any_of(cls.properties().begin(), cls.properties().end(), isElementProperty);
}

// Calls f(element) for what each stored element property of `e` names (none or an element); a
// getter that raises names nothing.
template <class F> void forEachNamedElement(TElement* e, F&& f) {
    for (const TPropInfo& p : e->ClassType().properties())
        if (isElementProperty(p)) {
            TElement* named = nullptr;
            try {
                named = zelto_cast<TElement>(p.get(e).obj);
            } catch (...) {
                continue;
            }
            f(named);
        }
}

// Takes out of `read` the elements their holder frees: a plain element (not an entity, no element
// properties) that an owning container holds (it has no list of owners, so it has one holder and
// that holder destroys it), that exactly one entity of the read lists, and that no element property
// of the read names. Freeing the rest with FreeElementSet frees these with their holders, and the
// list of a read no longer costs a slot for every vertex of every line.
// Element IDs serve as the numbers of the read while this runs; they are restored when asked,
// otherwise they end as -1.
void dropElementsFreedByTheirHolder(std::vector<TElement*>& read, const TElement* output, bool restoreIds) {
    const size_t n = read.size();
    std::vector<qint32> savedIds;
    if (restoreIds) {
        savedIds.reserve(n);
        for (TElement* e : read) savedIds.push_back(e->ID);
    }
    for (size_t i = 0; i < n; ++i) read[i]->ID = qint32(i);
    auto numberOf = [&](const TElement* x) -> qint64 {
        if (!x || x->ID < 0 || size_t(x->ID) >= n || read[size_t(x->ID)] != x) return -1;
        return x->ID;
    };
    std::vector<bool> listedOnce(n), keep(n);
    const TClassInfo* lastClass = nullptr;
    bool lastHasProperties = false;
    for (size_t i = 0; i < n; ++i) {
        TElement* e = read[i];
        if (auto* entity = zelto_cast<TEntity>(e)) {
            // A container that does not hold what it lists must find its entries alive when it dies.
            const bool holds = !entity->Is<TQuickEntity>();
            for (TElement* child : entity->FElements) {
                const qint64 k = numberOf(child);
                if (k < 0) continue;
                if (!holds || listedOnce[size_t(k)])
                    keep[size_t(k)] = true;
                else
                    listedOnce[size_t(k)] = true;
            }
        }
        const TClassInfo& cls = e->ClassType();
        if (&cls != lastClass) {
            lastClass = &cls;
            lastHasProperties = hasElementProperties(cls);
        }
        if (!lastHasProperties) continue;
        forEachNamedElement(e, [&](TElement* named) {
            const qint64 k = numberOf(named);
            if (k >= 0) keep[size_t(k)] = true;
        });
        keep[i] = true; // it may own what its properties name
    }
    size_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        TElement* e = read[i];
        const bool freedByHolder =
            listedOnce[i] && !keep[i] && e != output && e->heldByContainer() && !zelto_cast<TEntity>(e);
        e->ID = restoreIds ? savedIds[i] : -1;
        if (!freedByHolder) read[out++] = e;
    }
    read.resize(out);
    read.shrink_to_fit();
}

} // namespace

// ---- TZeltoLoader --------------------------------------------------------------------------------

void TZeltoLoader::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZeltoLoader::GetFileName, &TZeltoLoader::SetFileName>("FileName");
    b.readOnly<&TZeltoLoader::GetContainer>("_Container").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TZeltoLoader, TTool, "t_Loader")

TZeltoLoader::TZeltoLoader(const QString& fileName)
    : FFileName(fileName), m_table(std::make_unique<detail::TReadTable>()) {}

TZeltoLoader::~TZeltoLoader() {
    if (FContainer) FContainer->Clear(); // the container never owns what was read
}

QString TZeltoLoader::NumberToPropertyName(int) const {
    return QStringLiteral("FileName");
}

void TZeltoLoader::protocol(const QString& text) {
    PostTextMsg(tm_AddToProtocol, text, nullptr);
}

void TZeltoLoader::StartGauge() {
    if (!GetNoProgress())
        StartProgress(QStringLiteral("Načítání modelu ze souboru ") + FFileName, 0, GetGaugeMax());
}

void TZeltoLoader::EndGauge() {
    EndProgress();
}

qint32 TZeltoLoader::GetGaugeMax() const {
    return qint32(qMin<qint64>(inputSize(), INT32_MAX));
}

void TZeltoLoader::UpdateGauge() {
    if (GetNoProgress() || !GetInProgress() || !m_reader) return;
    const qsizetype pos = m_reader->Position();
    if (pos > m_lastGauge && pos % 200 == 0) {
        m_lastGauge = pos;
        SetProgress(qint32(pos));
        SetProgressText(QStringLiteral("%1 bytů z celkových %2").arg(pos).arg(inputSize()));
    }
}

void TZeltoLoader::Prepare() {
    if (!FContainer) {
        FContainer = new TQuickEntity;
        AddElement(FContainer);
    }
    if (!FInstance) {
        FInstance = new TZeltoInstance;
        AddElement(FInstance);
    }
    PrepareClasses();
    m_table->clear();
    m_read.clear();
    m_survivors.clear();
    m_held.clear();
    m_done.clear();
    m_named.clear();
    m_depth = 0;
    m_lastTop = m_previousTop = -1;
    m_lastGauge = 0;
    m_recordsRead = 0;
}

void TZeltoLoader::PrepareClasses() {
    if (FClasses) FreeElement(FClasses);
    FClasses = new TOwnerEntity;
    AddElement(FClasses);
    m_classes.clear();
    m_class = nullptr;
}

void TZeltoLoader::Finish() {
    FContainer->Clear();
    m_table->clear();
    m_read.clear();
    m_held.clear();
    m_done.clear();
    m_named.clear();
    EndGauge();
}

void TZeltoLoader::LoadInfo() {
    for (int i = 0; i < 3; ++i) m_reader->ReadString();
}

void TZeltoLoader::LoadClasses() {}

void TZeltoLoader::LoadClass() {
    const QString name = m_reader->ReadString();
    m_reader->ReadInteger(); // class records are numbered by their order
    AddClass(name);
    m_reader->ReadListBegin();
    while (!m_reader->EndOfList()) {
        const QString prop = m_reader->ReadString();
        int kind = m_reader->ReadInteger();
        if (kind == tkChar) kind = tkWChar;
        AddClassProperty(prop, kind);
    }
    m_reader->ReadListEnd();
}

void TZeltoLoader::AddClass(const QString& name) {
    auto* entry = new TZeltoClass;
    LoadedClass lc;
    lc.name = name;
    const TClassInfo* cls = GetZeltoClass(name);
    if (cls && !cls->isAbstract()) {
        entry->SetElementClass(cls);
    } else {
        protocol(name + QStringLiteral(" - Unknown class !"));
        cls = &TOwnerEntity::StaticClass();
        entry->SetElementClass(cls);
        entry->SetName(name + QStringLiteral(" ?"));
    }
    lc.cls = cls;
    FClasses->AddElement(entry);
    FActualClass = entry;
    m_classes.push_back(std::move(lc));
    m_class = &m_classes.back();
}

void TZeltoLoader::AddClassProperty(const QString& name, int kind) {
    LoadedClass& lc = m_classes.back();
    auto* cp = new TZeltoClassProperty;
    cp->SetName(name);
    cp->FIndex = FActualClass->ElementsCount();
    cp->FLostTypeKind = quint8(kind >= 0 && kind <= 255 ? kind : 0);
    FActualClass->AddElement(cp);

    StoredProperty sp;
    sp.name = name;
    sp.storedKind = TTypeKind(kind >= 0 && kind <= tkMRecord ? kind : tkUnknown);
    sp.trueIndex = lc.cls->propertyIndex(name);
    cp->FTrueIndex = sp.trueIndex;
    if (sp.trueIndex < 0) {
        sp.lost = true;
        cp->FLostProperty = true;
        protocol(lc.name + QStringLiteral(" lost property: ") + name);
        lc.props.push_back(sp);
        return;
    }
    const TPropInfo& p = *lc.cls->property(sp.trueIndex);
    cp->FPropInfo = &p;
    const int c = p.kind, s = sp.storedKind;
    const bool cString = isStringKindCode(c) && c != tkWString;
    if (c == s || (c == tkInt64 && s == tkInteger) || (c == tkWChar && s == tkChar)) {
    } else if (cString && (s == tkString || s == tkLString)) {
    } else if ((cString && !isStringKindCode(s) && s != tkClass) ||
               ((s == tkString || s == tkLString) && !isStringKindCode(c) && c != tkClass)) {
        sp.mishmash = true;
        cp->FTypeMishmash = true;
        protocol(quoted(lc.name, name) + QStringLiteral(" type conv.: ") + typeKindName(s) +
                 QStringLiteral(" to ") + typeKindName(c));
    } else {
        sp.trueIndex = -1;
        cp->FTrueIndex = -1;
        protocol(quoted(lc.name, name) + QStringLiteral(" type error: ") + QString::number(s));
    }
    // Only properties the program stores take values from a stream: the writer writes no others,
    // and their setters run operations (attaching tools, replacing parts of a world, renumbering)
    // that file content must not trigger.
    if (sp.trueIndex >= 0 && !p.staticallyStored()) {
        sp.trueIndex = -1;
        cp->FTrueIndex = -1;
    }
    if (sp.trueIndex >= 0) sp.current = &p;
    if (sp.trueIndex >= 0 && p.staticallyStored()) {
        if (p.kind == tkClass && p.propClass && !p.propClass->isElementClass())
            protocol(quoted(lc.name, name) + QStringLiteral(" is not Element!"));
        else if (!p.readable() || !p.writable())
            protocol(quoted(lc.name, name) + QStringLiteral(" is Read or Write Only!"));
    }
    lc.props.push_back(sp);
}

void TZeltoLoader::LoadAll() {
    m_reader->ReadListBegin();
    while (!m_reader->EndOfList()) {
        const qsizetype itemAt = m_reader->Position();
        const qint32 n = m_reader->ReadInteger();
        if (n == -1) {
            LoadClass();
        } else if (n >= 0) {
            if (n >= qint32(m_classes.size()))
                m_reader->Fail(QStringLiteral("unknown class number %1").arg(n), itemAt);
            NewElement(n);
            const qint32 number = m_reader->ReadInteger();
            const qint32 index = m_table->size() - 1;
            if (number != index)
                m_reader->Fail(QStringLiteral("element number %1 where %2 was due").arg(number).arg(index),
                               itemAt);
            LoadProperties();
            LoadElements();
            finishElement(index);
            FLastElementIndex = index;
            if (m_depth == 0) {
                m_previousTop = m_lastTop;
                m_lastTop = index;
            }
        } else {
            m_reader->Fail(QStringLiteral("invalid item marker %1").arg(n), itemAt);
        }
        UpdateGauge();
    }
    m_reader->ReadListEnd();
}

void TZeltoLoader::NewElement(qint32 classNumber) {
    m_class = &m_classes[size_t(classNumber)];
    FActualClass = static_cast<TZeltoClass*>(FClasses->Get(classNumber));
    auto* e = zelto_cast<TElement>(m_class->cls->create());
    if (!e) m_reader->Fail(QStringLiteral("class %1 cannot be created").arg(m_class->name));
    AddNextElement(e);
    e->ID = InProgressMark;
    FActualElement = e;
}

void TZeltoLoader::finishElement(qint32 index) {
    // While reading, an element's ID holds its height in the child graph (walks keep their marks
    // there too). Freeing and walking a graph recurse once per level, so its depth is bounded.
    TElement* e = (*m_table)[index];
    qint32 height = 0;
    auto* entity = zelto_cast<TEntity>(e);
    if (entity)
        for (int i = entity->ElementsCount() - 1; i >= 0; --i) {
            TElement* child = entity->FElements.at(i);
            if (!child) continue;
            if (child->ID == InProgressMark) {
                // Attached by a property setter while its own record is open: a cycle.
                protocol(QStringLiteral("Loader Error: ") + m_class->name + QStringLiteral(" child ") +
                         child->ClassName());
                entity->RemoveElementIndex(i);
                continue;
            }
            height = std::max(height, std::max(child->ID, 0) + 1);
        }
    if (height > MaxChildDepth)
        m_reader->Fail(QStringLiteral("child graph deeper than %1 levels").arg(MaxChildDepth));
    e->ID = height;
    // The record is complete: its child list keeps no growth slack (setters may have appended).
    if (entity) entity->FElements.squeeze();
    m_done[size_t(index)] = true;
}

void TZeltoLoader::AddNextElement(TElement* element) {
    // The table of the elements read (element number = position).
    m_table->push_back(element);
    m_held.push_back(false);
    m_done.push_back(false);
    m_named.push_back(false);
}

void TZeltoLoader::LoadProperties() {
    m_reader->ReadListBegin();
    while (!m_reader->EndOfList()) {
        const qsizetype at = m_reader->Position();
        const qint32 i = m_reader->ReadInteger();
        if (i < 0 || i >= qint32(m_class->props.size()))
            m_reader->Fail(QStringLiteral("property index %1 out of range").arg(i), at);
        FActualPropertyIndex = i;
        readValue(m_class->props[size_t(i)], i);
    }
    m_reader->ReadListEnd();
}

// Setters run the classes' own code and may refuse a value; the read goes on without it.
template <class F> void TZeltoLoader::setFast(F&& set, const StoredProperty& sp) {
    try {
        set();
    } catch (...) {
        protocol(QStringLiteral("Loader Property Set Error: ") + m_class->name + QChar(' ') +
                 sp.current->name);
    }
}

void TZeltoLoader::readValue(const StoredProperty& sp, int index) {
    const TTypeKind c = sp.current ? sp.current->kind : tkUnknown;
    TValue v;
    qint32 classTarget = -1; // the element number an element property refers to
    switch (sp.storedKind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet: {
        const qint32 x = m_reader->ReadInteger();
        if (!sp.mishmash && sp.current && sp.current->kind == sp.storedKind && sp.current->setOrdinal &&
            sp.current->get) {
            setFast([&] { sp.current->setOrdinal(FActualElement, x); }, sp);
            return;
        }
        if (sp.mishmash)
            v = TValue::string(QString::number(x), c);
        else
            v = TValue::ordinal(sp.storedKind, x);
        break;
    }
    case tkChar:
    case tkWChar: {
        const QChar ch = m_reader->ReadChar();
        if (sp.mishmash)
            v = TValue::string(QString(ch), c);
        else
            v = TValue::ordinal(sp.storedKind, ch.unicode());
        break;
    }
    case tkFloat: {
        const double x = m_reader->ReadFloat();
        if (!sp.mishmash && sp.current && sp.current->kind == tkFloat && sp.current->setReal &&
            sp.current->get) {
            setFast([&] { sp.current->setReal(FActualElement, x); }, sp);
            return;
        }
        if (sp.mishmash)
            v = TValue::string(floatToStr(x), c);
        else
            v = TValue::floating(x);
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString: {
        QString text = m_reader->ReadString();
        if (!sp.mishmash && sp.current && (c == tkUString || c == sp.storedKind) && sp.current->setString &&
            sp.current->get) {
            setFast([&] { sp.current->setString(FActualElement, std::move(text)); }, sp);
            return;
        }
        if (sp.mishmash) {
            switch (c) {
            case tkInteger:
            case tkEnumeration:
            case tkSet: {
                qint32 x = 0;
                if (!tryParseInt32(text, x)) x = 0;
                v = TValue::ordinal(c, x);
                break;
            }
            case tkChar:
            case tkWChar:
                v = TValue::ordinal(c, text.isEmpty() ? u'-' : text.at(0).unicode());
                break;
            case tkFloat:
                v = TValue::floating(strToExtended(text));
                break;
            default:
                return;
            }
        } else {
            v = TValue::string(text, c == tkUString ? tkUString : sp.storedKind);
        }
        break;
    }
    case tkClass: {
        const qsizetype at = m_reader->Position();
        const qint32 ref = m_reader->ReadInteger();
        TElement* target = nullptr;
        qint32 targetIndex = -1;
        if (ref == -2) {
            if (m_depth >= MaxNesting) m_reader->Fail(QStringLiteral("nested lists too deep"), at);
            // The nested list is read with the loader's state saved around it.
            TElement* element = FActualElement;
            LoadedClass* cls = m_class;
            TZeltoClass* entry = FActualClass;
            const qint32 before = m_table->size();
            ++m_depth;
            LoadAll();
            --m_depth;
            FActualElement = element;
            m_class = cls;
            FActualClass = entry;
            FActualPropertyIndex = index;
            if (m_table->size() > before && FLastElementIndex >= 0) {
                targetIndex = FLastElementIndex;
                target = (*m_table)[targetIndex];
            }
        } else if (ref >= 0 && ref < m_table->size() && (*m_table)[ref] != FActualElement) {
            targetIndex = ref;
            target = (*m_table)[ref];
        } else if (ref != -1) {
            protocol(QStringLiteral("Loader Error: ") + m_class->name + QStringLiteral(" ClassProperty ") +
                     sp.name);
        }
        classTarget = targetIndex;
        if (targetIndex >= 0) m_named[size_t(targetIndex)] = true;
        v = TValue::object(target);
        break;
    }
    default:
        m_reader->Fail(QStringLiteral("values of kind %1 cannot be read").arg(int(sp.storedKind)));
    }
    if (!sp.current) return;
    // The common case directly: same kind, both accessors.
    if (sp.current->kind == v.kind && sp.current->set && sp.current->get) {
        try { // a setter may refuse the value (see setFast)
            sp.current->set(FActualElement, v);
        } catch (...) {
            protocol(QStringLiteral("Loader Property Set Error: ") + m_class->name + QChar(' ') +
                     sp.current->name);
        }
    } else {
        SetProperty(sp.trueIndex, v.kind, v);
    }
    // The value hangs from this element only when the element really keeps it, and only when its
    // record was complete (a reference back to an unfinished element may close a cycle).
    if (classTarget >= 0 && m_done[size_t(classTarget)] && sp.current->readable()) {
        try { // a getter that raises keeps nothing
            if (sp.current->get(FActualElement).obj == (*m_table)[classTarget])
                m_held[size_t(classTarget)] = true;
        } catch (...) {
        }
    }
}

void TZeltoLoader::SetProperty(int index, TTypeKind kind, const TValue& value) {
    const TPropInfo* p = m_class->cls->property(index);
    if (!p || p->kind != kind || !p->readable() || !p->writable()) return;
    try { // a setter may refuse the value (see setFast)
        p->set(FActualElement, value);
    } catch (...) {
        protocol(QStringLiteral("Loader Property Set Error: ") + m_class->name + QChar(' ') + p->name);
    }
}

void TZeltoLoader::LoadElements() {
    const qint32 flag = m_reader->ReadInteger();
    if (flag == 0) return;
    auto* entity = zelto_cast<TEntity>(FActualElement);
    m_children.clear();
    m_reader->ReadListBegin();
    while (!m_reader->EndOfList()) {
        const qint32 n = m_reader->ReadInteger();
        // A child's record is complete before its parent's child list; anything else (a later
        // number, the element itself, or inside a nested list the element whose property holds
        // that list) would make a cycle.
        if (n < 0 || n >= m_table->size() || !m_done[size_t(n)]) {
            protocol(QStringLiteral("Loader Error: ") + m_class->name + QStringLiteral(" child ") +
                     QString::number(n));
            continue;
        }
        m_children.push_back(n);
    }
    m_reader->ReadListEnd();
    if (!entity) return;
    // A quick entity does not hold its children; one listed twice would be freed twice with it.
    if (entity->Is<TQuickEntity>()) {
        QSet<qint32> seen;
        std::erase_if(m_children, [&](qint32 n) {
            if (seen.contains(n)) return true;
            seen.insert(n);
            return false;
        });
    }
    entity->FElements.reserve(entity->ElementsCount() + int(m_children.size()));
    // A plain element (not an entity, no element properties) that this owning entity takes and
    // that nothing named before is the entity's alone: its number can be retired from the table.
    const bool holds = !entity->Is<TQuickEntity>();
    m_retiring.clear();
    m_retiringElements.clear();
    for (qint32 n : m_children) {
        TElement* child = (*m_table)[n];
        const bool fresh = !m_held[size_t(n)] && !m_named[size_t(n)];
        const int before = entity->ElementsCount();
        try { // an entity class's own AddElement may refuse the child
            entity->AddElement(child);
            m_held[size_t(n)] = true;
        } catch (...) {
            continue;
        }
        if (holds && fresh && entity->ElementsCount() == before + 1 &&
            entity->FElements.at(before) == child && child->heldByContainer() && isPlainLeaf(child)) {
            m_retiring.push_back(n);
            m_retiringElements.push_back(child);
        }
    }
    if (m_retiring.size() >= size_t(detail::TReadTable::MinRun))
        m_table->retire(m_retiring, m_retiringElements);
}

bool TZeltoLoader::isPlainLeaf(const TElement* e) {
    const TClassInfo& cls = e->ClassType();
    if (&cls != m_plainClass) {
        m_plainClass = &cls;
        m_plainClassIsLeaf = !cls.inheritsFrom(TEntity::StaticClass()) && !hasElementProperties(cls);
    }
    return m_plainClassIsLeaf;
}

void TZeltoLoader::freeAllRead() {
    // Retired elements go with the holders that took them, unless a setter took them away.
    std::vector<TElement*> all;
    all.swap(m_read);
    m_table->forEachRemaining([&](qint32, TElement* e) { all.push_back(e); });
    m_table->clear();
    FContainer->Clear();
    FreeElementSet(all);
}

void TZeltoLoader::freeUnreachable(TElement* output) {
    // Held elements hang (directly or through holders) from an unheld one; when the output is the
    // only unheld element, everything read belongs to it.
    bool others = false;
    for (size_t i = 0; i < m_read.size(); ++i)
        if (!m_held[i] && m_read[i] != output) others = true;
    if (!others) return;
    // Mark what the output reaches through children and element properties.
    QSet<const TElement*> reached;
    std::vector<TElement*> stack{output};
    reached.insert(output);
    while (!stack.empty()) {
        TElement* e = stack.back();
        stack.pop_back();
        auto visit = [&](TElement* x) {
            if (x && !reached.contains(x)) {
                reached.insert(x);
                stack.push_back(x);
            }
        };
        if (auto* entity = zelto_cast<TEntity>(e))
            for (TElement* child : entity->FElements) visit(child);
        forEachNamedElement(e, visit);
    }
    std::vector<TElement*> unreached;
    for (TElement* e : m_read)
        if (!reached.contains(e)) unreached.push_back(e);
    TDestructionWatch watch;
    for (TElement* e : m_read) watch.watch(e);
    // What the output reaches stays, even when an unreached element holds it (as a child, or as
    // a property value that it may own, as a message its data).
    for (TElement* e : unreached) {
        if (auto* entity = zelto_cast<TEntity>(e))
            for (int i = entity->ElementsCount() - 1; i >= 0; --i)
                if (reached.contains(entity->FElements.at(i))) entity->RemoveElementIndex(i);
        for (const TPropInfo& p : e->ClassType().properties())
            if (p.kind == tkClass && p.readable() && p.writable() && p.staticallyStored()) {
                try { // accessors run the classes' own code; a value they refuse stays
                    if (reached.contains(zelto_cast<TElement>(p.get(e).obj)))
                        p.set(e, TValue::object(nullptr));
                } catch (...) {
                }
            }
    }
    FreeElementSet(unreached);
    std::vector<TElement*> alive;
    for (TElement* e : m_read)
        if (watch.alive(e)) alive.push_back(e);
    m_read.swap(alive);
}

void TZeltoLoader::runCurrentFormat() {
    m_reader = m_source ? std::make_unique<TTaggedReader>(m_source, 4, m_sourceSize, FFileName)
                        : std::make_unique<TTaggedReader>(m_data, FFileName, 4);
    Prepare();
    // An element record takes at least 9 bytes; most take far more.
    m_held.reserve(size_t(inputSize() / 32));
    m_done.reserve(size_t(inputSize() / 32));
    m_named.reserve(size_t(inputSize() / 32));
    StartGauge();
    TElement* output = nullptr;
    try {
        LoadInfo();
        LoadAll();
        m_recordsRead = m_table->size();
        if (m_lastTop < 0) m_reader->Fail(QStringLiteral("the stream holds no element"));
        // The root is the last record of the top-level list; elements of its nested lists have
        // higher numbers. A closing marker gives way to the top-level record before it and is
        // freed with everything else the output does not reach (something may refer to it).
        output = (*m_table)[m_lastTop];
        if (output->Is<TYouShallNotPass>() && m_previousTop >= 0) output = (*m_table)[m_previousTop];
        // From here on the elements not retired are handled as a list, with their held marks.
        {
            std::vector<bool> held;
            held.reserve(m_held.size());
            m_table->forEachRemaining([&](qint32 n, TElement* e) {
                m_read.push_back(e);
                held.push_back(n >= 0 && m_held[size_t(n)]);
            });
            m_table->clear();
            m_held.swap(held);
            std::vector<bool>().swap(m_named);
        }
        freeUnreachable(output);
        // The bookkeeping of the read is not kept beside the elements it made.
        std::vector<bool>().swap(m_held);
        std::vector<bool>().swap(m_done);
        std::vector<TElement*> all;
        all.swap(m_read);
        dropElementsFreedByTheirHolder(all, output, false);
        m_survivors.swap(all);
#ifdef __GLIBC__
        // The table and the marks lived between the elements' own blocks on the heap; the pages
        // they leave free go back to the system instead of staying with the process. A trim walks
        // the whole heap, so a small read (symbol sets, settings) does not pay for it.
        if (inputSize() >= MinInputToTrim) malloc_trim(0);
#endif
    } catch (...) {
        freeAllRead();
        Finish();
        m_reader.reset();
        throw;
    }
    Finish();
    m_reader.reset();
    SetOutput(output);
}

void TZeltoLoader::DoIt() {
    TTool::DoIt();
    runCurrentFormat();
}

// ---- TStreamLoader -------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TStreamLoader, TZeltoLoader, "t_Loader")

void TStreamLoader::UseOldLoader() {
    TLoader legacy(FFileName);
    legacy.SetData(m_data);
    legacy.DoIt();
    // The caller frees a read through ReadElements, and elements the output does not reach are
    // freed here, as for the current format.
    m_read = legacy.ReadElements();
    m_recordsRead = qsizetype(m_read.size());
    m_held.assign(m_read.size(), false);
    if (legacy.FOutput) freeUnreachable(legacy.FOutput);
    m_survivors.swap(m_read);
    // The older layout keeps the element numbers it read in the IDs.
    dropElementsFreedByTheirHolder(m_survivors, legacy.FOutput, true);
    m_read.clear();
    m_held.clear();
    m_done.clear();
    SetOutput(legacy.FOutput);
}

void TStreamLoader::DoIt() {
    TTool::DoIt();
    SetOutput(nullptr);
    if (FFileName.isEmpty())
        throw EBadStreamName(QStringLiteral("Chybné jméno souboru : %1 !").arg(FFileName));
    // A file of the current format is read through a small window that moves on with the reader
    // (never whole); the older format is read whole. Bytes handed over by SetData stay.
    QFile file(FFileName);
    const bool fromFile = m_data.isEmpty();
    const auto letGo = qScopeGuard([&] {
        m_source = nullptr;
        if (fromFile) m_data = QByteArray();
    });
    QByteArray magic;
    if (fromFile) {
        if (!file.exists()) throw EBadStream(QStringLiteral("Soubor %1 neexistuje!").arg(FFileName));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw EBadStream(QStringLiteral("%1: %2").arg(FFileName, file.errorString()));
        magic = file.read(4);
        if (magic == "ZLT0") {
            m_source = &file;
            m_sourceSize = file.size();
        } else if (magic == "TPF0") {
            if (!file.seek(0)) throw EBadStream(QStringLiteral("%1: %2").arg(FFileName, file.errorString()));
            m_data = file.readAll();
        }
        if (file.error() != QFileDevice::NoError)
            throw EBadStream(QStringLiteral("%1: %2").arg(FFileName, file.errorString()));
    } else {
        magic = m_data.left(4);
    }
    if (magic == "TPF0") {
        UseOldLoader();
    } else if (magic == "ZLT0") {
        runCurrentFormat();
    } else {
        throw EBadStream(FFileName + QStringLiteral(" ... neznámý typ souboru"));
    }
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TLoad, TStreamLoader, "t_Loader")

// ---- legacy reader -------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TLoader, TTool, "t_Loader")

TLoader::TLoader(const QString& fileName) {
    SetName(fileName.isEmpty() ? QStringLiteral("ZELTO.ZLT") : fileName);
}

TLoader::~TLoader() {
    if (FContainer) FContainer->Clear();
}

void TLoader::DoIt() {
    TTool::DoIt();
    SetOutput(nullptr);
    const QString name = GetName();
    if (name.isEmpty()) throw EBadStreamName(QStringLiteral("Chybné jméno streamu : %1 !").arg(name));
    if (m_data.isEmpty()) {
        QFile file(name);
        if (!file.exists()) throw EBadStream(QStringLiteral("Soubor %1 neexistuje!").arg(name));
        if (!file.open(QIODevice::ReadOnly))
            throw EBadStream(QStringLiteral("%1: %2").arg(name, file.errorString()));
        m_data = file.readAll();
    }
    if (!FContainer) {
        FContainer = new TQuickEntity;
        AddElement(FContainer);
    }
    TTaggedReader reader(m_data, name);
    std::vector<TElement*> read;
    QHash<const TElement*, int> heights; // in the child graph, bounded as in the current format
    auto abandon = [&] {
        FContainer->Clear();
        FreeElementSet(read);
    };
    try {
        if (reader.ReadRaw(4) != "TPF0") reader.Fail(QStringLiteral("not a TPF0 stream"), 0);
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
            const QString className = reader.ReadString();
            const TClassInfo* cls = GetZeltoClass(className);
            TElement* e = cls ? zelto_cast<TElement>(cls->create()) : nullptr;
            if (!e) {
                notifier().error(QStringLiteral("Neregistrovaný element: ") + className);
                abandon();
                return;
            }
            // A half-read entity may already hold earlier elements: it is freed with the rest of
            // the read, never on its own (its destruction would free children still listed).
            try {
                e->Load(reader, FContainer);
            } catch (const EBadStream&) {
                read.push_back(e);
                throw;
            } catch (...) {
                read.push_back(e);
                notifier().error(QStringLiteral("Chyba při čtení elementu: ") + className);
                abandon();
                return;
            }
            FContainer->AddElement(e);
            read.push_back(e);
            int height = 0;
            if (auto* entity = zelto_cast<TEntity>(e))
                for (TElement* child : entity->FElements)
                    if (child) height = std::max(height, heights.value(child) + 1);
            if (height > TZeltoLoader::MaxChildDepth)
                reader.Fail(
                    QStringLiteral("child graph deeper than %1 levels").arg(TZeltoLoader::MaxChildDepth));
            heights.insert(e, height);
        }
        reader.ReadListEnd();
    } catch (...) {
        abandon();
        throw;
    }
    SetOutput(read.empty() ? nullptr : read.back());
    FContainer->Clear();
    m_read = std::move(read);
}

void registerLoaderClasses() {
    RegisterZeltoClass(TLoader::StaticClass());
    RegisterZeltoClass(TLoad::StaticClass());
}

} // namespace zelto
