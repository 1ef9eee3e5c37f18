#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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
