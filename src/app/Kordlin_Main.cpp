#include "Kordlin_Main.h"
#include "AreaDialog.h"

#include "BitmapCodecs.h"
#include "Forest.h"
#include "Gps.h"
#include "ImageViewer.h"
#include "ImportLayer.h"
#include "Kordlin_MainTool.h"
#include "LayerPainter.h"
#include "Layers.h"
#include "MapCanvas.h"
#include "MediaPlayer.h"
#include "Navigation.h"
#include "NoteAttachments.h"
#include "NoteDialog.h"
#include "NoteWindows.h"
#include "NotesFrame.h"
#include "Project.h"
#include "SecondaryWindows.h"
#include "StreamRead.h"
#include "TiledMap.h"
#include "Tools.h"
#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"
#include "dialogs/t_xFileDialog.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "lock/BarsController.h"
#include "lock/LockController.h"
#include "lock/ProgressController.h"

#include "colors/e_Color.h"
#include "editing/AreaEditor.h"
#include "forest/t_ForestModelSelector.h"
#include "framework/Errors.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/_IniFile.h"
#include "platform/AppEvents.h"
#include "platform/StorageFolders.h"
#include "platform/UrlOpener.h"
#include "projection/e_Wcs.h"
#include "symbology/e_Device.h"
#include "topology/e_TopolDruhy.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QTabWidget>

