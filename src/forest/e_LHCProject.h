// The project of one forest plan area (LHC): the year of the plan, the directories its data come
// from and go to, and its data file, which is named after the project and lies in DataDirectory.
//
// Paths are texts in the data model's form ("D:\data"). Where the platform has no "\" separator,
// a directory that starts with "/" is joined with "/" and a path is looked up with every "\" taken
// as "/" (LocalFileName).
#pragma once

#include "e_Project.h"

namespace zelto {

class TZELTOLHCProject : public TZeltoProject {
    ZELTO_CLASS(TZELTOLHCProject, TZeltoProject)
public:
    qint32 FYear = 0;
    QString FExternalParcelDirectory;
    QString FExternalDataDirectory;
    QString FExportParcelDirectory;
    QString FExportDataDirectory;
    QString FDataDirectory;
    QString FSymbolsDirectory;
    bool FModified = false; // kept in memory only
    bool FLastChangesExported = false;

    // DataDirectory with a trailing separator, the project's name and ".zlt", made absolute
    // (GetAbsolutePath); an empty DataDirectory gives the name and ".zlt" under the base directory.
    QString GetDataFileName() const;
    // A file of that name exists.
    bool GetDataFileExists() const;
    // A directory "DET.BLK" exists in ExternalDataDirectory (false while that is empty).
    bool GetExternalDataExists() const;
    // Also clears LastChangesExported, whatever the value.
    void SetModified(bool value);

    qint32 GetYear() const { return FYear; }
    void SetYear(qint32 v) { FYear = v; }
    QString GetExternalParcelDirectory() const { return FExternalParcelDirectory; }
    void SetExternalParcelDirectory(const QString& v) { FExternalParcelDirectory = v; }
    QString GetExternalDataDirectory() const { return FExternalDataDirectory; }
    void SetExternalDataDirectory(const QString& v) { FExternalDataDirectory = v; }
    QString GetExportParcelDirectory() const { return FExportParcelDirectory; }
    void SetExportParcelDirectory(const QString& v) { FExportParcelDirectory = v; }
    QString GetExportDataDirectory() const { return FExportDataDirectory; }
    void SetExportDataDirectory(const QString& v) { FExportDataDirectory = v; }
    QString GetDataDirectory() const { return FDataDirectory; }
    void SetDataDirectory(const QString& v) { FDataDirectory = v; }
    QString GetSymbolsDirectory() const { return FSymbolsDirectory; }
    void SetSymbolsDirectory(const QString& v) { FSymbolsDirectory = v; }
    bool GetModified() const { return FModified; }
    bool GetLastChangesExported() const { return FLastChangesExported; }
    // The setter of LastChangesExported.
    void SetLastModifyExported(bool v) { FLastChangesExported = v; }
};

// `directory` followed by a separator and `name`: "\" (as CheckBackSlash appends it), or "/" for a
// directory that starts with "/"; none is added when `directory` already ends with either. An
// empty directory gives `name` alone.
QString JoinProjectPath(const QString& directory, const QString& name);
// A path of the data model as the platform's file functions take it (on POSIX systems every "\"
// becomes "/"; elsewhere the path is unchanged).
QString LocalFileName(const QString& path);

// Module 50 "forest project": TZELTOLHCProject.
void registerForestProjectClasses();

} // namespace zelto
