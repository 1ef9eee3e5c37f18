// Replays the fuzz seed corpus and every saved fuzz finding through the fuzz target's own load
// logic, so that the regular (and the ASan) test run keeps them fixed.
#include <gtest/gtest.h>

#include "../common/element_graph.h"
#include "../fuzz/load_harness.h"
#include "../fuzz/stream_builder.h"
#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/Tools.h"
#include "framework/t_Recurs.h"
#include "persistence/ReadTable.h"
#include "persistence/T_Saver.h"
#include "protocol_catcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <string>
#include <vector>

using namespace zelto;
using zelto::testing::reachedFrom;

namespace {

struct Input {
    std::string name;
    QByteArray bytes;
};

std::vector<Input> filesIn(const char* sub) {
    std::vector<Input> inputs;
    const QDir dir(QStringLiteral(ZELTO_FUZZ_DIR "/") + QString::fromLatin1(sub));
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(fi.filePath());
        if (!f.open(QIODevice::ReadOnly)) continue;
        inputs.push_back({std::string(sub) + "/" + fi.fileName().toStdString(), f.readAll()});
    }
    return inputs;
}

using Protocol = zelto::testing::ProtocolCatcher;

// A read whose elements the test frees as a whole when it ends.
struct Read {
    TLoad load{QStringLiteral("mem.zlt")};
    explicit Read(const QByteArray& bytes) {
        load.SetNoProgress(true);
        load.SetData(bytes);
        load.DoIt();
    }
    ~Read() { FreeElementSet(load.ReadElements()); }
    template <class T> T* output() const { return zelto_cast<T>(load.FOutput); }
    bool listed(const TElement* e) const {
        return std::find(load.ReadElements().begin(), load.ReadElements().end(), e) !=
               load.ReadElements().end();
    }
};

fuzz::LoadResult replay(const Input& in) {
    SCOPED_TRACE(in.name);
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.bytes.constData());
    try {
        return fuzz::loadAndFree(p, std::size_t(in.bytes.size()));
    } catch (const std::exception& e) {
        ADD_FAILURE() << in.name << ": unexpected exception " << e.what();
    } catch (...) {
        ADD_FAILURE() << in.name << ": unexpected exception";
    }
    return fuzz::LoadResult::Refused;
}

} // namespace

// The seeds are valid streams: each must load, not merely be survived.
TEST(FuzzCorpus, SeedsLoad) {
    const auto seeds = filesIn("corpus");
    ASSERT_GE(seeds.size(), 12u) << "seed corpus missing under " ZELTO_FUZZ_DIR "/corpus";
    for (const Input& in : seeds) EXPECT_EQ(replay(in), fuzz::LoadResult::Loaded) << in.name;
    recordingNotifier()->clear();
}

// Findings may load or be refused; they must do so without a crash, leak or stray exception.
TEST(FuzzCorpus, RegressionsAreHandled) {
    const auto found = filesIn("regressions");
    for (const Input& in : found) replay(in);
    recordingNotifier()->clear();
    SUCCEED() << found.size() << " regression inputs replayed";
}

// The older layout hands over what it read like the current one: the caller can free it all, and
// what the root does not reach is freed by the reader.
TEST(StreamReadOwnership, LegacyReadIsHandedOverWhole) {
    QByteArray bytes("TPF0");
    TTaggedWriter w(bytes);
    w.WriteListBegin();
    for (const char* name : {"kept", "stray"}) {
        w.WriteString(QStringLiteral("TNameElement"));
        w.WriteInteger(-1);
        w.WriteString(QString::fromLatin1(name));
    }
    w.WriteString(QStringLiteral("TOwnerEntity"));
    w.WriteInteger(-1);
    w.WriteListBegin();
    w.WriteInteger(0);
    w.WriteListEnd();
    w.WriteString(QStringLiteral("root"));
    w.WriteListEnd();

    TDestructionWatch watch;
    {
        Read read(bytes);
        auto* root = read.output<TOwnerEntity>();
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->ElementsCount(), 1);
        EXPECT_EQ(root->Get(0)->GetName(), "kept");
        EXPECT_EQ(read.load.RecordsRead(), 3);
        // The stray element is freed by the reader: the root is the only element left whose
        // freeing is not its holder's business (the plain child goes with the root).
        EXPECT_EQ(read.load.ReadElements(), std::vector<TElement*>{root});
        EXPECT_EQ(reachedFrom(root).size(), 2u);
        for (TElement* e : reachedFrom(root)) watch.watch(e);
    }
    EXPECT_EQ(watch.count(), 0);
}

