// The line cursor: characters and the line limit, strings, integers, reals, packed reals and
// yes/no values, and the rounding to the 6-byte real type.
#include <gtest/gtest.h>

#include "framework/CtiRadek.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <vector>

using namespace zelto;

namespace {

struct LocaleGuard {
    explicit LocaleGuard(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

double real48(double v) {
    double r = 0;
    EXPECT_TRUE(roundToReal48(v, r)) << v;
    return r;
}

} // namespace

// ---- characters, steps and the line limit --------------------------------------------------------

TEST(CtiRadekChars, EmptyLineIsAtItsEnd) {
    TCtiRadekClass c(QString{});
    EXPECT_TRUE(c.KonecRadku());
    EXPECT_EQ(c.AktualniZnak(), QChar(0));
    EXPECT_EQ(c.DejChar(), QChar(0));
    EXPECT_TRUE(c.DosloKChybe());

    c.NovyString(QString{});
    EXPECT_FALSE(c.DosloKChybe());
    EXPECT_EQ(c.DejInteger(), 0);
    EXPECT_TRUE(c.DosloKChybe());
}

TEST(CtiRadekChars, DejCharStopsAtTheOldLineLimit) {
    QString line;
    for (int i = 0; i < 300; ++i) line += QChar(u'A' + i % 26);
    line[279] = u'#';
    TCtiRadekClass c(line);
    for (int pos = 1; pos <= 253; ++pos) {
        ASSERT_EQ(c.DejChar(), line.at(pos - 1)) << pos;
        ASSERT_FALSE(c.DosloKChybe()) << pos;
    }
    EXPECT_EQ(c.Ukazovatko, 254);
    EXPECT_EQ(c.DejChar(), line.at(253)); // the 254th still comes, with the flag
    EXPECT_TRUE(c.DosloKChybe());
    EXPECT_EQ(c.DejChar(), QChar(0));

    // Scanning knows no limit.
    c.NovyString(line);
    c.JdiZaZnak(u'#');
    EXPECT_EQ(c.Ukazovatko, 281);
    EXPECT_FALSE(c.DosloKChybe());
    EXPECT_EQ(c.DejString(3), line.mid(280, 3));
    c.StepVp();
    EXPECT_TRUE(c.DosloKChybe());
}

TEST(CtiRadekChars, StepsAndMovesWithTheirFailures) {
    TCtiRadekClass c(QStringLiteral("  \tab;cd"));
    c.PreskocMezery(); // spaces only, not the tab
    EXPECT_EQ(c.AktualniZnak(), QChar(u'\t'));
    c.PreskocMnozinu(TDelimiters{u'\t', u'a'});
    EXPECT_EQ(c.AktualniZnak(), QChar(u'b'));
    c.JdiNaMnozinu(TDelimiters{u';', u'x'});
    EXPECT_EQ(c.Ukazovatko, 6);
    c.JdiZaZnak(u'c');
    EXPECT_EQ(c.AktualniZnak(), QChar(u'd'));
    c.JdiZaZnak(u'z');
    EXPECT_TRUE(c.KonecRadku());
    c.JdiNaMnozinu(TDelimiters{u'a'});
    EXPECT_EQ(c.Ukazovatko, 9);
    EXPECT_FALSE(c.DosloKChybe());

    c.JdiNa(2);
    c.StepVl();
    EXPECT_EQ(c.Ukazovatko, 1);
    EXPECT_FALSE(c.DosloKChybe());
    c.StepVl(); // before the first character
    EXPECT_EQ(c.Ukazovatko, 1);
    EXPECT_TRUE(c.DosloKChybe());
    c.ZnovuOdZacatkuRadku();
    EXPECT_TRUE(c.DosloKChybe()); // only a new text clears the flag

    c.NovyString(QStringLiteral("abc"));
    c.JdiNa(0); // before the text
    EXPECT_TRUE(c.DosloKChybe());
    EXPECT_EQ(c.Ukazovatko, 1);
    EXPECT_EQ(c.DejChar(), QChar(0));
}

// ---- strings -------------------------------------------------------------------------------------

TEST(CtiRadekStrings, QuotedAndPlainWords) {
    struct Row {
        const char16_t* text;
        const char16_t* word;
        bool quoted;
        int cursor;
    };
    const Row rows[] = {
        {u"'a''b' c", u"a'b", true, 7}, {u"abc def", u"abc", false, 4},
        {u"'' x", u"", true, 3},        {u"'open", u"open", true, 7}, // unclosed: the rest of the line
        {u"word", u"word", false, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        TCtiRadekClass c(QString::fromUtf16(r.text));
        bool quoted = !r.quoted;
        EXPECT_EQ(c.DejParametrStr(quoted), QString::fromUtf16(r.word));
        EXPECT_EQ(quoted, r.quoted);
        EXPECT_EQ(c.Ukazovatko, r.cursor);
        EXPECT_FALSE(c.DosloKChybe());
    }

    TCtiRadekClass c(QStringLiteral("it''s' tail"));
    EXPECT_EQ(c.DejStringPoApostrof(), "it's");
    EXPECT_EQ(c.Ukazovatko, 6);
    EXPECT_EQ(c.AktualniZnak(), QChar(u'\''));

    c.NovyString(QStringLiteral("x = 'one' y 'it''s'"));
    EXPECT_EQ(c.DejStringMeziApostrofy(), "one");
    EXPECT_EQ(c.AktualniZnak(), QChar(u' '));
    EXPECT_EQ(c.DejStringMeziApostrofy(), "it's");
    EXPECT_TRUE(c.KonecRadku());
    EXPECT_EQ(c.DejStringMeziApostrofy(), "");
}

TEST(CtiRadekStrings, StopCharactersLengthsAndTheErrorFlag) {
    TCtiRadekClass c(QStringLiteral("name=a;b,c"));
    EXPECT_EQ(c.DejStringPoZnak(u'='), "name");
    EXPECT_EQ(c.AktualniZnak(), QChar(u'='));
    c.StepVp();
    EXPECT_EQ(c.DejStringPoMnozinu(TDelimiters{u',', u';'}), "a");
    EXPECT_EQ(c.AktualniZnak(), QChar(u';'));
    EXPECT_EQ(c.DejStringPoZnak(u'#'), ";b,c");
    EXPECT_TRUE(c.KonecRadku());

    c.NovyString(QStringLiteral("abcdef"));
    EXPECT_EQ(c.DejString(3), "abc");
    EXPECT_EQ(c.DejString(10), "def");
    EXPECT_EQ(c.Ukazovatko, 14); // moved by the full length
    EXPECT_EQ(c.DejString(2), "");
    c.ZnovuOdZacatkuRadku();
    EXPECT_EQ(c.DejString(-2), "");
    EXPECT_EQ(c.Ukazovatko, 1);

    // With the flag set every string reader answers empty and leaves the cursor.
    c.NovyString(QStringLiteral("'q' rest"));
    c.ChybaCteni = true;
    bool quoted = false;
    EXPECT_EQ(c.DejString(2), "");
    EXPECT_EQ(c.DejStringPoZnak(u' '), "");
    EXPECT_EQ(c.DejStringPoMnozinu(TDelimiters{u' '}), "");
    EXPECT_EQ(c.DejStringPoApostrof(), "");
    EXPECT_EQ(c.DejParametrStr(quoted), "");
    EXPECT_EQ(c.Ukazovatko, 1);
}

// ---- numbers -------------------------------------------------------------------------------------

TEST(CtiRadekNumbers, IntegersWalkAListUntilTheFirstFailure) {
    struct Row {
        const char16_t* text;
        std::vector<qint32> values; // read before the flag came
        int cursorAtFirst;          // cursor after the first read
    };
    const Row rows[] = {
        {u"a1b22c", {1, 22}, 3},
        {u"-5-3", {-5, -3}, 3},
        {u"x = -17;", {-17}, 8},
        {u"5-3", {5, -3}, 2},
        {u"1, 2, 3", {1, 2, 3}, 2},
        {u"+-5", {}, 4},
        {u"--5", {}, 4},
        {u"7 - 8", {7}, 2},
        {u"2147483647 -2147483648", {2147483647, std::numeric_limits<qint32>::min()}, 11},
        {u"2147483648", {}, 11},
        {u"abc", {}, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        TCtiRadekClass c(QString::fromUtf16(r.text));
        std::vector<qint32> got;
        for (int i = 0; i < 10; ++i) {
            const qint32 v = c.DejLongInt();
            if (i == 0) {
                EXPECT_EQ(c.Ukazovatko, r.cursorAtFirst);
            }
            if (c.DosloKChybe()) {
                EXPECT_EQ(v, 0);
                break;
            }
            got.push_back(v);
        }
        EXPECT_TRUE(c.DosloKChybe());
        EXPECT_EQ(got, r.values);
    }
}

TEST(CtiRadekNumbers, RealsUseThePointAndNoExponent) {
    struct Row {
        const char16_t* text;
        double value;
        bool error;
        int cursor;
    };
    const Row rows[] = {
        {u"12.50;x", 12.5, false, 6},
        {u"1e5", 1, false, 2},
        {u"1.5E3", 1.5, false, 4},
        {u"12,5", 12, false, 3},
        {u"  -0.25 m", -0.25, false, 8},
        {u".5", 0.5, false, 3},
        {u"5.", 5, false, 3},
        {u"+3", 3, false, 3},
        {u"1.2.3", 0, true, 6},
        {u"5-3", 0, true, 4},
        {u"-", 0, true, 2},
        {u"x", 0, true, 2},
        {u"", 0, true, 1},
    };
    const LocaleGuard czech(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        TCtiRadekClass c(QString::fromUtf16(r.text));
        EXPECT_EQ(c.DejReal(), r.value);
        EXPECT_EQ(c.DosloKChybe(), r.error);
        EXPECT_EQ(c.Ukazovatko, r.cursor);
        c.NovyString(QString::fromUtf16(r.text));
        EXPECT_EQ(c.DejExtended(), r.value);
        EXPECT_EQ(c.DosloKChybe(), r.error);
    }

    TCtiRadekClass c(QStringLiteral("5"));
    c.ChybaCteni = true;
    EXPECT_EQ(c.DejReal(), 0);
    EXPECT_EQ(c.DejExtended(), 0);
    EXPECT_EQ(c.DejInteger(), 0);
    EXPECT_FALSE(c.DejBoolean());
    EXPECT_EQ(c.Ukazovatko, 1);
}

TEST(CtiRadekNumbers, DejRealRoundsToTheSixByteReal) {
    struct Row {
        const char16_t* text;
        double real;     // DejReal
        double extended; // DejExtended
    };
    const Row rows[] = {
        {u"123456789012", 123456789012.0, 123456789012.0},
        {u"999999999999", 999999999999.0, 999999999999.0},
        // 37 integer bits leave three for the fraction: .3 becomes .25.
        {u"123456789012.3", 123456789012.25, 123456789012.3},
        // 2^40 + 1 and 2^40 + 3: ties, to the even neighbour.
        {u"1099511627777", 1099511627776.0, 1099511627777.0},
        {u"1099511627779", 1099511627780.0, 1099511627779.0},
        {u"0.1", std::ldexp(879609302221.0, -43), 0.1},
        {u"-0.1", -std::ldexp(879609302221.0, -43), -0.1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        TCtiRadekClass c(QString::fromUtf16(r.text));
        EXPECT_EQ(c.DejReal(), r.real);
        c.NovyString(QString::fromUtf16(r.text));
        EXPECT_EQ(c.DejExtended(), r.extended);
        EXPECT_FALSE(c.DosloKChybe());
    }

    // 1E39 is beyond the 6-byte real but not beyond a double; 1E-40 is below its smallest value.
    const QString big = QStringLiteral("1") + QString(39, u'0');
    TCtiRadekClass c(big);
    EXPECT_EQ(c.DejReal(), 0);
    EXPECT_TRUE(c.DosloKChybe());
    c.NovyString(big);
    EXPECT_EQ(c.DejExtended(), 1e39);
    EXPECT_FALSE(c.DosloKChybe());
    c.NovyString(QStringLiteral("0.") + QString(39, u'0') + QStringLiteral("1"));
    EXPECT_EQ(c.DejReal(), 0);
    EXPECT_FALSE(c.DosloKChybe());
    // Beyond a double altogether.
    c.NovyString(QStringLiteral("1") + QString(400, u'0'));
    EXPECT_EQ(c.DejExtended(), 0);
    EXPECT_TRUE(c.DosloKChybe());
}

TEST(CtiRadekNumbers, Real48RangeAndTies) {
    const double ulpAtTop = std::ldexp(1.0, 87);
    const double largest = std::ldexp(std::ldexp(1.0, 40) - 1, 87); // (2 - 2^-39) * 2^126
    const double smallest = std::ldexp(1.0, -128);
    struct Row {
        double in;
        double out;
    };
    const Row rows[] = {
        {0.0, 0.0},
        {std::ldexp(1.0, 41) + 1, std::ldexp(1.0, 41)},     // below half
        {std::ldexp(1.0, 41) + 3, std::ldexp(1.0, 41) + 4}, // above half
        {-(std::ldexp(1.0, 40) + 3), -(std::ldexp(1.0, 40) + 4)},
        {largest, largest},
        {largest + ulpAtTop / 4, largest},
        {smallest, smallest},
        {smallest * (1 - std::ldexp(1.0, -45)), smallest}, // rounds up into range
        {smallest / 2, 0.0},
        {1e-300, 0.0},
        {std::numeric_limits<double>::denorm_min(), 0.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        EXPECT_EQ(real48(r.in), r.out);
    }
    const double noForm[] = {largest + ulpAtTop / 2, std::ldexp(1.0, 127), -1e39,
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double v : noForm) {
        SCOPED_TRACE(v);
        double r = 1;
        EXPECT_FALSE(roundToReal48(v, r));
        EXPECT_EQ(r, 0.0);
    }
}

TEST(CtiRadekNumbers, PackedReals) {
    TCtiRadekClass c(QStringLiteral("????"));
    EXPECT_EQ(c.DejDekodovanyReal(), 0.0);
    EXPECT_EQ(c.Ukazovatko, 5);
    EXPECT_FALSE(c.DosloKChybe());

    // Two numbers in a row: one tenth (rounded to 40 bits), then the largest.
    c.NovyString(QStringLiteral("???@~~~~"));
    EXPECT_EQ(c.DejDekodovanyReal(), std::ldexp(879609302221.0, -43));
    EXPECT_EQ(c.DejDekodovanyReal(), 1677721.5);
    EXPECT_EQ(c.Ukazovatko, 9);
    EXPECT_FALSE(c.DosloKChybe());

    // "@" is 1 in the place of 64^3: 26214.4 = 0.1 * 2^18, rounded alike.
    c.NovyString(QStringLiteral("x@???"));
    c.JdiNa(2);
    EXPECT_EQ(c.DejDekodovanyReal(), std::ldexp(879609302221.0, -25));
    EXPECT_EQ(c.Ukazovatko, 6);

    const char16_t* bad[] = {u"?? ?", u"???", u"", u"?\u003f>?", u"???\u007f"};
    for (const char16_t* text : bad) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        c.NovyString(QString::fromUtf16(text));
        EXPECT_EQ(c.DejDekodovanyReal(), 0.0);
        EXPECT_TRUE(c.DosloKChybe());
        EXPECT_EQ(c.Ukazovatko, 1);
    }
}

TEST(CtiRadekNumbers, YesNoValues) {
    struct Row {
        const char16_t* text;
        bool value;
        bool error;
    };
    const Row rows[] = {
        {u"  ano", true, false}, {u"TRUE", true, false},   {u"1", true, false},  {u"= t", true, false},
        {u"ne", false, false},   {u"FALSE", false, false}, {u"0", false, false}, {u"xyz", false, true},
        {u"", false, true},      {u"ě a", true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.text).toStdString());
        TCtiRadekClass c(QString::fromUtf16(r.text));
        EXPECT_EQ(c.DejBoolean(), r.value);
        EXPECT_EQ(c.DosloKChybe(), r.error);
    }
}
