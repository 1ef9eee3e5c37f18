// zlt cs2jtsk and zlt jtsk2wgs: line filters between WGS84 and the model's S-JTSK coordinates.
#include <gtest/gtest.h>

#include "zlt_run.h"

#include "projection/r_WGS84.h"
#include "zlt.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

// The model pair of a WGS84 position as the filter should print it.
QString modelText(double lat, double lon) {
    TMapCoord c;
    EXPECT_TRUE(WGS84toJTSK(lat, lon, c));
    return QString::number(-c.Y, 'f', 3) + '\t' + QString::number(-c.X, 'f', 3);
}

class ZltFilterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString write(const char* name, const QByteArray& content) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ZltFilterTest, EachLineConvertedFailuresMarked) {
    const QString file = write("in.txt", "50.08 14.42\n"
                                         "  49.5\t15   stand 12a\r\n"
                                         "+48.975 +17.0e0\n"
                                         "# a comment, copied\n"
                                         "\n"
                                         "39.999 15 edge\n"
                                         "50 25.001\n"
                                         "50.1\n"
                                         "50.1 14,2\n"
                                         "nan 15\n"
                                         "50 15x\n"
                                         "51.05 12.09"); // no line end
    const Result r = run({"cs2jtsk", file});
    EXPECT_EQ(r.status, 1);
    const QStringList expected = {
        modelText(50.08, 14.42),
        modelText(49.5, 15) + "   stand 12a",
        modelText(48.975, 17),
        "# a comment, copied",
        "",
        "*\t* edge",
        "*\t*",
        "*\t*",
        "*\t*",
        "*\t*",
        "*\t*",
        modelText(51.05, 12.09),
    };
    EXPECT_EQ(r.out, expected.join('\n') + '\n');
    EXPECT_EQ(modelText(50.08, 14.42), "-743011.805\t-1043823.274"); // PROJ's figures, rounded

    const QStringList messages = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(messages.size(), 6) << r.err.toStdString();
    const QString prefix = "zlt: cs2jtsk: " + file + ", line ";
    EXPECT_EQ(messages[0],
              prefix + "6: outside the accepted area (latitude 40 to 60, longitude 5 to 25 degrees)");
    EXPECT_TRUE(messages[1].startsWith(prefix + "7: outside"));
    EXPECT_EQ(messages[2], prefix + "8: cannot read \"50.1\" as \"lat lon\"");
    EXPECT_EQ(messages[3], prefix + "9: cannot read \"50.1 14,2\" as \"lat lon\"");
    EXPECT_EQ(messages[4], prefix + "10: cannot read \"nan 15\" as \"lat lon\"");
    EXPECT_EQ(messages[5], prefix + "11: cannot read \"50 15x\" as \"lat lon\"");

    // All good: status 0, nothing on standard error.
    const Result good = run({"cs2jtsk", write("good.txt", "50 15\n49 16\n")});
    EXPECT_EQ(good.status, 0);
    EXPECT_TRUE(good.err.isEmpty());
    EXPECT_EQ(good.out, modelText(50, 15) + '\n' + modelText(49, 16) + '\n');

    // A line beyond 16 MiB is not kept, whether it ends in the input or at its end; the lines
    // around it go through.
    const QByteArray endless(17 << 20, '1');
    for (const QByteArray& in : {"49 16\n" + endless + "\n50 15\n", "49 16\n50 15\n" + endless}) {
        const Result r = run({"cs2jtsk", write("long.txt", in)});
        EXPECT_EQ(r.status, 1);
        const bool last = in.endsWith('1');
        EXPECT_EQ(r.out, last ? modelText(49, 16) + '\n' + modelText(50, 15) + "\n*\t*\n"
                              : modelText(49, 16) + "\n*\t*\n" + modelText(50, 15) + '\n');
        EXPECT_TRUE(r.err.endsWith(
            QStringLiteral("long.txt, line %1: longer than 16777216 bytes\n").arg(last ? 3 : 2)))
            << r.err.left(300).toStdString();
    }
}

