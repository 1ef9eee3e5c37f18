#include <gtest/gtest.h>

#include "framework/u_Shell.h"
#include "framework/u_URLOpen.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using namespace zelto;

namespace {

class StringsUrlOpen : public ::testing::Test {
protected:
    void TearDown() override { setUrlOpener({}); }
};

struct PathGuard {
    QByteArray saved = qgetenv("PATH");
    explicit PathGuard(const QString& path) { qputenv("PATH", path.toLocal8Bit()); }
    ~PathGuard() { qputenv("PATH", saved); }
};

} // namespace

TEST_F(StringsUrlOpen, InstalledOpenerReceivesTheUrl) {
    QStringList opened;
    bool answer = true;
    setUrlOpener([&](const QString& url) {
        opened << url;
        return answer;
    });
    EXPECT_TRUE(tUrlOpen::Open("http://example.org/MapaIdentifikace.aspx?x=1&y=2"));
    answer = false;
    EXPECT_FALSE(tUrlOpen::Open("http://example.org/b"));
    EXPECT_EQ(opened,
              QStringList({"http://example.org/MapaIdentifikace.aspx?x=1&y=2", "http://example.org/b"}));
}

#ifdef Q_OS_LINUX
TEST_F(StringsUrlOpen, DefaultStartsThePlatformOpener) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString record = bin.filePath("opened.txt");
    {
        // A stand-in for the desktop's opener that records its argument.
        QFile script(bin.filePath("xdg-open"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n")
                         .arg(record)
                         .toLocal8Bit());
        script.close();
        ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    {
        PathGuard path(bin.path());
        EXPECT_FALSE(tUrlOpen::Open(""));
        EXPECT_FALSE(tUrlOpen::Open("--help"));
        EXPECT_TRUE(tUrlOpen::Open("http://example.org/a b"));
    }
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(record) && !deadline.hasExpired()) QThread::msleep(20);
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "http://example.org/a b");
}

TEST_F(StringsUrlOpen, DefaultAnswersFalseWithoutAnOpener) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    PathGuard path(empty.path());
    EXPECT_FALSE(tUrlOpen::Open("http://example.org/"));
}
#endif