// ReadElements leaves out the plain elements whose one holder frees them (the vertices of a line)
// and lists everything else: a plain element that a quick entity lists too, one that a property
// names, one that only a property holds, an owner-keeping element shared by two entities, and
// plain elements with element properties. Freeing the list frees every element of the read once.
TEST(StreamReadOwnership, FreeingAReadFreesEveryElementOnce) {
    fuzz::StreamBuilder s;
    const int plain = s.classRecord("TNameElement", {{"Name", 10}});
    const int holder = s.classRecord("TOwnerEntity", {{"Name", 10}});
    const int quick = s.classRecord("TQuickEntity", {{"Name", 10}});
    const int shared = s.classRecord("TOwnerElement", {{"Name", 10}});
    const int message = s.classRecord("TZeltoMessage", {{"Data", 7}, {"KillData", 3}, {"Name", 10}});
    auto named = [](const char* name) {
        return [name](TTaggedWriter& w) {
            w.WriteInteger(0);
            w.WriteString(QString::fromLatin1(name));
        };
    };
    auto refersTo = [](int data) {
        return [data](TTaggedWriter& w) {
            w.WriteInteger(0);
            w.WriteInteger(data);
            w.WriteInteger(1);
            w.WriteInteger(1); // the message owns its data
        };
    };
    const int v0 = s.element(plain, named("v0"));
    const int v1 = s.element(plain, named("v1"));
    const int v2 = s.element(plain, named("v2"));
    const int line = s.element(holder, named("line"), {v0, v1, v2});
    // Long enough for the reader to retire the numbers while it reads; two of them are named
    // again afterwards, by a property and by a quick entity's child list.
    int x[6];
    for (int i = 0; i < 6; ++i) x[i] = s.element(plain, named(i == 1 ? "xNamed" : i == 2 ? "xQuick" : "x"));
    const int line3 = s.element(holder, named("line3"), {x[0], x[1], x[2], x[3], x[4], x[5]});
    const int m3 = s.element(message, refersTo(x[1]));
    const int q3 = s.element(quick, nullptr, {x[2]});
    const int twice = s.element(plain, named("twice"));
    const int q = s.element(quick, nullptr, {twice});
    const int holder2 = s.element(holder, named("holder2"), {twice, q});
    const int namedByProperty = s.element(plain, named("namedByProperty"));
    const int line2 = s.element(holder, named("line2"), {namedByProperty});
    const int m1 = s.element(message, refersTo(namedByProperty));
    const int common = s.element(shared, named("common"));
    const int a = s.element(holder, named("a"), {common});
    const int b = s.element(holder, named("b"), {common});
    const int m2 = s.element(message, [&](TTaggedWriter& w) {
        s.nested(0, [&] { s.element(plain, named("propertyOnly")); });
        w.WriteInteger(1);
        w.WriteInteger(1);
    });
    s.element(holder, named("root"), {line, holder2, line2, m1, a, b, m2, line3, m3, q3});

    TDestructionWatch watch;
    {
        Read read(s.finish());
        auto* root = read.output<TOwnerEntity>();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(read.load.RecordsRead(), 25);
        const std::vector<TElement*> all = reachedFrom(root);
        ASSERT_EQ(all.size(), 25u);
        QStringList listed, unlisted;
        for (TElement* e : all) {
            watch.watch(e);
            const QString name = zelto_cast<TZeltoMessage>(e) ? QStringLiteral("message") : e->GetName();
            (read.listed(e) ? listed : unlisted) << name;
        }
        unlisted.sort();
        EXPECT_EQ(unlisted, QStringList({"v0", "v1", "v2", "x", "x", "x", "x"}));
        EXPECT_EQ(read.load.ReadElements().size(), 18u);
        for (const char* name : {"twice", "namedByProperty", "propertyOnly", "common", "message", "root",
                                 "xNamed", "xQuick", "line3"})
            EXPECT_TRUE(listed.contains(QString::fromLatin1(name))) << name;
        for (TElement* e : all) EXPECT_EQ(e->ID, -1) << e->GetName().toStdString();
        EXPECT_EQ(watch.count(), 25);
    }
    EXPECT_EQ(watch.count(), 0);
}

