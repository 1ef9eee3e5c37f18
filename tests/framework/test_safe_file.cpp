// Saves through a temporary: what a killed save leaves behind is removed by the next save into
// the folder (only our temporaries, only those no save is writing), and the replacement is a
// rename of a complete file.
#include "framework/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace zelto;

namespace {

class SafeFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes, bool old = true) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        if (old) { // as left an hour ago
            const timeval times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimes(QFile::encodeName(path(name)).constData(), times), 0);
        }
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList hidden() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QTemporaryDir dir;
};

TEST_F(SafeFileTest, TheNextSaveRemovesWhatAKilledSaveLeftAndNothingElse) {
    write(QStringLiteral("a.zlt"), "old");
    write(QStringLiteral(".a.zlt.zsave-AbC123"), QByteArray(1000, 'x')); // a killed save of a.zlt
    write(QStringLiteral(".b.cfg.zsave-0x9Zq1"), "half");                // of another file
    write(QStringLiteral(".a.zlt.zsave-in0use"), "being written");       // a save still running
    write(QStringLiteral(".a.zlt.zsave-fresh1"), "just begun", false);   // newer than the save
    write(QStringLiteral(".a.zlt.bak"), "not ours");
    write(QStringLiteral("a.zlt.zsave-AbC123"), "not hidden: not ours");
    write(QStringLiteral(".a.zlt.zsave-toolong7"), "not ours");
    const int held =
        ::open(QFile::encodeName(path(QStringLiteral(".a.zlt.zsave-in0use"))).constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // The fresh one is stamped a minute ahead: it began after this save did.
    const timeval ahead[2] = {{time(nullptr) + 60, 0}, {time(nullptr) + 60, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(path(QStringLiteral(".a.zlt.zsave-fresh1"))).constData(), ahead), 0);

    QString error;
    ASSERT_TRUE(writeFileAtomically(path(QStringLiteral("a.zlt")), "new", &error)) << error.toStdString();
    EXPECT_EQ(read(QStringLiteral("a.zlt")), "new");
    EXPECT_EQ(hidden(),
              QStringList({QStringLiteral(".a.zlt.bak"), QStringLiteral(".a.zlt.zsave-fresh1"),
                           QStringLiteral(".a.zlt.zsave-in0use"), QStringLiteral(".a.zlt.zsave-toolong7"),
                           QStringLiteral("a.zlt"), QStringLiteral("a.zlt.zsave-AbC123")}));
    // Once its save ends (the lock goes with it), it is stale as well.
    ::close(held);
    EXPECT_EQ(removeStaleSaveTemporaries(dir.path()), 1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral(".a.zlt.zsave-in0use"))));
}

TEST_F(SafeFileTest, TheSaveReplacesTheFileByARenameKeepingItsPermissions) {
    write(QStringLiteral("a.zlt"), "old content");
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("a.zlt")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    // A reader that has the old file open keeps reading the old file whole: it is never
    // written in place.
    QFile reader(path(QStringLiteral("a.zlt")));
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    ASSERT_TRUE(writeFileAtomically(path(QStringLiteral("a.zlt")), "new"));
    EXPECT_EQ(reader.readAll(), "old content");
    EXPECT_EQ(read(QStringLiteral("a.zlt")), "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral("a.zlt"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(hidden(), QStringList{QStringLiteral("a.zlt")}) << "no temporary left";
    // A save into a folder that does not exist fails and leaves nothing.
    QString error;
    EXPECT_FALSE(writeFileAtomically(path(QStringLiteral("none/a.zlt")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
