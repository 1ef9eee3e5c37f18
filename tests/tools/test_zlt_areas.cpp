// zlt areas: areas from the lines of a text file or a stream, plain and as JSON, and the faults
// of the input.
#include <gtest/gtest.h>

#include "zlt_run.h"

#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "persistence/T_Saver.h"
#include "stream_files.h"
#include "topology/t_AreMak.h"
#include "zlt.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <bit>
#include <cmath>
#include <memory>
#include <random>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

// A 10 x 10 square of four lines with a 2 x 2 square inside, a 1 x 1 square apart and a free line.
const char* const NestedSquares = "# nested squares\n"
                                  "0 0 10 0\n"
                                  "10 0 10 10\n"
                                  "\n"
                                  "10 10 0 10\n"
                                  "0 10 0 0\n"
                                  "4 4 6 4 6 6 4 6 4 4\n"
                                  "20 0\t21 0 21 1 20 1 20 0\n"
                                  "3 3 3.5 3.5\n";

class ZltAreasTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString write(const char* name, const QByteArray& content) const {
        const QString p = dir.filePath(QString::fromLatin1(name));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return p;
    }
    QTemporaryDir dir;
};

TEST_F(ZltAreasTest, AreaValuesOfATextFileAscending) {
    const Result r = run({"areas", write("lines.txt", NestedSquares)});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1.000\n4.000\n96.000\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(ZltAreasTest, JsonGivesLabelHolesAndVertices) {
    const QString file = write("lines.txt", NestedSquares);
    const Result r = run({"areas", "--json", file, "--snap", "0.2"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonParseError error;
    const QJsonArray areas = QJsonDocument::fromJson(r.out.toUtf8(), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    ASSERT_EQ(areas.size(), 3);
    struct Want {
        double area;
        int holes, vertices;
        double x0, y0, x1, y1; // the outer square
    };
    const Want want[] = {{1, 0, 4, 20, 0, 21, 1}, {4, 0, 4, 4, 4, 6, 6}, {96, 1, 4, 0, 0, 10, 10}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject a = areas.at(i).toObject();
        EXPECT_DOUBLE_EQ(a["area"].toDouble(), want[i].area);
        EXPECT_EQ(a["holes"].toInt(), want[i].holes);
        EXPECT_EQ(a["vertices"].toInt(), want[i].vertices);
        const double x = a["label"].toArray().at(0).toDouble(), y = a["label"].toArray().at(1).toDouble();
        EXPECT_TRUE(x > want[i].x0 && x < want[i].x1 && y > want[i].y0 && y < want[i].y1) << x << " " << y;
        if (want[i].holes) {
            EXPECT_FALSE(x >= 4 && x <= 6 && y >= 4 && y <= 6) << "label in the hole";
        }
    }
    // The plain output carries the same values in the same order.
    const Result plain = run({"areas", file});
    EXPECT_EQ(plain.out.split('\n', Qt::SkipEmptyParts).size(), areas.size());
}

double g_snapSeen = -1;

TEST_F(ZltAreasTest, SnapDistanceReachesTheJoiningStep) {
    const TLineJoiningStep saved = GetLineJoiningStep();
    SetLineJoiningStep([](const TLineJoiningRequest& r) { g_snapSeen = r.SnapDistance; });
    const QString file = write("lines.txt", NestedSquares);
    struct Row {
        QStringList options;
        double snap;
    };
    for (const Row& row :
         {Row{{}, TClearLines::DefaultSnapDistance}, Row{{"--snap", "0.2"}, 0.2}, Row{{"--snap=0.5"}, 0.5},
          Row{{"--snap", "0"}, TClearLines::DefaultSnapDistance}}) {
        g_snapSeen = -1;
        const Result r = run(QStringList{"areas", file} + row.options);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_DOUBLE_EQ(g_snapSeen, row.snap) << row.options.join(' ').toStdString();
    }
    SetLineJoiningStep(saved);
}

TEST_F(ZltAreasTest, LinesOfAStream) {
    // Lines inside geometry elements of a collection, one of them also in a line-built area.
    auto layer = std::make_unique<TGeometryElementCollection>();
    auto add = [&](std::initializer_list<std::pair<double, double>> pts) {
        auto* l = new TPolyLineElement;
        for (auto [x, y] : pts) l->AddXY(x, y);
        l->RecalculateRect();
        auto* e = new TGeometryElement;
        e->SetGeometry(l);
        layer->AddElement(e);
        return l;
    };
    TPolyLineElement* bottom = add({{-745000, -1045000}, {-744970, -1045000}, {-744970, -1044980}});
    add({{-744970, -1044980}, {-745000, -1044980}, {-745000, -1045000}});
    auto* area = new TPolyLineAreaElement;
    area->AddPolyLine(bottom, true);
    auto* holder = new TGeometryElement;
    holder->SetGeometry(area);
    layer->AddElement(holder);
    const QString file = dir.filePath("layer.zlt");
    zelto::testing::saveTo(layer.get(), file);
    layer.reset();
    const Result r = run({"areas", file});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("600.000\n"));
}

TEST_F(ZltAreasTest, LinesThatCannotBoundAnAreaAreWarnedAbout) {
    const Result r = run({"areas", write("lines.txt", "0 0 1 0 1 1 0 1 0 0\n"
                                                      "1e12 1e12 1e12 2e12\n"
                                                      "5 5 5 5\n")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("1.000\n"));
    EXPECT_EQ(r.err.count(QStringLiteral("zlt: areas: warning: Linie vynechána")), 2) << r.err.toStdString();
}

TEST_F(ZltAreasTest, EmptyInputGivesNoAreas) {
    for (const char* content : {"", "# nothing\n\n", "0 0 1 1\n"}) {
        const Result r = run({"areas", write("lines.txt", content)});
        EXPECT_EQ(r.status, 0) << content;
        EXPECT_TRUE(r.out.isEmpty()) << content;
    }
}

TEST_F(ZltAreasTest, BadInputIsAnErrorWithAMessage) {
    const QString good = write("good.txt", NestedSquares);
    struct Row {
        QStringList args;
        const char* content; // written to bad.txt and named by "BAD"
        const char* message;
    };
    const Row rows[] = {
        {{"BAD"}, "0 0 1 0\n0 1 1\n", "bad.txt:2: odd number of coordinates (3)"},
        {{"BAD"}, "0 0 1 x\n", "bad.txt:1: \"x\" is not a number"},
        {{"BAD"}, "0 0 1 nan\n", "bad.txt:1: \"nan\" is not a finite coordinate"},
        {{"BAD"}, "0 0 inf 1\n", "bad.txt:1: \"inf\" is not a finite coordinate"},
        {{"BAD"}, "0 0\n", "bad.txt:1: a polyline needs at least two points"},
        {{"BAD"}, "\x01\x02\x03\x04garbage\n", "bad.txt:1:"},
        {{}, nullptr, "areas: missing argument FILE"},
        {{"missing.txt"}, nullptr, "missing.txt: cannot open"},
        {{"GOOD", "--snap"}, nullptr, "areas: --snap needs a distance in metres"},
        {{"GOOD", "--snap", "far"}, nullptr, "areas: --snap \"far\" is not a distance in metres"},
        {{"GOOD", "--snap=-1"}, nullptr, "areas: --snap \"-1\" is not a distance in metres"},
        {{"GOOD", "--area"}, nullptr, "areas: unknown option \"--area\""},
        {{"GOOD", "GOOD"}, nullptr, "areas: unexpected argument"},
        {{"DIR"}, nullptr, "is a directory"},
    };
    for (const Row& row : rows) {
        QStringList args{"areas"};
        for (const QString& a : row.args) {
            if (a == QLatin1String("BAD"))
                args << write("bad.txt", row.content);
            else if (a == QLatin1String("GOOD"))
                args << good;
            else if (a == QLatin1String("DIR"))
                args << dir.path();
            else if (a == QLatin1String("missing.txt"))
                args << dir.filePath(a);
            else
                args << a;
        }
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("zlt: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(row.message))) << r.err.toStdString();
    }
}

// Odd text: the blanks that part numbers, comments, signs and the words that are no coordinate.
TEST_F(ZltAreasTest, OddTextInput) {
    struct Row {
        QByteArray content;
        const char* out;     // the areas, or
        const char* message; // the error
    };
    const Row rows[] = {
        {"0 0 1 0\r\n1 0 1 1\r\n1 1 0 0\r\n", "0.500\n", nullptr},
        {"\t0\v0\f1 0   1 1\t0 1 0 0 \r\n", "1.000\n", nullptr},
        {"0 0 1 0\r1 1 0 0", "0.500\n", nullptr}, // a lone carriage return parts numbers; no last line end
        {"   # c\n\t#x\n+0 +0 +1 0 1 +1 -0 -0e5\n", "0.500\n", nullptr},
        {"0 0 .5 0 .5 .5 0 0\n0 5 1. 5 1E0 6 00 5\n", "0.125\n0.500\n", nullptr},
        {"0 0 1.00000000000000000000000000000000000000001 0 1 1 0 0\n", "0.500\n", nullptr},
        {"\xef\xbb\xbf"
         "0 0 1 0 1 1 0 0\n",
         "0.500\n", nullptr},
        {"\xc2\xa0"
         "0 0 1\xc2\xa0 0 1 1 0 0\xe2\x80\x83\n",
         "0.500\n", nullptr}, // Unicode blanks at word ends
        {"0 0 1\xc2\xa0"
         "2 0 1 1 0 0\n",
         nullptr,
         ":1: \"1\xc2\xa0"
         "2\" is not a number"},
        {"0 0 1\xe2\x80\x83"
         "0 1 1 0 0\n",
         nullptr, ":1: odd number of coordinates (7)"},
        {"0 0 1 0 1 1 0 0\n\xef\xbb\xbf"
         "0 0 2 0 2 2 0 0\n",
         "0.500\n1.500\n", nullptr}, // decoding drops it
        {"0 0 1 \xff 1 1 0 0\n", nullptr, ":1: \"\xef\xbf\xbd\" is not a number"},
        {QByteArray("0 0 1\0 0 1 1 0 0\n", 18), nullptr, ":1: \"1"},
        {"0 0 0x10 0 1 1 0 0\n", nullptr, ":1: \"0x10\" is not a number"},
        {"0 0 1,5 0 1 1 0 0\n", nullptr, ":1: \"1,5\" is not a number"},
        {"0 0 1e 0 -+1 1 0 0\n", nullptr, ":1: \"1e\" is not a number"},
        {"0 0 - 0 1 1 0 0\n", nullptr, ":1: \"-\" is not a number"},
        {"0 0 1e400 0 1 1 0 0\n", nullptr, ":1: \"1e400\" is not a number"},
        {"0 0 1e-400 0 1 1 0 0\n", nullptr, ":1: \"1e-400\" is not a number"},
        {"0 0 infinity 0 1 1 0 0\n", nullptr, ":1: \"infinity\" is not a number"},
        {"0 0 1 1 INF 0 0 0\n", nullptr, ":1: \"INF\" is not a finite coordinate"},
        {"0 0 +inf 0 1 1 0 0\n", nullptr, ":1: \"+inf\" is not a finite coordinate"},
        {"nan 0 x 1\n", nullptr, ":1: \"nan\" is not a finite coordinate"}, // the first bad word counts
        {"x 0 nan 1\n", nullptr, ":1: \"x\" is not a number"},
        {"nan 0 1\n", nullptr, ":1: odd number of coordinates (3)"}, // the count is judged first
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content.toStdString());
        const Result r = run({"areas", write("odd.txt", row.content)});
        if (row.out) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            EXPECT_EQ(r.out, QString::fromUtf8(row.out));
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.contains(QStringLiteral("odd.txt") + QString::fromUtf8(row.message)))
                << r.err.toStdString();
        }
    }
}

// The reader's own number reading gives QString::toDouble's answer, to the bit, for every word.
TEST(ZltTextNumber, AgreesWithQStringToDouble) {
    QList<QByteArray> words{"0",
                            "-0",
                            "+0",
                            "1",
                            "-781119.924",
                            "1070814.904",
                            "1e5",
                            "1E+5",
                            "1e-5",
                            "00012.5000",
                            "0.1",
                            "0.30000000000000004",
                            "9007199254740993",
                            "1.7976931348623157e308",
                            "1.7976931348623159e308",
                            "4.9e-324",
                            "2e-324",
                            "2.4703282292062328e-324",
                            "1e400",
                            "1e-400",
                            ".5",
                            "5.",
                            "+.5",
                            "-.5e1",
                            "1e",
                            "1e+",
                            "e5",
                            "+",
                            "-",
                            ".",
                            "",
                            "+-1",
                            "1..2",
                            "1.2.3",
                            "0x1p3",
                            "nan",
                            "-nan",
                            "+nan",
                            "NaN",
                            "inf",
                            "-inf",
                            "+INF",
                            "infinity",
                            "1,5",
                            "1_000",
                            "١",
                            "1\xc2\xa0",
                            "\xc2\xa0-2",
                            QByteArray(400, '7') + ".5",
                            "1e0000000000000000005",
                            "0." + QByteArray(330, '0') + "1"};
    // Random words of number characters, and random plain numbers of many digits.
    std::mt19937 random(5);
    const char alphabet[] = "0123456789+-.eE";
    for (int i = 0; i < 20000; ++i) {
        QByteArray w;
        const int n = 1 + int(random() % 12);
        for (int k = 0; k < n; ++k) w += alphabet[random() % (sizeof alphabet - 1)];
        words << w;
        words << QByteArray::number(std::ldexp(double(random()), int(random() % 200) - 100), 'g',
                                    1 + int(random() % 25));
    }
    for (const QByteArray& w : words) {
        bool ok = false, okQt = false;
        const double v = zlt::textNumber(w, ok);
        const double qt = QString::fromUtf8(w).toDouble(&okQt);
        ASSERT_EQ(ok, okQt) << w.toStdString();
        if (std::isnan(qt))
            EXPECT_TRUE(std::isnan(v)) << w.toStdString();
        else
            EXPECT_EQ(std::bit_cast<quint64>(v), std::bit_cast<quint64>(qt)) << w.toStdString();
    }
}

// Lines across the reader's blocks: short and very long lines, the last without its end.
TEST_F(ZltAreasTest, LinesAcrossReadBlocks) {
    QByteArray text;
    const int squares = 3000;
    for (int i = 0; i < squares; ++i)
        text += QStringLiteral("%1 0 %2 0 %2 1 %1 1 %1 0\n").arg(2 * i).arg(2 * i + 1).toLatin1();
    // A ring of 4,000 vertices (longer than a block) around nothing else.
    const int n = 4000;
    for (int k = 0; k <= n; ++k) {
        const double a = 2 * M_PI * (k % n) / n;
        text += QByteArray::number(1e5 + 1000 * std::cos(a), 'f', 6) + ' ' +
                QByteArray::number(1e5 + 1000 * std::sin(a), 'f', 6) + (k < n ? " " : "");
    }
    const Result r = run({"areas", write("blocks.txt", text)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList values = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(values.size(), squares + 1);
    EXPECT_EQ(values.count(QStringLiteral("1.000")), squares);
    EXPECT_NEAR(values.last().toDouble(), 0.5 * n * 1e6 * std::sin(2 * M_PI / n), 0.01);
}

TEST_F(ZltAreasTest, TheBuiltProgram) {
    const QString file = write("lines.txt", NestedSquares);
    QProcess p;
    p.start(QStringLiteral(ZLT_BINARY), {"areas", file});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("1.000\n4.000\n96.000\n"));
    p.start(QStringLiteral(ZLT_BINARY), {"help", "areas"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardOutput()).startsWith("Usage: zlt areas FILE [--snap D] [--json]"));
    p.start(QStringLiteral(ZLT_BINARY), {"areas", dir.filePath("none.txt")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
}

} // namespace

TEST_F(ZltAreasTest, AnEndlessLineIsRefused) {
    const Result r = run({"areas", write("long.txt", "0 0 1 1\n" + QByteArray(17 << 20, '1'))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith(":2: line longer than 16777216 bytes\n")) << r.err.toStdString();
}

// Concentric squares: every ring but the innermost square has exactly one hole, the next square
// in. (An index that copied each enclosing ring into ever smaller cells made 200 rings take a
// minute and 450 MB.)
TEST_F(ZltAreasTest, NestedRings) {
    QByteArray text;
    const int n = 200;
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("%1 %1 %2 %1 %2 %2 %1 %2 %1 %1\n").arg(-i).arg(i).toLatin1();
    const Result r = run({"areas", "--json", write("rings.txt", text)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray areas = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(areas.size(), n);
    for (int i = 1; i <= n; ++i) {
        const QJsonObject a = areas.at(i - 1).toObject();
        EXPECT_DOUBLE_EQ(a["area"].toDouble(), 8.0 * i - 4) << i;
        EXPECT_EQ(a["holes"].toInt(), i == 1 ? 0 : 1) << i;
    }
}
