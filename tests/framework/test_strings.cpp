#include <gtest/gtest.h>

#include "framework/TextLocale.h"
#include "framework/U_String.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <limits>
#include <utility>

using namespace zelto;

namespace {

struct LocaleGuard {
    QLocale saved;
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(saved); }
};

struct RootGuard {
    QString saved = RootDirectory;
    explicit RootGuard(const QString& root) { RootDirectory = root; }
    ~RootGuard() { RootDirectory = saved; }
};

const QString kZero = QString(QChar(0));

} // namespace

TEST(StringsTrim, SpacesAndZeroCharactersOnly) {
    const struct {
        QString in, trimmed, noSpaces;
    } cases[] = {
        {QStringLiteral("   ") + kZero, QString(), QString()},
        {kZero + QStringLiteral(" a b ") + kZero, QStringLiteral("a b"), QStringLiteral("ab")},
        // Tabs are not spaces here.
        {QStringLiteral("\ta\t"), QStringLiteral("\ta\t"), QStringLiteral("\ta\t")},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BezVnejsichMezer(c.in), c.trimmed) << c.in.toStdString();
        EXPECT_EQ(RemoveAllSpaces(c.in), c.noSpaces) << c.in.toStdString();
    }
}

TEST(StringsSplit, TwoParamsWalksACommaList) {
    QString first, rest;
    EXPECT_TRUE(StringAsTwoParams(QStringLiteral("a, b ,c"), ',', first, rest));
    EXPECT_EQ(first, "a");
    EXPECT_EQ(rest, "b ,c");

    // The rest may be the text itself; the list is walked to its end.
    QStringList parts;
    QString list = QStringLiteral(" x , y ,z ");
    bool more = true;
    while (more) {
        more = StringAsTwoParams(list, ',', first, list);
        parts << first;
    }
    EXPECT_EQ(parts, QStringList({"x", "y", "z"}));
    EXPECT_TRUE(list.isEmpty());

    EXPECT_TRUE(StringAsTwoParams(QStringLiteral("a,"), ',', first, rest));
    EXPECT_EQ(first, "a");
    EXPECT_EQ(rest, "");

    EXPECT_TRUE(StringAsTwoParamsWS(QStringLiteral("a, b ,c"), ',', first, rest));
    EXPECT_EQ(first, "a");
    EXPECT_EQ(rest, " b ,c");
    EXPECT_FALSE(StringAsTwoParamsWS(QStringLiteral(" a "), ',', first, rest));
    EXPECT_EQ(first, " a ");
    EXPECT_EQ(rest, "");
}

TEST(StringsSplit, ParameterAtFirstEquals) {
    QString name = "old", value = "old";
    EXPECT_FALSE(StringAsParameter(QStringLiteral(" key "), name, value));
    EXPECT_EQ(name, "key");
    EXPECT_EQ(value, "");

    EXPECT_TRUE(StringAsParameter(QStringLiteral("key="), name, value));
    EXPECT_EQ(name, "key");
    EXPECT_EQ(value, "");

    EXPECT_TRUE(StringAsParameter(QStringLiteral(" k = v = w "), name, value));
    EXPECT_EQ(name, "k");
    EXPECT_EQ(value, "v = w");

    EXPECT_TRUE(StringAsParameterWS(QStringLiteral(" k = v"), name, value));
    EXPECT_EQ(name, " k ");
    EXPECT_EQ(value, " v");

    const QString longName(300, QChar('n'));
    EXPECT_TRUE(StringAsParameter(longName + QStringLiteral("=val"), name, value));
    EXPECT_EQ(name, longName);
    EXPECT_EQ(value, "val");
}

