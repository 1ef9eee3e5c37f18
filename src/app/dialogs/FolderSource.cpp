#include "FolderSource.h"

#include <QStandardPaths>

namespace zelto {

FolderSource::~FolderSource() = default;

namespace {

QString fromEnvironment(const char* name, QStandardPaths::StandardLocation fallback) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) return value;
    return QStandardPaths::writableLocation(fallback);
}

} // namespace

QString StandardFolderSource::publicFolder() const {
    return fromEnvironment("ZELTO_PUBLIC_DIR", QStandardPaths::DocumentsLocation);
}

QString StandardFolderSource::downloadsFolder() const {
    return fromEnvironment("ZELTO_DOWNLOADS_DIR", QStandardPaths::DownloadLocation);
}

} // namespace zelto
