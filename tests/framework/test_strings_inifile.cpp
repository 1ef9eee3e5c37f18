#include <gtest/gtest.h>

#include "framework/Notifier.h"
#include "framework/_IniFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using namespace zelto;

namespace {

class StringsIniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString path(const QString& name = QStringLiteral("a.ini")) const { return dir.filePath(name); }

    void writeRaw(const QByteArray& bytes, const QString& name = QStringLiteral("a.ini")) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QString readRaw(const QString& name = QStringLiteral("a.ini")) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
    }
};

struct LocaleGuard {
    QLocale saved;
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(saved); }
};

} // namespace

TEST_F(StringsIniFile, ReadDoubleAcceptsEitherSeparator) {
    writeRaw("[N]\ncomma=1,5\ndot=1.5\nempty=\ngarbage=abc\ntwo=1,5,3\nexp=2,5E-3\nneg=-,5\ninf=inf\n");
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Czech)}) {
        LocaleGuard guard(locale);
        SCOPED_TRACE(locale.name().toStdString());
        TRealIniFile ini(path());
        const struct {
            const char* key;
            double expected;
        } cases[] = {
            {"comma", 1.5},  {"dot", 1.5},  {"empty", 9}, {"garbage", 9}, {"two", 9},
            {"exp", 0.0025}, {"neg", -0.5}, {"inf", 9},   {"missing", 9},
        };
        for (const auto& c : cases) EXPECT_EQ(ini.ReadDouble("N", c.key, 9), c.expected) << c.key;
    }
}

TEST_F(StringsIniFile, WriteDoubleUsesTheLocaleSeparator) {
    {
        LocaleGuard guard{QLocale(QLocale::Czech)};
        TRealIniFile ini(path());
        ASSERT_TRUE(ini.WriteDouble("N", "x", 1.5));
        EXPECT_EQ(ini.ReadString("N", "x", ""), "1,5");
        EXPECT_EQ(ini.ReadDouble("N", "x", 0), 1.5);
    }
    TRealIniFile ini(path());
    ASSERT_TRUE(ini.WriteDouble("N", "y", -0.25));
    EXPECT_EQ(ini.ReadString("N", "y", ""), "-0.25");
    EXPECT_TRUE(readRaw().contains("x=1,5\n"));
}

