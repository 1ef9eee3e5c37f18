// The element core: owner protocol, freeing, lookups, aliases, envelopes, messages.
#include <gtest/gtest.h>

#include "framework/Elements.h"
#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace zelto;

namespace {

// Every probe registers itself while alive, so a test can ask whether an element was destroyed.
std::set<const void*>& liveProbes() {
    static std::set<const void*> s;
    return s;
}
bool alive(const void* p) {
    return liveProbes().count(p) > 0;
}

struct LiveMark {
    explicit LiveMark(const void* self) : m_self(self) { liveProbes().insert(self); }
    ~LiveMark() { liveProbes().erase(m_self); }
    const void* m_self;
};

class TCoreProbe : public TElement {
    ZELTO_CLASS(TCoreProbe, TElement)
public:
    LiveMark mark{this};
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCoreProbe, TElement, "test")

class TCoreOwnerProbe : public TOwnerElement {
    ZELTO_CLASS(TCoreOwnerProbe, TOwnerElement)
public:
    LiveMark mark{this};
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCoreOwnerProbe, TOwnerElement, "test")

class TCoreEntityProbe : public TOwnerEntity {
    ZELTO_CLASS(TCoreEntityProbe, TOwnerEntity)
public:
    LiveMark mark{this};
    bool canFree = false;
    bool CanFreeElement(const TElement*) const override { return canFree; }
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCoreEntityProbe, TOwnerEntity, "test")

// An owner that records the messages offered to it.
class TCoreHandler : public TOwnerEntity {
    ZELTO_CLASS(TCoreHandler, TOwnerEntity)
public:
    enum Mode { Ignore, Handle, Throw };
    Mode mode = Ignore;
    int calls = 0;
    void HandleMessage(TZeltoMessage&, bool& handled) override {
        ++calls;
        if (mode == Throw) throw EConvertError(QStringLiteral("owner failed"));
        if (mode == Handle) handled = true;
    }
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCoreHandler, TOwnerEntity, "test")

QStringList childNames(const TEntity& e) {
    QStringList r;
    for (int i = 0; i < e.ElementsCount(); ++i) r << e.Get(i)->GetName();
    return r;
}

class CoreElementsTest : public ::testing::Test {
protected:
    void SetUp() override { recordingNotifier()->clear(); }
    void TearDown() override { recordingNotifier()->clear(); }
    static QStringList messages() { return recordingNotifier()->messages(); }
    static QStringList errors() { return recordingNotifier()->errors(); }
};

// Collects the messages published on the bus while it lives.
class BusRecorder {
public:
    struct Seen {
        qint32 msg;
        TElement* sender;
        TElement* receiver;
        TElement* data;
        bool kill;
        bool dataAlive;
        QString text;
    };
    BusRecorder() {
        m_id = TMessageBus::instance().subscribe([this](TElement*, TZeltoMessage& m) {
            auto* t = zelto_cast<TZeltoTextMessage>(&m);
            seen.push_back({m.FMessage, m.FSender, m.FReceiver, m.FData, m.FKillData, alive(m.FData),
                            t ? t->FMessageText : QString()});
        });
    }
    ~BusRecorder() { TMessageBus::instance().unsubscribe(m_id); }
    std::vector<Seen> seen;

private:
    int m_id;
};

} // namespace

// ---- ownership ----------------------------------------------------------------------------------

TEST_F(CoreElementsTest, OwnerKeepingChildDiesWithItsLastOwner) {
    TEntity a, b;
    auto* o = new TCoreOwnerProbe;
    a.AddElement(o);
    b.AddElement(o);
    ASSERT_EQ(o->GetOwnersCount(), 2);

    a.FreeAll();
    ASSERT_TRUE(alive(o));
    EXPECT_EQ(a.ElementsCount(), 0);
    EXPECT_EQ(o->GetOwnersCount(), 1);
    EXPECT_EQ(o->GetOwnerEntity(0), &b);

    b.FreeAll();
    EXPECT_FALSE(alive(o));
    EXPECT_EQ(b.ElementsCount(), 0);
}

TEST_F(CoreElementsTest, ElementWithoutOwnerListBelongsToOneContainer) {
    // Classes that do not keep owners: a second owning container (or the same one again) must
    // refuse them, or they would be destroyed twice.
    const std::vector<std::function<TElement*()>> makers = {
        [] { return new TElement; },      [] { return new TNameElement; },    [] { return new TEntity; },
        [] { return new TNameEntity; },   [] { return new TEnvelopeEntity; }, [] { return new TCoreProbe; },
        [] { return new TZeltoMessage; },
    };
    for (const auto& make : makers) {
        TElement* e = make();
        SCOPED_TRACE(e->ClassName().toStdString());
        recordingNotifier()->clear();
        TEntity first;
        TOwnerEntity second;
        first.AddElement(e);
        second.AddElement(e);
        second.InsertElement(0, e);
        first.AddElement(e);
        EXPECT_EQ(first.ElementsCount(), 1);
        EXPECT_EQ(second.ElementsCount(), 0);
        EXPECT_EQ(messages().size(), 3);

        // Removing releases the hold: the other container may take it now.
        first.RemoveElement(e);
        second.AddElement(e);
        EXPECT_EQ(second.ElementsCount(), 1);
        EXPECT_EQ(first.ElementsCount(), 0);
    }
}

TEST_F(CoreElementsTest, RemovingFromANonHolderKeepsTheHold) {
    TEntity holder, stranger, third;
    auto* e = new TCoreProbe;
    holder.AddElement(e);
    stranger.RemoveElement(e); // not its child: must not release the holder's claim
    third.AddElement(e);
    EXPECT_EQ(third.ElementsCount(), 0);
    EXPECT_EQ(holder.ElementsCount(), 1);
    holder.FreeAll();
    EXPECT_FALSE(alive(e));
}

