#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelto {

namespace {
bool fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}
QString sysError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

bool openRegularFile(QFile& file, const QString& fileName, qint64 maxBytes, QString* reason) {
    // Opened without blocking (a named pipe would wait for a writer), then checked on the open
    // descriptor, so that nothing can be swapped in between.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail(reason, errno == ENOENT ? QStringLiteral("soubor neexistuje") : sysError());
    }
    struct stat st {};
    QString refusal;
    if (::fstat(fd, &st) != 0)
        refusal = sysError();
    else if (S_ISDIR(st.st_mode))
        refusal = QStringLiteral("je to složka");
    else if (!S_ISREG(st.st_mode))
        refusal = QStringLiteral("není to obyčejný soubor");
    else if (st.st_size > maxBytes)
        refusal = QStringLiteral("soubor je příliš velký (%1 B, nejvýš %2 B)").arg(st.st_size).arg(maxBytes);
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        refusal = sysError();
    if (!refusal.isEmpty()) {
        ::close(fd);
        return fail(reason, refusal);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(reason, file.errorString());
    }
    return true;
}

bool readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray& data, QString* reason) {
    QFile file;
    if (!openRegularFile(file, fileName, maxBytes, reason)) return false;
    // A file that grew after the check is read only up to the limit, and refused.
    data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) return fail(reason, file.errorString());
    if (data.size() > maxBytes) {
        data.clear();
        return fail(reason, QStringLiteral("soubor je příliš velký (nejvýš %1 B)").arg(maxBytes));
    }
    return true;
}

namespace {

constexpr char SaveMark[] = ".zsave-";

// The temporary of a save of `name`: hidden, "." + name + ".zsave-" + six characters of mkstemp.
QByteArray saveTemporaryTemplate(const QFileInfo& info) {
    return QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + SaveMark +
           "XXXXXX";
}

bool isSaveTemporaryName(const QString& name) {
    const qsizetype mark = name.size() - 6 - qsizetype(std::strlen(SaveMark));
    if (!name.startsWith(QLatin1Char('.')) || mark < 2 ||
        QStringView(name).mid(mark, 7) != QLatin1String(SaveMark))
        return false;
    for (const QChar c : QStringView(name).mid(mark + 7))
        if (!(c.isLetterOrNumber() && c.unicode() < 128)) return false;
    return true;
}

bool before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

int removeStaleBefore(const QString& dir, const timespec& cutoff) {
    int removed = 0;
    const QStringList names =
        QDir(dir).entryList({QStringLiteral(".*") + QLatin1String(SaveMark) + QStringLiteral("*")},
                            QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!isSaveTemporaryName(name)) continue;
        const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        // A save holds a lock on its temporary until it is renamed: a file nobody locks that is
        // older than this save was left by a save that was killed.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && before(st.st_mtim, cutoff) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

timespec now() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

// The rename is part of the directory: without this a power loss may bring back the old file.
void syncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd); // file systems that cannot sync a directory have nothing more to do
    ::close(fd);
}

} // namespace

int removeStaleSaveTemporaries(const QString& dir) {
    return removeStaleBefore(dir, now());
}

bool writeFileAtomically(const QString& fileName, const QByteArray& data, QString* error) {
    // QSaveFile reports success after a short write on some systems, so the writing is done here.
    const timespec started = now();
    const QFileInfo info(fileName);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    removeStaleBefore(info.absolutePath(), started);
    QByteArray tmp = saveTemporaryTemplate(info);
    const int fd = mkstemp(tmp.data());
    if (fd < 0) return fail(error, sysError());
    auto abandon = [&](const QString& reason) {
        ::unlink(tmp.constData());
        ::close(fd);
        return fail(error, reason);
    };
    // Held until the rename: the temporary is in use.
    if (::flock(fd, LOCK_EX) != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != EINVAL)
        return abandon(sysError());
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(sysError());
        }
        if (n == 0) return abandon(QStringLiteral("nothing could be written"));
        p += n;
        left -= n;
    }
    // Keep the permissions of the file being replaced (mkstemp creates 0600).
    struct stat old {};
    const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0) return abandon(sysError());
    if (::fsync(fd) != 0) return abandon(sysError());
    if (::rename(tmp.constData(), target.constData()) != 0) return abandon(sysError());
    ::close(fd); // renamed and synced: nothing is left to fail
    syncDirectory(info.absolutePath());
    return true;
}

} // namespace zelto