TEST_F(StringsIniFile, ValuesStayTextAndUntouchedEntriesSurviveAWrite) {
    const QByteArray original =
        "; comment\n[OPTIONS]\nEDITLAYER=Těžba, 2023\nNum=1,5\nQ=\"q\"\nV=@Variant(x)\n";
    writeRaw(original);
    {
        TRealIniFile ini(path());
        EXPECT_EQ(ini.ReadString("OPTIONS", "EDITLAYER", ""), QString::fromUtf8("Těžba, 2023"));
        EXPECT_EQ(ini.ReadString("OPTIONS", "Num", ""), "1,5");
        EXPECT_EQ(ini.ReadString("OPTIONS", "Q", ""), "\"q\"");
        EXPECT_EQ(ini.ReadString("OPTIONS", "V", ""), "@Variant(x)");
        ASSERT_TRUE(ini.WriteString("OPTIONS", "New", "a, b"));
    }
    const QString text = readRaw();
    for (const char* line : {"[OPTIONS]\n", "EDITLAYER=Těžba, 2023\n", "Num=1,5\n", "Q=\"q\"\n",
                             "V=@Variant(x)\n", "New=a, b\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
}

TEST_F(StringsIniFile, CzechAndSpecialNamesRoundTrip) {
    const QString section = QString::fromUtf8("Sekce Žluťoučký kůň");
    const QString key = QString::fromUtf8("Klíč ř");
    const QString value = QString::fromUtf8("hodnota ěščřžýáíé");
    {
        TRealIniFile ini(path());
        ASSERT_TRUE(ini.WriteString(section, key, value));
        ASSERT_TRUE(ini.WriteString("a/b", "c\\d%2F", "slashes"));
    }
    // Names are written as they are (readable by any INI reader), in UTF-8.
    const QString text = readRaw();
    EXPECT_TRUE(text.contains("[" + section + "]\n" + key + "=" + value + "\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[a/b]\nc\\d%2F=slashes\n")) << text.toStdString();

    TRealIniFile ini(path());
    EXPECT_EQ(ini.ReadString(section, key, ""), value);
    EXPECT_EQ(ini.ReadString(section.toUpper(), key.toUpper(), ""), value);
    EXPECT_EQ(ini.ReadString("a/b", "c\\d%2F", ""), "slashes");
    QStringList sections = ini.ReadSections();
    sections.sort();
    EXPECT_EQ(sections, QStringList({section, "a/b"}));
    EXPECT_EQ(ini.ReadSection(section), QStringList({key}));
}

TEST_F(StringsIniFile, NamesMatchIgnoringCaseAndKeepTheFilesSpelling) {
    writeRaw("[Options]\nEditLayer=x\n");
    TRealIniFile ini(path());
    EXPECT_EQ(ini.ReadString("OPTIONS", "EDITLAYER", "User"), "x");
    ASSERT_TRUE(ini.WriteString("OPTIONS", "EDITLAYER", "y"));
    ASSERT_TRUE(ini.WriteString("options", "Other", "z"));
    EXPECT_EQ(readRaw(), "[Options]\nEditLayer=y\nOther=z\n");
}

TEST_F(StringsIniFile, ReadsEightBitFilesAndTopLevelEntries) {
    // "Těžba" in the Central European code page; the first of repeated entries counts.
    writeRaw("top=1\n[S]\nk=T\xEC\x9E"
             "ba\nk=second\n");
    TRealIniFile ini(path());
    EXPECT_EQ(ini.ReadString("S", "k", ""), QString::fromUtf8("Těžba"));
    EXPECT_EQ(ini.ReadString("", "top", ""), "1");
    ASSERT_TRUE(ini.WriteString("S", "n", "2"));
    EXPECT_EQ(readRaw(), QString::fromUtf8("top=1\n\n[S]\nk=Těžba\nn=2\n"));
}

TEST_F(StringsIniFile, SectionsAndKeys) {
    writeRaw("[S]\na=1\nb=2\n[Keep]\nk=v\n");
    TRealIniFile ini(path());
    EXPECT_TRUE(ini.SectionExists("s"));
    EXPECT_FALSE(ini.SectionExists("none"));
    EXPECT_TRUE(ini.ValueExists("S", "A"));
    EXPECT_FALSE(ini.ValueExists("S", "c"));

    ASSERT_TRUE(ini.WriteSection("S", {"x=1", " y = 2 ", "", "z"}));
    EXPECT_EQ(ini.ReadSection("S"), QStringList({"x", "y", "z"}));
    EXPECT_EQ(ini.ReadSectionValues("S"), QStringList({"x=1", "y=2", "z="}));
    EXPECT_EQ(ini.ReadString("Keep", "k", ""), "v");

    ASSERT_TRUE(ini.DeleteKey("S", "Y"));
    EXPECT_EQ(ini.ReadSection("S"), QStringList({"x", "z"}));
    ASSERT_TRUE(ini.EraseSection("s"));
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(readRaw(), "[Keep]\nk=v\n");
}

TEST_F(StringsIniFile, IntegersAndBooleans) {
    writeRaw("[S]\ni=12\nsp= 7 \nhex=$1F\nbad=abc\nbig=99999999999\nt=1\nf=0\n");
    TRealIniFile ini(path());
    EXPECT_EQ(ini.ReadInteger("S", "i", -1), 12);
    EXPECT_EQ(ini.ReadInteger("S", "sp", -1), 7);
    EXPECT_EQ(ini.ReadInteger("S", "hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("S", "bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("S", "big", -1), -1);
    EXPECT_TRUE(ini.ReadBool("S", "t", false));
    EXPECT_FALSE(ini.ReadBool("S", "f", true));
    EXPECT_TRUE(ini.ReadBool("S", "bad", true));

    ASSERT_TRUE(ini.WriteInteger("S", "w", -5));
    ASSERT_TRUE(ini.WriteBool("S", "b", true));
    EXPECT_EQ(ini.ReadInteger("S", "w", 0), -5);
    EXPECT_TRUE(readRaw().contains("b=1\n"));
}

TEST_F(StringsIniFile, WritingReplacesTheFileInsteadOfOverwritingIt) {
    writeRaw("[S]\nk=old\n");
    // A second name for the old file: writing in place would change what it shows.
    ASSERT_EQ(::link(path().toLocal8Bit().constData(), path("old.ini").toLocal8Bit().constData()), 0);
    TRealIniFile ini(path());
    ASSERT_TRUE(ini.WriteString("S", "k", "new"));
    EXPECT_EQ(readRaw("old.ini"), "[S]\nk=old\n");
    EXPECT_EQ(readRaw(), "[S]\nk=new\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), QStringList({"a.ini", "old.ini"}));
}

TEST_F(StringsIniFile, FailedWritesAreReported) {
    writeRaw("not a directory", "plain");
    ASSERT_NE(recordingNotifier(), nullptr);
    recordingNotifier()->clear();
    TRealIniFile ini(dir.filePath("plain/a.ini"));
    EXPECT_FALSE(ini.WriteString("S", "k", "v"));
    EXPECT_FALSE(recordingNotifier()->protocols().isEmpty());

    TRealIniFile good(path());
    EXPECT_FALSE(good.WriteString("S", "a=b", "v"));
    EXPECT_FALSE(good.WriteString("S", "", "v"));
    EXPECT_FALSE(good.WriteString("S]", "k", "v"));
    EXPECT_EQ(readRaw(), "<missing>");
}

TEST_F(StringsIniFile, LineBreaksInValuesCannotAddEntries) {
    TRealIniFile ini(path());
    ASSERT_TRUE(ini.WriteString("S", "k", "a\n[X]\nb=c"));
    TRealIniFile again(path("a.ini"));
    EXPECT_FALSE(again.SectionExists("X"));
    EXPECT_EQ(again.ReadString("S", "k", ""), "a [X] b=c");
    EXPECT_EQ(again.ReadSection("S"), QStringList({"k"}));
    EXPECT_EQ(readRaw(), "[S]\nk=a [X] b=c\n");
}

// A write cut short (here by a file size limit, as a full disk would) is reported and leaves the
// previous file as it was.
TEST_F(StringsIniFile, ShortWritesKeepThePreviousFile) {
    writeRaw("[S]\nk=old\n");
    TRealIniFile ini(path());
    recordingNotifier()->clear();
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = ini.WriteString("S", "big", QString(500, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(recordingNotifier()->protocols().isEmpty());
    EXPECT_EQ(readRaw(), "[S]\nk=old\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ini"});
    // The settings read what the file holds.
    EXPECT_EQ(ini.ReadString("S", "big", "none"), "none");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "old");
}

// Two settings objects on one file see each other's writes, and the file keeps its order.
TEST_F(StringsIniFile, WritesAreSeenByOtherReadersAndKeepTheOrder) {
    writeRaw("[Zeta]\nb=1\na=2\n[Alfa]\nx=3\n");
    TRealIniFile one(path());
    TRealIniFile two(path());
    EXPECT_EQ(two.ReadString("Zeta", "b", ""), "1");
    ASSERT_TRUE(one.WriteString("Zeta", "b", "changed"));
    EXPECT_EQ(two.ReadString("Zeta", "b", ""), "changed");
    EXPECT_EQ(readRaw(), "[Zeta]\nb=changed\na=2\n\n[Alfa]\nx=3\n");
}
