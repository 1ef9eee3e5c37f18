// The file chooser: a window that lists one directory at a time (a way up, the subdirectories,
// the files that pass the extension filter) and hands the full path of the chosen file to its
// selection handler. One instance per process, `xFileDialog`, shared by all map forms.
#pragma once

#include "platform/StorageFolders.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zelto {

class TxFileDialog : public QWidget {
    Q_OBJECT
public:
    using TSelectEvent = std::function<void(const QString& path)>;
    // The kind of a list entry (kept with the entry as its tag).
    enum EntryKind { UpEntry = 0, DirectoryEntry = 1, FileEntry = 2 };
    // Item data roles of the list entries: the detail string and the kind.
    static constexpr int DetailRole = Qt::UserRole;
    static constexpr int KindRole = Qt::UserRole + 1;

    // Without folders of its own the chooser asks the installed platform folders.
    explicit TxFileDialog(std::unique_ptr<platform::StorageFolders> folders = nullptr,
                          QWidget* parent = nullptr);
    ~TxFileDialog() override;

    void SetStorageFolders(std::unique_ptr<platform::StorageFolders> folders);
    // The extensions to list, with their dots, separated by ";" (".jpg;.png"); empty lists every
    // file. Compared ignoring case.
    void SetFilter(const QString& filter);
    QString Filter() const { return FFilter; }
    void SetOnSelect(TSelectEvent handler);

    // Lists a directory: "..", its subdirectories, then its files that pass the filter, each
    // group by name. The top of the tree ("/" unless set otherwise) that has no subdirectories
    // shows the downloads folder instead. Answers false, with a message shown in the window,
    // when the path is not a directory or its contents cannot be read.
    bool SetDirectory(const QString& dir);
    void SetFileName(const QString& name);
    QString GetFileName() const;
    QString getDirectory() const;
    // Writes the caption field (the users' prompt: "Výběr souboru projektu", ...).
    void SetCaption(const QString& caption);

    // The top of the tree the chooser browses: "Nahoru" and ".." stop there.
    void SetRootDirectory(const QString& root);
    QString RootDirectory() const { return m_root; }

    // The full paths of the subdirectories and files of the last listing (files before filtering).
    QStringList Dirs() const { return m_dirs; }
    QStringList Files() const { return m_files; }
    // The message of the last failed listing; empty after a good one.
    QString ListingError() const { return m_error; }

public slots:
    // A tap on the list entry at `index` (negative: a tap beside the entries).
    void ListViewItemClickEx(int index);
    // "Nahoru" lists the parent of the directory field; "Hledej" lists the typed path.
    void b_UpClick();
    // "OK": closes the window and hands the file name field to the selection handler.
    void b_OKClick();
    // "Zavřít": closes the window; no handler runs.
    void b_CLoseClick();

signals:
    void selected(const QString& path);
    void listingFailed(const QString& message);

protected:
    struct TDirectoryListing {
        bool exists = false;     // an existing directory
        bool isFile = false;     // the path names a file, not a directory
        bool readable = false;   // its contents could be read
        QStringList dirs, files; // full paths, hidden entries left out, sorted by name
    };
    // Reads one directory of the file system.
    virtual TDirectoryListing ReadDirectory(const QString& dir) const;

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    QString normalised(const QString& path) const;
    QString parentOf(const QString& path) const;
    void showDirectoryField(const QString& path);
    void addEntry(EntryKind kind, const QString& text, const QString& detail);
    void showMessage(const QString& text);

    // The downloads folder, or none when the platform cannot tell.
    QString downloadsFolder() const;

    std::unique_ptr<platform::StorageFolders> m_folders; // none: the installed ones
    QString FFilter;
    TSelectEvent FOnSelect;
    QStringList m_dirs, m_files;
    bool IgnoreEdit = false;
    QString m_root = QStringLiteral("/");
    QString m_shown; // the directory the list shows
    QString m_error;
    QPixmap m_tile;

    QLineEdit* ed_Caption = nullptr;
    QLineEdit* ed_Directory = nullptr;
    QListWidget* ListView = nullptr;
    QLineEdit* ed_FileName = nullptr;
    QPushButton* b_Up = nullptr;
    QPushButton* b_OK = nullptr;
    QPushButton* b_CLose = nullptr;
    QLabel* l_Message = nullptr;
    QLabel* ImageControl1 = nullptr; // folder
    QLabel* ImageControl2 = nullptr; // file
    QLabel* ImageControl3 = nullptr; // the way up
};

// The process's file chooser; none until CreateXFileDialog.
extern TxFileDialog* xFileDialog;
// Creates the process's file chooser once (later calls answer the existing one). It lives until
// the application object is destroyed.
TxFileDialog* CreateXFileDialog(std::unique_ptr<platform::StorageFolders> folders = nullptr);

} // namespace zelto
