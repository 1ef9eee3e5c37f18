// The files of a note's attachments: photos ("KLIMG_<stamp>.jpg") in the project's photo folder
// and recordings ("KLAUD_<stamp>.mp3") in its audio folder, where the stamp is the local time as
// YYYYMMDD_HHMMSS. A note stores only the file name; whatever a note file names is checked before
// a file is read or removed, since the layers may come from someone else's device.
//
// Also here: moving the notes an older version kept in a file of their own into a layer.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QImage;

namespace zelto {

class TComplicatedGECollection;
class TLayersController;
class TStringListElement;

// The clock of the attachment names (local time); tests install their own. nullptr restores the
// system's clock.
void setNoteClock(std::function<QDateTime()> clock);
QDateTime noteNow();

// YYYYMMDD_HHMMSS.
QString NoteStamp(const QDateTime& moment);
// prefix + stamp of now + extension in `dir`; when that name is taken (a file in dir, or one of
// `inUse`, compared ignoring case as memory cards do) "_2", "_3", … is added before the extension:
// two photos within one second would otherwise share a file.
QString UniqueAttachmentName(const QString& dir, const QString& prefix, const QString& extension,
                             const QStringList& inUse = {});
QString UniquePhotoName(const QString& dir, const QStringList& inUse = {});
QString UniqueAudioName(const QString& dir, const QStringList& inUse = {});

// A plain file name: not empty, no separator, not "." or "..", not absolute, no control character.
bool IsPlainAttachmentName(const QString& name);
// dir + name when the name is plain and the path stays inside dir once links are resolved; else
// empty.
QString AttachmentPath(const QString& dir, const QString& name);
// One attachment of a note whose file is there: its file name, its label and its path.
struct TAttachmentFile {
    QString name, label, path;
};
// The entries of an attachment list (a note's images or audios) whose files exist in `dir`, in
// order; each missing one, or one whose name leads out of the folder (never read), is reported as
// "Soubor <path> neexistuje!".
std::vector<TAttachmentFile> ExistingAttachments(const TStringListElement* list, const QString& dir);
// A picture file as the camera took it (turned as its orientation says), scaled to fit `scaledTo`
// when that is valid; none when it cannot be read (the reason in `error`).
QImage ReadPhoto(const QString& path, const QSize& scaledTo = QSize(), QString* error = nullptr);
// Creates the folder when missing; false when it cannot be made.
bool EnsureAttachmentDir(const QString& dir);

// Writes the picture as JPEG, atomically (the old file, if any, stays until the new one is
// complete); false with a reason when it could not be written.
bool WritePhotoFile(const QString& path, const QImage& image, QString* error = nullptr);
// Removes the attachment `name` of `dir`; only a plain name whose file lies inside the folder is
// removed. False when refused or nothing was removed.
bool DeleteAttachmentFile(const QString& dir, const QString& name);

// What reading an older notes file shows meanwhile.
struct TNoteLoadHooks {
    std::function<void(const QString& text)> ShowBusy;
    std::function<void()> HideBusy;
};

// Moves the notes of an older notes file into the sub-layer "N" of `superLayer`: skipped when the
// layers already hold an element named "Notes"; the file is `alternativeNotesPath` when it
// exists, else `notesPath`. The layer becomes enabled, visible and modified. Answers whether
// anything was moved.
bool Note_Load(TLayersController& layers, TComplicatedGECollection* superLayer, const QString& notesPath,
               const QString& alternativeNotesPath, const TNoteLoadHooks& hooks = {});

} // namespace zelto
