#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

bool writeFileAtomically(const QString& fileName, const QByteArray& data, QString* error) {
    // QSaveFile reports success after a short write on some systems, so the writing is done here.
    const QFileInfo info(fileName);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray tmp =
        QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) return fail(error, sysError());
    auto abandon = [&](const QString& reason) {
        ::close(fd);
        ::unlink(tmp.constData());
        return fail(error, reason);
    };
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
    if (::fsync(fd) != 0) return abandon(sysError());
    // Keep the permissions of the file being replaced (mkstemp creates 0600).
    QFile::Permissions perms =
        QFile::exists(fileName)
            ? QFile::permissions(fileName)
            : (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (::close(fd) != 0) {
        ::unlink(tmp.constData());
        return fail(error, sysError());
    }
    QFile::setPermissions(QFile::decodeName(tmp), perms);
    if (::rename(tmp.constData(), target.constData()) != 0) {
        const QString reason = sysError();
        ::unlink(tmp.constData());
        return fail(error, reason);
    }
    return true;
}

} // namespace zelto