TEST_F(CoreElementsTest, QuickEntityNeitherHoldsNorTakesOthersElements) {
    auto holder = std::make_unique<TEntity>();
    auto quick = std::make_unique<TQuickEntity>();
    auto* held = new TCoreProbe;
    auto* loose = new TCoreProbe;
    auto* owned = new TCoreOwnerProbe;
    holder->AddElement(held);
    holder->AddElement(owned);
    quick->AddElement(held);
    quick->AddElement(loose);
    quick->AddElement(owned);
    EXPECT_EQ(quick->ElementsCount(), 3);
    EXPECT_EQ(owned->GetOwnersCount(), 1); // the quick entity did not register itself

    // A plain element held by an owning container stays with it; an element nobody else holds
    // is freed by the quick entity.
    quick->RemoveElement(held);
    quick->AddElement(held);
    TEntity other;
    other.AddElement(held);
    EXPECT_EQ(other.ElementsCount(), 0);
    quick->FreeElement(held);
    EXPECT_TRUE(alive(held));
    quick->AddElement(held);
    quick.reset();
    EXPECT_TRUE(alive(held));
    EXPECT_FALSE(alive(loose));
    // An owner-keeping element with a single owner may be freed by anyone; it leaves its owner.
    EXPECT_FALSE(alive(owned));
    EXPECT_EQ(holder->ElementsCount(), 1);
    EXPECT_EQ(holder->IndexOf(held), 0);
    holder.reset();
    EXPECT_FALSE(alive(held));
}

TEST_F(CoreElementsTest, PutReplacesWithoutBookkeeping) {
    // Empty entity: Put(0, e) appends.
    {
        TEntity e;
        auto* x = new TCoreOwnerProbe;
        e.Put(0, x);
        EXPECT_EQ(e.ElementsCount(), 1);
        EXPECT_EQ(e.Get(0), x);
        EXPECT_EQ(x->GetOwnersCount(), 0);
        EXPECT_THROW(e.Put(1, x), EListError);
    }
    // Non-empty: replaces the first child, the new one gets no owner entry.
    {
        TEntity e;
        auto* old = new TCoreOwnerProbe;
        auto* second = new TCoreOwnerProbe;
        auto* x = new TCoreOwnerProbe;
        e.AddElement(old);
        e.AddElement(second);
        e.Put(0, x);
        EXPECT_EQ(e.ElementsCount(), 2);
        EXPECT_EQ(e.Get(0), x);
        EXPECT_EQ(e.Get(1), second);
        EXPECT_EQ(x->GetOwnersCount(), 0);
        EXPECT_TRUE(old->IsMyOwner(&e)); // the replaced child was not told
        old->RemoveOwner(&e);
        delete old;
    }
}

TEST_F(CoreElementsTest, NameSortedInsertionIsOrdinalAndStable) {
    TOwnerEntity parent;
    std::vector<TNameEntity*> added;
    for (const char* n : {"b", "a", "b", "B"}) {
        auto* c = new TNameEntity;
        c->SetName(QString::fromLatin1(n));
        parent.InsertNameSortedEntity(c);
        added.push_back(c);
    }
    EXPECT_EQ(childNames(parent), (QStringList{"B", "a", "b", "b"}));
    EXPECT_EQ(parent.Get(0), added[3]);
    EXPECT_EQ(parent.Get(1), added[1]);
    EXPECT_EQ(parent.Get(2), added[0]); // equal names keep their insertion order
    EXPECT_EQ(parent.Get(3), added[2]);
}

TEST_F(CoreElementsTest, CreateSubEntityFindsOrCreatesSorted) {
    TOwnerEntity parent;
    TElement* z = parent.CreateSubEntity(TNameEntity::StaticClass(), "z");
    TElement* unnamed = parent.CreateSubEntity(TNameEntity::StaticClass(), "");
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(unnamed->GetName(), "no name");
    EXPECT_EQ(childNames(parent), (QStringList{"no name", "z"}));

    unnamed->SetName("No Name");
    EXPECT_EQ(parent.CreateSubEntity(TOwnerEntity::StaticClass(), ""), unnamed);
    EXPECT_EQ(parent.CreateSubEntity(TOwnerEntity::StaticClass(), "Z"), z);
    TElement* m = parent.CreateSubEntity(TOwnerEntity::StaticClass(), "m");
    EXPECT_TRUE(m->Is<TOwnerEntity>());
    EXPECT_EQ(childNames(parent), (QStringList{"No Name", "m", "z"}));
    EXPECT_EQ(m->GetOwnerEntity(0), &parent);
}

