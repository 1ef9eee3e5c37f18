// Files the data names, read and written safely.
//
// Reading: a project's files may come from a colleague or a damaged card, so a file is opened only
// when it is a regular file (symbolic links followed) of a sane size; a named pipe, a device or a
// directory in its place is refused at once instead of blocking or reading without end.
//
// Writing: replacing a file without ever destroying the previous good copy: the new content goes to a
// temporary file in the same directory, is flushed to the disk, and only then renamed over the
// old file, and the directory is synced. Every short or failed write is detected (a full disk, a
// file size limit), in which case the temporary file is removed and the old file stays as it was.
// The temporary is named "." + name + ".zsave-" + six characters and locked while it is written:
// what a killed save left behind is recognised and removed by the next save into that directory
// (and by removeStaleSaveTemporaries), never a temporary another save is still writing.
#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace zelto {

// The largest description or settings file of a project that is read whole.
constexpr qint64 MaxProjectFileBytes = 8ll << 20;

// Opens fileName for reading into `file`; false with a readable reason when it is missing, not a
// regular file or larger than maxBytes.
bool openRegularFile(QFile& file, const QString& fileName, qint64 maxBytes, QString* reason = nullptr);
// The whole content of such a file.
bool readRegularFile(const QString& fileName, qint64 maxBytes, QByteArray& data, QString* reason = nullptr);

// Removes the temporaries of killed saves in dir: those of our pattern that no save holds and that
// are older than this call. Answers how many.
int removeStaleSaveTemporaries(const QString& dir);

// False with a readable reason in `error` when the file could not be replaced.
bool writeFileAtomically(const QString& fileName, const QByteArray& data, QString* error = nullptr);

} // namespace zelto
