#include <gtest/gtest.h>

#include "zlt_run.h"

#include "framework/e_Class.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "stream_files.h"
#include "stream_graph.h"
#include "zlt.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

QJsonObject parseJson(const QString& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << text.left(2000).toStdString();
    EXPECT_TRUE(doc.isObject());
    return doc.object();
}

// A class with one property of each stored kind.
class TZltProbe : public TOwnerEntity {
    ZELTO_CLASS(TZltProbe, TOwnerEntity)
public:
    qint32 FInt = 0;
    bool FFlag = false;
    double FReal = 0;
    QString FText;
    TElement* FRef = nullptr; // not owned
};
void TZltProbe::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TZltProbe::FInt>("Int");
    b.field<&TZltProbe::FFlag>("Flag");
    b.field<&TZltProbe::FReal>("Real");
    b.field<&TZltProbe::FText>("Text");
    b.field<&TZltProbe::FRef>("Ref");
}
ZELTO_IMPLEMENT_CLASS(TZltProbe, TOwnerEntity, "test_zlt")

// Builds current-format streams by hand, for content the writer never produces.
struct RawStream {
    QByteArray data;
    TTaggedWriter w{data};
    RawStream() {
        w.WriteRaw("ZLT0", 4);
        w.WriteString("G ZELTO");
        w.WriteString("4.0 BETA");
        w.WriteString("No comment");
        w.WriteListBegin();
    }
    void classRecord(const QString& name, int number, const std::vector<std::pair<QString, int>>& props) {
        w.WriteInteger(-1);
        w.WriteString(name);
        w.WriteInteger(number);
        w.WriteListBegin();
        for (const auto& [n, k] : props) {
            w.WriteString(n);
            w.WriteInteger(k);
        }
        w.WriteListEnd();
    }
};

class ZltTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (!GetZeltoClass("TZltProbe")) RegisterZeltoClass(TZltProbe::StaticClass());
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString save(TElement* root, const char* name) const {
        zelto::testing::saveTo(root, path(name));
        return path(name);
    }
    QString saveLegacy(TElement* root, const char* name) const {
        zelto::testing::saveLegacyTo(root, path(name));
        return path(name);
    }
    QString write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }
    QString workedExample() const {
        TStringEntity e;
        e.SetName("A");
        e.SetValue("x");
        return save(&e, "a.zlt");
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ZltTest, DumpOfTheWorkedExample) {
    const Result r = run({"dump", workedExample()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    // The key order and layout are part of the output.
    EXPECT_EQ(r.out, "{\n"
                     "  \"id\": 0,\n"
                     "  \"class\": \"TStringEntity\",\n"
                     "  \"name\": \"A\",\n"
                     "  \"props\": {\n"
                     "    \"Value\": \"x\"\n"
                     "  },\n"
                     "  \"children\": []\n"
                     "}\n");
    const QJsonObject o = parseJson(r.out);
    EXPECT_EQ(o["name"].toString(), "A");
    EXPECT_EQ(o["props"].toObject(), QJsonObject({{"Value", "x"}}));
}

// Children and element properties: a shared child appears once and then as a reference; an
// element outside the child graph is stored inline and shown inline.
TEST_F(ZltTest, DumpFollowsChildrenAndReferences) {
    TZltProbe root;
    root.SetName("root");
    auto* a = new TOwnerEntity;
    a->SetName("a");
    auto* b = new TOwnerEntity;
    b->SetName("b");
    auto* shared = new TStringEntity;
    shared->SetName("shared");
    a->AddElement(shared);
    b->AddElement(shared);
    root.AddElement(a);
    root.AddElement(b);
    TZltProbe outside; // held by no entity: written as a nested list
    outside.SetName("outside");
    root.FRef = &outside;
    auto* pointer = new TZltProbe; // refers to a child written before it
    pointer->SetName("pointer");
    pointer->FRef = a;
    root.AddElement(pointer);

    const Result r = run({"dump", save(&root, "g.zlt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = parseJson(r.out);
    EXPECT_EQ(o["class"].toString(), "TZltProbe");
    EXPECT_EQ(o["name"].toString(), "root");

    const QJsonObject nested = o["props"]["Ref"].toObject();
    EXPECT_EQ(nested["class"].toString(), "TZltProbe");
    EXPECT_EQ(nested["name"].toString(), "outside");
    EXPECT_TRUE(nested["children"].toArray().isEmpty());

    const QJsonArray children = o["children"].toArray();
    ASSERT_EQ(children.size(), 3);
    const QJsonObject first = children[0]["children"][0].toObject();
    EXPECT_EQ(first["name"].toString(), "shared");
    EXPECT_EQ(children[1]["name"].toString(), "b");
    EXPECT_EQ(children[1]["children"].toArray(), QJsonArray({QJsonObject({{"ref", first["id"]}})}));
    EXPECT_EQ(children[2]["props"]["Ref"].toObject(), QJsonObject({{"ref", children[0]["id"]}}));
    // Ids are the stream's element numbers: children before parents.
    EXPECT_LT(first["id"].toInt(), children[0]["id"].toInt());
    EXPECT_LT(children[2]["id"].toInt(), o["id"].toInt());
    root.FRef = nullptr;
}

TEST_F(ZltTest, DumpShowsValuesByKind) {
    struct Case {
        double real;
        QJsonValue shown;
    };
    const Case cases[] = {
        {-1234.5625, -1234.5625},
        {0.1, 0.1},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
    };
    const QString czech = QString::fromUtf8("Dolní Bečva \"horní\"\\\n\ttab\x01 中");
    for (const Case& c : cases) {
        TZltProbe p;
        p.SetName(QString::fromUtf8("Kořen"));
        p.FInt = 300;
        p.FFlag = true;
        p.FReal = c.real;
        p.FText = czech;
        const Result r = run({"dump", save(&p, "v.zlt")});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject o = parseJson(r.out);
        EXPECT_EQ(o["name"].toString(), QString::fromUtf8("Kořen"));
        const QJsonObject props = o["props"].toObject();
        EXPECT_EQ(props["Int"], QJsonValue(300));
        EXPECT_EQ(props["Flag"], QJsonValue(true));
        EXPECT_EQ(props["Text"].toString(), czech);
        EXPECT_EQ(props["Real"], c.shown) << c.real;
        EXPECT_FALSE(props.contains("Ref"));
        EXPECT_FALSE(props.contains("Name"));
    }
    // The shortest text that reads back as the same number.
    TZltProbe p;
    p.FReal = 0.1;
    EXPECT_TRUE(run({"dump", save(&p, "r.zlt")}).out.contains("\"Real\": 0.1\n"));
}

// Hand-made streams: what the file holds is shown even where the program would read otherwise.
TEST_F(ZltTest, DumpAndInfoShowTheStoredContent) {
    RawStream s;
    s.classRecord("TNotKnown", 0, {{"Name", 10}, {"Flag", 3}, {"Ref", 7}, {"Letter", 2}});
    s.w.WriteInteger(0); // element 0: unknown class, a Boolean-looking enumeration, a dangling reference
    s.w.WriteInteger(0);
    s.w.WriteListBegin();
    for (auto [i, v] : {std::pair{1, 1}, {2, 5}}) {
        s.w.WriteInteger(i);
        s.w.WriteInteger(v);
    }
    s.w.WriteInteger(3);
    s.w.WriteString("c");
    s.w.WriteListEnd();
    s.w.WriteInteger(0);
    s.classRecord("TStringEntity", 1, {{"Name", 10}, {"Value", 10}});
    s.w.WriteInteger(1); // element 1: children 0, a later number and a negative one
    s.w.WriteInteger(1);
    s.w.WriteListBegin();
    s.w.WriteInteger(0);
    s.w.WriteString("A");
    s.w.WriteListEnd();
    s.w.WriteInteger(1);
    s.w.WriteListBegin();
    for (int n : {0, 7, -3}) s.w.WriteInteger(n);
    s.w.WriteListEnd();
    s.classRecord("TYouShallNotPass", 2, {});
    s.w.WriteInteger(2); // a closing marker: the element before it is the root
    s.w.WriteInteger(2);
    s.w.WriteListBegin();
    s.w.WriteListEnd();
    s.w.WriteInteger(0);
    s.w.WriteListEnd();
    const QString file = write("raw.zlt", s.data + "xy");

    const Result r = run({"dump", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = parseJson(r.out);
    EXPECT_EQ(o["id"].toInt(), 1);
    EXPECT_EQ(o["name"].toString(), "A");
    const QJsonArray children = o["children"].toArray();
    ASSERT_EQ(children.size(), 3);
    const QJsonObject unknown = children[0].toObject();
    EXPECT_EQ(unknown["class"].toString(), "TNotKnown");
    EXPECT_EQ(
        unknown["props"].toObject(),
        QJsonObject({{"Flag", 1}, {"Ref", QJsonObject({{"ref", 5}, {"dangling", true}})}, {"Letter", "c"}}));
    EXPECT_EQ(children[1].toObject(), QJsonObject({{"ref", 7}, {"dangling", true}}));
    EXPECT_EQ(children[2].toObject(), QJsonObject({{"ref", -3}, {"dangling", true}}));

    const Result info = run({"info", file});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("\nroot class: TStringEntity\nroot name: A\n"));
    EXPECT_TRUE(info.out.contains("\nclass TNotKnown: 1\nclass TStringEntity: 1\nclass TYouShallNotPass: 1\n"
                                  "elements: 3\nunknown class: TNotKnown\ntrailing bytes: 2\n"))
        << info.out.toStdString();
}

TEST_F(ZltTest, InfoSummarisesTheFile) {
    TOwnerEntity root;
    root.SetName(QString::fromUtf8("Lesní správa\nDruhý řádek"));
    auto* part = new TOwnerEntity;
    part->AddElement(new TStringEntity);
    root.AddElement(part);
    root.AddElement(new TStringEntity);
    root.AddElement(new TZltProbe);
    const QString file = save(&root, "i.zlt");
    const Result r = run({"info", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "file: " + file +
                         "\n"
                         "format: ZLT0 (current)\n"
                         "generator: G ZELTO\n"
                         "version: 4.0 BETA\n"
                         "comment: No comment\n"
                         "root class: TOwnerEntity\n" +
                         QString::fromUtf8("root name: Lesní správa\\nDruhý řádek\n") +
                         "class TOwnerEntity: 2\n"
                         "class TStringEntity: 2\n"
                         "class TZltProbe: 1\n"
                         "elements: 5\n");
}

TEST_F(ZltTest, OlderLayoutIsReadThroughTheLoader) {
    TOwnerEntity root;
    root.SetName("root");
    auto* a = new TNameEntity;
    a->SetName(QString::fromUtf8("Bečva"));
    auto* leaf = new TNameElement;
    leaf->SetName("leaf");
    a->AddElement(leaf);
    auto* b = new TOwnerEntity;
    auto* shared = new TOwnerEntity;
    shared->SetName("shared");
    b->AddElement(shared);
    a->AddElement(shared);
    root.AddElement(a);
    root.AddElement(b);
    const QString file = saveLegacy(&root, "old.zlt");

    const Result info = run({"info", file});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("\nformat: TPF0 (older)\nroot class: TOwnerEntity\nroot name: root\n"
                                  "class TNameElement: 1\nclass TNameEntity: 1\nclass TOwnerEntity: 3\n"
                                  "elements: 5\n"))
        << info.out.toStdString();
    EXPECT_FALSE(info.out.contains("generator"));

    const Result r = run({"dump", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = parseJson(r.out);
    EXPECT_EQ(o["id"].toInt(), 4); // post-order: leaf, shared, Bečva, b, root
    const QJsonObject first = o["children"][0].toObject();
    EXPECT_EQ(first["name"].toString(), QString::fromUtf8("Bečva"));
    EXPECT_EQ(first["id"].toInt(), 2);
    EXPECT_EQ(first["children"][0]["name"].toString(), "leaf");
    EXPECT_EQ(first["children"][1]["id"].toInt(), 1);
    EXPECT_EQ(o["children"][1]["children"][0].toObject(), QJsonObject({{"ref", 1}}));
}

TEST_F(ZltTest, FailuresGoToErrWithStatusOne) {
    const QByteArray good = [&] {
        QFile f(workedExample());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();
    RawStream wrongNumber;
    wrongNumber.classRecord("TStringEntity", 0, {{"Name", 10}});
    wrongNumber.w.WriteInteger(0);
    wrongNumber.w.WriteInteger(3);
    RawStream badIndex;
    badIndex.classRecord("TStringEntity", 0, {{"Name", 10}});
    for (int v : {0, 0}) badIndex.w.WriteInteger(v);
    badIndex.w.WriteListBegin();
    badIndex.w.WriteInteger(4);
    RawStream noElement;
    noElement.w.WriteListEnd();
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"dump", path("missing.zlt")}, "Soubor " + path("missing.zlt") + " neexistuje!"},
        {{"info", write("abcd.zlt", "ABCD" + good.mid(4))},
         path("abcd.zlt") + QString::fromUtf8(" ... neznámý typ souboru")},
        {{"dump", write("empty.zlt", "")}, QString::fromUtf8("neznámý typ souboru")},
        {{"dump", dir.path()}, "is a directory"},
        {{"dump", write("number.zlt", wrongNumber.data)}, "element number 3 where 0 was due"},
        {{"info", write("index.zlt", badIndex.data)}, "property index 4 out of range"},
        {{"dump", write("none.zlt", noElement.data)}, "the stream holds no element"},
        {{"dump", write("tpf0.zlt", "TPF0\x01")}, "tpf0.zlt: unexpected end of the stream at byte offset 5"},
        {{"info", write("tpf0bad.zlt", QByteArray("TPF0\x01\x06\x07TNoSuch\x02\x00\x00", 17))},
         QString::fromUtf8("Neregistrovaný element: TNoSuch")},
        {{"frobnicate", "x.zlt"}, "unknown command \"frobnicate\""},
        {{"dump"}, "dump: missing argument FILE"},
        {{"info", "a", "b"}, "info: unexpected argument \"b\""},
        {{"help", "frobnicate"}, "unknown command \"frobnicate\""},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("zlt: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    // Every cut of a valid file fails cleanly, naming the file and, past the magic, the offset.
    for (qsizetype n = 0; n < good.size(); ++n) {
        const QString file = write("cut.zlt", good.left(n));
        for (const char* command : {"info", "dump"}) {
            const Result r = run({command, file});
            EXPECT_EQ(r.status, 1) << command << " " << n;
            EXPECT_TRUE(r.out.isEmpty()) << n;
            EXPECT_TRUE(r.err.contains(file)) << r.err.toStdString();
            if (n >= 4) {
                EXPECT_TRUE(r.err.contains("byte offset")) << r.err.toStdString();
            }
        }
    }
}

TEST_F(ZltTest, NestingIsBounded) {
    // A chain of child entities: within the bound it is dumped, beyond it refused.
    auto chain = [](int depth) {
        auto root = std::make_unique<TOwnerEntity>();
        TOwnerEntity* e = root.get();
        for (int i = 0; i < depth; ++i) {
            auto* next = new TOwnerEntity;
            e->AddElement(next);
            e = next;
        }
        return root;
    };
    const Result within = run({"dump", save(chain(zlt::MaxDepth - 1).get(), "ok.zlt")});
    ASSERT_EQ(within.status, 0) << within.err.toStdString();
    parseJson(within.out);
    const Result beyond = run({"dump", save(chain(zlt::MaxDepth + 1).get(), "deep.zlt")});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_TRUE(beyond.out.isEmpty());
    EXPECT_TRUE(beyond.err.contains("nested deeper than")) << beyond.err.toStdString();
    // The summary refuses what the program's reader refuses, and only that.
    const Result summary = run({"info", save(chain(zlt::MaxDepth + 1).get(), "deep.zlt")});
    EXPECT_EQ(summary.status, 0) << summary.err.toStdString();
    const Result tooDeep = run({"info", save(chain(TZeltoLoader::MaxChildDepth + 1).get(), "deeper.zlt")});
    EXPECT_EQ(tooDeep.status, 1);
    EXPECT_TRUE(tooDeep.out.isEmpty());
    EXPECT_TRUE(tooDeep.err.contains("deeper than 1000 levels")) << tooDeep.err.toStdString();

    // Nested lists inside nested lists, far beyond what the program reads.
    RawStream s;
    s.classRecord("TZltProbe", 0, {{"Ref", 7}});
    for (int i = 0; i < 5000; ++i) {
        for (int v : {0, i}) s.w.WriteInteger(v);
        s.w.WriteListBegin();
        s.w.WriteInteger(0);
        s.w.WriteInteger(-2);
        s.w.WriteListBegin();
    }
    const Result r = run({"info", write("lists.zlt", s.data)});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("nested lists too deep")) << r.err.toStdString();
}

TEST_F(ZltTest, HelpListsEveryCommand) {
    for (const QStringList& args : {QStringList{}, QStringList{"--help"}, QStringList{"help"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.err.isEmpty());
        for (const zlt::Command& c : zlt::commands())
            EXPECT_TRUE(r.out.contains(QStringLiteral("zlt %1 ").arg(QLatin1String(c.name))))
                << c.name << "\n"
                << r.out.toStdString();
    }
    EXPECT_TRUE(run({"help", "info"}).out.contains("zlt info FILE"));
    const Result dump = run({"dump", "--help"});
    EXPECT_EQ(dump.status, 0);
    EXPECT_TRUE(dump.out.contains("TPF0"));
    EXPECT_TRUE(dump.out.contains("post-order"));
}

TEST_F(ZltTest, TheBuiltProgram) {
    const QString file = workedExample();
    QProcess p;
    p.start(QStringLiteral(ZLT_BINARY), {"dump", file});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject o = parseJson(QString::fromUtf8(p.readAllStandardOutput()));
    EXPECT_EQ(o["name"].toString(), "A");
    EXPECT_EQ(o["props"].toObject(), QJsonObject({{"Value", "x"}}));

    p.start(QStringLiteral(ZLT_BINARY), {"info", path("missing.zlt")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("neexistuje"));
}
