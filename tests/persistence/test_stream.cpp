#include <gtest/gtest.h>

#include "framework/E_Type.h"
#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "persistence/StreamIO.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "protocol_catcher.h"
#include "stream_files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace zelto;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
QByteArray str6(const char* s) {
    return QByteArray(1, char(6)) + QByteArray(1, char(strlen(s))) + QByteArray(s);
}

using Protocol = zelto::testing::ProtocolCatcher;

using zelto::testing::loadFrom;
using zelto::testing::saveTo;

std::unique_ptr<TElement> loadBytes(const QByteArray& bytes, const QString& name = "mem.zlt") {
    TLoad load(name);
    load.SetNoProgress(true);
    load.SetData(bytes);
    load.DoIt();
    return std::unique_ptr<TElement>(load.FOutput);
}

// A test class with one property of each written kind.
class TStreamProbe : public TOwnerEntity {
    ZELTO_CLASS(TStreamProbe, TOwnerEntity)
public:
    qint32 FInt = 0;
    bool FBool = false;
    double FReal = 0;
    QString FText;
    TElement* FRef = nullptr;
    qint64 FBig = 0;
};
void TStreamProbe::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TStreamProbe::FInt>("Int");
    b.field<&TStreamProbe::FBool>("Flag");
    b.field<&TStreamProbe::FReal>("Real");
    b.field<&TStreamProbe::FText>("Text");
    b.field<&TStreamProbe::FRef>("Ref");
    b.field<&TStreamProbe::FBig>("Big");
}
ZELTO_IMPLEMENT_CLASS(TStreamProbe, TOwnerEntity, "test_stream")

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (!GetZeltoClass("TStreamProbe")) RegisterZeltoClass(TStreamProbe::StaticClass());
        recordingNotifier()->clear();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

} // namespace

// The documented example: one TStringEntity named "A" with Value "x".
TEST_F(StreamTest, WorkedExampleBytesAndBack) {
    QByteArray expected =
        QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    expected += hex("02 FF") + str6("TStringEntity") + hex("02 00") + hex("01");
    const std::pair<const char*, int> props[] = {
        {"ID", 1},          {"Name", 10},         {"OwnersCount", 1},
        {"Size", 1},        {"WholeSize", 1},     {"_ClassName", 10},
        {"NextElement", 7}, {"ElementToFree", 7}, {"ElementToRemove", 7},
        {"AddAllFrom", 7},  {"AddAllFromRev", 7}, {"WholeCount", 1},
        {"Count", 1},       {"LastIndex", 1},     {"Value", 10}};
    for (auto [name, kind] : props)
        expected += str6(name) + QByteArray(1, char(2)) + QByteArray(1, char(kind));
    expected += hex("00") + hex("02 00 02 00") + hex("01") + hex("02 01") + str6("A") + hex("02 0E") +
                str6("x") + hex("00") + hex("02 00") + hex("00");

    TStringEntity e;
    e.SetName("A");
    e.SetValue("x");
    const QByteArray written = saveTo(&e, path("a.zlt"));
    EXPECT_EQ(written.toHex(' '), expected.toHex(' '));

    auto back = loadFrom(path("a.zlt"));
    auto* s = zelto_cast<TStringEntity>(back.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetName(), "A");
    EXPECT_EQ(s->FValue, "x");
    EXPECT_EQ(s->ID, -1);
    EXPECT_TRUE(recordingNotifier()->all().isEmpty());
}

