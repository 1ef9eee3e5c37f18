// The paths of the open project: one record per process (one project is open at a time). The map
// application fills it when it opens a project; core tools read the project's data directory
// from it.
#pragma once

#include <QString>

namespace zelto {

struct TProjectPath {
    static QString Project;    // the project file, as opened
    static QString PurePrj;    // its name without directory and extension
    static QString Root;       // public folder/map/project/PurePrj/ (the data directory)
    static QString User;       // Root + PurePrj + "_USER.zlt"
    static QString CFG;        // Root + PurePrj + ".cfg"
    static QString UID;        // the user identifier
    static QString UserLayers; // Root + "USERLAYERS_" + FileNamePart(UID) + ".xml"
    static QString UDSM;       // Root + "UDSM_" + PurePrj + ".zlt"
    static QString Audio;      // Root + "audio/"
    static QString Img;        // Root + "img/"
    static QString maps;       // Root + "maps/"

    static void Clear();
    // Forms every path from Project and UID under the public folder and creates Root, Audio, Img
    // and maps when missing. False when a directory cannot be created or one of them leads out of
    // the public folder (see StaysInside).
    static bool CheckDirectories();
    // The rule for symbolic links in a project's folders: a path is used only when its real path
    // (every link resolved) lies inside the real path of the folder it belongs to (the map
    // directory for tiles and map folders, the public folder for the working directory). A path
    // that does not exist yet is judged by its nearest existing parent; a dangling link is refused.
    static bool StaysInside(const QString& path, const QString& folder);
    // Root + "UDSML_" + PurePrj + "_" + layerName + ".zlt".
    static QString Layer(const QString& layerName);
    // A name of the data (a layer name, the user identifier) as a part of a file name in Root.
    // Path separators, control characters, the characters memory cards refuse (: * ? " < > |)
    // and "%" become "%" + two hexadecimal digits per UTF-8 byte; a part longer than 120 bytes
    // keeps its beginning, then "%%" and 16 hexadecimal digits of its SHA-1. Stable, and no two
    // names share a part: no name leads out of Root or onto another name's file.
    static QString FileNamePart(const QString& name);

    // The platform's public (shared documents) folder; the application may set another one.
    static QString PublicFolder();
    static void SetPublicFolder(const QString& folder);
};

} // namespace zelto
