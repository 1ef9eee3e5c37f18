// Opening a project: the project file (XML, ".opx") names the map directory and the forest data;
// the project's working directory under the public folder keeps the user's layers, settings,
// photos and recordings. LoadProject runs the opening in its fixed order and tells the host when
// the map is ready.
#pragma once

#include "framework/_IniFile.h"

#include <QDomDocument>
#include <QString>

#include <memory>

namespace zelto {

class TMainForm;

class TProjectController {
public:
    explicit TProjectController(TMainForm& form);
    ~TProjectController();

    // Paths next to the project file (D/N + suffix) and in the public folder (P/N + suffix) of
    // the older layer, route and note files.
    QString LayersPath, AlternativeLayersPath;
    QString RoutesPath, AlternativeRoutesPath;
    QString NotesPath, AlternativeNotesPath;
    // The map directory and the forest data file of the open project, absolute.
    QString MapPath, ForestPath;
    bool Layers_Modified = false;
    bool LayersLocal_Modified = false;
    bool ActiveToolRestart = false;
    QDomDocument XMLDocument;

    // Opens the project file. False, with a message, when it cannot be read (the project open
    // before stays open) or its working directory cannot be made.
    bool LoadProject(const QString& aFileName);
    // The project file's "File" (FindLayerPath), named child (FindLayerValue) or "Ext"
    // (FindLayerExt) of the last entry whose "Layer" is aLayer; empty when there is none.
    QString FindLayerPath(const QString& aLayer) const;
    QString FindLayerValue(const QString& aLayer, const QString& aValue) const;
    QString FindLayerExt(const QString& aLayer) const;
    // aRelativePath under aRootPath; an absolute aRelativePath stays as it is. "\" separators of
    // the data are taken as "/".
    static QString GetAbsolutePath(const QString& aRootPath, const QString& aRelativePath);

    // The settings file of the open project (none before the first project).
    TRealIniFile* IniFIle() const { return m_ini.get(); }

    // The "Otevřít projekt" buttons: the project chooser, which opens the chosen file.
    void b_OpenProjectClick();
    void OnSelectFile(const QString& fileName);

private:
    TMainForm& m_form;
    std::unique_ptr<TRealIniFile> m_ini;
};

} // namespace zelto