TEST_F(ZltFilterTest, InverseGivesThePositionBack) {
    QByteArray in;
    for (double lat = 48.55; lat < 51.1; lat += 0.37)
        for (double lon = 12.1; lon < 18.9; lon += 0.83)
            in += QByteArray::number(lat, 'f', 8) + ' ' + QByteArray::number(lon, 'f', 8) + '\n';
    const Result there = run({"cs2jtsk", write("wgs.txt", in)});
    ASSERT_EQ(there.status, 0) << there.err.toStdString();
    const Result back = run({"jtsk2wgs", write("model.txt", there.out.toUtf8() + "0 0 origin\n-5 -5\n")});
    EXPECT_EQ(back.status, 1);
    const QStringList sent = QString::fromUtf8(in).split('\n', Qt::SkipEmptyParts);
    const QStringList got = back.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(got.size(), sent.size() + 2);
    for (int i = 0; i < sent.size(); ++i) {
        const QStringList a = sent[i].split(' '), b = got[i].split('\t');
        ASSERT_EQ(b.size(), 2) << got[i].toStdString();
        EXPECT_EQ(b[0].size() - b[0].indexOf('.') - 1, 8); // 8 decimals
        // The model pair was rounded to the millimetre: 1e-8 degrees is about a millimetre.
        EXPECT_NEAR(b[0].toDouble(), a[0].toDouble(), 2e-8) << got[i].toStdString();
        EXPECT_NEAR(b[1].toDouble(), a[1].toDouble(), 2e-8) << got[i].toStdString();
    }
    EXPECT_EQ(got[sent.size()], "*\t* origin");
    EXPECT_EQ(got[sent.size() + 1], "*\t*");
    EXPECT_TRUE(
        back.err.contains(QStringLiteral("line %1: no position of the accepted area").arg(sent.size() + 1)))
        << back.err.toStdString();
}

TEST_F(ZltFilterTest, ArgumentsAndFiles) {
    const QString a = write("a.txt", "50 15\nx\n");
    const QString b = write("b.txt", "y\n49 16\n");
    // Files in turn, each with its own line numbers.
    const Result both = run({"cs2jtsk", a, b});
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.out, modelText(50, 15) + "\n*\t*\n*\t*\n" + modelText(49, 16) + '\n');
    EXPECT_TRUE(both.err.contains(a + ", line 2: cannot read \"x\"")) << both.err.toStdString();
    EXPECT_TRUE(both.err.contains(b + ", line 1: cannot read \"y\"")) << both.err.toStdString();

    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"cs2jtsk", a, dir.filePath("missing.txt")}, "zlt: cs2jtsk: " + dir.filePath("missing.txt") + ": "},
        {{"jtsk2wgs", dir.path()}, "zlt: jtsk2wgs: " + dir.path() + ": is a directory"},
        {{"cs2jtsk", "--utm", a}, "zlt: cs2jtsk: unknown option \"--utm\""},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString(); // not even the good file's lines
        EXPECT_TRUE(r.err.startsWith(c.message)) << r.err.toStdString();
    }
    const Result help = run({"help", "cs2jtsk"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("EPSG:5514"));
}

// The built program on standard input, with more lines than one read block holds, one of them far
// longer than a block, and both line ends.
TEST_F(ZltFilterTest, TheBuiltProgramFiltersStandardInput) {
    QByteArray in;
    QStringList expected;
    for (int i = 0; i < 120000; ++i) {
        const double lat = 48.6 + (i % 997) * 0.0025, lon = 12.1 + (i % 1009) * 0.0067;
        in += QByteArray::number(lat, 'g', 12) + ' ' + QByteArray::number(lon, 'g', 12) +
              (i % 3 ? "\n" : "\r\n");
        expected << modelText(lat, lon);
        if (i == 50000) {
            in += "50 15 " + QByteArray(3 << 20, 'z') + '\n';
            expected << modelText(50, 15) + ' ' + QString(3 << 20, 'z');
        }
    }
    QProcess p;
    p.start(QStringLiteral(ZLT_BINARY), {"cs2jtsk"});
    ASSERT_TRUE(p.waitForStarted(30000));
    p.write(in);
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().left(2000).toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out == expected.join('\n') + '\n') << "output differs; " << out.size() << " characters";

    // A line sent on its own is answered while the input stays open.
    p.start(QStringLiteral(ZLT_BINARY), {"jtsk2wgs", "-"});
    ASSERT_TRUE(p.waitForStarted(30000));
    p.write("-743011.805 -1043823.274\n");
    ASSERT_TRUE(p.waitForReadyRead(30000));
    p.write("bad\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "50.08000000\t14.42000000\n*\t*\n");
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              "zlt: jtsk2wgs: standard input, line 2: cannot read \"bad\" as \"x y\"\n");
}
