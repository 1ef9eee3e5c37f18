// Opening a project: the project file (XML, ".opx") names the map directory and the forest data;
// the project's working directory under the public folder keeps the user's layers, settings,
// photos and recordings. LoadProject runs the opening in its fixed order and tells the host when
// the map is ready.
#pragma once

#include "framework/_IniFile.h"

#include <QDomDocument>
#include <QString>

#include <functional>
#include <memory>

namespace zelto {

class TLayersController;
class TMapCanvas;
class TNavigationController;
class TProgressController;
class TTiledMapController;

// What opening a project asks of the rest of the window; each is skipped while unset.
struct TProjectHooks {
    std::function<QString()> User;               // names the per-user files
    std::function<void()> Closing;               // the open project's state is given up
    std::function<void(const QString&)> LoadDET; // reading the forest data file
    std::function<void()> FireMapReady;          // the host's OnMapReady
    std::function<void()> LayersLoaded;          // the project's layers are read (step 8)
    std::function<void(int)> StartActiveTool;    // the map browsing tool after opening
    std::function<void()> ShowProjectChooser;    // the "Otevřít projekt" buttons
};

class TProjectController {
public:
    TProjectController(TMapCanvas& canvas, TTiledMapController& map, TNavigationController& navigation,
                       TLayersController& layers, TProgressController& progress);
    ~TProjectController();
    TProjectHooks Hooks;

    // Paths next to the project file (D/N + suffix) and in the public folder (P/N + suffix) of
    // the older layer, route and note files.
    QString LayersPath, AlternativeLayersPath;
    QString RoutesPath, AlternativeRoutesPath;
    QString NotesPath, AlternativeNotesPath;
    // The map directory and the forest data file of the open project, absolute.
    QString MapPath, ForestPath;
    bool ActiveToolRestart = false;
    QDomDocument XMLDocument;

    // Opens the project file. False, with a message, when it cannot be read (the project open
    // before stays open) or its working directory cannot be made. The host hears OnMapReady when
    // the first redraw of the project's map has finished (at once when it fits one slice).
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
    TMapCanvas& m_canvas;
    TTiledMapController& m_map;
    TNavigationController& m_navigation;
    TLayersController& m_layers;
    TProgressController& m_progress;
    std::unique_ptr<TRealIniFile> m_ini;
    int m_opened = 0; // projects opened: a map-ready wait of an earlier one is void
};

} // namespace zelto