TEST_F(CoreElementsTest, CreateElementByNameRetriesWithPrefix) {
    struct Case {
        const char* name;
        const TClassInfo* cls;
    };
    const Case cases[] = {
        {"Entity", &TEntity::StaticClass()},
        {"TEntity", &TEntity::StaticClass()},
        {"stringentity", &TStringEntity::StaticClass()},
        {"Nesmysl", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recordingNotifier()->clear();
        std::unique_ptr<TElement> e(CreateElementByName(QString::fromLatin1(c.name)));
        if (c.cls) {
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(&e->ClassType(), c.cls);
            EXPECT_EQ(e->ID, -1);
            EXPECT_TRUE(errors().isEmpty());
        } else {
            EXPECT_EQ(e, nullptr);
            EXPECT_EQ(errors(), QStringList{"Neregistrovaný element: TNesmysl"});
        }
    }
}

TEST_F(CoreElementsTest, WholeCountAndSizeVisitASharedElementOnce) {
    TEntity root;
    auto* c1 = new TOwnerEntity;
    auto* c2 = new TOwnerEntity;
    auto* g = new TOwnerEntity;
    auto* leaf1 = new TOwnerElement;
    auto* leaf2 = new TNameElement;
    leaf1->SetName("list");
    root.AddElement(c1);
    root.AddElement(c2);
    c1->AddElement(g);
    c2->AddElement(g);
    g->AddElement(leaf1);
    g->AddElement(leaf2);

    // root 2 + c1 (1 + g 2) + c2 1: g counts in both parents but is entered once.
    EXPECT_EQ(root.GetWholeCount(), 6);
    EXPECT_EQ(root.GetWholeCount(), 6); // a second walk is not fooled by the old marks

    const qint32 expected = root.GetInstanceSize() + c1->GetInstanceSize() + c2->GetInstanceSize() +
                            g->GetInstanceSize() + leaf1->GetInstanceSize() + leaf2->GetInstanceSize();
    EXPECT_EQ(root.GetWholeSize(), expected);
    EXPECT_EQ(leaf1->GetInstanceSize(), TOwnerElement().GetInstanceSize() + 5); // name length + 1

    root.ResetID();
    for (TElement* e :
         {static_cast<TElement*>(&root), static_cast<TElement*>(c1), static_cast<TElement*>(c2),
          static_cast<TElement*>(g), static_cast<TElement*>(leaf1), static_cast<TElement*>(leaf2)})
        EXPECT_EQ(e->ID, BaseID());
}

TEST_F(CoreElementsTest, OwnerListEntries) {
    TEntity a, b, c;
    auto* o = new TOwnerEntity;
    o->SetName("o");
    o->PutOwner(0, &a);
    o->PutOwner(1, &b); // at the end: appended
    o->PutOwner(1, &c); // inside: inserted
    ASSERT_EQ(o->GetOwnersCount(), 3);
    EXPECT_EQ(o->GetOwnerEntity(0), &a);
    EXPECT_EQ(o->GetOwnerEntity(1), &c);
    EXPECT_EQ(o->GetOwnerEntity(2), &b);
    EXPECT_EQ(o->GetOwnerEntity(3), nullptr);
    o->PutOwner(0, nullptr);
    EXPECT_EQ(o->GetOwnerEntity(3), nullptr);
    EXPECT_EQ(messages(), QStringList{"TOwnerEntity(o).GetOwner: Objekt vlastníka je prázdný"});
    EXPECT_FALSE(o->IsPossibleToFree());
    delete o; // none of the owners lists it: nothing to detach
    EXPECT_EQ(a.ElementsCount() + b.ElementsCount() + c.ElementsCount(), 0);
}

TEST_F(CoreElementsTest, VisitMarksRunDownwardAndAvoidReservedValues) {
    ResetBaseID();
    qint32 prev = BaseID();
    for (int i = 0; i < 1000; ++i) {
        ResetBaseID();
        const qint32 cur = BaseID();
        EXPECT_LT(cur, prev);
        EXPECT_LE(cur, -3);
        prev = cur;
    }
}

// ---- freeing ------------------------------------------------------------------------------------

TEST_F(CoreElementsTest, FreeElementAndFreeElementIndex) {
    TEntity a, b, stranger;
    auto* plain = new TCoreProbe;
    auto* shared = new TCoreOwnerProbe;
    auto* solo = new TCoreOwnerProbe;
    a.AddElement(plain);
    a.AddElement(shared);
    a.AddElement(solo);
    b.AddElement(shared);

    stranger.FreeElement(plain); // not its child: nothing happens
    stranger.AddElement(new TCoreProbe);
    stranger.FreeElement(plain);
    EXPECT_TRUE(alive(plain));

    a.FreeElement(shared); // still held by b: only detached
    EXPECT_TRUE(alive(shared));
    EXPECT_EQ(a.IndexOf(shared), -1);
    EXPECT_FALSE(shared->IsMyOwner(&a));
    EXPECT_TRUE(shared->IsMyOwner(&b));

    a.FreeElementIndex(5);
    a.FreeElementIndex(-1);
    EXPECT_EQ(a.ElementsCount(), 2);
    a.FreeElementIndex(1);
    EXPECT_FALSE(alive(solo));
    a.FreeElement(plain);
    EXPECT_FALSE(alive(plain));
    EXPECT_EQ(a.ElementsCount(), 0);
    a.FreeElement(nullptr);
    TEntity never;
    never.FreeElement(shared);
    EXPECT_TRUE(alive(shared));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(CoreElementsTest, HardFreeAllDestroysSharedChildren) {
    TEntity a, b;
    auto* shared = new TCoreOwnerProbe;
    auto* entity = new TCoreEntityProbe;
    a.AddElement(shared);
    a.AddElement(entity);
    b.AddElement(shared);
    b.AddElement(entity);
    a.HardFreeAll();
    EXPECT_FALSE(alive(shared));
    EXPECT_FALSE(alive(entity));
    EXPECT_EQ(a.ElementsCount(), 0);
    EXPECT_EQ(b.ElementsCount(), 0); // the dying children left the other owner's list
}

TEST_F(CoreElementsTest, FastFreeAllDestroysNestedChildren) {
    TEntity top;
    auto* mid = new TCoreEntityProbe;
    auto* inner = new TCoreEntityProbe;
    auto* p1 = new TCoreProbe;
    auto* p2 = new TCoreOwnerProbe;
    top.AddElement(mid);
    mid->AddElement(inner);
    mid->AddElement(p1);
    inner->AddElement(p2);
    top.FastFreeAll();
    EXPECT_EQ(top.ElementsCount(), 0);
    for (const void* p : {(const void*)mid, (const void*)inner, (const void*)p1, (const void*)p2})
        EXPECT_FALSE(alive(p));
}

TEST_F(CoreElementsTest, DestroyedOwnerKeepingElementsLeaveTheirOwners) {
    TEntity a;
    TOwnerEntity b;
    auto* entity = new TCoreEntityProbe;
    auto* element = new TCoreOwnerProbe;
    auto* child = new TCoreProbe;
    entity->AddElement(child);
    for (TEntity* owner : {static_cast<TEntity*>(&a), static_cast<TEntity*>(&b)}) {
        owner->AddElement(entity);
        owner->AddElement(element);
    }
    a.AddElement(element); // twice in the same list
    delete entity;
    EXPECT_FALSE(alive(child)); // the entity's own children were released
    // Only the element is left: twice in a, once in b.
    EXPECT_EQ(a.ElementsCount(), 2);
    EXPECT_EQ(b.ElementsCount(), 1);
    EXPECT_EQ(a.Get(0), element);
    EXPECT_EQ(b.Get(0), element);
    delete element;
    EXPECT_EQ(a.ElementsCount(), 0);
    EXPECT_EQ(b.ElementsCount(), 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(CoreElementsTest, FreeingManyChildrenDeliversNoPendingEvents) {
    // Freeing is model work: an event delivered in the middle of it could reach a half-freed model.
    struct Case {
        int children;
        bool hard;
    };
    for (const Case& c : {Case{200, false}, Case{5000, false}, Case{5000, true}}) {
        bool delivered = false;
        QTimer::singleShot(0, [&delivered] { delivered = true; });
        TEntity e;
        for (int i = 0; i < c.children; ++i) e.AddElement(new TCoreProbe);
        if (c.hard)
            e.HardFreeAll();
        else
            e.FreeAll();
        EXPECT_FALSE(delivered) << c.children << (c.hard ? " hard" : "");
        EXPECT_EQ(e.ElementsCount(), 0);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(delivered) << "the pending event itself was lost";
    }
}

TEST_F(CoreElementsTest, SharedElementIsFreedWhenAllOwnersAgree) {
    TCoreEntityProbe a, b;
    auto* o = new TCoreOwnerProbe;
    a.AddElement(o);
    b.AddElement(o);
    EXPECT_FALSE(o->IsPossibleToFree()); // the base answers CanFreeElement with false
    a.canFree = true;
    EXPECT_FALSE(o->IsPossibleToFree());
    b.canFree = true;
    EXPECT_TRUE(o->IsPossibleToFree());
    a.FreeAll();
    EXPECT_FALSE(alive(o));
    EXPECT_EQ(b.ElementsCount(), 0);

    auto* single = new TCoreOwnerProbe;
    EXPECT_TRUE(single->IsPossibleToFree());
    b.AddElement(single);
    EXPECT_TRUE(single->IsPossibleToFree());
}

TEST_F(CoreElementsTest, GetAnswersNoneOnlyForANeverFilledEntity) {
    TEntity never;
    EXPECT_EQ(never.Get(0), nullptr);
    EXPECT_EQ(never.Get(-1), nullptr);
    EXPECT_EQ(never.Get(7), nullptr);
    EXPECT_TRUE(never.NoElements());
    EXPECT_EQ(never.GetLastIndex(), -1);

    TEntity filled;
    auto* x = new TCoreProbe;
    filled.AddElement(x);
    EXPECT_EQ(filled.Get(0), x);
    EXPECT_THROW(filled.Get(1), EListError);
    EXPECT_THROW(filled.Get(-1), EListError);
    filled.FreeAll();
    EXPECT_THROW(filled.Get(0), EListError);
}

TEST_F(CoreElementsTest, InsertAndRemoveByIndex) {
    TEntity never;
    auto* x = new TCoreOwnerProbe;
    never.InsertElement(1, x); // a never-filled entity accepts only index 0
    EXPECT_EQ(never.ElementsCount(), 0);
    EXPECT_EQ(x->GetOwnersCount(), 0);
    never.InsertElement(0, x);
    EXPECT_EQ(never.Get(0), x);
    EXPECT_TRUE(x->IsMyOwner(&never));
    auto* y = new TCoreOwnerProbe;
    never.InsertElement(0, y);
    EXPECT_EQ(never.Get(0), y);
    never.RemoveElementIndex(9);
    never.RemoveElementIndex(0);
    EXPECT_EQ(never.ElementsCount(), 1);
    EXPECT_FALSE(y->IsMyOwner(&never));
    delete y;
}

// Squeezing gives back the growth slack and keeps the list as it was; the list still grows after.
TEST_F(CoreElementsTest, SqueezeTrimsAListToItsCount) {
    struct Case {
        int appended;
        int removedFromEnd;
        int capacityAfter;
    } cases[] = {
        {0, 0, 1},                // never used: stays inline
        {1, 0, 1},                // one element inline
        {2, 0, 2},                // a block of 4 for 2
        {7, 0, 7},                // grown by half: 4, 6, 9
        {100, 0, 100}, {5, 4, 1}, // back to one: inline again
        {5, 5, 1},                // emptied: inline and empty
        {9, 0, 9},                // already exact
    };
    std::vector<std::unique_ptr<TCoreProbe>> probes;
    for (int i = 0; i < 100; ++i) probes.push_back(std::make_unique<TCoreProbe>());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.appended << " appended, " << c.removedFromEnd << " removed");
        TSuperList list;
        for (int i = 0; i < c.appended; ++i) list.append(probes[size_t(i)].get());
        for (int i = 0; i < c.removedFromEnd; ++i) list.takeLast();
        const int n = c.appended - c.removedFromEnd;
        list.squeeze();
        EXPECT_EQ(list.capacity(), c.capacityAfter);
        ASSERT_EQ(list.count(), n);
        for (int i = 0; i < n; ++i) EXPECT_EQ(list.at(i), probes[size_t(i)].get());
        EXPECT_EQ(list.created(), c.appended > 0);
        // Still a working list: it grows again and keeps its order.
        list.append(probes[99].get());
        list.insert(0, probes[98].get());
        ASSERT_EQ(list.count(), n + 2);
        EXPECT_EQ(list.at(0), probes[98].get());
        EXPECT_EQ(list.at(n + 1), probes[99].get());
        for (int i = 0; i < n; ++i) EXPECT_EQ(list.at(i + 1), probes[size_t(i)].get());
    }
}

// Elements at equal steps in memory (here one array) are held as a run after a squeeze. Every list
// operation must answer exactly what a plain vector of the same addresses answers, whether the
// list is a run, turns back into slots or becomes a run again; a seeded random walk of operations
// checks that against std::vector.
TEST_F(CoreElementsTest, ListOfElementsAtEqualStepsBehavesLikeAPlainList) {
    constexpr int Adjacent = 64;
    std::unique_ptr<TCoreProbe[]> row(new TCoreProbe[Adjacent]);
    std::vector<std::unique_ptr<TCoreProbe>> loose;
    for (int i = 0; i < 8; ++i) loose.push_back(std::make_unique<TCoreProbe>());
    auto pick = [&](std::mt19937& rng) -> TElement* {
        const int k = int(rng() % (Adjacent + loose.size()));
        return k < Adjacent ? &row[size_t(k)] : loose[size_t(k - Adjacent)].get();
    };

    {
        TSuperList list;
        for (int i = 0; i < 10; ++i) list.append(&row[size_t(i)]);
        list.squeeze();
        ASSERT_TRUE(list.isRun());
        EXPECT_EQ(list.capacity(), 10);
        for (int i = 0; i < 10; ++i) EXPECT_EQ(list.indexOf(&row[size_t(i)]), i);
        EXPECT_EQ(list.indexOf(&row[10]), -1); // one step past the end
        EXPECT_EQ(list.indexOf(loose[0].get()), -1);
        EXPECT_EQ(list.indexOf(reinterpret_cast<const TElement*>(reinterpret_cast<const char*>(&row[1]) + 8)),
                  -1);
        list.append(&row[10]); // the next step extends the run
        EXPECT_TRUE(list.isRun());
        list.removeAt(0); // so do both ends
        list.takeLast();
        EXPECT_TRUE(list.isRun());
        ASSERT_EQ(list.count(), 9);
        EXPECT_EQ(list.at(0), &row[1]);
        list.insert(4, loose[0].get()); // anything else spells it out
        EXPECT_FALSE(list.isRun());
        EXPECT_EQ(list.at(4), loose[0].get());
        EXPECT_EQ(list.at(5), &row[5]);
    }

    std::mt19937 rng(7);
    TSuperList list;
    std::vector<TElement*> expected;
    int runsSeen = 0;
    for (int step = 0; step < 20000; ++step) {
        const int n = int(expected.size());
        switch (rng() % 10) {
        case 0:
        case 1: { // append the next neighbour of the last element when there is one
            TElement* e = pick(rng);
            if (n > 0 && rng() % 2) {
                for (int k = 0; k + 1 < Adjacent; ++k)
                    if (expected.back() == &row[size_t(k)]) e = &row[size_t(k + 1)];
            }
            list.append(e);
            expected.push_back(e);
            break;
        }
        case 2: {
            const int i = int(rng() % unsigned(n + 1));
            TElement* e = pick(rng);
            list.insert(i, e);
            expected.insert(expected.begin() + i, e);
            break;
        }
        case 3:
            if (n > 0) {
                const int i = rng() % 3 == 0 ? 0 : rng() % 2 ? n - 1 : int(rng() % unsigned(n));
                list.removeAt(i);
                expected.erase(expected.begin() + i);
            }
            break;
        case 4:
            EXPECT_EQ(list.takeLast(), n ? expected.back() : nullptr);
            if (n) expected.pop_back();
            break;
        case 5:
            if (n > 0) {
                const int i = int(rng() % unsigned(n));
                TElement* e = rng() % 2 ? expected[size_t(i)] : pick(rng);
                list.set(i, e);
                expected[size_t(i)] = e;
            }
            break;
        case 6: {
            TElement* e = pick(rng);
            if (rng() % 2) {
                const auto it = std::find(expected.begin(), expected.end(), e);
                EXPECT_EQ(list.removeFirst(e), it == expected.end() ? -1 : int(it - expected.begin()));
                if (it != expected.end()) expected.erase(it);
            } else {
                const auto it = std::find(expected.rbegin(), expected.rend(), e);
                const int at = it == expected.rend() ? -1 : int(expected.rend() - it) - 1;
                EXPECT_EQ(list.removeLast(e), at);
                if (at >= 0) expected.erase(expected.begin() + at);
            }
            break;
        }
        case 7:
            list.reserve(n + int(rng() % 4));
            break;
        case 8:
            if (rng() % 40 == 0) {
                list.clear();
                expected.clear();
            } else if (rng() % 3 == 0) { // a fresh stretch of neighbours
                list.clear();
                expected.clear();
                const int from = int(rng() % Adjacent);
                const int len = int(rng() % unsigned(Adjacent - from + 1));
                for (int k = from; k < from + len; ++k) {
                    list.append(&row[size_t(k)]);
                    expected.push_back(&row[size_t(k)]);
                }
            }
            break;
        default:
            list.squeeze();
            if (list.isRun()) ++runsSeen;
            break;
        }
        ASSERT_EQ(list.count(), int(expected.size())) << "step " << step;
        for (int i = 0; i < int(expected.size()); ++i)
            ASSERT_EQ(list.at(i), expected[size_t(i)]) << "step " << step;
        int i = 0;
        for (TElement* e : list) ASSERT_EQ(e, expected[size_t(i++)]) << "step " << step;
        TElement* probe = pick(rng);
        const auto it = std::find(expected.begin(), expected.end(), probe);
        ASSERT_EQ(list.indexOf(probe), it == expected.end() ? -1 : int(it - expected.begin()))
            << "step " << step;
        ASSERT_GE(list.capacity(), list.count());
    }
    EXPECT_GT(runsSeen, 100); // the walk really went through runs
}

// ---- lookups ------------------------------------------------------------------------------------

TEST_F(CoreElementsTest, OwnerLookupsLookThroughEnvelopes) {
    TOwnerEntity holder;
    holder.SetName("Holder");
    auto* envelope = new TEnvelopeEntity;
    auto* inner = new TOwnerEntity;
    holder.AddElement(envelope);
    envelope->AddElement(inner);

    EXPECT_EQ(envelope->FOwner, &holder);
    EXPECT_EQ(inner->FindOwnerClass(TOwnerEntity::StaticClass()), &holder);
    EXPECT_EQ(inner->FindOwnerClass(TEnvelopeEntity::StaticClass()), nullptr);
    EXPECT_EQ(inner->FindOwnerName("Holder"), &holder);
    EXPECT_EQ(inner->FindOwnerName("holder"), nullptr); // exact comparison
    EXPECT_EQ(envelope->FindOwnerClass(TEnvelopeEntity::StaticClass()), envelope);
    EXPECT_EQ(envelope->FindOwnerClass(TNameEntity::StaticClass()), &holder);
    EXPECT_EQ(envelope->FindOwnerClass(TStringEntity::StaticClass()), nullptr);

    // An owner element does not look through envelopes; the first matching owner wins.
    TNameEntity named;
    named.SetName("Holder");
    auto* el = new TOwnerElement;
    envelope->AddElement(el);
    named.AddElement(el);
    holder.AddElement(el);
    EXPECT_EQ(el->FindOwnerClass(TEntity::StaticClass()), envelope);
    EXPECT_EQ(el->FindOwnerClass(TNameEntity::StaticClass()), &named);
    EXPECT_EQ(el->FindOwnerName("Holder"), &named);
    EXPECT_EQ(el->FindOwnerClass(TStringEntity::StaticClass()), nullptr);
}

TEST_F(CoreElementsTest, ClassSearchesInOwners) {
    // leaf <- m (TOwnerEntity) <- n (TStringEntity) <- z (TNameEntity)
    auto z = std::make_unique<TNameEntity>();
    auto* n = new TStringEntity;
    auto* m = new TOwnerEntity;
    auto* leaf = new TOwnerElement;
    z->AddElement(n);
    n->AddElement(m);
    m->AddElement(leaf);

    EXPECT_EQ(leaf->FindClassInOwners(TOwnerElement::StaticClass()), leaf);
    EXPECT_EQ(leaf->FindClassInOwners(TStringEntity::StaticClass()), n);
    EXPECT_EQ(leaf->FindClassInOwners(TOwnerEntity::StaticClass()), m);
    EXPECT_EQ(leaf->FindClassInOwners(TZeltoClass::StaticClass()), nullptr);

    EXPECT_EQ(leaf->FindClassWithOwnerInOwners(TOwnerEntity::StaticClass(), n), m);
    // m is an instance but not owned by z: the search goes on to n, which is.
    EXPECT_EQ(leaf->FindClassWithOwnerInOwners(TOwnerEntity::StaticClass(), z.get()), n);
    // ... while the first instance on the path ends it.
    EXPECT_EQ(leaf->FindFirstClassWithOwnerInOwners(TOwnerEntity::StaticClass(), z.get()), nullptr);
    EXPECT_EQ(leaf->FindFirstClassWithOwnerInOwners(TOwnerEntity::StaticClass(), n), m);
    EXPECT_EQ(leaf->FindFirstClassWithOwnerInOwners(TStringEntity::StaticClass(), z.get()), n);

    // An envelope searches through its owner only.
    auto* env = new TEnvelopeEntity;
    m->AddElement(env);
    EXPECT_EQ(env->FindClassInOwners(TStringEntity::StaticClass()), n);
    EXPECT_EQ(env->FindClassInOwners(TEnvelopeEntity::StaticClass()), env);
    EXPECT_EQ(env->FindClassWithOwnerInOwners(TEnvelopeEntity::StaticClass(), m), env);
    EXPECT_EQ(env->FindClassWithOwnerInOwners(TOwnerEntity::StaticClass(), z.get()), n);
    EXPECT_EQ(env->FindFirstClassWithOwnerInOwners(TEntity::StaticClass(), z.get()), nullptr);

    // Destroyed directly, an envelope leaves its owner's list.
    const int before = m->ElementsCount();
    delete env;
    EXPECT_EQ(m->ElementsCount(), before - 1);
}

TEST_F(CoreElementsTest, ChildLookups) {
    TEntity e;
    auto* a = new TStringEntity;
    auto* b = new TStringEntity;
    auto* c = new TNameEntity;
    a->SetName("Čáp");
    a->SetValue("jedna");
    b->SetName("Dub");
    b->SetValue("DVĚ");
    c->SetName("x");
    e.AddElement(a);
    e.AddElement(b);
    e.AddElement(c);
    EXPECT_EQ(e.FindElementName("čÁP"), a);
    EXPECT_EQ(e.FindElementName("nic"), nullptr);
    EXPECT_EQ(e.FindElementClass(TStringEntity::StaticClass()), a);
    EXPECT_EQ(e.FindElementClass(TQuickEntity::StaticClass()), nullptr);
    EXPECT_EQ(e.GetClassCount(TStringEntity::StaticClass()), 2);
    EXPECT_EQ(e.GetClassCount(TNameEntity::StaticClass()), 3);
    EXPECT_EQ(e.FindElementByProperty("Value", "dvě"), b);
    EXPECT_EQ(e.FindElementByProperty("value", "nic"), nullptr);
    EXPECT_EQ(e.FindElementByValue("DUB"), b);
    EXPECT_EQ(e.FindOrCreateElementName(TStringEntity::StaticClass(), "x"), c);
    TElement* made = e.FindOrCreateElementName(TStringEntity::StaticClass(), "nový");
    EXPECT_TRUE(made->Is<TStringEntity>());
    EXPECT_EQ(made->GetName(), "nový");
    EXPECT_EQ(e.IndexOf(made), 3);
    TElement* created = e.CreateElement("TStringEntity", "s");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(e.IndexOf(created), 4);
    EXPECT_EQ(e.CreateElement("StringEntity", "s"), nullptr); // no retry with the prefix
    EXPECT_EQ(e.ElementsCount(), 5);
}

TEST_F(CoreElementsTest, AddingAllFromAnotherEntity) {
    TEntity src;
    for (const char* n : {"a", "b", "c", "d"}) {
        auto* x = new TOwnerElement;
        x->SetName(QString::fromLatin1(n));
        src.AddElement(x);
    }
    TEntity fwd, rev, part, none;
    fwd.PAddAllFrom(&src);
    rev.RAddAllFrom(&src);
    part.GetElements(&src, 1, 2);
    none.GetElements(&src, 2, 1);
    none.PAddAllFrom(src.Get(0)); // not an entity
    EXPECT_EQ(childNames(fwd), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(childNames(rev), (QStringList{"d", "c", "b", "a"}));
    EXPECT_EQ(childNames(part), (QStringList{"b", "c"}));
    EXPECT_EQ(none.ElementsCount(), 0);
    EXPECT_EQ(src.Get(1)->GetOwnersCount(), 4);

    fwd.ExchangeElements(fwd.Get(0), fwd.Get(3));
    fwd.ExchangeElementsIndex(1, 2);
    EXPECT_EQ(childNames(fwd), (QStringList{"d", "c", "b", "a"}));
    EXPECT_THROW(fwd.ExchangeElementsIndex(0, 4), EListError);
}

TEST_F(CoreElementsTest, AliasesNameTheirTargets) {
    TOwnerEntity tool;
    auto* x = new TCoreOwnerProbe;
    auto* y = new TCoreOwnerProbe;
    auto* plain = new TNameElement;
    plain->SetName("Input");
    tool.AddElement(plain);

    EXPECT_EQ(tool.GetElement("input"), plain); // no alias: plain name lookup
    tool.SetElement("Input", x);
    EXPECT_EQ(tool.GetElement("INPUT"), x);
    EXPECT_TRUE(x->IsMyOwner(&tool));
    EXPECT_EQ(tool.GetClassCount(TAliases::StaticClass()), 1);

    tool.SetElement("Input", y); // the old target is freed
    EXPECT_FALSE(alive(x));
    EXPECT_EQ(tool.GetElement("Input"), y);
    tool.SetElement("Input", y); // the same target again changes nothing
    EXPECT_TRUE(alive(y));
    EXPECT_EQ(tool.IndexOf(y), tool.ElementsCount() - 1);
    EXPECT_EQ(tool.GetClassCount(TAliases::StaticClass()), 1);
    EXPECT_EQ(tool.GetClassCount(TCoreOwnerProbe::StaticClass()), 1);

    // Clearing the alias frees the target and must not leave a dangling alias behind.
    tool.SetElement("Input", nullptr);
    EXPECT_FALSE(alive(y));
    EXPECT_EQ(tool.GetElement("Input"), plain);
}

TEST_F(CoreElementsTest, ExchangeFieldElement) {
    TOwnerEntity owner;
    TCoreOwnerProbe* field = nullptr;
    auto* x = new TCoreOwnerProbe;
    owner.ExchangeFieldElement(field, x);
    EXPECT_EQ(field, x);
    EXPECT_EQ(owner.IndexOf(x), 0);

    owner.ExchangeFieldElement(field, x); // same element: nothing changes
    EXPECT_TRUE(alive(x));
    EXPECT_EQ(owner.ElementsCount(), 1);
    EXPECT_EQ(x->GetOwnersCount(), 1);

    auto* y = new TCoreOwnerProbe;
    owner.AddElement(y);
    owner.ExchangeFieldElement(field, y); // already a child: x freed, y not listed twice
    EXPECT_FALSE(alive(x));
    EXPECT_EQ(field, y);
    EXPECT_EQ(owner.ElementsCount(), 1);
    EXPECT_EQ(y->GetOwnersCount(), 1);

    owner.ExchangeFieldElement(field, static_cast<TCoreOwnerProbe*>(nullptr));
    EXPECT_EQ(field, nullptr);
    EXPECT_FALSE(alive(y));
    EXPECT_EQ(owner.ElementsCount(), 0);
}

TEST_F(CoreElementsTest, EnvelopeOfAnEntity) {
    TOwnerEntity layer;
    layer.SetName("Vrstva");
    auto* loose = new TNameElement;
    loose->SetName("bod");
    auto* kept = new TCoreOwnerProbe;
    kept->SetName("linie");
    layer.AddElement(loose);
    layer.AddElement(kept);

    std::unique_ptr<TElement> env(layer.CreateEnvelope());
    auto* e = zelto_cast<TOwnerEntity>(env.get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(&e->ClassType(), &TOwnerEntity::StaticClass());
    EXPECT_EQ(e->GetName(), "Obálka: Vrstva");
    ASSERT_EQ(e->ElementsCount(), 2);
    EXPECT_NE(e->Get(0), loose); // a child without owners is replaced by its own envelope
    EXPECT_TRUE(e->Get(0)->Is<TNameElement>());
    EXPECT_EQ(e->Get(0)->GetName(), "Obálka: bod");
    EXPECT_EQ(e->Get(1), kept);
    EXPECT_EQ(kept->GetOwnersCount(), 2);
    env.reset();
    EXPECT_TRUE(alive(kept));
    EXPECT_EQ(kept->GetOwnersCount(), 1);
    EXPECT_EQ(layer.Get(0), loose);
}

TEST_F(CoreElementsTest, EnvelopeForgetsTheOwnerThatRemovesIt) {
    TEntity a, b;
    auto* env = new TEnvelopeEntity;
    a.AddElement(env);
    EXPECT_EQ(env->FOwner, &a);
    EXPECT_EQ(env->GetOwnersCount(), 0);
    b.RemoveElement(env); // not b's child
    EXPECT_EQ(env->FOwner, &a);
    a.RemoveElement(env);
    EXPECT_EQ(env->FOwner, nullptr);
    b.AddElement(env);
    EXPECT_EQ(env->FOwner, &b);
}

// ---- messages -----------------------------------------------------------------------------------

TEST_F(CoreElementsTest, OwnersHandleMessage) {
    struct Case {
        std::vector<TCoreHandler::Mode> modes;
        std::vector<int> calls;
        QStringList errors;
    };
    using M = TCoreHandler::Mode;
    const Case cases[] = {
        {{M::Ignore, M::Handle, M::Handle}, {1, 1, 0}, {}},
        {{M::Ignore, M::Ignore}, {1, 1}, {}},
        {{M::Throw, M::Ignore, M::Handle}, {1, 1, 1}, {"67"}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        recordingNotifier()->clear();
        std::vector<std::unique_ptr<TCoreHandler>> owners;
        auto* el = new TOwnerElement;
        for (M mode : c.modes) {
            owners.push_back(std::make_unique<TCoreHandler>());
            owners.back()->mode = mode;
            owners.back()->AddElement(el);
        }
        std::unique_ptr<TZeltoMessage> msg(
            TZeltoMessage::CreateAll(tm_MouseDown, el, nullptr, nullptr, DontKill));
        bool handled = false;
        el->OwnersHandleMessage(*msg, handled);
        EXPECT_TRUE(handled);
        for (size_t i = 0; i < owners.size(); ++i) EXPECT_EQ(owners[i]->calls, c.calls[i]) << i;
        EXPECT_EQ(errors(), c.errors);
        if (owners.empty()) delete el;
    }
}

TEST_F(CoreElementsTest, EnvelopeRoutesMessagesToItsOwner) {
    TCoreHandler owner;
    owner.mode = TCoreHandler::Handle;
    auto* env = new TEnvelopeEntity;
    owner.AddElement(env);
    std::unique_ptr<TZeltoMessage> msg(TZeltoMessage::CreateAll(tm_ReView, nullptr, env, nullptr, DontKill));
    bool handled = false;
    env->HandleMessage(*msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(msg->FReceiver, &owner);
}

TEST_F(CoreElementsTest, SendingPublishesSynchronously) {
    BusRecorder bus;
    TEntity sender, receiver;
    auto* data = new TCoreProbe;
    sender.SendMsg(tm_ReView, &receiver, nullptr, DontKill);
    sender.PostMsg(tm_EndTask, nullptr, data, KillIt);
    EXPECT_FALSE(alive(data)); // delivered and destroyed with its data before PostMsg returned
    sender.PostTextMsg(tm_AddToProtocol, "hotovo", &receiver);
    ASSERT_EQ(bus.seen.size(), 3u);
    EXPECT_EQ(bus.seen[0].msg, tm_ReView);
    EXPECT_EQ(bus.seen[0].sender, &sender);
    EXPECT_EQ(bus.seen[0].receiver, &receiver);
    EXPECT_TRUE(bus.seen[1].kill);
    EXPECT_TRUE(bus.seen[1].dataAlive);
    EXPECT_EQ(bus.seen[2].msg, tm_AddToProtocol);
    EXPECT_EQ(bus.seen[2].text, "hotovo");
    EXPECT_FALSE(bus.seen[2].kill);
}

TEST_F(CoreElementsTest, MessagesToOwnersKillTheDataOnce) {
    BusRecorder bus;
    TEntity o1, o2, o3;
    auto* el = new TOwnerElement;
    for (TEntity* o : {&o1, &o2, &o3}) o->AddElement(el);
    auto* data = new TCoreProbe;
    el->SendMsgToOwners(tm_ModelChanged, data, KillIt);
    ASSERT_EQ(bus.seen.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(bus.seen[i].receiver, el->GetOwnerEntity(int(i)));
        EXPECT_TRUE(bus.seen[i].dataAlive);
        EXPECT_EQ(bus.seen[i].kill, i == 2);
    }
    EXPECT_FALSE(alive(data));

    bus.seen.clear();
    el->PostTextMsgToOwners(tm_ProgressText, "50 %");
    ASSERT_EQ(bus.seen.size(), 3u);
    EXPECT_EQ(bus.seen[1].receiver, &o2);
    EXPECT_EQ(bus.seen[1].text, "50 %");
}

TEST_F(CoreElementsTest, WorkerThreadMessagesAreDeliveredOnTheMainThread) {
    std::vector<bool> onMain;
    const int id = TMessageBus::instance().subscribe(
        [&](TElement*, TZeltoMessage&) { onMain.push_back(TMessageBus::isMainThread()); });
    TEntity sender;
    bool deliveredBeforeReturn = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        sender.SendMsg(tm_Progress, nullptr, nullptr, DontKill);
        deliveredBeforeReturn = onMain.size() == 1;
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    ASSERT_TRUE(worker->wait(10000));
    TMessageBus::instance().unsubscribe(id);
    EXPECT_EQ(onMain, std::vector<bool>{true});
    EXPECT_TRUE(deliveredBeforeReturn);
}

TEST_F(CoreElementsTest, KilledMessageLeavesContainerHeldData) {
    BusRecorder bus;
    TEntity holder;
    auto* data = new TCoreProbe;
    holder.AddElement(data);
    holder.SendMsg(tm_DeleteElement, nullptr, data, KillIt);
    EXPECT_TRUE(alive(data));
    EXPECT_EQ(holder.Get(0), data);
}

// ---- properties by name -------------------------------------------------------------------------

TEST_F(CoreElementsTest, PropertiesByName) {
    TStringEntity s;
    EXPECT_TRUE(s.HasPropertyByName("value"));
    EXPECT_FALSE(s.HasPropertyByName("Hodnota"));

    s.SetPropertyBooleanByName("Value", true);
    EXPECT_EQ(s.FValue, "-1");
    EXPECT_TRUE(s.GetPropertyBooleanByName("Value"));
    s.SetPropertyBooleanByName("Value", false);
    EXPECT_EQ(s.FValue, "0");
    EXPECT_FALSE(s.GetPropertyBooleanByName("Value"));

    struct Case {
        const char* text;
        bool value;
    };
    for (const Case& c : {Case{"TRUE", true}, Case{"false", false}, Case{"2", true}, Case{"0,0", false}}) {
        s.SetValue(QString::fromLatin1(c.text));
        EXPECT_EQ(s.GetPropertyBooleanByName("Value"), c.value) << c.text;
    }
    for (const char* bad : {"ano", "", "1x"}) {
        s.SetValue(QString::fromLatin1(bad));
        EXPECT_THROW(s.GetPropertyBooleanByName("Value"), EConvertError) << bad;
    }

    s.SetPropertyIntByName("Value", -42);
    EXPECT_EQ(s.FValue, "-42");
    EXPECT_EQ(s.GetPropertyLongIntByName("value"), -42);
    EXPECT_EQ(s.GetPropertyIntByName("Nic"), 0);
    s.SetPropertyStringByName("Name", "jméno");
    EXPECT_EQ(s.GetPropertyStringByName("NAME"), "jméno");
    EXPECT_EQ(s.GetPropertyStringByName("_ClassName"), "TStringEntity");
    EXPECT_EQ(s.GetLastPropertyIndex(), 14);

    TZeltoMessage m;
    m.FKillData = true;
    EXPECT_EQ(m.GetPropertyLongIntByName("KillData"), 1); // an enumeration answers its ordinal
}
