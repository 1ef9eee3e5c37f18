// The note dialog, embedded in the map form as the frame "Note_Dialog": a note's name, its text,
// its photos (taken with the camera or chosen from the files) and its audio recordings, with a
// small player. Two layouts: the classic panel (Layout_Main) and the alternative style's callout
// card over a dimming cover (ks_Layout_Main). The dialog edits the note in place; what the note
// becomes on OK (added to its layer, saved, drawn) is the controller's, through the hooks.
//
// Attachment files are written at once (a photo when taken, a recording while it is captured) and
// removed at once when the user deletes them, after a confirmation through the generic dialog.
#pragma once

#include "dialogs/VirtualKeyboardClient.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QImage;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace zelto {

class TAudioListPlayer;
class TStringListElement;
class TSuperdialog;
class Tgis_Note;

struct TNoteDialogHooks {
    std::function<QString()> PhotoDir, AudioDir; // the project's folders
    std::function<QString()> User;               // the user identifier
    // The generic dialog prepared for a question (editMode false) with its prompt.
    std::function<TSuperdialog*(bool editMode, const QString& prompt)> PrepareSuperdialog;
    std::function<void()> SaveLayers; // after an attachment was removed
    // OK: the note holds the edited text, user and time; a new note is to be added to its layer.
    std::function<void(Tgis_Note* note, bool isNew)> Saved;
    std::function<void()> Cancelled;                    // "Storno"
    std::function<void(const QString& file)> ShowPhoto; // the photo viewer on one file
    // The image file chosen "from the library" (empty: cancelled).
    // "From the library": the file chooser on image files; the chosen file is handed to `chosen`.
    std::function<void(std::function<void(const QString& file)> chosen)> PickImageFile;
};

class TNote_Dialog : public QWidget, public TVirtualKeyboardClient {
    Q_OBJECT
public:
    explicit TNote_Dialog(QWidget* parent = nullptr);
    ~TNote_Dialog() override;

    TNoteDialogHooks Hooks;

    // The note edited (not owned): fills the name, the text and both lists.
    void SetaNote(Tgis_Note* note);
    Tgis_Note* GetaNote() const { return FaNote; }
    void SetNewObject(bool newObject) { FNewObject = newObject; }
    bool GetNewObject() const { return FNewObject; }
    void SetKavintStyle(bool kavintStyle);
    bool GetKavintStyle() const { return FKavintStyle; }
    bool GetModified() const { return FModified; }
    // The alternative layout's card takes the scale of the form's bars (1 by default); the
    // classic layout keeps its size.
    void SetLayoutScale(qreal sx, qreal sy);
    qreal LayoutScale() const { return m_scale; }
    // The path of the photo shown large (empty when none is).
    QString GetImageFile() const { return ImageFile; }

    void Show();
    // Stops recording and playback and hides the dialog.
    void Close();

    // Saves the picture as a new photo of the note; answers its path (empty, with a message,
    // when it could not be written).
    QString AddPhoto(const QImage& bitmap);
    // A new recording entry of the note; `path` is where its file goes.
    bool AddAudio(QString& path);
    QString GetUniquePhotoName() const;
    QString GetUniqueAudioName() const;
    bool HasMicrophone() const;
    bool IsMicrophoneRecording() const;

    void actStartRecording();
    void actStopRecording();
    void actPlay();
    void actStop();
    void TakePhotoFromCamera();
    void TakePhotoFromLibrary();
    // A picture file taken as a new photo of the note (a copy as JPEG in the photo folder).
    void AddPhotoFromFile(const QString& file);

    void b_OKClick();
    void b_StornoClick();
    void b_DeletePhotoClick();
    void b_DeleteAudioClick();
    void b_NextClick();
    void b_PrevClick();
    void b_ClosePlayClick();
    void b_CloseImageClick();
    void ListBox_PhotoItemClick(QListWidgetItem* item);
    void ListBox_AudioItemClick(QListWidgetItem* item);
    // A tap on the large photo: the viewer on its file.
    void ImageClick();

    bool KeyboardVisible() const { return FVKVisible; }
    QRect KeyboardBounds() const { return FVKBounds; }
    void FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds) override;
    void FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void relayout();
    void applyFonts();
    void fillPhotos();
    void fillAudios();
    QListWidgetItem* addPhotoItem(const QString& label, const QString& path, const QString& name,
                                  const QImage& thumbnail);
    QListWidgetItem* addAudioItem(const QString& label, const QString& path, const QString& name);
    void showPhoto(const QString& path, const QImage& image);
    void hidePhoto();
    void removePhotoConfirmed(const QString& name);
    void removeAudioConfirmed(const QString& name);
    // Asks the prompt about the selected row of the list; yes runs `remove` with its file name.
    void confirmRemoval(QListWidget* list, const QString& prompt,
                        void (TNote_Dialog::*remove)(const QString& name));
    // Deletes the file, the note's entry and the row of the attachment `name`, then saves.
    void removeAttachment(const QString& dir, TStringListElement* entries, QListWidget* list,
                          const QString& name);
    QString photoDir() const;
    QString audioDir() const;

    Tgis_Note* FaNote = nullptr;
    bool FNewObject = false;
    bool FKavintStyle = false;
    bool FModified = false;
    QString ImageFile;
    bool FVKVisible = false;
    QRect FVKBounds;
    // The recording this dialog started (its entry is taken back when starting fails).
    QString m_recordingName;
    qreal m_scale = 1;

    QWidget* R_Cover = nullptr;
    QWidget* Layout_Main = nullptr;
    QWidget* ks_Layout_Main = nullptr;
    QWidget* ks_Rect = nullptr;
    QWidget* ks_Pointer = nullptr;
    QWidget* Layout_Content = nullptr;
    QLabel* l_Name = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QListWidget* ListBox_Photo = nullptr;
    QListWidget* ListBox_Audio = nullptr;
    QWidget* Layout_Buttons = nullptr;
    QPushButton *ks_b_Camera = nullptr, *ks_b_Record = nullptr, *ks_b_ImageFile = nullptr;
    QPushButton *b_DeletePhoto = nullptr, *b_DeleteAudio = nullptr;
    QPushButton *b_OK = nullptr, *b_Storno = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* ks_Image1_Layout = nullptr;
    QLabel* ks_Image1 = nullptr;
    QPushButton* ks_b_CloseImage = nullptr;
    QWidget* p_Record = nullptr;
    QLabel* l_Record = nullptr;
    QPushButton* b_StopRecording = nullptr;
    QWidget* p_Play = nullptr;
    QLabel* l_Play = nullptr;
    QPushButton *b_Prev = nullptr, *b_Next = nullptr, *b_Play = nullptr, *b_Stop = nullptr;
    QPushButton* b_ClosePlay = nullptr;
    std::unique_ptr<TAudioListPlayer> m_player;
};

} // namespace zelto
