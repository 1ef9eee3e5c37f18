#include "Project.h"

#include "Layers.h"
#include "MapCanvas.h"
#include "Navigation.h"
#include "TiledMap.h"
#include "UiKit.h"
#include "lock/ProgressController.h"

#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/SafeFile.h"
#include "persistence/ProjectXml.h"
#include "platform/StorageFolders.h"
#include "symbology/e_Device.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

namespace zelto {

TProjectController::TProjectController(TMapCanvas& canvas, TTiledMapController& map,
                                       TNavigationController& navigation, TLayersController& layers,
                                       TProgressController& progress)
    : m_canvas(canvas), m_map(map), m_navigation(navigation), m_layers(layers), m_progress(progress) {}
TProjectController::~TProjectController() = default;

QString TProjectController::GetAbsolutePath(const QString& aRootPath, const QString& aRelativePath) {
    const QString relative =
        QDir::fromNativeSeparators(QString(aRelativePath).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (QDir::isAbsolutePath(relative)) return QDir::cleanPath(relative);
    return QDir::cleanPath(QDir::fromNativeSeparators(aRootPath) + QLatin1Char('/') + relative);
}

QString TProjectController::FindLayerValue(const QString& aLayer, const QString& aValue) const {
    return projectEntryValue(XMLDocument, aLayer, aValue);
}

QString TProjectController::FindLayerPath(const QString& aLayer) const {
    return FindLayerValue(aLayer, QStringLiteral("File"));
}

QString TProjectController::FindLayerExt(const QString& aLayer) const {
    return FindLayerValue(aLayer, QStringLiteral("Ext"));
}

bool TProjectController::LoadProject(const QString& aFileName) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // The file is read before anything is given up: a project file that cannot be read leaves
    // the open project as it was.
    QDomDocument doc;
    QString reason;
    if (!readProjectXml(aFileName, doc, reason)) {
        notifier().message(
            QStringLiteral("Projekt %1 nelze otevřít: %2").arg(QDir::toNativeSeparators(aFileName), reason));
        return false;
    }

    // 1. An empty map at once.
    const int opened = ++m_opened;
    TTiledMapController& map = m_map;
    if (QWidget* image = m_canvas.Widgets().Image) image->setEnabled(true);
    map.MapChangeActive = false;
    map.Tiles.Clear();
    // What records into the layers ends first (a route being recorded is saved with its layer).
    if (Hooks.Closing) Hooks.Closing();
    // The user layers: the active and the edited layer, the layers and their list.
    m_layers.Clear();
    map.ClearMaps();
    m_canvas.ClearPicture();
    m_canvas.Update();

    // 2. The project's paths and working directory.
    TProjectPath::Clear();
    TProjectPath::UID = Hooks.User ? Hooks.User() : QString();
    TProjectPath::Project = aFileName;
    TProjectPath::SetPublicFolder(platform::storageFolders().publicFolder());
    if (!TProjectPath::CheckDirectories()) {
        notifier().message(QStringLiteral("Pracovní složku projektu %1 nelze vytvořit.")
                               .arg(QDir::toNativeSeparators(TProjectPath::Root)));
        return false;
    }

    // What saves killed mid-write left in the project's folders goes.
    removeStaleSaveTemporaries(TProjectPath::Root);
    removeStaleSaveTemporaries(QFileInfo(aFileName).absolutePath());

    // 3. The settings file.
    m_ini = std::make_unique<TRealIniFile>(TProjectPath::CFG);

    // 4. The older files next to the project file and in the public folder.
    const QFileInfo info(aFileName);
    const QString D = info.absolutePath();
    const QString N = info.completeBaseName();
    const QString P = TProjectPath::PublicFolder();
    LayersPath = QDir(D).filePath(N + QStringLiteral("_USER.zlt"));
    AlternativeLayersPath = QDir(P).filePath(N + QStringLiteral("_USER.zlt"));
    RoutesPath = QDir(D).filePath(N + QStringLiteral("_RTS.zlt"));
    AlternativeRoutesPath = QDir(P).filePath(N + QStringLiteral("_RTS.zlt"));
    NotesPath = QDir(D).filePath(N + QStringLiteral("_NTS.zlt"));
    AlternativeNotesPath = QDir(P).filePath(N + QStringLiteral("_NTS.zlt"));

    // 5. The project document.
    XMLDocument = doc;

    // 6. What the project shows, relative to the project file's directory.
    MapPath = FindLayerPath(QStringLiteral("Map"));
    ForestPath = FindLayerPath(QStringLiteral("Det"));
    FindLayerExt(QStringLiteral("Map")); // read as the format has it; the extension has no effect
    if (!MapPath.isEmpty()) MapPath = GetAbsolutePath(D, MapPath);
    if (!ForestPath.isEmpty()) ForestPath = GetAbsolutePath(D, ForestPath);

    // 7. Progress on.
    m_progress.ShowProgress(true);

    // 8. The user layers: definitions, local settings, layer files, the checks and the list;
    // then saved when the checks changed them.
    m_layers.SetOlderLayerFiles(LayersPath, AlternativeLayersPath);
    m_layers.LoadAll();
    if (Hooks.LayersLoaded) Hooks.LayersLoaded();

    // 9. The forest data (in the background by default). A project without them drops the
    // previous project's model.
    if (Hooks.LoadDET) Hooks.LoadDET(ForestPath);

    // 10. The map directory.
    map.LoadMap(MapPath);

    // 11. Progress off.
    m_progress.ShowProgress(false);

    // 12. The whole first map in view, drawn.
    map.ChangeProjectionByFirstMapTile();
    map.Review();
    m_navigation.ShowScaleAndCoords();
    map.MapChangeActive = true;

    // 13. The host learns that the map is ready once it is drawn. A project opened meanwhile
    // voids the wait.
    m_canvas.WhenCompleted([this, opened] {
        if (opened == m_opened && Hooks.FireMapReady) Hooks.FireMapReady();
    });

    // 14. The map browsing tool.
    if (Hooks.StartActiveTool) Hooks.StartActiveTool(0);
    ActiveToolRestart = false;
    return true;
}

void TProjectController::b_OpenProjectClick() {
    if (Hooks.ShowProjectChooser) Hooks.ShowProjectChooser();
}

void TProjectController::OnSelectFile(const QString& fileName) {
    LoadProject(fileName);
}

} // namespace zelto