TEST(StringsSplit, ParameterIgnoringBlocks) {
    const TDelimiters marks{QChar('"'), QChar('\'')};
    const struct {
        QString in;
        bool split;
        QString name, value;
    } cases[] = {
        {QStringLiteral("\"a=b\" = c"), true, QStringLiteral("\"a=b\""), QStringLiteral("c")},
        {QStringLiteral("'x=y'"), false, QStringLiteral("'x=y'"), QString()},
        // A block ends only at the same mark: the apostrophe inside quotes does not count.
        {QStringLiteral(" \"it's=\" = 1 "), true, QStringLiteral("\"it's=\""), QStringLiteral("1")},
        // An unclosed block runs to the end.
        {QStringLiteral("k \"a=b"), false, QStringLiteral("k \"a=b"), QString()},
        {QStringLiteral("plain = v"), true, QStringLiteral("plain"), QStringLiteral("v")},
    };
    for (const auto& c : cases) {
        QString name, value = "old";
        EXPECT_EQ(StringAsParameterIgnoreBlock(c.in, name, value, marks), c.split) << c.in.toStdString();
        EXPECT_EQ(name, c.name) << c.in.toStdString();
        EXPECT_EQ(value, c.value) << c.in.toStdString();
    }
}

TEST(StringsSplit, TakeFromApos) {
    EXPECT_EQ(TakeFromApos("'abc'"), "abc");
    EXPECT_EQ(TakeFromApos("''"), "");
    EXPECT_EQ(TakeFromApos("'abc"), "'abc");
    EXPECT_EQ(TakeFromApos("\"abc\""), "\"abc\"");
    EXPECT_EQ(TakeFromApos(""), "");
}

TEST(StringsTokens, ReadToDelimiterWalksPositions) {
    const TDelimiters delims{QChar(','), QChar(';')};
    const QString s = QStringLiteral("ab,cd;ef");
    struct Step {
        const char* token;
        int position;
        char delimiter;
    };
    const Step steps[] = {{"ab", 4, ','}, {"cd", 7, ';'}, {"ef", 9, 0}, {"", 9, 0}};
    int start = 1;
    for (const Step& step : steps) {
        QString token;
        int position = -1;
        QChar delimiter = 'x';
        ReadToDelimiter(s, delims, start, token, position, delimiter);
        EXPECT_EQ(token, step.token) << "start " << start;
        EXPECT_EQ(position, step.position) << "start " << start;
        EXPECT_EQ(delimiter, QChar(step.delimiter)) << "start " << start;
        start = position;
    }
}

TEST(StringsTokens, EdgesOfReadToDelimiter) {
    QString token = "old";
    int position = -1;
    QChar delimiter = 'x';

    ReadToDelimiter(QStringLiteral(",x"), TDelimiters{QChar(',')}, 1, token, position, delimiter);
    EXPECT_EQ(token, "");
    EXPECT_EQ(position, 2);
    EXPECT_EQ(delimiter, QChar(','));

    ReadToDelimiter(QString(), TDelimiters{QChar(',')}, 1, token, position, delimiter);
    EXPECT_EQ(token, "");
    EXPECT_EQ(position, 1);
    EXPECT_EQ(delimiter, QChar(0));

    ReadToDelimiterWithoutWS(QStringLiteral(" a , b "), TDelimiters{QChar(',')}, 1, token, position,
                             delimiter);
    EXPECT_EQ(token, "a");
    ReadToDelimiterWithoutWS(QStringLiteral(" a , b "), TDelimiters{QChar(',')}, position, token, position,
                             delimiter);
    EXPECT_EQ(token, "b");
    EXPECT_EQ(delimiter, QChar(0));

    // "ř" is U+0159: its low byte is "Y", which must not make it a delimiter.
    ReadToDelimiter(QString::fromUtf8("xřyYz"), TDelimiters{QChar('Y'), QChar(0x0159)}, 1, token, position,
                    delimiter);
    EXPECT_EQ(token, QString::fromUtf8("xřy"));
    EXPECT_EQ(delimiter, QChar('Y'));
}