TEST_F(StreamTest, ValueEncodings) {
    struct Case {
        const char* what;
        QString text;
        QByteArray bytes;
    };
    auto encode = [](const QString& s) {
        QByteArray out;
        TTaggedWriter w(out);
        w.WriteString(s);
        return out;
    };
    EXPECT_EQ(encode("abc"), hex("06 03") + "abc");
    EXPECT_EQ(encode(""), hex("12 00 00 00 00"));
    EXPECT_EQ(encode(QString::fromUtf8("Bečva")),
              hex("14 06 00 00 00") + QString::fromUtf8("Bečva").toUtf8());
    // One "č": its UTF-8 form (2 bytes) is not shorter than twice its length, so UTF-16.
    EXPECT_EQ(encode(QString::fromUtf8("č")), hex("12 01 00 00 00 0D 01"));
    // Text whose UTF-8 form is not shorter than twice its length goes as UTF-16.
    EXPECT_EQ(encode(QString::fromUtf8("中")), hex("12 01 00 00 00 2D 4E"));
    EXPECT_EQ(encode(QString(256, 'a')).left(5), hex("0C 00 01 00 00"));
    QByteArray ints;
    TTaggedWriter w(ints);
    for (qint32 v : {0, 127, -128, 128, 300, -32768, 32768, INT32_MIN}) w.WriteInteger(v);
    EXPECT_EQ(ints.toHex(' '),
              QByteArray("02 00 02 7f 02 80 03 80 00 03 2c 01 03 00 80 04 00 80 00 00 04 00 00 00 80"));
    TTaggedReader r(ints, "x");
    for (qint32 v : {0, 127, -128, 128, 300, -32768, 32768, INT32_MIN}) EXPECT_EQ(r.ReadInteger(), v);
}

TEST_F(StreamTest, EveryKindRoundTripsAndZerosAreLeftOut) {
    auto root = std::make_unique<TStreamProbe>();
    root->SetName(QString::fromUtf8("Kořen"));
    root->FInt = 300;
    root->FBool = true;
    root->FReal = -1234.5625;
    root->FText = QString::fromUtf8("Dolní Bečva");
    root->FBig = 5; // Int64 is never written
    auto* child = new TStreamProbe;
    child->SetName("child");
    child->FReal = 0.1;
    root->AddElement(child);
    root->FRef = child; // a reference to an element of the child graph
    const QByteArray bytes = saveTo(root.get(), path("p.zlt"));
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("032c01"))); // 300 as a 16-bit integer

    auto back = loadFrom(path("p.zlt"));
    auto* r = zelto_cast<TStreamProbe>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetName(), QString::fromUtf8("Kořen"));
    EXPECT_EQ(r->FInt, 300);
    EXPECT_TRUE(r->FBool);
    EXPECT_EQ(r->FReal, -1234.5625);
    EXPECT_EQ(r->FText, QString::fromUtf8("Dolní Bečva"));
    EXPECT_EQ(r->FBig, 0);
    ASSERT_EQ(r->ElementsCount(), 1);
    auto* c = zelto_cast<TStreamProbe>(r->Get(0));
    EXPECT_EQ(r->FRef, c);
    EXPECT_EQ(c->FReal, 0.1);
    EXPECT_EQ(c->FInt, 0);
}

TEST_F(StreamTest, SharedChildIsWrittenOnceAndSharedAgain) {
    TOwnerEntity root;
    auto* a = new TOwnerEntity;
    auto* b = new TOwnerEntity;
    auto* shared = new TStringEntity;
    shared->SetValue("s");
    a->AddElement(shared);
    b->AddElement(shared);
    root.AddElement(a);
    root.AddElement(b);
    saveTo(&root, path("s.zlt"));
    auto back = loadFrom(path("s.zlt"));
    auto* r = zelto_cast<TOwnerEntity>(back.get());
    ASSERT_EQ(r->ElementsCount(), 2);
    TElement* s1 = zelto_cast<TEntity>(r->Get(0))->Get(0);
    TElement* s2 = zelto_cast<TEntity>(r->Get(1))->Get(0);
    EXPECT_EQ(s1, s2);
    EXPECT_EQ(s1->GetOwnersCount(), 2);
}

TEST_F(StreamTest, ElementOutsideTheGraphIsNestedEachTime) {
    TStreamProbe outside; // not a child of the written graph
    outside.FText = "out";
    TOwnerEntity root;
    auto* p1 = new TStreamProbe;
    auto* p2 = new TStreamProbe;
    p1->FRef = &outside;
    p2->FRef = &outside;
    root.AddElement(p1);
    root.AddElement(p2);
    saveTo(&root, path("n.zlt"));
    EXPECT_EQ(outside.ID, -1);
    auto back = loadFrom(path("n.zlt"));
    auto* r = zelto_cast<TOwnerEntity>(back.get());
    auto* q1 = zelto_cast<TStreamProbe>(r->Get(0));
    auto* q2 = zelto_cast<TStreamProbe>(r->Get(1));
    ASSERT_NE(q1->FRef, nullptr);
    ASSERT_NE(q2->FRef, nullptr);
    EXPECT_NE(q1->FRef, q2->FRef); // written inline twice: two copies
    EXPECT_EQ(zelto_cast<TStreamProbe>(q1->FRef)->FText, "out");
    // The nested copies are owned by nobody in the model; the test frees them.
    delete q1->FRef;
    delete q2->FRef;
}

