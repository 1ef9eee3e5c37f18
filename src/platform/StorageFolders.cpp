#include "StorageFolders.h"

#include <QStandardPaths>

#include <stdexcept>

namespace zelto::platform {

StorageFolders::~StorageFolders() = default;

namespace {

QString fromEnvironment(const char* name, QStandardPaths::StandardLocation fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QStandardPaths::writableLocation(fallback) : value;
}

std::unique_ptr<StorageFolders>& installed() {
    static std::unique_ptr<StorageFolders> folders = std::make_unique<QtStorageFolders>();
    return folders;
}

} // namespace

QString QtStorageFolders::publicFolder() const {
    return fromEnvironment("ZELTO_PUBLIC_DIR", QStandardPaths::DocumentsLocation);
}

QString QtStorageFolders::downloadsFolder() const {
    return fromEnvironment("ZELTO_DOWNLOADS_DIR", QStandardPaths::DownloadLocation);
}

FakeStorageFolders::FakeStorageFolders(QString publicFolder, QString downloadsFolder)
    : m_public(std::move(publicFolder)), m_downloads(std::move(downloadsFolder)) {}

void FakeStorageFolders::check() const {
    if (!m_failure.isEmpty()) throw std::runtime_error(m_failure.toStdString());
}

QString FakeStorageFolders::publicFolder() const {
    check();
    return m_public;
}

QString FakeStorageFolders::downloadsFolder() const {
    check();
    return m_downloads;
}

StorageFolders& storageFolders() {
    return *installed();
}

void setStorageFolders(std::unique_ptr<StorageFolders> folders) {
    installed() = folders ? std::move(folders) : std::make_unique<QtStorageFolders>();
}

} // namespace zelto::platform