TEST(StringsTokens, IgnoreBlockKeepsDelimitersInsideBlocks) {
    const TDelimiters delims{QChar(',')};
    const TDelimiters marks{QChar('"')};
    const QString s = QStringLiteral(" a \"b,c\" d , e ");
    QString token;
    int position = 0;
    QChar delimiter;
    ReadToDelimiterWithoutWSIgnoreBlock(s, delims, marks, token, position, delimiter, 1);
    EXPECT_EQ(token, "a \"b,c\" d");
    EXPECT_EQ(delimiter, QChar(','));
    EXPECT_EQ(position, 13);
    ReadToDelimiterWithoutWSIgnoreBlock(s, delims, marks, token, position, delimiter, position);
    EXPECT_EQ(token, "e");
    EXPECT_EQ(delimiter, QChar(0));

    ReadToDelimiterWithoutWSIgnoreBlock(QStringLiteral("a \"b, c"), delims, marks, token, position, delimiter,
                                        1);
    EXPECT_EQ(token, "a \"b, c");
    EXPECT_EQ(delimiter, QChar(0));
    EXPECT_EQ(position, 8);
}

TEST(StringsNumbers, StrToExtendedUnderBothLocales) {
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Czech)}) {
        LocaleGuard guard(locale);
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(StrToExtended("abc"), 0.0);
        EXPECT_FALSE(StringIsFloat("abc"));
        EXPECT_EQ(StrToExtended("1,5"), 1.5);
        EXPECT_EQ(StrToExtended("1.5"), 1.5);
        EXPECT_TRUE(StringIsFloat("1,5"));
        EXPECT_TRUE(StringIsFloat("1.5"));
        EXPECT_EQ(StrToExtended("-2.5e3"), -2500.0);
        EXPECT_FALSE(StringIsFloat(""));
        // Only the first 127 characters count.
        EXPECT_EQ(StrToExtended(QStringLiteral("2.5") + QString(124, ' ') + QStringLiteral("x")), 2.5);
    }
}

TEST(StringsNumbers, CharacterSwaps) {
    QString s = "1.5,3";
    SwapChars(s, '.', ',');
    EXPECT_EQ(s, "1,5,3");
    s = "1,5.3";
    SwapChars(s, '.', ',');
    EXPECT_EQ(s, "1.5.3");

    s = "a.b.c";
    EXPECT_TRUE(ChangeCharInString(s, '.', '-', false));
    EXPECT_EQ(s, "a-b.c");
    EXPECT_TRUE(ChangeCharInString(s, '.', '-', true));
    EXPECT_EQ(s, "a-b-c");
    EXPECT_FALSE(ChangeCharInString(s, '.', '-', true));
    EXPECT_EQ(s, "a-b-c");
}

TEST(StringsNumbers, IntegerReading) {
    const struct {
        const char* in;
        int longInt, integer;
    } cases[] = {
        {"", 0, 0},
        {"42", 42, 42},
        {"-17", -17, 17}, // StringToInteger skips the sign with the other non-digits
        {" 8 ", 8, 8},
        {"abc123def", 0, 123},
        {"xyz", 0, 0},
        {"99999999999", 0, 0}, // out of range is unreadable, not wrapped
        {"2147483647", 2147483647, 2147483647},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrToLongInt(c.in), c.longInt) << c.in;
        EXPECT_EQ(StringToInteger(c.in), c.integer) << c.in;
    }
}

TEST(StringsNumbers, Formatting) {
    EXPECT_EQ(IntToStrZ(7, 3, true), "007");
    EXPECT_EQ(IntToStrZ(7, 3, false), "  7");
    EXPECT_EQ(IntToStrZ(1234, 3, true), "1234");
    EXPECT_EQ(IntToStrZ(-7, 3, true), "-007");

    EXPECT_EQ(IntToPrezStr(1234567), "1 234 567");
    EXPECT_EQ(IntToPrezStr(1000005), "1 000 005");
    EXPECT_EQ(IntToPrezStr(999), "999");
    EXPECT_EQ(IntToPrezStr(0), "0");
    EXPECT_EQ(IntToPrezStr(-1234), "-1 234");
    EXPECT_EQ(IntToPrezStr(std::numeric_limits<qint64>::min()), "-9 223 372 036 854 775 808");

    EXPECT_EQ(DoubleToStr(3.14159, 8, 2), "    3.14");
    {
        LocaleGuard guard{QLocale(QLocale::Czech)};
        EXPECT_EQ(DoubleToStr(3.14159, 8, 2), "    3,14");
    }

    EXPECT_EQ(StrToStrSp("ab", 4), "ab  ");
    EXPECT_EQ(StrToStrSp("abcdef", 3), "abc");
    EXPECT_EQ(StrToStrSp("ab", 0), "");

    EXPECT_EQ(BoolToStr(true), "TRUE");
    EXPECT_EQ(BoolToStr(false), "FALSE");
    for (const char* t : {"T", "true", "tak"}) EXPECT_TRUE(StrToBool(t)) << t;
    for (const char* f : {"F", "", "yes", " TRUE"}) EXPECT_FALSE(StrToBool(f)) << f;
}