// A chain of references to elements outside the written graph is written nested, one list inside
// the other. The writer writes as deep as the reader reads and no deeper: one level more fails the
// save (the previous file stays, the chain keeps its marks), and a very long chain fails the same way
// instead of exhausting the stack.
TEST_F(StreamTest, ReferenceChainsNestOnlyAsDeepAsAReaderReads) {
    struct Case {
        int chain; // elements outside the graph, each referring to the next
        bool saved;
    } cases[] = {{1, true}, {StreamMaxNesting, true}, {StreamMaxNesting + 1, false}, {100000, false}};
    QFile previous(path("deep.zlt"));
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("previous");
    previous.close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chain);
        std::vector<std::unique_ptr<TStreamProbe>> chain;
        for (int i = 0; i < c.chain; ++i) chain.push_back(std::make_unique<TStreamProbe>());
        for (int i = 0; i + 1 < c.chain; ++i) chain[size_t(i)]->FRef = chain[size_t(i + 1)].get();
        chain.back()->FText = "last";
        TOwnerEntity root;
        auto* p = new TStreamProbe;
        p->FRef = chain[0].get();
        root.AddElement(p);
        TSave save(path("deep.zlt"));
        save.SetInput(&root);
        if (!c.saved) {
            EXPECT_THROW(save.DoIt(), EStreamWriteError);
            QFile kept(path("deep.zlt"));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), "previous");
            for (const auto& e : chain) ASSERT_EQ(e->ID, -1);
            continue;
        }
        save.DoIt();
        auto back = loadFrom(path("deep.zlt"));
        auto* r = zelto_cast<TEntity>(back.get());
        ASSERT_NE(r, nullptr);
        TElement* e = zelto_cast<TStreamProbe>(r->Get(0))->FRef;
        std::vector<std::unique_ptr<TElement>> copies; // owned by nobody in the model
        for (int i = 0; i < c.chain; ++i) {
            ASSERT_NE(e, nullptr) << i;
            copies.emplace_back(e);
            e = zelto_cast<TStreamProbe>(e)->FRef;
        }
        EXPECT_EQ(e, nullptr);
        EXPECT_EQ(zelto_cast<TStreamProbe>(copies.back().get())->FText, "last");
        // Saved again with this content afterwards (for the failing cases' "previous" check).
        QFile again(path("deep.zlt"));
        ASSERT_TRUE(again.open(QIODevice::WriteOnly | QIODevice::Truncate));
        again.write("previous");
    }
}

TEST_F(StreamTest, ReaderAdaptsToChangedClasses) {
    Protocol protocol;
    // A class record as an older program wrote it: "Value" stored as an integer, "Gone" unknown,
    // "Name" as a string; values: Value 12 → text "12", Gone dropped.
    QByteArray s = QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    s += hex("02 FF") + str6("TStringEntity") + hex("02 00 01") + str6("Name") + hex("02 0A") +
         str6("Value") + hex("02 01") + str6("Gone") + hex("02 04") + hex("00");
    s += hex("02 00 02 00 01") + hex("02 00") + str6("N") + hex("02 01 02 0C") + hex("02 02 05") +
         QByteArray(10, '\0') + hex("00") + hex("02 00");
    // An unknown class is read as an owner entity with its children.
    s += hex("02 FF") + str6("TNoSuchThing") + hex("02 01 01") + str6("Name") + hex("02 0A") + hex("00");
    s += hex("02 01 02 01 01 02 00") + str6("X") + hex("00 02 01 01 02 00 00") + hex("00");
    auto back = loadBytes(s);
    auto* unknown = zelto_cast<TOwnerEntity>(back.get());
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(&unknown->ClassType(), &TOwnerEntity::StaticClass());
    EXPECT_EQ(unknown->GetName(), "X");
    ASSERT_EQ(unknown->ElementsCount(), 1);
    auto* se = zelto_cast<TStringEntity>(unknown->Get(0));
    ASSERT_NE(se, nullptr);
    EXPECT_EQ(se->FValue, "12");
    EXPECT_EQ(se->GetName(), "N");
    EXPECT_TRUE(
        protocol.texts().contains("TStringEntity property \"Value\" type conv.: tkInteger to tkUString"));
    EXPECT_TRUE(protocol.texts().contains("TStringEntity lost property: Gone"));
    EXPECT_TRUE(protocol.texts().contains("TNoSuchThing - Unknown class !"));
}

