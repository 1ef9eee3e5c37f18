#include "e_LHCProject.h"

#include "framework/U_String.h"
#include "framework/e_Class.h"

#include <QFileInfo>

namespace zelto {

QString JoinProjectPath(const QString& directory, const QString& name) {
    if (directory.isEmpty()) return name;
    if (directory.endsWith(QLatin1Char('\\')) || directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + (directory.startsWith(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\')) + name;
}

QString LocalFileName(const QString& path) {
#ifdef Q_OS_WIN
    return path;
#else
    QString local = path;
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return local;
#endif
}

void TZELTOLHCProject::DeclareProperties(TPropTableBuilder& b) {
    using P = TZELTOLHCProject;
    b.prop<&P::GetYear, &P::SetYear>("Year");
    b.prop<&P::GetExternalParcelDirectory, &P::SetExternalParcelDirectory>("ExternalParcelDirectory");
    b.prop<&P::GetExternalDataDirectory, &P::SetExternalDataDirectory>("ExternalDataDirectory");
    b.prop<&P::GetExportParcelDirectory, &P::SetExportParcelDirectory>("ExportParcelDirectory");
    b.prop<&P::GetExportDataDirectory, &P::SetExportDataDirectory>("ExportDataDirectory");
    b.readOnly<&P::GetExternalDataExists>("ExternalDataExists").stored(false);
    b.prop<&P::GetDataDirectory, &P::SetDataDirectory>("DataDirectory");
    b.prop<&P::GetSymbolsDirectory, &P::SetSymbolsDirectory>("SymbolsDirectory");
    b.readOnly<&P::GetDataFileName>("DataFileName").stored(false);
    b.readOnly<&P::GetDataFileExists>("DataFileExists").stored(false);
    b.prop<&P::GetModified, &P::SetModified>("Modified").stored(false);
    b.prop<&P::GetLastChangesExported, &P::SetLastModifyExported>("LastChangesExported");
}
ZELTO_IMPLEMENT_CLASS(TZELTOLHCProject, TZeltoProject, "e_LHCProject")

QString TZELTOLHCProject::GetDataFileName() const {
    return GetAbsolutePath(JoinProjectPath(FDataDirectory, GetName() + QLatin1String(".zlt")));
}

bool TZELTOLHCProject::GetDataFileExists() const {
    return QFileInfo(LocalFileName(GetDataFileName())).isFile();
}

bool TZELTOLHCProject::GetExternalDataExists() const {
    if (FExternalDataDirectory.isEmpty()) return false;
    return QFileInfo(LocalFileName(JoinProjectPath(FExternalDataDirectory, QStringLiteral("DET.BLK"))))
        .isDir();
}

void TZELTOLHCProject::SetModified(bool value) {
    FModified = value;
    FLastChangesExported = false;
}

void registerForestProjectClasses() {
    RegisterZeltoClass(TZELTOLHCProject::StaticClass());
}

} // namespace zelto