// The root is the last record of the top-level list even when its own property holds a nested
// list, whose elements are numbered after it; a closing marker gives way to that root, not to
// the element numbered before the marker.
TEST(StreamReadOwnership, RootWithNestedPropertyValueIsTheOutput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TStringEntity outside; // not in the child graph: written inline
    outside.SetValue(QStringLiteral("data"));
    TZeltoMessage root;
    root.FMessage = 7;
    root.FData = &outside;
    TSave save(dir.filePath(QStringLiteral("m.zlt")));
    save.SetNoProgress(true);
    save.SetInput(&root);
    save.DoIt();
    {
        Read read(save.Data());
        auto* m = read.output<TZeltoMessage>();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->FMessage, 7);
        auto* data = zelto_cast<TStringEntity>(m->FData);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->FValue, "data");
    }

    fuzz::StreamBuilder s;
    const int msg = s.classRecord("TZeltoMessage", {{"Message", 1}, {"Data", 7}});
    const int str = s.classRecord("TStringEntity", {{"Value", 10}});
    const int marker = s.classRecord("TYouShallNotPass", {{"Name", 10}});
    s.element(msg, [&](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteInteger(8);
        s.nested(1, [&] { s.element(str, nullptr); });
    });
    s.element(marker, nullptr);
    Read read(s.finish());
    auto* m = read.output<TZeltoMessage>();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->FMessage, 8);
    EXPECT_NE(m->FData, nullptr);
    EXPECT_EQ(read.load.ReadElements().size(), 2u); // the marker is freed
}

// Inside a nested list, a child list naming the element whose property holds that list would
// close a cycle in the child graph; the child is refused and reported.
TEST(StreamReadOwnership, ChildNamingAnUnfinishedElementIsRefused) {
    Protocol protocol;
    fuzz::StreamBuilder s;
    const int recursor = s.classRecord("TRecursorWithTools", {{"BeforeTool", 7}});
    const int tool = s.classRecord("TTool", {{"Name", 10}});
    s.element(recursor, [&](TTaggedWriter&) { s.nested(0, [&] { s.element(tool, nullptr, {0}); }); }, {1});
    Read read(s.finish());
    auto* r = read.output<TRecursorWithTools>();
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->FBeforeTool, nullptr);
    EXPECT_EQ(r->FBeforeTool->ElementsCount(), 0);
    EXPECT_TRUE(protocol.texts().contains("Loader Error: TTool child 0"));
}

// A stream sets only what the program stores: the writer writes nothing else, and setters of the
// rest run operations that file content must not trigger. After reading every ID is -1.
TEST(StreamReadOwnership, PropertiesNotStoredAreNotTaken) {
    fuzz::StreamBuilder s;
    const int str = s.classRecord("TStringEntity", {{"ID", 1}, {"Value", 10}});
    s.element(str, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteInteger(5);
        w.WriteInteger(1);
        w.WriteString(QStringLiteral("v"));
    });
    Read read(s.finish());
    auto* e = read.output<TStringEntity>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->ID, -1);
    EXPECT_EQ(e->FValue, "v");
}