TEST_F(StreamTest, StringIntoIntegerAndEmptyIntoChar) {
    // A stored string property read into a current Integer property arrives as its number.
    QByteArray s = QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    s += hex("02 FF") + str6("TStreamProbe") + hex("02 00 01") + str6("Int") + hex("02 0A") + hex("00");
    s += hex("02 00 02 00 01 02 00") + str6("12") + hex("00 02 00") + hex("00");
    auto back = loadBytes(s);
    EXPECT_EQ(zelto_cast<TStreamProbe>(back.get())->FInt, 12);
}

TEST_F(StreamTest, YouShallNotPassMarksTheEnd) {
    QByteArray s = QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    s += hex("02 FF") + str6("TStringEntity") + hex("02 00 01 00");
    s += hex("02 FF") + str6("TYouShallNotPass") + hex("02 01 01 00");
    s += hex("02 00 02 00 01 00 02 00");
    s += hex("02 01 02 01 01 00 02 00") + hex("00");
    auto back = loadBytes(s);
    EXPECT_TRUE(back->Is<TStringEntity>());
}

TEST_F(StreamTest, BadFilesRaiseWithNameAndOffset) {
    EXPECT_THROW(loadFrom(""), EBadStreamName);
    try {
        loadFrom(path("missing.zlt"));
        FAIL();
    } catch (const EBadStream& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Soubor %1 neexistuje!").arg(path("missing.zlt")));
    }
    QFile abcd(path("abcd.zlt"));
    ASSERT_TRUE(abcd.open(QIODevice::WriteOnly));
    abcd.write("ABCDEFGH");
    abcd.close();
    try {
        loadFrom(path("abcd.zlt"));
        FAIL();
    } catch (const EBadStream& e) {
        EXPECT_EQ(e.message(), path("abcd.zlt") + " ... neznámý typ souboru");
    }
    // Every truncation of a valid stream fails cleanly (the ASan build checks that nothing leaks).
    TOwnerEntity root;
    for (int i = 0; i < 3; ++i) {
        auto* c = new TStreamProbe;
        c->FText = QString::number(i);
        c->FReal = i + 0.5;
        root.AddElement(c);
    }
    const QByteArray full = saveTo(&root, path("full.zlt"));
    for (qsizetype n = 4; n < full.size(); ++n) {
        try {
            loadBytes(full.left(n), "cut.zlt");
            FAIL() << "truncated at " << n;
        } catch (const EBadStream& e) {
            EXPECT_TRUE(e.message().startsWith("cut.zlt: ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("byte offset")) << e.message().toStdString();
        }
    }
}

// A file is read through a window that moves on with the reader. Values that straddle the window's
// edge, texts longer than the window and every truncation must read exactly as from the bytes in
// memory: the same values, the same failure at the same offset.
TEST_F(StreamTest, WindowedReadingMatchesReadingFromMemory) {
    QByteArray bytes;
    TTaggedWriter w(bytes);
    const QString longText = QString(300, 'x') + "end";
    const QString wide = QString::fromUtf8("中文 ") + QString(40, QChar(0x4E2D));
    w.WriteListBegin();
    for (qint32 v : {1, -200, 70000, INT32_MIN}) w.WriteInteger(v);
    for (const QString& t :
         {QString("ab"), QString("ab"), longText, wide, QString::fromUtf8("Dolní Bečva"), QString()})
        w.WriteString(t);
    w.WriteFloat(-1234.5625);
    w.WriteListEnd();
    // Reads everything in order; answers what it read or the failure's message.
    auto readAll = [](TTaggedReader& r) {
        QStringList seen;
        try {
            r.ReadListBegin();
            for (int i = 0; i < 4; ++i) seen << QString::number(r.ReadInteger());
            for (int i = 0; i < 6; ++i) seen << r.ReadString();
            seen << QString::number(r.ReadFloat());
            if (!r.EndOfList()) seen << "no end";
            r.ReadListEnd();
            seen << QString::number(r.Position());
        } catch (const EBadStream& e) {
            seen << e.message();
        }
        return seen;
    };
    for (qsizetype window : {16, 17, 64, 4096}) {
        for (qsizetype n = 0; n <= bytes.size(); ++n) {
            SCOPED_TRACE(::testing::Message() << "window " << window << ", first " << n << " bytes");
            const QByteArray cut = bytes.left(n);
            TTaggedReader memory(cut, "f.zlt");
            QBuffer device;
            device.setData(cut);
            ASSERT_TRUE(device.open(QIODevice::ReadOnly));
            TTaggedReader windowed(&device, 0, cut.size(), "f.zlt", window);
            const QStringList expected = readAll(memory);
            ASSERT_EQ(readAll(windowed), expected);
            if (n == bytes.size()) {
                EXPECT_TRUE(expected.contains(longText));
                EXPECT_TRUE(expected.contains(wide));
                EXPECT_EQ(expected.last(), QString::number(bytes.size()));
            }
        }
    }
    // A text length far beyond the input fails as a truncation, without a buffer of that size.
    QByteArray huge = hex("0C FF FF FF 7F") + "abc";
    QBuffer device(&huge);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    TTaggedReader r(&device, 0, huge.size(), "h.zlt", 16);
    try {
        r.ReadString();
        FAIL();
    } catch (const EBadStream& e) {
        EXPECT_EQ(e.message(), "h.zlt: unexpected end of the stream at byte offset 0");
    }
}

// The same through the loader: a stream file cut anywhere fails with its name and an offset, and the
// whole file loads whatever its size relative to the window.
TEST_F(StreamTest, TruncatedStreamFilesFailCleanly) {
    TOwnerEntity root;
    for (int i = 0; i < 3; ++i) {
        auto* c = new TStreamProbe;
        c->FText = QString(i * 150, QChar('a' + i));
        c->FReal = i + 0.5;
        root.AddElement(c);
    }
    const QByteArray full = saveTo(&root, path("full.zlt"));
    for (qsizetype n = 4; n < full.size(); n += 7) {
        QFile cut(path("cut.zlt"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(full.left(n));
        cut.close();
        try {
            loadFrom(path("cut.zlt"));
            FAIL() << "truncated at " << n;
        } catch (const EBadStream& e) {
            EXPECT_TRUE(e.message().startsWith(path("cut.zlt") + ": ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("byte offset")) << e.message().toStdString();
        }
    }
    auto back = loadFrom(path("full.zlt"));
    auto* whole = zelto_cast<TEntity>(back.get());
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(whole->ElementsCount(), 3);
    EXPECT_EQ(zelto_cast<TStreamProbe>(whole->Get(2))->FText, QString(300, QChar('c')));
}

TEST_F(StreamTest, HostileReferencesAreRefused) {
    Protocol protocol;
    // A child list naming the element itself and a later number; a reference beyond what was read.
    QByteArray s = QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    s += hex("02 FF") + str6("TStreamProbe") + hex("02 00 01") + str6("Ref") + hex("02 07") + hex("00");
    s += hex("02 00 02 00 01 02 00 02 05 00 02 01 01 02 00 02 07 00") + hex("00");
    auto back = loadBytes(s);
    auto* p = zelto_cast<TStreamProbe>(back.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FRef, nullptr);
    EXPECT_EQ(p->ElementsCount(), 0);
    EXPECT_TRUE(protocol.texts().contains("Loader Error: TStreamProbe ClassProperty Ref"));

    // Nested lists beyond the limit end the read.
    QByteArray deep =
        QByteArray("ZLT0") + str6("G ZELTO") + str6("4.0 BETA") + str6("No comment") + hex("01");
    deep += hex("02 FF") + str6("TStreamProbe") + hex("02 00 01") + str6("Ref") + hex("02 07") + hex("00");
    for (int i = 0; i < 300; ++i)
        deep += hex("02 00") + hex("04") + QByteArray(4, '\0') + hex("01 02 00 02 FE 01");
    EXPECT_THROW(loadBytes(deep), EBadStream);
}

TEST_F(StreamTest, CycleInTheChildGraphIsRefusedByTheWriter) {
    auto* a = new TOwnerEntity;
    auto* b = new TOwnerEntity;
    a->AddElement(b);
    b->AddElement(a);
    TSave save(path("cycle.zlt"));
    save.SetNoProgress(true);
    save.SetInput(a);
    EXPECT_THROW(save.DoIt(), EStreamWriteError);
    EXPECT_FALSE(QFile::exists(path("cycle.zlt")));
    b->RemoveElement(a);
    delete a;
}

TEST_F(StreamTest, FailedSaveKeepsThePreviousFile) {
    TStringEntity e;
    e.SetValue("first");
    saveTo(&e, path("keep.zlt"));
    const QByteArray before = QFile(path("keep.zlt")).exists() ? [&] {
        QFile f(path("keep.zlt"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }()
                                                                : QByteArray();
    ASSERT_FALSE(before.isEmpty());
    // A file size limit below the new stream's size makes the write fail as a full disk would.
    e.SetValue(QString(4000, 'x'));
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    bool threw = false;
    try {
        TSave save(path("keep.zlt"));
        save.SetNoProgress(true);
        save.SetInput(&e);
        save.DoIt();
    } catch (const EStreamWriteError& err) {
        threw = true;
        EXPECT_TRUE(err.message().startsWith("Soubor " + path("keep.zlt") + " nelze uložit"));
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    QFile f(path("keep.zlt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left behind
}

TEST_F(StreamTest, LegacyLayoutRoundTrip) {
    TOwnerEntity root;
    root.SetName("root");
    auto* a = new TNameEntity;
    a->SetName(QString::fromUtf8("Bečva"));
    auto* leaf = new TNameElement;
    leaf->SetName("leaf");
    a->AddElement(leaf);
    root.AddElement(a);
    TSaver saver(path("old.zlt"));
    saver.SetInput(&root);
    saver.DoIt();
    auto back = loadFrom(path("old.zlt"));
    auto* r = zelto_cast<TOwnerEntity>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetName(), "root");
    ASSERT_EQ(r->ElementsCount(), 1);
    EXPECT_EQ(r->Get(0)->GetName(), QString::fromUtf8("Bečva"));
    EXPECT_EQ(zelto_cast<TEntity>(r->Get(0))->Get(0)->GetName(), "leaf");

    // An unregistered class name ends the read without output.
    QByteArray bad = QByteArray("TPF0") + hex("01") + str6("TNoSuch") + hex("02 00") + hex("00");
    TLoad load("bad.zlt");
    load.SetData(bad);
    load.DoIt();
    EXPECT_EQ(load.FOutput, nullptr);
    EXPECT_EQ(recordingNotifier()->errors().last(), "Neregistrovaný element: TNoSuch");
}

TEST_F(StreamTest, ProgressFollowsTheFile) {
    struct Seen {
        QList<qint32> numbers;
        QStringList texts;
        int id;
    } seen;
    seen.id = TMessageBus::instance().subscribe([&](TElement*, TZeltoMessage& m) {
        seen.numbers << m.FMessage;
        if (auto* t = zelto_cast<TZeltoTextMessage>(&m)) seen.texts << t->FMessageText;
        if (auto* p = zelto_cast<TProgressMessage>(&m); p && m.FMessage == tm_StartProgress)
            seen.texts << p->FProcessName;
    });
    TOwnerEntity root;
    for (int i = 0; i < 1200; ++i) root.AddElement(new TStringEntity);
    TSave save(path("big.zlt"));
    save.SetInput(&root);
    save.DoIt();
    EXPECT_TRUE(seen.texts.contains(
        QStringLiteral("Ukládání modelu do souboru %1 -celkem 1200 Elementů").arg(path("big.zlt"))));
    EXPECT_TRUE(seen.texts.contains("Uloženo 500 elementů"));
    EXPECT_TRUE(seen.texts.contains("Uloženo 1000 elementů"));
    EXPECT_EQ(seen.numbers.last(), tm_EndProgress);
    seen.numbers.clear();
    seen.texts.clear();
    TLoad load(path("big.zlt"));
    load.DoIt();
    delete load.FOutput;
    EXPECT_EQ(seen.numbers.first(), tm_StartProgress);
    EXPECT_TRUE(seen.texts.contains(QStringLiteral("Načítání modelu ze souboru ") + path("big.zlt")));
    EXPECT_EQ(seen.numbers.last(), tm_EndProgress);
    TMessageBus::instance().unsubscribe(seen.id);
}