namespace zelto {

TMainForm* MainForm = nullptr;

namespace {

// A note window: the process's secondary window, or (for a form used without DoIt) one made now and
// kept as that window from then on.
QWidget* noteWindow(SecondaryWindow which) {
    if (QWidget* w = secondaryWindow(which)) return w;
    registerNoteWindows();
    createSecondaryWindows();
    return secondaryWindow(which);
}

QString systemFolder() {
    return QDir(platform::storageFolders().publicFolder()).filePath(QStringLiteral("map/system"));
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    CreateDesign();
    WireParts();
    WireControllers();
    Wire();
    MainForm = this;
    FormCreate();
}

TMainForm::~TMainForm() {
    if (m_appEvents && m_appEvents == platform::appEventService())
        m_appEvents->unsubscribe(m_appEventSubscription);
    // The area editor's indexes hold the layers' areas: it goes before them.
    m_areaEditor.reset();
    m_retiredAreaEditor.reset();
    // The controllers go before the controls they drive and the canvas they paint on.
    m_project.reset();
    m_tools.reset();
    m_forest.reset();
    m_gps.reset();
    m_layerPainter.reset();
    m_layers.reset();
    m_navigation.reset();
    m_tiledMap.reset();
    m_mapCanvas.reset();
    PSYMB = nullptr;
    Zn = nullptr;
    m_psymbRead.reset();
    m_znRead.reset();
    delete m_mainTool;
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::WireControllers() {
    // The map canvas: the map picture with its overlays, and the passes of a redraw.
    m_mapCanvas = std::make_unique<TMapCanvas>(TMapCanvasWidgets{Image, Image_edit, Image_Edit_Detail});

    // The tiled map fills the map lists and paints the first pass.
    m_tiledMap = std::make_unique<TTiledMapController>(*m_mapCanvas, TTiledMapWidgets{MapCombo, MapListBox},
                                                       *m_progress);
    m_tiledMap->InBackground = [this] { return Application_Background; };
    m_tiledMap->CloseDrawer = [this] { CloseDrawer(); };
    m_tiledMap->ReviewStarting = [this] {
        if (m_forest) m_forest->AreaBlinked = false;
    };

    // View navigation: the overlay's input, the zoom buttons, the read-outs.
    m_navigation =
        std::make_unique<TNavigationController>(*m_mapCanvas, *m_tiledMap, TNavigationWidgets::Find(*this));
    m_navigation->Hooks.HideTopBar = [this] { SetTopBar_Visible(false); };
    m_navigation->Hooks.ActiveTool = [this] { return GetActiveTool(); };
    m_navigation->Hooks.OpenDrawer = [this] { OpenDrawer(); };

    // The user layers and the layer tab of the drawer.
    m_layers = std::make_unique<TLayersController>(TLayersWidgets::Find(*this), *m_progress);
    m_layers->Hooks.Ini = [this] { return m_project ? m_project->IniFIle() : nullptr; };
    m_layers->Hooks.Review = [this] { Review(); };
    m_layers->Hooks.CloseDrawer = [this] { CloseDrawer(); };
    m_layers->Hooks.OpenDrawer = [this] { OpenDrawer(); };
    m_layers->Hooks.PrepareSuperdialog = [this](bool editMode, const QString& prompt) {
        return PrepareSuperdialog(editMode, prompt);
    };
    m_layers->Hooks.ActiveTool = [this] { return GetActiveTool(); };

    // The GPS: the position, follow mode and routes (into the layer "Log").
    m_gps = std::make_unique<TGpsController>(TGpsWidgets::Find(*this), *m_mapCanvas, *m_tiledMap, *m_layers);
    m_gps->Hooks.HideTopBar = [this] { SetTopBar_Visible(false); };
    m_navigation->Hooks.StopGpsFollow = [this] { m_gps->StopFollow(); };

    // What is painted over the tiles: the user layers, the GPS marker, the edited objects.
    TLayerPainterSource paint;
    paint.Layers = [this] { return m_layers->Layers(); };
    paint.PSYMB = [this] { return PSYMB; };
    paint.KavintStyle = [this] { return KavintStyle; };
    paint.GpsFixed = [this] { return m_gps->FGPSFixed; };
    paint.jtskX = [this] { return m_gps->jtskX; };
    paint.jtskY = [this] { return m_gps->jtskY; };
    paint.LayersVersion = [this] { return m_layers->Version(); };
    m_layerPainter = std::make_unique<TLayerPainter>(*m_mapCanvas, TLayerPainterWidgets::Find(*this), paint);
    m_layerPainter->Install();
    m_gps->Hooks.Drawgps = [this] { m_layerPainter->Drawgps(); };
    // A redraw paints the route being recorded too (it is not a line of its layer until it ends).
    m_mapCanvas->SetSimplePass(TDrawPass::Route, [this] {
        if (m_gps->GPSTrack && m_gps->ActualRoute)
            m_layerPainter->DrawLine(m_gps->ActualRoute, -1, LineColor);
    });
    m_gps->Hooks.DrawRoute = [this](TPolyLineElement*) { DrawActualRoute(); };
    m_navigation->Hooks.Drawgps = [this] { m_layerPainter->Drawgps(); };
    m_navigation->Hooks.DrawgpsTear = [this](double dx, double dy) { m_layerPainter->DrawgpsTear(dx, dy); };

    // The forest data: the search panel, the unit labels, the highlight and the host hand-over.
    m_forest = std::make_unique<TForestController>(TForestWidgets::Find(*this), *m_mapCanvas, *m_tiledMap,
                                                   *m_progress, *m_layerPainter);
    m_forest->Hooks.ShowUnitLabel = [this](const QString& label) { ShowUnitLabel(label); };
    m_forest->Hooks.SelectJPRL = [this](TElement* unit) {
        if (!FOnSelectJPRL) return false;
        FOnSelectJPRL(unit);
        return true;
    };
    m_forest->Hooks.OnDataReady = [this] {
        if (FOnDataReady) FOnDataReady(nullptr);
    };
    m_forest->Hooks.HideForm = [this] { hide(); };
    m_forest->Hooks.HideTopBar = [this] { SetTopBar_Visible(false); };
    m_forest->Hooks.DataOnBackGround = [this] { return m_dataOnBackGround; };
    m_forest->Hooks.ShowScaleAndCoords = [this] { m_navigation->ShowScaleAndCoords(); };
    m_mapCanvas->SetSimplePass(TDrawPass::ForestHighlight, [this] { m_forest->PaintPendingHighlight(); });
    m_layers->Hooks.UnitText = [this](double x, double y) { return m_forest->FindForestSimpleText(x, y); };

    // The tools: what a tap on the map does, the line and point editing, the callout.
    m_tools = std::make_unique<TToolsController>(TToolsWidgets::Find(*this), *m_mapCanvas, *m_navigation,
                                                 *m_layers, *m_layerPainter, *m_forest, *m_gps);
    m_tools->Hooks.KavintStyle = [this] { return KavintStyle; };
    m_tools->Hooks.User = [this] { return GetUser(); };
    m_tools->Hooks.Review = [this] { Review(); };
    m_tools->Hooks.HideTopBar = [this] { SetTopBar_Visible(false); };
    m_tools->Hooks.CloseDrawer = [this] { CloseDrawer(); };
    m_tools->Hooks.OpenToolsTab = [this] {
        tabc->setCurrentWidget(tab_Tools);
        OpenDrawer();
    };
    m_tools->Hooks.PrepareSuperdialog = [this](bool editMode, const QString& prompt) {
        return PrepareSuperdialog(editMode, prompt);
    };
    m_tools->Hooks.PSYMB = [this] { return PSYMB; };
    m_tools->Hooks.Zn = [this] { return Zn; };
    m_tools->Hooks.PrepareColors = [this] { Colors_Prepare(); };
    m_tools->Hooks.OpenUrl = [](const QString& url) { return platform::openUrl(url); };
    m_tools->Hooks.KNViewerSetting = [this] {
        TRealIniFile* ini = m_project ? m_project->IniFIle() : nullptr;
        return ini ? ini->ReadString(QStringLiteral("OPTIONS"), QStringLiteral("KNVIEWER"), QString())
                   : QString();
    };
    m_navigation->Hooks.ImageTap = [this](float x, float y) { m_tools->ImageTap(x, y); };
    m_mapCanvas->SetSimplePass(TDrawPass::EditOverlays, [this] { m_tools->RedrawOverlays(); });
    m_layers->Hooks.RestartActiveTool = [this] {
        m_tools->ActiveToolRestart = true;
        m_tools->StartActiveTool(m_tools->ActiveTool);
    };
    m_bars->HighlightHand = [this] { m_tools->HighlightHand(true); };
    Hooks.DrawEditedPoint = [this] { m_tools->DrawPoint(nullptr); };

    // Opening a project.
    m_project = std::make_unique<TProjectController>(*m_mapCanvas, *m_tiledMap, *m_navigation, *m_layers,
                                                     *m_progress);
    m_project->Hooks.User = [this] { return GetUser(); };
    m_project->Hooks.Closing = [this] {
        m_gps->ProjectClosing();
        // A note being written belongs to the project that closes.
        if (auto* dialog = qobject_cast<TNote_Dialog*>(m_noteDialog.data())) {
            dialog->Close();
            dialog->SetaNote(nullptr);
        }
        if (auto* frame = qobject_cast<TKordlin_Notes_Frame*>(Frame(QStringLiteral("Kordlin_Notes_Frame")))) {
            frame->hide();
            frame->SetActiveLayer(nullptr); // its rows name objects of the closing project
        }
        m_tools->ProjectClosing();
    };
    m_project->Hooks.LayersLoaded = [this] { m_gps->Route_Recover(); };
    m_project->Hooks.LoadDET = [this](const QString& file) { LoadDET(file); };
    m_project->Hooks.FireMapReady = [this] { FireMapReady(); };
    m_project->Hooks.StartActiveTool = [this](int tool) { StartActiveTool(tool); };
    m_project->Hooks.ShowProjectChooser = [this] { showProjectChooser(); };
    // An older project's routes (and, once the notes controller reads them, its notes) move into
    // the layer "OldRoutesAndNotes" when the project has no layer files yet.
    m_layers->Hooks.LoadOldRoutesAndNotes = [this](TComplicatedGECollection* layer) {
        const bool routes = m_gps->Route_Load(layer, m_project->RoutesPath, m_project->AlternativeRoutesPath);
        TNoteLoadHooks busy;
        busy.ShowBusy = [this](const QString& text) { m_progress->ShowBusy(text); };
        busy.HideBusy = [this] { m_progress->HideBusy(); };
        const bool notes =
            Note_Load(*m_layers, layer, m_project->NotesPath, m_project->AlternativeNotesPath, busy);
        return routes || notes;
    };
    WireNotes();
    WireAreaEditor();
    WireImport();
}

void TMainForm::WireAreaEditor() {
    auto* dialog = new Tfmx_AreaDialog;
    SetFrame(QStringLiteral("fmx_AreaDialog"), dialog);
    m_layers->Hooks.Layer42TableChanged = [dialog =
                                               QPointer<Tfmx_AreaDialog>(dialog)](TStringListElement* table) {
        if (dialog) dialog->SetHolinaTable(table);
    };
    m_tools->Hooks.StartAreaEditor = [this](bool) {
        m_retiredAreaEditor.reset();
        TComplicatedGECollection* target = m_tools->ActualLayer;
        TComplicatedGECollection* super = m_layers->ActualSuperLayer;
        if (!m_areaEditor) {
            m_areaEditor = std::make_unique<TKordlinAreaEditor>();
            m_areaEditor->SetName(QStringLiteral("AreaEditor"));
            TKordlinAreaEditor* editor = m_areaEditor.get();
            editor->Hooks.FindForest = [this](double x, double y) {
                return m_forest->FindForest(x, y, false);
            };
            editor->Hooks.Caption = [this](const QString& text) { m_tools->SetActionCaption(text); };
            editor->Hooks.Busy = [this](bool busy) {
                if (busy)
                    m_progress->ShowBusy();
                else
                    m_progress->HideBusy();
            };
            editor->Hooks.Highlight = [this](const TAreaElement* area, quint32 fill) {
                m_tools->HighlightArea(area, fill);
            };
            editor->Hooks.User = [this] { return GetUser(); };
            editor->Hooks.LayersChanged = [this, editor] {
                return m_tools->AreaLayerChanged(editor->GetTargetLevel());
            };
            editor->Hooks.Review = [this] { Review(); };
            editor->Hooks.StartWaitingTool = [this] { m_tools->StartWaitingTool(); };
            editor->Hooks.Message = [](const QString& text) { notifier().message(text); };
        }
        m_areaEditor->SetDialog(qobject_cast<Tfmx_AreaDialog*>(Frame(QStringLiteral("fmx_AreaDialog"))));
        m_areaEditor->SetTargetLevel(target);
        m_areaEditor->SetHolina(super && super->GetGroup() > 0);
        m_areaEditor->SetConstructLevel(super ? super->GetLayer(QStringLiteral("L")) : nullptr);
        // The indexes are built also for a polygon: the tool goes on with taps once it is saved.
        m_areaEditor->on_Activate();
    };
    m_tools->Hooks.AreaEditorQuickArea = [this](TPolyLineElement* outline) {
        if (m_areaEditor)
            m_areaEditor->OnQuickArea(outline);
        else
            delete outline;
    };
    m_tools->Hooks.AreaEditorTap = [this](float x, float y) {
        TPageProjection* P = m_mapCanvas->Projection();
        if (!m_areaEditor || !P) return;
        bool handled = false;
        m_areaEditor->On_tm_MouseUp(P->GetModelX(x), P->GetModelY(y), handled);
    };
    m_tools->Hooks.FinishAreaEditor = [this] {
        if (!m_areaEditor) return;
        // An open dialog goes without an answer; what was built and not saved goes with the
        // editor.
        TAreaDialogPort* dialog = m_areaEditor->Dialog();
        m_areaEditor->DetachDialog();
        if (dialog) dialog->Close();
        m_tools->HighlightArea(nullptr, 0);
        m_areaEditor->Hooks = {};
        m_areaEditor->Deactivate(); // now: the layers may go before the event loop runs again
        m_retiredAreaEditor = std::move(m_areaEditor);
        QTimer::singleShot(0, this, [this] { m_retiredAreaEditor.reset(); });
    };
}

void TMainForm::WireImport() {
    Hooks.StartImport = [this] { Import(); };
}

TImportLayer_Form* TMainForm::ImportWindow() {
    auto* window = qobject_cast<TImportLayer_Form*>(secondaryWindow(SecondaryWindow::ImportLayer));
    if (!window) return nullptr;
    // The window is shared by every form: each use binds it to the project it imports into.
    QPointer<TMainForm> self(this);
    TImportHooks& h = window->Hooks;
    h.Layers = [self]() -> TOwnerEntity* { return self ? self->m_layers->Layers() : nullptr; };
    h.AddLayer = [self](TComplicatedGECollection* layer) -> std::function<void()> {
        return self ? self->m_layers->AddLayer(layer) : std::function<void()>([] {});
    };
    h.Save = [self](TComplicatedGECollection* layer) { return self && self->m_layers->SaveChanges(layer); };
    h.UpdateList = [self] {
        if (self) self->m_layers->Layers_UpdateList();
    };
    h.Changed = [self] {
        if (!self) return;
        self->m_layers->Changed();
        // A running area tool indexes the layers anew: imported areas and lines take part.
        if (self->m_areaEditor && self->m_areaEditor->GetEditorStatus() == gesSelect)
            self->m_areaEditor->on_Activate();
        self->Review();
    };
    h.KeepRead = [self](std::unique_ptr<TStreamRead> read) {
        if (self) self->m_layers->KeepRead(std::move(read));
    };
    h.Forget = [self](TElement* element) {
        if (!self) return;
        self->m_tools->Forget(element);
        if (self->m_areaEditor) self->m_areaEditor->Forget(element);
    };
    h.DataDirectory = [] { return TProjectPath::Root; };
    return window;
}

void TMainForm::Import() {
    CloseDrawer();
    if (!secondaryWindow(SecondaryWindow::ImportLayer)) {
        // A form used without DoIt makes the window now; it stays the process's window.
        registerImportWindow();
        createSecondaryWindows();
    }
    if (TImportLayer_Form* window = ImportWindow()) window->Start(false, QString());
}

void TMainForm::WireNotes() {
    // The note dialog and the list frame take their places among the embedded frames.
    auto* dialog = new TNote_Dialog;
    SetFrame(QStringLiteral("Note_Dialog"), dialog);
    m_noteDialog = dialog;
    dialog->Hooks.PhotoDir = [] { return TProjectPath::Img; };
    dialog->Hooks.AudioDir = [] { return TProjectPath::Audio; };
    dialog->Hooks.User = [this] { return GetUser(); };
    dialog->Hooks.PrepareSuperdialog = [this](bool editMode, const QString& prompt) {
        return PrepareSuperdialog(editMode, prompt);
    };
    dialog->Hooks.SaveLayers = [this, dialog] { m_tools->NoteAttachmentsChanged(dialog->GetaNote()); };
    // Once answered, the dialog lets go of its note: a photo chosen late (the chooser still open) or
    // a note freed later must not reach it.
    dialog->Hooks.Saved = [this, dialog](Tgis_Note* note, bool isNew) {
        dialog->SetaNote(nullptr);
        m_tools->NoteDialogSaved(note, isNew);
    };
    dialog->Hooks.Cancelled = [this, dialog] {
        dialog->SetaNote(nullptr);
        m_tools->NoteDialogCancelled();
    };
    // The photo viewer on one file, or on a note's photos.
    auto showViewer = [](const std::function<void(TKordlin_ImageViewer&)>& load) {
        if (auto* viewer = qobject_cast<TKordlin_ImageViewer*>(noteWindow(SecondaryWindow::ImageViewer))) {
            viewer->SetPhotoDir(TProjectPath::Img);
            load(*viewer);
            viewer->show();
            viewer->raise();
        }
    };
    dialog->Hooks.ShowPhoto = [showViewer](const QString& file) {
        showViewer([&](TKordlin_ImageViewer& v) { v.SetFile(file); });
    };
    dialog->Hooks.PickImageFile = [this](std::function<void(const QString&)> chosen) {
        // The process's file chooser on picture files; the choice comes back later.
        auto* chooser = qobject_cast<TxFileDialog*>(secondaryWindow(SecondaryWindow::FileDialog));
        if (!chooser) chooser = CreateXFileDialog();
        chooser->SetFilter(QStringLiteral(".jpg;.jpeg;.png"));
        chooser->SetDirectory(platform::storageFolders().downloadsFolder());
        chooser->SetCaption(QStringLiteral("Výběr fotografie"));
        chooser->SetOnSelect(std::move(chosen));
        chooser->show();
        chooser->raise();
    };
    m_tools->Hooks.OpenNoteDialog = [this, dialog](Tgis_Note* note, bool isNew) {
        dialog->SetKavintStyle(KavintStyle);
        dialog->SetNewObject(isNew);
        dialog->SetaNote(note);
        dialog->Show();
    };
    m_tools->Hooks.ShowPhotos = [showViewer](Tgis_Note* note) {
        showViewer([&](TKordlin_ImageViewer& v) { v.SetaNote(note); });
    };
    m_tools->Hooks.PlayRecordings = [](Tgis_Note* note) {
        if (auto* player = qobject_cast<TKordlin_MediaPlayer*>(noteWindow(SecondaryWindow::MediaPlayer))) {
            player->SetAudioDir(TProjectPath::Audio);
            player->show();
            player->raise();
            player->SetaNote(note);
        }
    };

    auto* frame = new TKordlin_Notes_Frame;
    SetFrame(QStringLiteral("Kordlin_Notes_Frame"), frame);
    frame->Hooks.FillLists = [this](TComplicatedGECollection* layer, const TLayerObjectLists& lists) {
        m_layers->Layer_UpdateList(layer, lists);
    };
    frame->Hooks.PrepareSuperdialog = [this](bool editMode, const QString& prompt) {
        return PrepareSuperdialog(editMode, prompt);
    };
    frame->Hooks.SaveLayers = [this] { m_layers->Layers_Save(); };
    frame->Hooks.UpdateLayersList = [this] { m_layers->Layers_UpdateList(); };
    frame->Hooks.HideCallout = [this] { m_tools->HideCallout(); };
    frame->Hooks.Changed = [this] { m_layers->Changed(); };
    frame->Hooks.Review = [this] { Review(); };
    frame->Hooks.Deleting = [this](TElement* element) {
        m_tools->Forget(element);
        if (m_areaEditor) m_areaEditor->Forget(element);
    };
    frame->Hooks.Selected = [this, frame](TElement* element) {
        m_tools->FrameSelected(element, frame->ActiveLayer());
    };
    m_tools->Hooks.ListWidth = [frame] {
        QWidget* list = frame->findChild<QWidget*>(QStringLiteral("Panel_List"));
        return list ? double(list->width()) : 0.0;
    };
    auto showFrame = [this, frame](TComplicatedGECollection* layer, const QString& tab) {
        frame->SetActiveLayer(layer);
        if (!tab.isEmpty()) frame->SelectTab(tab);
        CloseDrawer();
        frame->show();
        frame->raise();
    };
    m_tools->Hooks.ShowNotesFrame = showFrame;
    m_layers->Hooks.ShowLayerDetails = [showFrame](TComplicatedGECollection* layer) {
        showFrame(layer, QString());
    };
}

void TMainForm::Wire() {
    TTiledMapController* map = m_tiledMap.get();
    TProjectController* project = m_project.get();
    Image->OnResize = [this, map] {
        map->ImageResize();
        LayoutActionBar();
    };
    connect(MapCombo, &QComboBox::currentIndexChanged, this, [map] { map->MapComboChange(); });
    connect(MapListBox, &QListWidget::itemClicked, this,
            [this, map](QListWidgetItem* item) { map->MapListBoxItemClick(MapListBox->row(item)); });
    for (ui::TTouchButton* b : {b_OpenProject, kb_OpenProject, Image2})
        connect(b, &QAbstractButton::clicked, this, [project] { project->b_OpenProjectClick(); });
    for (ui::TTouchButton* b : {b_Settings, b_Settings2})
        connect(b, &QAbstractButton::clicked, this, [this] { b_SettingsClick(); });
    for (ui::TTouchButton* b : {b_Menu, Image4, ks_InfoLayout_MenuRect, ks_ActionLayout_Rect})
        connect(b, &QAbstractButton::clicked, this, [this] { b_MenuClick(); });
    connect(b_Main, &QAbstractButton::clicked, this, [this] { b_MainClick(); });
    Rect_Menu->OnClick = [this] { b_MainClick(); };
    MultiViewCover->OnClick = [this] { CloseDrawer(); };
    connect(tabc, &QTabWidget::currentChanged, this, [this] { tabcChange(); });
    connect(MainListBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { MainListBoxItemClick(MainListBox->row(item)); });
    connect(kb_Close, &QAbstractButton::clicked, this, [this] { hide(); });
    if (QInputMethod* im = QGuiApplication::inputMethod())
        connect(im, &QInputMethod::visibleChanged, this, [this, im] {
            const QRect bounds = im->keyboardRectangle().toRect();
            if (im->isVisible())
                FormVirtualKeyboardShown(this, true, bounds);
            else
                FormVirtualKeyboardHidden(this, false, bounds);
        });

    // View navigation: the overlay's input, the zoom buttons, the zoom timer.
    m_navigation->Wire();
}

// ---- creation --------------------------------------------------------------------------------

void TMainForm::FormCreate() {
    try {
        // 1. Background and foreground of the application.
        if ((m_appEvents = platform::appEventService()))
            m_appEventSubscription = m_appEvents->subscribe([this](platform::AppEvent e) {
                HandleAppEvent(e);
                return true;
            });

        // 2. State.
        Application_Background = false;
        InfoY = ks_InfoLayout->y();
        LineColor = 0xFFFF0000;
        PointColor = 0xFFFF1493;
        DefaultColor = 0xFFFF1493;
        m_dataOnBackGround = true;
        // The map is painted on the raster engine: there is no canvas quality or GPU canvas to set.
        m_tools->Status = 0;
        m_forest->ImDrawing = false;
        Test = m_tools->CheckNotes = m_tools->CheckLines = m_tools->CheckAreas = true;
        m_forest->CHeckJPRL = true;

        // 3. Tile cache and map state.
        m_tiledMap->Tiles.Clear();
        m_tiledMap->ActualMap = m_tiledMap->ActualTileMatrix = 0;
        m_tiledMap->MapChangeActive = false;
        BmMoving = true;
        BmInMove = Fix = false;
        ToolsMoving = false;
        ToolsVisible = true;
        Rotate = m_forest->AreaBlinked = false;
        m_mapCanvas->BColor = 0xFF000000;

        // 4., 5. The pictures, the snapshot and the overlays at the picture's size; the map
        // canvas holds the drawing device on the map picture (its page and projection).
        m_mapCanvas->Resize();
        Image_edit->show();
        m_tools->MLineCLosed = m_tools->MLineQuickArea = false;

        // 6., 7. (The navigation controller's reset below clears RefX, RefY, LastX, LastY.)
        m_tools->ActiveTool = 0;
        m_tools->ComingActiveTool = m_tools->WaitingActiveTool = -1;
        m_tiledMap->Reviews.fill(TReviewSlot::Free);
        m_tiledMap->LastReview = 0;
        aJTSK = false;

        // 8. The main tool and with it the world.
        m_mainTool = new TMainTool;
        m_mainTool->FForm = this;
        // Navigation state (zoom, pan counters, mouse drag) and mouse mode.
        m_navigation->Reset();
        SetUse_Gestures(false);
        m_mainTool->OnProgress = [this](qint64 id, int event, const QString& name, const QString& text,
                                        int min, int max, int progress) {
            if (Hooks.OnProgress) Hooks.OnProgress(id, event, name, text, min, max, progress);
        };

        // 9. Bars.
        TabViewLayout->hide();
        SetTopBar_Visible(false);
        ktopbar->show();
        b_Settings->hide();
        if (QListWidgetItem* import = MainListBox->item(5)) {
            import->setHidden(true);
            // The menu list shrinks by the hidden row.
            MainListBox->setFixedHeight(MainListBox->height() - import->sizeHint().height());
        }
        Image_Logo->hide();

        // 10., 11. The alternative style.
        KavintStyle = true;
        SetTopBar_Visible(false);
        ktopbar->hide();
        botbar->hide();
        cb_topbar->hide();
        cb_botbar->hide();
        SetStyleGroups();

        // 12.
        SetUser(QStringLiteral("12345"));

        // 13. Symbol sets, colours, parameter file, tile codec.
        ZnPSYMB_Load();
        Colors_Prepare();
        LoadParams();
        RegisterBitmapExtensions();
        LoadTilePlaceholder();
        _Frames->raise();
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Bum"));
    }
}

void TMainForm::SetStyleGroups() {
    for (QWidget* w : {static_cast<QWidget*>(InfoLayout), static_cast<QWidget*>(ScaleLayout),
                       static_cast<QWidget*>(Panel1), static_cast<QWidget*>(GPSLayout)})
        w->setVisible(!KavintStyle);
    for (QWidget* w : {static_cast<QWidget*>(ks_InfoLayout), static_cast<QWidget*>(ks_ScaleLayOut),
                       static_cast<QWidget*>(Layout_SideButtons), static_cast<QWidget*>(Layout_gps)})
        w->setVisible(KavintStyle);
    for (int i = 0; i < MainListBox->count(); ++i)
        MainListBox->item(i)->setIcon(KavintStyle && i < ImageList_Main_ks.size() ? ImageList_Main_ks[i]
                                                                                  : QIcon());
}

void TMainForm::LoadParams() {
    cbActive = false;
    const QString path = QDir(systemFolder()).filePath(QStringLiteral("params.prx"));
    // Only the file's presence counts: it asks for an indented top bar. The switch shows it
    // (while the guard is off, so nothing is saved).
    const bool indented = QFileInfo::exists(path);
    cb_TopBarMargin->setChecked(indented);
    m_bars->SetTopBarMargin(indented);
    cbActive = true;
}

void TMainForm::ZnPSYMB_Load() {
    const QString dir = systemFolder();
    // A damaged symbol file is reported and left out; the form works without the symbols. Each
    // set is kept with its whole read, so that replacing it frees everything read with it.
    // The two sets are read independently: a damaged symbol set does not cost the point kinds.
    auto read = [this](const QString& path, const QString& caption,
                       const TClassInfo& expected) -> std::unique_ptr<TStreamRead> {
        m_progress->SetText(caption + path);
        QString reason;
        std::unique_ptr<TStreamRead> result = TStreamRead::Read(path, reason);
        if (result && !result->Root()->InheritsFrom(expected)) {
            reason = QStringLiteral("soubor obsahuje %1 místo %2")
                         .arg(result->Root()->ClassName(), expected.name());
            result.reset();
        }
        if (!result)
            notifier().message(
                QStringLiteral("Soubor %1 nelze přečíst: %2").arg(QDir::toNativeSeparators(path), reason));
        return result;
    };
    const QString psymbPath = QDir(dir).filePath(QStringLiteral("PSYMB.zlt"));
    if (QFileInfo(psymbPath).isFile()) {
        if (auto symbols = read(psymbPath, QStringLiteral("Čtení PSYMB z "), TOwnerEntity::StaticClass())) {
            PSYMB = nullptr;
            m_psymbRead = std::move(symbols);
            PSYMB = zelto_cast<TOwnerEntity>(m_psymbRead->Root());
        }
    }
    const QString znPath = QDir(dir).filePath(QStringLiteral("Zn.zlt"));
    if (QFileInfo(znPath).isFile()) {
        if (auto kinds = read(znPath, QStringLiteral("Čtení Zn z "), TTopolDruhy::StaticClass())) {
            Zn = nullptr;
            m_znRead = std::move(kinds);
            Zn = zelto_cast<TTopolDruhy>(m_znRead->Root());
        }
    }
    if (!Zn) return;
    QComboBox* combo = KavintStyle ? ks_Point_Edit_ComboBox : Point_Edit_ComboBox;
    combo->clear();
    TTopolDruhCollection* points = Zn->GetB();
    for (int i = 0; i < points->ElementsCount(); ++i) {
        auto* kind = zelto_cast<TTopolDruh>(points->Get(i));
        if (!kind) continue;
        combo->addItem(kind->GetName(), QVariant::fromValue(static_cast<void*>(kind)));
        if (!points->GetActualDruh()) points->SetActualDruh(kind);
        if (KavintStyle) combo->setItemData(combo->count() - 1, QColor(0xFFFFFFFFu), Qt::ForegroundRole);
    }
    combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
}

void TMainForm::Colors_Prepare() {
    ColorListBox->setUpdatesEnabled(false);
    ColorListBox->clear();
    for (int i = 0; i <= 15; ++i) {
        const QColor colour = QColor::fromRgba(DejBarvicku(i));
        QPixmap swatch(20, 20);
        swatch.fill(Qt::transparent);
        {
            QPainter p(&swatch);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QColor(255, 255, 255, 90));
            p.setBrush(colour);
            p.drawRoundedRect(QRectF(1, 1, 18, 18), 4, 4);
        }
        auto* item = new QListWidgetItem(QIcon(swatch), QString::number(i), ColorListBox);
        item->setData(Qt::UserRole, i);
    }
    ColorListBox->setUpdatesEnabled(true);
    m_tools->Barva = 13;
}

void TMainForm::RegisterBitmapExtensions() {
    TBitmapCodecManager::RegisterBitmapCodecClass(QStringLiteral(".j"), QStringLiteral("JPEG image"), "jpeg");
}

void TMainForm::LoadTilePlaceholder() {
    // The picture of a missing tile: the system folder's own when it has one, else a hatched tile.
    QImage picture;
    const QString path = QDir(systemFolder()).filePath(QStringLiteral("HicSuntLeones.png"));
    if (QFileInfo(path).isFile()) picture = TBitmapCodecManager::Load(path);
    if (picture.isNull()) {
        picture = QImage(256, 256, QImage::Format_ARGB32_Premultiplied);
        picture.fill(QColor(0x2a, 0x30, 0x35));
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0x3b, 0x43, 0x4a), 2));
        for (int d = -256; d < 256; d += 24) p.drawLine(d, 256, d + 256, 0);
    }
    Image_HicSuntLeones->Bitmap() = picture;
    m_tiledMap->SetPlaceholder(picture);
}

