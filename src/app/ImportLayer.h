// The layer import window: brings a user layer written elsewhere (a ".zlt" file whose root is one
// layer collection with its sub-layers) into the open project, as a new layer, in place of the
// contents of the layer of the same name, or added to them, with the photos and recordings its
// notes name. One window per process (a secondary window); the map form whose project receives the
// layer binds the window's hooks before each use.
//
// The file is someone else's: whatever it holds is checked before it reaches the project. A file
// that cannot be read, does not hold a layer or names the layer so that it could not be a file name
// changes nothing; a store that cannot be written is taken back, so the layers stay as they were.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace zelto {

class TComplicatedGECollection;
class TElement;
class TOwnerEntity;
class TStreamRead;

// What the window asks of the map form it imports into; each is skipped while unset.
struct TImportHooks {
    // The open project's layers; none while no project is open.
    std::function<TOwnerEntity*()> Layers;
    // Adds a new layer (with its local settings) and answers what takes it out again.
    std::function<std::function<void()>(TComplicatedGECollection* layer)> AddLayer;
    // Writes what changed; false when `layer` (or the local settings) could not be written.
    std::function<bool(TComplicatedGECollection* layer)> Save;
    std::function<void()> UpdateList; // the layer list of the drawer
    std::function<void()> Changed;    // the layers changed: the map is drawn again
    // Keeps what a read left outside the layer's tree for as long as the layers.
    std::function<void(std::unique_ptr<TStreamRead> read)> KeepRead;
    // An object of the project's layers is about to be freed (replaced by imported data).
    std::function<void(TElement* element)> Forget;
    // The project's data directory, with the note folders "img" and "audio" below it.
    std::function<QString()> DataDirectory;
};

class TImportLayer_Form : public QWidget {
    Q_OBJECT
public:
    // What "Nahrát" will do.
    enum { NothingYet = 0, AsNewLayer = 1, ReplaceData = 2, AddData = 3, UnderNewName = 4 };
    // Answers of RemoteStart.
    enum { Done = 0, NoFileName = 1, NotALayer = 2, StoreFailed = 3 };

    explicit TImportLayer_Form(QWidget* parent = nullptr);
    ~TImportLayer_Form() override;
    TImportHooks Hooks;

    // Opens the window; with a file name the file is read and checked at once. Unless `Nobut`,
    // "Vybrat soubor" offers the file chooser.
    void Start(bool Nobut, const QString& aFileName);
    // The host's import: opens the window (`ShowDialog`), or imports the file without it by the
    // mode `WhatToDo` (1 new layer, "1" appended to the name while it is taken; 2 replace the
    // contents of the layer of that name; 3 add to them; 2 and 3 add a new layer when there is
    // none; another number adds nothing), under `aLayerName` when that is given.
    int RemoteStart(bool Nobut, const QString& aFileName, bool ShowDialog, int WhatToDo,
                    const QString& aLayerName);
    // True when a file is loaded and the layers have no layer named `aName`; when they have one,
    // its alias (Text) goes to `anAlias`.
    bool CheckName(const QString& aName, QString& anAlias) const;
    // The status line in red (a problem) or black.
    void InfoRed(bool red);

    // ---- the controls' handlers ----
    void b_OpenClick();
    void OnSelectFile(const QString& S);
    void rb_NochangeChange();
    void rb_AddDataChange();
    void OnEdit();
    void b_StoreClick();
    void b_CancelClick();

    // ---- state ----
    int GetStatus() const { return Status; }
    bool GetReadyToImport() const { return ReadyToImport; }
    bool GetNoButton() const { return NoButton; }
    QString GetFileName() const { return FileName; }
    TElement* GetData() const { return Data; }
    // The picture "Nahrát" shows: 0 not ready (a no-entry sign), 2 ready (a leaf).
    int StorePicture() const { return m_storePicture; }

private:
    bool LoadData();
    bool CheckData();
    // The import itself: applies `action` to the layers, copies the notes' attachments and saves;
    // when saving fails everything is taken back. Answers whether it was stored.
    bool Store(int action);
    void ImportDataEx(const std::vector<TElement*>& notes);
    bool RemoteStore(int WhatToDo, const QString& aLayerName);
    TComplicatedGECollection* existingLayer(const QString& name) const;
    TComplicatedGECollection* dataLayer() const;
    void dropData();
    void setStorePicture(int picture);
    void setReady(bool ready);
    void refuse(const QString& text);
    void build();

    TElement* Data = nullptr;
    QString FileName;
    bool ReadyToImport = false;
    bool NoButton = false;
    int Status = NothingYet;
    std::unique_ptr<TStreamRead> m_read; // the read Data comes from
    bool m_ownsData = false;             // Data was taken from the read and is the window's
    bool m_noProject = false;            // the last check found a layer but no open project
    int m_storePicture = 0;

    QLabel *Label1 = nullptr, *l_Info = nullptr, *l_Info1 = nullptr;
    QWidget *Layout_Options = nullptr, *Layout_Name = nullptr, *Layout_Data = nullptr;
    QRadioButton *rb_Change = nullptr, *rb_Nochange = nullptr;
    QRadioButton *rb_ReplaceData = nullptr, *rb_AddData = nullptr;
    QButtonGroup *m_nameGroup = nullptr, *m_dataGroup = nullptr;
    QLineEdit* ed_Nazev = nullptr;
    QToolButton* b_Open = nullptr;
    QPushButton *b_Store = nullptr, *b_Cancel = nullptr;
};

// Makes the import window the window created for ImportLayer (call before createSecondaryWindows).
void registerImportWindow();

} // namespace zelto
