// Parameter files (sections, name = value lines, comments; Windows-1250 text) and definition
// files (16-bit units, bracketed function lines).
#include <gtest/gtest.h>

#include "persistence/CtiPar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

using namespace zelto;

namespace {

class CtiParFiles : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("f.txt")) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    // UTF-16 little-endian units, no byte-order mark.
    QString writeUnits(const QString& text, const QString& name = QStringLiteral("d.def")) {
        QByteArray bytes;
        for (QChar c : text) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
        return write(bytes, name);
    }
    QTemporaryDir dir;
};

struct ParLine {
    bool param = false, info = false;
    QString value, name;
    bool last = false;
    bool operator==(const ParLine&) const = default;
};

void PrintTo(const ParLine& l, std::ostream* os) {
    *os << "{param " << l.param << ", info " << l.info << ", value \"" << l.value.toStdString()
        << "\", name \"" << l.name.toStdString() << "\", last " << l.last << "}";
}

ParLine next(TCteniParametru& r) {
    ParLine l;
    r.DejRadek(l.param, l.info, l.value, l.name, l.last);
    return l;
}

// Every line up to and including the one marked last.
std::vector<ParLine> readAll(TCteniParametru& r) {
    std::vector<ParLine> lines;
    for (int guard = 0; guard < 100; ++guard) {
        lines.push_back(next(r));
        if (lines.back().last) break;
    }
    return lines;
}

using CtiParParametry = CtiParFiles;
using CtiParDefInfa = CtiParFiles;

} // namespace

// ---- parameter files -----------------------------------------------------------------------------