// ---- lifecycle -------------------------------------------------------------------------------

void TMainForm::resizeEvent(QResizeEvent*) {
    LayoutControls();
}

void TMainForm::showEvent(QShowEvent*) {
    FormShow();
}

void TMainForm::FormShow() {
    if (b_Settings->x() + b_Settings->width() > botbar->width())
        b_Settings->move(botbar->width() - 20 - b_Settings->width(), b_Settings->y());
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    QWidget::changeEvent(event);
}

void TMainForm::FormActivate() {
    // Coming back from another window (the file chooser of a photo) while a note is being made
    // keeps the note's marker and state: only a note creation that was left behind is ended.
    if (m_noteDialog && m_noteDialog->isVisibleTo(this)) return;
    ImageBakule->hide();
    m_tools->Status = 0;
}

void TMainForm::HandleAppEvent(platform::AppEvent event) {
    switch (event) {
    case platform::AppEvent::EnteredBackground:
        Application_Background = true;
        break;
    case platform::AppEvent::BecameActive:
        if (Application_Background) {
            Application_Background = false;
            Review();
        }
        break;
    }
}

void TMainForm::keyReleaseEvent(QKeyEvent* event) {
    // The hardware back key; Escape is its counterpart on a desktop keyboard.
    if (event->key() == Qt::Key_Back || event->key() == Qt::Key_Escape) {
        CloseAllForms();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TMainForm::CloseAllForms() {
    if (QWidget* dialog = Frame(QStringLiteral("Superdialog")); dialog && dialog->isVisibleTo(this))
        dialog->close();
    if (QWidget* notes = Frame(QStringLiteral("Kordlin_Notes_Frame")); notes && notes->isVisibleTo(this))
        notes->hide();
}

void TMainForm::ForEachVisibleKeyboardClient(const std::function<void(TVirtualKeyboardClient*)>& f) {
    for (const char* name : {"fmx_AreaDialog", "Note_Dialog", "Superdialog"}) {
        QWidget* frame = Frame(QLatin1String(name));
        if (!frame || !frame->isVisibleTo(this)) continue;
        if (auto* client = dynamic_cast<TVirtualKeyboardClient*>(frame)) f(client);
    }
}

void TMainForm::FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds) {
    ForEachVisibleKeyboardClient(
        [&](TVirtualKeyboardClient* c) { c->FormVirtualKeyboardShown(sender, keyboardVisible, bounds); });
}

void TMainForm::FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds) {
    ForEachVisibleKeyboardClient(
        [&](TVirtualKeyboardClient* c) { c->FormVirtualKeyboardHidden(sender, keyboardVisible, bounds); });
}