// Freeing a set frees holders before what they own through properties, and parts holders that
// own each other, so that nothing is freed twice or left behind.
TEST(StreamReadOwnership, FreeElementSetHandlesOwningProperties) {
    TDestructionWatch watch;
    auto* owner = new TZeltoMessage;
    auto* data = new TStringEntity;
    owner->FData = data;
    owner->FKillData = true;
    watch.watch(owner);
    watch.watch(data);
    FreeElementSet({owner, data}); // the owned data is the later one: it would go first
    EXPECT_EQ(watch.count(), 0);

    auto* a = new TZeltoMessage;
    auto* b = new TZeltoMessage;
    a->FData = b;
    b->FData = a;
    a->FKillData = b->FKillData = true;
    watch.watch(a);
    watch.watch(b);
    FreeElementSet({a, b});
    EXPECT_EQ(watch.count(), 0);

    // Data that a message owns and an entity of the set lists as its child, in either order.
    for (bool messageFirst : {false, true}) {
        auto* entity = new TOwnerEntity;
        auto* child = new TStringEntity;
        entity->AddElement(child);
        auto* message = new TZeltoMessage;
        message->FData = child;
        message->FKillData = true;
        for (TElement* e :
             {static_cast<TElement*>(entity), static_cast<TElement*>(child), static_cast<TElement*>(message)})
            watch.watch(e);
        if (messageFirst)
            FreeElementSet({message, entity, child});
        else
            FreeElementSet({child, entity, message});
        EXPECT_EQ(watch.count(), 0);
    }
}

// A property setter that attaches its value as a child (a select technology's else tool) must not
// close a cycle through a reference back to an element whose record is still open.
TEST(StreamReadOwnership, SetterCannotCloseAChildCycle) {
    Protocol protocol;
    fuzz::StreamBuilder s;
    const int select = s.classRecord("TSelectTechnology", {{"ElseTool", 7}});
    s.element(select, [&](TTaggedWriter&) {
        s.nested(0, [&] {
            s.element(select, [](TTaggedWriter& w) {
                w.WriteInteger(0);
                w.WriteInteger(0); // the element that holds this nested list
            });
        });
    });
    Read read(s.finish());
    auto* outer = read.output<TSelectTechnology>();
    ASSERT_NE(outer, nullptr);
    auto* inner = zelto_cast<TSelectTechnology>(outer->FElseTool);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(outer->FElements.indexOf(inner), 0);
    EXPECT_EQ(inner->FElements.indexOf(outer), -1);
    EXPECT_TRUE(protocol.texts().contains("Loader Error: TSelectTechnology child TSelectTechnology"));
}

// Freeing and walking a graph recurse once per level, so the reader bounds the depth of the
// child graph in both layouts.
TEST(StreamReadOwnership, ChildGraphDepthIsBounded) {
    auto chain = [](int levels) {
        fuzz::StreamBuilder s;
        const int cls = s.classRecord("TOwnerEntity", {{"Name", 10}});
        s.element(cls, nullptr);
        for (int i = 1; i <= levels; ++i) s.element(cls, nullptr, {i - 1});
        return s.finish();
    };
    {
        Read read(chain(TZeltoLoader::MaxChildDepth));
        EXPECT_NE(read.output<TOwnerEntity>(), nullptr);
        for (TElement* e : read.load.ReadElements()) EXPECT_EQ(e->ID, -1);
    }
    EXPECT_THROW(Read{chain(TZeltoLoader::MaxChildDepth + 1)}, EBadStream);

    auto legacyChain = [](int levels) {
        QByteArray bytes("TPF0");
        TTaggedWriter w(bytes);
        w.WriteListBegin();
        for (int i = 0; i <= levels; ++i) {
            w.WriteString(QStringLiteral("TEntity"));
            w.WriteInteger(-1);
            w.WriteListBegin();
            if (i > 0) w.WriteInteger(i - 1);
            w.WriteListEnd();
        }
        w.WriteListEnd();
        return bytes;
    };
    {
        Read read(legacyChain(TZeltoLoader::MaxChildDepth));
        EXPECT_NE(read.output<TEntity>(), nullptr);
    }
    EXPECT_THROW(Read{legacyChain(TZeltoLoader::MaxChildDepth + 1)}, EBadStream);
}