TEST_F(CtiParParametry, ThreeLinesWithAnyLineEnd) {
    const char* files[] = {
        ";poznamka\r\n[sekce]\r\nklic = Hodnota 1\r\n",
        ";poznamka\n[sekce]\nklic = Hodnota 1\n",
        ";poznamka\r\n[sekce]\r\nklic = Hodnota 1",
    };
    for (const char* bytes : files) {
        SCOPED_TRACE(bytes);
        bool ok = false;
        TCteniParametru r(write(bytes), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(r.CisloRadku, 1);
        EXPECT_FALSE(r.BylaChybaParametru());
        const std::vector<ParLine> expected = {
            {},
            {false, true, "SEKCE", "", false},
            {true, false, "Hodnota 1", "KLIC", true},
        };
        EXPECT_EQ(readAll(r), expected);
        EXPECT_EQ(r.CisloRadku, 4);
        // Past the end nothing more comes.
        EXPECT_EQ(next(r), (ParLine{false, false, "", "", true}));
    }
}

TEST_F(CtiParParametry, BlankLinesAndCommentsKeepTheLastValue) {
    bool ok = false;
    TCteniParametru r(write("a = 1\r\n\r\n   \r\n ; note\r\n\t\r\n"), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(next(r), (ParLine{true, false, "1", "A", false}));
    EXPECT_EQ(next(r), ParLine{});
    EXPECT_EQ(next(r), ParLine{});
    EXPECT_EQ(next(r), ParLine{});
    // A tab is no space: the line is a parameter named by it.
    EXPECT_EQ(next(r), (ParLine{true, false, "", "\t", true}));
    EXPECT_EQ(r.Hodnota, "");

    TCteniParametru r2(write("a = 1\r\n;x\r\n\r\n"), ok);
    readAll(r2);
    EXPECT_EQ(r2.Hodnota, "1");
}

TEST_F(CtiParParametry, LineKinds) {
    const QString x252(252, u'x'), x253(253, u'x'), long300(300, u'v');
    struct Row {
        QString line;
        ParLine expected;
    };
    const Row rows[] = {
        {"JEN TEXT", {true, false, "", "JEN TEXT", true}},
        {"[ab[1]]", {false, true, "AB[1]", "", true}},
        {"[ Lesy ]", {false, true, "LESY", "", true}},
        {"[open", {false, true, "OPEN", "", true}},
        {"  jmeno = a = b  ", {true, false, "a = b", "JMENO", true}},
        {"klic =   ", {true, false, "", "KLIC", true}},
        {"=v", {true, false, "v", "", true}},
        {"k=" + long300, {true, false, long300.left(250), "K", true}},
        // "=" at 253 is still stepped over; at 254 the old line limit leaves the value empty.
        {x252 + "=v", {true, false, "v", x252.toUpper(), true}},
        {x253 + "=v", {true, false, "", x253.toUpper(), true}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line.left(20).toStdString());
        bool ok = false;
        TCteniParametru rd(write(r.line.toLatin1()), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(next(rd), r.expected);
    }
}

TEST_F(CtiParParametry, CzechTextInTheSystemCodePage) {
    // "[Lesní správa]" and "název = Dolní Bečva" in Windows-1250 bytes.
    const QByteArray cp1250("[Lesn\xED spr\xE1va]\r\nn\xE1zev = Doln\xED Be\xE8va\r\n");
    const QByteArray utf8WithBom =
        "\xEF\xBB\xBF" + QStringLiteral(u"[Lesní správa]\nnázev = Dolní Bečva\n").toUtf8();
    for (const QByteArray& bytes : {cp1250, utf8WithBom}) {
        bool ok = false;
        TCteniParametru r(write(bytes), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(next(r), (ParLine{false, true, QStringLiteral(u"LESNÍ SPRÁVA"), "", false}));
        EXPECT_EQ(next(r),
                  (ParLine{true, false, QStringLiteral(u"Dolní Bečva"), QStringLiteral(u"NÁZEV"), true}));
    }
}

TEST_F(CtiParParametry, FilesThatDoNotOpen) {
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    struct Row {
        QString name;
        bool errorFlag; // the empty name ends the construction before the flag is cleared
    };
    const Row rows[] = {
        {QString(), true},
        {dir.filePath(QStringLiteral("missing.txt")), false},
        {write(QByteArray(), QStringLiteral("empty.txt")), false},
        {dir.filePath(QStringLiteral("sub")), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        bool ok = true;
        TCteniParametru r(row.name, ok);
        EXPECT_FALSE(ok);
        EXPECT_FALSE(r.SouborOK);
        EXPECT_EQ(r.BylaChybaParametru(), row.errorFlag);
        // A caller that loops anyway is told at once that there is nothing more.
        EXPECT_EQ(next(r), (ParLine{false, false, "", "", true}));
    }
}

TEST_F(CtiParParametry, ValueConversions) {
    const char16_t* yes[] = {u"Ano", u"j", u"yes", u"1", u"True", u"Y"};
    const char16_t* no[] = {u"N", u"0", u"", u"false", u" "};
    QByteArray bytes;
    for (auto* v : yes) bytes += "k = " + QString::fromUtf16(v).toLatin1() + "\n";
    for (auto* v : no) bytes += "k = " + QString::fromUtf16(v).toLatin1() + "\n";
    bool ok = false;
    TCteniParametru r(write(bytes), ok);
    ASSERT_TRUE(ok);
    r.ChybaParametru = true; // untouched by the yes/no reading
    for (auto* v : yes) {
        next(r);
        EXPECT_TRUE(r.DejBooleanParametr()) << QString::fromUtf16(v).toStdString();
    }
    for (auto* v : no) {
        next(r);
        EXPECT_FALSE(r.DejBooleanParametr()) << QString::fromUtf16(v).toStdString();
    }
    EXPECT_TRUE(r.BylaChybaParametru());

    TCteniParametru n(
        write("a = 42 m\nb = abc\nc = 12.5\nd = 0.1\ne = 1e5\nf = " + QByteArray(39, '9') + "\n"), ok);
    ASSERT_TRUE(ok);
    next(n);
    EXPECT_EQ(n.DejLongIntParametr(), 42);
    EXPECT_FALSE(n.BylaChybaParametru());
    next(n);
    EXPECT_EQ(n.DejLongIntParametr(), 0);
    EXPECT_TRUE(n.BylaChybaParametru());
    EXPECT_EQ(n.DejRealParametr(), 0);
    EXPECT_TRUE(n.BylaChybaParametru());
    next(n);
    EXPECT_EQ(n.DejRealParametr(), 12.5);
    EXPECT_FALSE(n.BylaChybaParametru());
    next(n);
    // Both real readers answer the 6-byte real.
    const double tenth48 = std::ldexp(879609302221.0, -43);
    EXPECT_EQ(n.DejRealParametr(), tenth48);
    EXPECT_EQ(n.DejExtendedParametr(), tenth48);
    EXPECT_FALSE(n.BylaChybaParametru());
    next(n);
    EXPECT_EQ(n.DejExtendedParametr(), 1);
    next(n);
    // 10^39 - 1 has no 6-byte form.
    EXPECT_EQ(n.DejRealParametr(), 0);
    EXPECT_TRUE(n.BylaChybaParametru());
    EXPECT_EQ(n.DejExtendedParametr(), 0);
    EXPECT_TRUE(n.BylaChybaParametru());
    EXPECT_EQ(n.DejLongIntParametr(), 0);
    EXPECT_TRUE(n.BylaChybaParametru());
}

// ---- definition files ----------------------------------------------------------------------------

TEST_F(CtiParDefInfa, DefinitionLines) {
    const QString text =
        QStringLiteral(u"[ kresli 1 2 ]\r\n;komentář\r\n  volný text Bečva  \r\n\r\n[KONEC]");
    bool ok = false;
    TCtiDefInfa d(writeUnits(text), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(d.Pozice, 16); // behind the first CR LF
    struct Line {
        bool info;
        QString funkce, obsah;
        bool last;
    };
    const Line expected[] = {
        {true, "KRESLI", "1 2", false},
        {false, "", "", false},
        {false, "", QStringLiteral(u"volný text Bečva"), false},
        {false, "", "", false},
        {true, "KONEC", "", true},
    };
    for (const Line& e : expected) {
        SCOPED_TRACE(e.obsah.toStdString());
        bool info = !e.info, last = !e.last;
        QString obsah = QStringLiteral("stale");
        d.DejRadek(info, last, obsah);
        EXPECT_EQ(info, e.info);
        EXPECT_EQ(d.Funkce, e.funkce);
        EXPECT_EQ(obsah, e.obsah);
        EXPECT_EQ(last, e.last);
    }
    bool info = true, last = false;
    QString obsah;
    d.DejRadek(info, last, obsah);
    EXPECT_TRUE(last);
    EXPECT_FALSE(info);
}

TEST_F(CtiParDefInfa, LineEndsAndLimits) {
    struct Row {
        QString text;
        QString first; // Radek after opening
        qint32 pozice;
    };
    const Row rows[] = {
        {"a\nb\nc\n", "abc", 6}, // LF alone ends no line
        {"ab\r", "ab", 3},       // a CR as the last unit
        {"ab\r\r\ncd", "ab", 3},
        {"x\r\ny", "x", 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.first.toStdString());
        bool ok = false;
        TCtiDefInfa d(writeUnits(r.text), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(d.Radek, r.first);
        EXPECT_EQ(d.Pozice, r.pozice);
    }

    bool ok = false, info = true, last = false;
    QString obsah;
    TCtiDefInfa lf(writeUnits("a\nb\nc\n"), ok);
    lf.DejRadek(info, last, obsah);
    EXPECT_EQ(obsah, "abc");
    EXPECT_TRUE(last);

    // Content is cut at 255 units; an odd trailing byte is no unit.
    const QString longLine(300, u'w');
    TCtiDefInfa cut(writeUnits(longLine), ok);
    ASSERT_TRUE(ok);
    cut.DejRadek(info, last, obsah);
    EXPECT_EQ(obsah, longLine.left(255));

    QByteArray odd("a\0b\0c", 5);
    TCtiDefInfa o(write(odd, QStringLiteral("odd.def")), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(o.Radek, "ab");
}

TEST_F(CtiParDefInfa, Repositioning) {
    bool ok = false;
    TCtiDefInfa d(writeUnits("[a]\r\n[b 7]\r\n[c]\r\n"), ok);
    ASSERT_TRUE(ok);
    bool info = false, last = false;
    QString obsah;
    d.DejRadek(info, last, obsah);
    d.DejRadek(info, last, obsah);
    d.DejRadek(info, last, obsah);
    EXPECT_EQ(d.Funkce, "C");
    EXPECT_TRUE(last);

    d.NastavPozici(5); // the second line
    d.NactiRadek();
    EXPECT_EQ(d.Radek, "[b 7]");
    d.DejRadek(info, last, obsah);
    EXPECT_EQ(d.Funkce, "B");
    EXPECT_EQ(obsah, "7");
    EXPECT_FALSE(last);
    EXPECT_EQ(d.Radek, "[c]");

    for (qint32 outside : {-1, 1000}) {
        SCOPED_TRACE(outside);
        d.NastavPozici(outside);
        d.NactiRadek();
        EXPECT_EQ(d.Radek, "");
        d.DejRadek(info, last, obsah);
        EXPECT_TRUE(last);
        EXPECT_EQ(obsah, "");
    }
}

TEST_F(CtiParDefInfa, DefinitionFilesThatDoNotOpen) {
    const QString names[] = {QString(), dir.filePath(QStringLiteral("missing.def")),
                             write(QByteArray(), QStringLiteral("empty.def")),
                             write(QByteArray("x", 1), QStringLiteral("one.def"))};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        bool ok = true;
        TCtiDefInfa d(name, ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(d.JmSouboru, name);
        bool info = true, last = false;
        QString obsah;
        d.DejRadek(info, last, obsah);
        EXPECT_TRUE(last);
        EXPECT_FALSE(info);
    }
}