QWidget* TMainForm::Frame(const QString& name) const {
    return _Frames->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

void TMainForm::SetFrame(const QString& name, QWidget* frame) {
    QWidget* old = Frame(name);
    if (!frame || frame == old) return;
    frame->setParent(_Frames);
    frame->setObjectName(name);
    frame->setGeometry(_Frames->rect());
    if (auto* frames = qobject_cast<QGridLayout*>(_Frames->layout())) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true); // a hidden frame keeps the form's size
        frame->setSizePolicy(policy);
        frames->addWidget(frame, 0, 0);
    }
    frame->hide();
    frame->installEventFilter(this);
    delete old;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // The frame container is shown while one of its frames is, so that the map takes the input
    // otherwise.
    if (watched->parent() == _Frames) {
        if (event->type() == QEvent::ShowToParent) {
            _Frames->show();
            _Frames->raise();
        } else if (event->type() == QEvent::HideToParent) {
            bool any = false;
            for (QObject* child : _Frames->children())
                if (auto* w = qobject_cast<QWidget*>(child); w && w != watched && !w->isHidden()) any = true;
            if (!any) _Frames->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- published properties --------------------------------------------------------------------

TCanvasDevice* TMainForm::Device() const {
    return m_mapCanvas->Device();
}

TPageProjection* TMainForm::Projection() const {
    return m_mapCanvas->Projection();
}

TCanvas* TMainForm::Canvas() const {
    return m_mapCanvas->Canvas();
}

void TMainForm::SetOpenButtonVisible(bool v) {
    kb_OpenProject->setVisible(v);
}

bool TMainForm::GetCloseIsVisible() const {
    return m_closeIsVisible;
}

void TMainForm::SetCloseIsVisible(bool v) {
    m_closeIsVisible = v;
    kb_Close->setVisible(v);
}

bool TMainForm::GetUse_Gestures() const {
    return m_navigation->GetUse_Gestures();
}

void TMainForm::SetUse_Gestures(bool v) {
    m_navigation->SetUse_Gestures(v);
}

bool TMainForm::GetTopBar_Visible() const {
    return m_bars->GetTopBar_Visible();
}

void TMainForm::SetTopBar_Visible(bool v) {
    // InfoY is the form's design position of the information bar (taken at creation).
    m_bars->SetInfoY(InfoY);
    m_bars->SetTopBar_Visible(v);
}

int TMainForm::TopBarMargin() const {
    return m_bars ? m_bars->TopBarMargin() : 0; // the design lays the bars out before the wiring
}

QString TMainForm::GetUser() const {
    if (m_mainTool && m_mainTool->OwnWorld()) return m_mainTool->OwnWorld()->UID;
    return m_userWithoutWorld;
}

void TMainForm::SetUser(const QString& user) {
    if (m_mainTool && m_mainTool->OwnWorld())
        m_mainTool->OwnWorld()->SetUID(user);
    else
        m_userWithoutWorld = user;
}

// ---- operations ------------------------------------------------------------------------------

bool TMainForm::LoadProject(const QString& aFileName) {
    try {
        return m_project->LoadProject(aFileName);
    } catch (const std::exception& e) {
        m_progress->ShowProgress(false);
        m_progress->HideBusy();
        TZeltoMainTool::HandleException(e);
        return false;
    }
}

void TMainForm::Review() {
    m_tiledMap->Review();
}

void TMainForm::ShowTheForest(bool Highlight) {
    FError = 0; // moving the view to a unit knows no error
    m_forest->ShowTheForest(Highlight);
}

void TMainForm::ShowUnitLabel(const QString& label) {
    l_JPRL->setText(label);
    l_JPRLs->setText(label);
    ks_l_JPRLs->setText(label);
    ks_l_JPRLs->setVisible(!label.isEmpty());
    ks_InfoLayout->resize(ks_InfoLayout->sizeHint().width(), ks_InfoLayout->height());
    ks_ActionLayout->move(ks_InfoLayout->geometry().right() + 9, ks_ActionLayout->y());
}

TForestModelSelector* TMainForm::GetSelector() const {
    return m_forest ? m_forest->Selector() : nullptr;
}

bool TMainForm::GetGpsOn() const {
    return m_gps && m_gps->GpsOn;
}

bool TMainForm::GetGPSFixed() const {
    return m_gps && m_gps->FGPSFixed;
}

void TMainForm::SetGPSFixed(bool v) {
    if (m_gps) m_gps->FGPSFixed = v;
}

void TMainForm::Button4Click() {
    if (m_gps) m_gps->Button4Click();
}

void TMainForm::showProjectChooser() {
    // The process's file chooser: ".opx" files, from the top of the tree, and the chosen file is
    // opened as the project. (A form used without DoIt gets the chooser made here.)
    auto* chooser = qobject_cast<TxFileDialog*>(secondaryWindow(SecondaryWindow::FileDialog));
    if (!chooser) chooser = CreateXFileDialog();
    chooser->SetFilter(QStringLiteral(".opx"));
    chooser->SetDirectory(QStringLiteral("/"));
    chooser->SetCaption(QStringLiteral("Výběr souboru projektu"));
    QPointer<TMainForm> self(this);
    chooser->SetOnSelect([self](const QString& file) {
        if (self) self->m_project->OnSelectFile(file);
    });
    chooser->show();
}

void TMainForm::DrawActualRoute() {
    // The route being recorded, whole, over the map picture in the edit line colour.
    if (m_gps && m_gps->ActualRoute) {
        m_layerPainter->DrawLine(m_gps->ActualRoute, -1, LineColor);
        m_mapCanvas->Update();
    }
    if (Hooks.DrawActualRoute) Hooks.DrawActualRoute();
}
void TMainForm::DrawEditedPoint() {
    if (Hooks.DrawEditedPoint) Hooks.DrawEditedPoint();
}
void TMainForm::ShowGPSCoords() {
    if (Hooks.ShowGPSCoords) Hooks.ShowGPSCoords();
}
void TMainForm::LoadDET(const QString& fileName) {
    m_forest->LoadDET(fileName);
}

void TMainForm::StartActiveTool(int tool) {
    m_tools->StartActiveTool(tool);
}

int TMainForm::GetActiveTool() const {
    return m_tools ? m_tools->ActiveTool : 0;
}

void TMainForm::Edit_Clear() {
    m_mapCanvas->Edit_Clear();
}

void TMainForm::FireMapReady() {
    if (FOnMapReady) FOnMapReady(nullptr);
}

// ---- menu drawer -----------------------------------------------------------------------------

void TMainForm::b_SettingsClick() {
    tabc->setCurrentWidget(tab_main);
    OpenDrawer();
}

void TMainForm::b_MenuClick() {
    SetTopBar_Visible(false);
    tabc->setCurrentWidget(tab_main);
    OpenDrawer();
}

void TMainForm::b_MainClick() {
    tabc->setCurrentWidget(tab_main);
}

void TMainForm::tabcChange() {
    if (tabc->currentWidget() == tab_view) {
        const bool was = cbActive;
        cbActive = false;
        cb_botbar->setChecked(!botbar->isHidden());
        cbActive = was;
    }
    Rect_Menu->setVisible(tabc->currentWidget() != tab_main);
}

void TMainForm::MainListBoxItemClick(int row) {
    switch (row) {
    case 0:
        tabc->setCurrentWidget(tab_Tools);
        break;
    case 1:
        tabc->setCurrentWidget(tab_view);
        break;
    case 2:
        ListBox_Layers->show();
        tab_layers_Layout->hide();
        tabc->setCurrentWidget(tab_layers);
        break;
    case 3:
        tabc->setCurrentWidget(tab_Options);
        break;
    case 4:
        LockDisplay();
        break;
    case 5:
        if (Hooks.StartImport) Hooks.StartImport();
        break;
    default:
        break;
    }
}

void TMainForm::PositionDrawer(bool open) {
    const int w = std::min(360, std::max(280, width() * 85 / 100));
    MultiView->setGeometry(open ? 0 : -w, 0, w, height());
}

void TMainForm::OpenDrawer() {
    if (!MultiView->isEnabled()) return; // the display is locked
    m_drawerOpen = true;
    tabcChange();
    MultiViewCover->show();
    MultiViewCover->raise();
    MultiView->show();
    MultiView->raise();
    LockPanel->raise();
    LockLayout->raise();
    _Frames->raise();
    if (!isVisible()) return PositionDrawer(true);
    PositionDrawer(false);
    auto* slide = new QPropertyAnimation(MultiView, "pos", MultiView);
    slide->setDuration(180);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setEndValue(QPoint(0, 0));
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void TMainForm::CloseDrawer() {
    if (!m_drawerOpen) return;
    m_drawerOpen = false;
    MultiViewCover->hide();
    m_bars->MultiViewHidden(GetActiveTool());
    if (!isVisible()) {
        MultiView->hide();
        return PositionDrawer(false);
    }
    auto* slide = new QPropertyAnimation(MultiView, "pos", MultiView);
    slide->setDuration(160);
    slide->setEasingCurve(QEasingCurve::InCubic);
    slide->setEndValue(QPoint(-MultiView->width(), 0));
    connect(slide, &QAbstractAnimation::finished, MultiView, [this] {
        if (!m_drawerOpen) MultiView->hide();
    });
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

// ---- progress ------------------------------------------------------------------------------

TOwnerEntity* TMainForm::Proc() {
    return m_progress->Proc();
}

void TMainForm::SetProc(TOwnerEntity* proc) {
    m_progress->SetProc(proc);
}

qint64 TMainForm::ActiveProgress() const {
    return m_progress->ActiveProgress();
}

// ---- display lock, bars, progress and the generic dialog -------------------------------------

void TMainForm::WireParts() {
    // The display lock: the form's shield, message and timer; the drawer closes and is disabled
    // while the display is locked.
    m_lock = std::make_unique<TLockController>(this, TLockWidgets{LockPanel, LockLayout, Locktext, LockTimer},
                                               MultiView);
    m_lock->CloseDrawer = [this] { CloseDrawer(); };
    Hooks.LockDisplay = [this] { m_lock->LockDisplay(); };

    // The bars, their hide and restore buttons and the switches of the view and option tabs.
    TBarWidgets bars;
    bars.topBar = topBar;
    bars.ktopbar = ktopbar;
    bars.botbar = botbar;
    bars.ktopbarunvisible = ktopbarunvisible;
    bars.botbarunvisible = botbarunvisible;
    bars.topbarvisible = topbarvisible;
    bars.botbarvisible = botbarvisible;
    bars.ks_InfoLayout = ks_InfoLayout;
    bars.ks_ActionLayout = ks_ActionLayout;
    bars.cb_topbar = cb_topbar;
    bars.cb_botbar = cb_botbar;
    bars.cb_TopBarMargin = cb_TopBarMargin;
    bars.cb_Line = cb_Line;
    bars.cb_Note = cb_Note;
    m_bars = std::make_unique<TBarsController>(bars);
    m_bars->SwitchesActive = [this] { return cbActive; };
    m_bars->SaveParams = [this] { SaveParams(); };
    connect(m_bars.get(), &TBarsController::checkLinesChanged, this,
            [this](bool on) { m_tools->CheckLines = on; });
    connect(m_bars.get(), &TBarsController::checkNotesChanged, this,
            [this](bool on) { m_tools->CheckNotes = on; });
    // The logo toggles the top bar.
    if (auto* logo = qobject_cast<QAbstractButton*>(Image_Logo))
        connect(logo, &QAbstractButton::clicked, this, [this] { SetTopBar_Visible(!GetTopBar_Visible()); });

    // The progress display and the bookkeeping of the tools' progress reports.
    m_progress = std::make_unique<TProgressController>(ProgressBar, l_Progress, AniIndicator);
    m_progress->AnimateIndicator = [this](bool on) { AniIndicator->setAnimating(on); };
    Hooks.OnProgress = [this](qint64 id, int event, const QString& name, const QString& text, int min,
                              int max, int progress) {
        m_progress->OnProgress(id, event, name, text, min, max, progress);
    };

    // The generic dialog takes its place among the embedded frames, hidden.
    auto* dialog = new TSuperdialog;
    SetFrame(QStringLiteral("Superdialog"), dialog);
    m_superdialog = dialog;
}

void TMainForm::LockDisplay() {
    if (Hooks.LockDisplay) Hooks.LockDisplay();
}

TSuperdialog* TMainForm::Superdialog() const {
    // SetFrame may have put another frame in its place.
    return m_superdialog && Frame(QStringLiteral("Superdialog")) == m_superdialog ? m_superdialog.data()
                                                                                  : nullptr;
}

TSuperdialog* TMainForm::PrepareSuperdialog(bool editMode, const QString& prompt) {
    TSuperdialog* dialog = Superdialog();
    if (!dialog) return nullptr;
    dialog->SetKavintStyle(KavintStyle);
    dialog->ResetEvents();
    dialog->SetEditMode(editMode);
    dialog->SetaText(prompt);
    return dialog;
}

} // namespace zelto
