// Tools that copy or delete the attachment files (photos, recordings) of one note.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class Tgis_Note;

// Checks an attachment file name taken from a note: a plain file name is accepted; a name with a
// path separator, "." or "..", an absolute or drive path, or a control character is refused (the
// note may come from another device). Answers the refusal text for the protocol, empty when the
// name is accepted.
QString attachmentNameRefusal(const QString& name);

// Copies the photos and recordings of the input note from FromDirectory to ToDirectory (each a
// project data directory with "img" and "audio" below it; "" or "AUTO" means the open project's).
// A file of the same contents already there is not copied again; a different file of the same
// name is never replaced: the copy gets a free name ("_2", "_3", … before the extension) and the
// note's entry is renamed to it.
// Error: 1 no input, 2 not a note, 3 both directories automatic, 4 no open project for an
// automatic directory, 0 done.
class Tgis_NoteTransfer : public TTool {
    ZELTO_CLASS(Tgis_NoteTransfer, TTool)
public:
    QString FToDirectory;
    QString FFromDirectory;

    void DoIt() override;
    QString NumberToPropertyName(int number) const override;

    QString GetFromDirectory() const { return FFromDirectory; }
    void SetFromDirectory(const QString& v) { FFromDirectory = v; }
    QString GetToDirectory() const { return FToDirectory; }
    void SetToDirectory(const QString& v) { FToDirectory = v; }
};

// Deletes the photos and recordings of the input note from the open project's data directory.
// Error: 1 no input, 2 not a note, 3 no open project, 0 done.
class Tgis_NoteKillData : public TTool {
    ZELTO_CLASS(Tgis_NoteKillData, TTool)
public:
    void DoIt() override;
};

void registerNoteToolClasses();

} // namespace zelto