// A quick entity lists children without holding them and frees the unheld ones with itself: a
// child listed twice is taken once, and freeing a read never meets an entry already freed.
TEST(StreamReadOwnership, QuickEntityChildrenAreFreedOnce) {
    fuzz::StreamBuilder s;
    const int name = s.classRecord("TNameEntity", {{"Name", 10}});
    const int quick = s.classRecord("TQuickEntity", {{"Name", 10}});
    const int owner = s.classRecord("TOwnerEntity", {{"Name", 10}});
    s.element(name, nullptr);
    s.element(quick, nullptr, {0, 0});
    s.element(owner, nullptr, {0});
    s.element(owner, nullptr, {1, 2});
    TDestructionWatch watch;
    {
        Read read(s.finish());
        auto* root = read.output<TOwnerEntity>();
        ASSERT_NE(root, nullptr);
        auto* q = zelto_cast<TQuickEntity>(root->Get(0));
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->ElementsCount(), 1);
        for (TElement* e : read.load.ReadElements()) watch.watch(e);
        EXPECT_EQ(watch.count(), 4);
    }
    EXPECT_EQ(watch.count(), 0);
}

// The reader's table of elements: retired numbers are still answered, exactly, and come back as
// ordinary entries; runs that do not step evenly, that are too short or that come before a
// retired run keep their numbers; pages that few numbers use are compacted and still answer.
TEST(StreamReadTable, RetiredNumbersAreAnsweredExactly) {
    constexpr int N = 3 * 4096 + 100;
    std::vector<TNameElement> elements(N);
    detail::TReadTable table;
    for (TElement& e : elements) {
        e.ID = 5; // a height, as while reading
        table.push_back(&e);
    }
    ASSERT_EQ(table.size(), N);
    auto numbers = [](int from, int to) {
        std::vector<qint32> v;
        for (int i = from; i < to; ++i) v.push_back(i);
        return v;
    };
    auto elementsOf = [&](const std::vector<qint32>& v) {
        std::vector<TElement*> out;
        for (qint32 n : v) out.push_back(&elements[size_t(n)]);
        return out;
    };
    // Most of the first two pages, as three holders would hand them over.
    for (auto [from, to] : {std::pair{10, 4000}, std::pair{4000, 4100}, std::pair{4101, 8000}}) {
        const auto v = numbers(from, to);
        EXPECT_EQ(table.retire(v, elementsOf(v)), to - from);
    }
    // Too short, before the last run, and out of order: kept.
    const auto shortRun = numbers(8100, 8103);
    EXPECT_EQ(table.retire(shortRun, elementsOf(shortRun)), 0);
    const auto early = numbers(0, 10);
    EXPECT_EQ(table.retire(early, elementsOf(early)), 0);
    std::vector<qint32> uneven{9000, 9001, 9002, 9003, 9004};
    std::vector<TElement*> unevenElements = elementsOf(uneven);
    std::swap(unevenElements[2], unevenElements[3]);
    std::swap(uneven[2], uneven[3]);
    EXPECT_EQ(table.retire(uneven, unevenElements), 0);

    for (int n : {10, 11, 3999, 4000, 4099, 4101, 7999}) EXPECT_EQ(elements[size_t(n)].ID, -1) << n;
    for (int n : {0, 9, 4100, 8000, 8100, 9002, N - 1}) EXPECT_EQ(elements[size_t(n)].ID, 5) << n;

    int retired = 0;
    table.forEachRetired([&](TElement*) { ++retired; });
    EXPECT_EQ(retired, 7989);
    // Named again: answered with the very element, then an ordinary entry.
    for (int n : {10, 2048, 3999, 4000, 4099, 4101, 6000, 7999}) {
        EXPECT_EQ(table[n], &elements[size_t(n)]) << n;
        EXPECT_EQ(table[n], &elements[size_t(n)]) << n;
    }
    for (int n : {0, 9, 4100, 8000, 8100, 9000, N - 1}) EXPECT_EQ(table[n], &elements[size_t(n)]) << n;

    std::vector<qint32> live;
    bool inOrder = true;
    table.forEachLive([&](qint32 n, TElement* e) {
        inOrder = inOrder && e == &elements[size_t(n)] && (live.empty() || live.back() < n);
        live.push_back(n);
    });
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(live.size(), size_t(N - 7989 + 8));
    retired = 0;
    table.forEachRetired([&](TElement*) { ++retired; });
    EXPECT_EQ(retired, 7989 - 8);
    table.clear();
    EXPECT_EQ(table.size(), 0);
}
