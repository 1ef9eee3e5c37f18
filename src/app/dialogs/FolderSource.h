// Where the file chooser finds the device's shared folders: the public (shared documents) folder
// and the downloads folder. A small interface so that tests can point it at temporary
// directories; the application's platform layer can stand behind it with an adapter.
#pragma once

#include <QString>

#include <memory>

namespace zelto {

class FolderSource {
public:
    virtual ~FolderSource();
    virtual QString publicFolder() const = 0;
    virtual QString downloadsFolder() const = 0;
};

// The platform's folders: ZELTO_PUBLIC_DIR, when set and not empty, else the documents location;
// ZELTO_DOWNLOADS_DIR, when set and not empty, else the download location.
class StandardFolderSource final : public FolderSource {
public:
    QString publicFolder() const override;
    QString downloadsFolder() const override;
};

// Fixed folders (tests, or an application that knows its folders already).
class FixedFolderSource final : public FolderSource {
public:
    FixedFolderSource(QString publicFolder, QString downloadsFolder)
        : m_public(std::move(publicFolder)), m_downloads(std::move(downloadsFolder)) {}
    QString publicFolder() const override { return m_public; }
    QString downloadsFolder() const override { return m_downloads; }

private:
    QString m_public, m_downloads;
};

} // namespace zelto
