// Where the user's shared files live: the public (shared documents) folder, which holds the map
// data, the system files and the projects' working directories, and the downloads folder, which
// the file chooser offers when the device's root lists nothing.
#pragma once

#include <QString>

#include <memory>

namespace zelto::platform {

class StorageFolders {
public:
    virtual ~StorageFolders();
    virtual QString publicFolder() const = 0;
    virtual QString downloadsFolder() const = 0;
};

// The platform's folders. ZELTO_PUBLIC_DIR and ZELTO_DOWNLOADS_DIR, when set and not empty,
// override the documents and download locations of QStandardPaths.
class QtStorageFolders final : public StorageFolders {
public:
    QString publicFolder() const override;
    QString downloadsFolder() const override;
};

// Folders given by the test. A failure text makes every query raise std::runtime_error with it,
// as a platform whose storage is not available would.
class FakeStorageFolders final : public StorageFolders {
public:
    FakeStorageFolders(QString publicFolder, QString downloadsFolder);
    QString publicFolder() const override;
    QString downloadsFolder() const override;
    void setPublicFolder(const QString& folder) { m_public = folder; }
    void setDownloadsFolder(const QString& folder) { m_downloads = folder; }
    void setFailure(const QString& text) { m_failure = text; }

private:
    void check() const;
    QString m_public, m_downloads, m_failure;
};

// The folders in use (the Qt implementation unless another was installed).
StorageFolders& storageFolders();
// Installs other folders; nullptr restores the Qt implementation.
void setStorageFolders(std::unique_ptr<StorageFolders> folders);

} // namespace zelto::platform