TEST(StringsRoman, IntegerToRome) {
    const struct {
        int value;
        const char* text;
    } cases[] = {
        {1994, "MCMXCIV"},   {1490, "MXD"},    {490, "XD"}, {499, "XDIX"},
        {3999, "MMMCMXCIX"}, {2024, "MMXXIV"}, {40, "XL"},  {4, "IV"},
        {3, "III"},          {0, ""},          {-5, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(IntegerToRome(c.value), c.text) << c.value;
}

TEST(StringsRoman, RomeToIntegerReadsBack) {
    for (int v = 1; v <= 3999; ++v)
        ASSERT_EQ(RomeToInteger(IntegerToRome(v)), v) << IntegerToRome(v).toStdString();
    EXPECT_EQ(RomeToInteger("mcmxciv"), 1994);
    EXPECT_EQ(RomeToInteger("CDXC"), 490);
    EXPECT_EQ(RomeToInteger(""), 0);
}

TEST(StringsRoman, UnknownCharacterTakesThePreviousValue) {
    EXPECT_EQ(RomeToInteger("?V"), 10);  // V, then "?" as another V
    EXPECT_EQ(RomeToInteger("X?V"), 20); // V, V, X
    EXPECT_EQ(RomeToInteger("I?X"), 19); // X, X, then I below them
    EXPECT_EQ(RomeToInteger("XI?"), 11); // "?" read first has nothing before it
    // A very long text is clamped, not overflowed.
    EXPECT_EQ(RomeToInteger(QString(3'000'000, 'M')), std::numeric_limits<int>::max());
}

TEST(StringsNames, TrailingNumbers) {
    const struct {
        const char* in;
        const char* name;
        int number;
    } cases[] = {
        {"Vrstva12", "Vrstva", 12}, {"a1b2", "a1b", 2}, {"123", "", 123}, {"abc", "", 0}, {"", "", 0},
        {"x99999999999", "x", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetNameWithoutNumber(c.in), c.name) << c.in;
        EXPECT_EQ(GetNameEndNumber(c.in), c.number) << c.in;
    }

    const std::pair<const char*, const char*> classNames[] = {
        {"Element", "TElement"}, {"TElement", "TElement"}, {"tx", "tx"}, {"", "T"}};
    for (auto [in, out] : classNames) {
        QString s = in;
        CheckClassName(s);
        EXPECT_EQ(s, out) << in;
    }
}

TEST(StringsPaths, BackSlashes) {
    QString s = "C:\\data";
    EXPECT_EQ(CheckBackSlash(s), "C:\\data\\");
    EXPECT_EQ(s, "C:\\data\\");
    EXPECT_EQ(CheckBackSlash(s), "C:\\data\\");

    QString empty;
    EXPECT_EQ(CheckBackSlash(empty), "\\");
    EXPECT_EQ(empty, "");
    EXPECT_EQ(AddBackSlash(empty), "\\");
    EXPECT_EQ(empty, "");

    s = "maps";
    EXPECT_EQ(AddBackSlash(s), "maps\\");
    EXPECT_EQ(s, "maps\\");

    s = "a\\\\";
    RemoveBackSlash(s);
    EXPECT_EQ(s, "a\\");
    s = "a";
    RemoveBackSlash(s);
    EXPECT_EQ(s, "a");
}

TEST(StringsPaths, RelativeAndAbsolute) {
    const struct {
        const char* path;
        bool relative;
    } cases[] = {
        {"maps\\a.txt", true}, {"\\dir", true},           {"", true},
        {"E:\\x", false},      {"\\\\srv\\share", false}, {"/home/x", false}, // the POSIX root
    };
    for (const auto& c : cases) EXPECT_EQ(IsRelativePath(c.path), c.relative) << c.path;

    {
        RootGuard root("D:\\proj");
        EXPECT_EQ(GetAbsolutePath("maps\\a.txt"), "D:\\proj\\maps\\a.txt");
        EXPECT_EQ(GetAbsolutePath("E:\\x"), "E:\\x");
        EXPECT_EQ(GetAbsolutePath(""), "D:\\proj\\");
        EXPECT_EQ(GetAbsolutePath("", "x"), "D:\\proj\\x");
        EXPECT_EQ(GetAbsolutePath("C:\\b", "x"), "C:\\b\\x");
        EXPECT_EQ(GetAbsolutePath("C:\\b\\", ""), "C:\\b\\");
        EXPECT_EQ(GetAbsolutePath("C:\\b", "E:\\y"), "E:\\y");
    }
    {
        RootGuard root("D:\\proj\\");
        EXPECT_EQ(GetAbsolutePath("a"), "D:\\proj\\a");
    }
    {
        // A POSIX root gets the POSIX separator.
        RootGuard root("/srv/proj");
        EXPECT_EQ(GetAbsolutePath("maps"), "/srv/proj/maps");
        EXPECT_EQ(GetAbsolutePath("/etc/x"), "/etc/x");
        EXPECT_EQ(GetAbsolutePath("/opt/b", "c"), "/opt/b/c");
    }
}

TEST(StringsPaths, ProgramDirectory) {
    RootGuard root("");
    const QString exec = ExecPath();
    EXPECT_EQ(exec, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator());
    EXPECT_EQ(GetAbsolutePath("a.txt"), exec + "a.txt");
    EXPECT_EQ(GetAbsolutePath(""), exec);

    const QString expectedIni =
        exec + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".INI";
    EXPECT_EQ(GetModulIniFile(), expectedIni);
    {
        // The program's file name is absolute already: a root directory must not be put before it.
        RootGuard other("D:\\proj");
        EXPECT_EQ(GetModulIniFile(), expectedIni);
    }

    EXPECT_FALSE(WinDirStr().isEmpty());
    EXPECT_TRUE(QDir(WinDirStr()).exists());
}

// The model's "now" (days since 1899-12-30, local time) agrees with converting the local date and
// time directly, also on repeated calls that use the kept time-zone offset.
TEST(ModelDateTime, FromEpochAndOffset) {
    struct Case {
        qint64 ms;
        qint32 offset;
        double expected;
    };
    const double dec10Prague = double(QDate(1899, 12, 30).daysTo(QDate(2026, 12, 10))) + 13.0 / 24;
    const Case cases[] = {
        {0, 0, 25569.0},                      // 1970-01-01 00:00 UTC
        {0, 3600, 25569.0 + 1.0 / 24},        // an hour east of Greenwich
        {0, -7200, 25569.0 - 2.0 / 24},       // west: the evening before
        {-1, 0, 25569.0 - 1.0 / 86400000},    // a millisecond before 1970
        {-86400000LL * 25569, 0, 0.0},        // the model's day 0
        {1796904000000LL, 3600, dec10Prague}, // 2026-12-10 12:00 UTC, 13:00 in Prague
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(zelto::modelDateTimeFromEpochMs(c.ms, c.offset), c.expected, 1e-9)
            << c.ms << " " << c.offset;
    }
}

TEST(ModelDateTime, NowMatchesTheLocalCalendar) {
    auto direct = [] {
        const QDateTime now = QDateTime::currentDateTime();
        return double(QDate(1899, 12, 30).daysTo(now.date())) +
               now.time().msecsSinceStartOfDay() / 86400000.0;
    };
    for (int i = 0; i < 3; ++i) {
        const double before = direct();
        const double now = zelto::nowAsDateTime();
        const double after = direct();
        // A day boundary between the calls would make the bounds meaningless; it did not happen if
        // both are on the same day.
        if (std::floor(before) != std::floor(after)) continue;
        EXPECT_LE(before - 1e-9, now);
        EXPECT_LE(now, after + 1e-9);
    }
}
