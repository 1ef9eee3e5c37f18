// Replacing a file without ever destroying the previous good copy: the new content goes to a
// temporary file in the same directory, is flushed to the disk, and only then renamed over the
// old file. Every short or failed write is detected (a full disk, a file size limit), in which
// case the temporary file is removed and the old file stays as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace zelto {

// False with a readable reason in `error` when the file could not be replaced.
bool writeFileAtomically(const QString& fileName, const QByteArray& data, QString* error = nullptr);

} // namespace zelto
