// The map form: a full-window map with translucent bars over it, the slide-in menu drawer and
// the panels of the tools. The form is the hub of the map application: it creates the controls,
// builds one controller per concern (map canvas, tiled map, navigation, project, display lock,
// bars, progress), hands each the controls it drives, wires them together and keeps the model's
// form-level entry points as thin forwards. Its controls and flags are its own: tests and hosts
// find controls by their objectName.
#pragma once

#include "ZeltoEvent.h"
#include "dialogs/VirtualKeyboardClient.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QTabWidget;

namespace zelto {

namespace ui {
class TBusyIndicator;
class TClickPanel;
class TImageControl;
class TPanel;
class TSwitch;
class TTouchButton;
} // namespace ui
namespace platform {
enum class AppEvent;
class AppEventService;
} // namespace platform

class TBarsController;
class TCanvas;
class TCanvasDevice;
class TForestModelSelector;
class TForestController;
class TGpsController;
class TKordlinAreaEditor;
class TImportLayer_Form;
class TLayerPainter;
class TLayersController;
class TLockController;
class TMapCanvas;
class TMainTool;
class TNavigationController;
class TOwnerEntity;
class TPageProjection;
class TProgressController;
class TProjectController;
class TStreamRead;
class TSuperdialog;
class TTiledMapController;
class TToolsController;
class TTopolDruhy;

// Operations that controllers provide (display lock, import, progress).
// Each one does nothing until its controller is wired in; the display lock and the progress
// reports are wired by the form itself (WireParts). What is drawn on the map is not a hook: each
// drawing concern sets its pass on the map canvas.
struct TFormHooks {
    std::function<void()> DrawActualRoute; // the GPS route being recorded (message 34 with a line)
    std::function<void()> DrawEditedPoint; // the point being edited (message 34 with another element)
    std::function<void()> ShowGPSCoords;   // the GPS read-out (message 42)
    std::function<void()> LockDisplay;     // the display lock
    std::function<void()> StartImport;     // the layer import window
    // Progress reports of the tools (sender identity, event, process name, text, minimum,
    // maximum, position), for the progress bookkeeping.
    std::function<void(qint64, int, const QString&, const QString&, int, int, int)> OnProgress;
};

class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- the controllers ----
    TMapCanvas& MapCanvas() { return *m_mapCanvas; }
    TTiledMapController& TiledMap() { return *m_tiledMap; }
    TProjectController& Project() { return *m_project; }
    TLayersController& Layers() { return *m_layers; }
    TGpsController& Gps() { return *m_gps; }
    TForestController& Forest() { return *m_forest; }
    TToolsController& Tools() { return *m_tools; }
    // The area tool's editor while the area tool runs, else none.
    TKordlinAreaEditor* GetEditorAre() const { return m_areaEditor.get(); }
    TLayerPainter& LayerPainter() { return *m_layerPainter; }
    TNavigationController& Navigation() { return *m_navigation; }
    TLockController& Lock() { return *m_lock; }
    TBarsController& Bars() { return *m_bars; }
    TProgressController& Progress() { return *m_progress; }
    TFormHooks Hooks;

    // ---- the generic dialog ----
    // The generic dialog embedded in the frame container; none when another frame took its place.
    TSuperdialog* Superdialog() const;
    // Prepares the generic dialog for a use, as its users do: the form's style, no handlers left
    // from an earlier use, the question or the text-entry form and the prompt. The caller shows
    // it and then sets its handlers.
    TSuperdialog* PrepareSuperdialog(bool editMode, const QString& prompt);

    // ---- published properties ----
    TCanvasDevice* Device() const;
    TPageProjection* Projection() const;
    TCanvas* Canvas() const;
    TMainTool* MainTool() const { return m_mainTool; }
    // The running processes (created on first read) and the one the progress bar follows.
    TOwnerEntity* Proc();
    void SetProc(TOwnerEntity* proc);
    qint64 ActiveProgress() const;
    bool GetDataOnBackGround() const { return m_dataOnBackGround; }
    void SetDataOnBackGround(bool v) { m_dataOnBackGround = v; }
    bool GetCloseIsVisible() const;
    void SetCloseIsVisible(bool v);
    bool GetTopBar_Visible() const;
    void SetTopBar_Visible(bool v);
    // Touch gestures or mouse on the map (the navigation controller's input mode).
    bool GetUse_Gestures() const;
    void SetUse_Gestures(bool v);
    bool GetGPSFixed() const;
    void SetGPSFixed(bool v);
    // The user: the UID of the world this form's main tool created.
    QString GetUser() const;
    void SetUser(const QString& user);
    void SetOnSelectJPRL(TZeltoEvent e) { FOnSelectJPRL = std::move(e); }
    void SetOnMapReady(TZeltoEvent e) { FOnMapReady = std::move(e); }
    void SetOnDataReady(TZeltoEvent e) { FOnDataReady = std::move(e); }
    const TZeltoEvent& GetOnMapReady() const { return FOnMapReady; }
    // The "Otevřít projekt" button of the menu (the host decides whether it is offered).
    void SetOpenButtonVisible(bool v);
    // The top margin of the top bar (half its height with a parameter file).
    int TopBarMargin() const;
    bool IsDrawerOpen() const { return m_drawerOpen; }
    bool GetKavintStyle() const { return KavintStyle; }
    // The wanted and the actual GPS state (the GPS controller keeps it once it exists).
    bool GetGpsOn() const;
    // The error code of the last ShowTheForest.
    int GetFError() const { return FError; }
    // The forest unit selector (none until forest data are read).
    TForestModelSelector* GetSelector() const;
    // The point symbol set and the kinds of point objects (none when their files are missing).
    TOwnerEntity* GetPSYMB() const { return PSYMB; }
    TTopolDruhy* GetZn() const { return Zn; }
    int GetActiveTool() const;

    // ---- operations ----
    // Opens a project (see TProjectController::LoadProject); errors escaping it are shown.
    bool LoadProject(const QString& aFileName);
    void Review();
    void ShowTheForest(bool Highlight);
    // Shows the unit label in the three labels that carry it (the alternative style's only while
    // there is one).
    void ShowUnitLabel(const QString& label);
    void Button4Click();
    void LoadParams();
    void SaveParams() {}
    void ZnPSYMB_Load();
    void Colors_Prepare();
    static void RegisterBitmapExtensions();
    void HandleAppEvent(platform::AppEvent event);
    void CloseAllForms();
    void FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds);
    void FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds);
    void b_SettingsClick();
    void b_MenuClick();
    void b_MainClick();
    void tabcChange();
    void MainListBoxItemClick(int row);
    void CloseDrawer();
    void OpenDrawer();
    // Locks the display (the menu row "  Zamknout displej").
    void LockDisplay();
    // The layer import window (the menu row "  Import"): the drawer slides out and the window
    // opens with the file chooser offered.
    void Import();
    // The process's import window with its hooks bound to this form's project; none before the
    // secondary windows exist.
    TImportLayer_Form* ImportWindow();
    // Replaces the placeholder of an embedded frame (Kordlin_Notes_Frame, Note_Dialog,
    // fmx_AreaDialog, Superdialog) by the frame itself.
    void SetFrame(const QString& name, QWidget* frame);
    QWidget* Frame(const QString& name) const;
    // The project chooser; opens the chosen file.
    void showProjectChooser();
    void DrawActualRoute();
    void DrawEditedPoint();
    void ShowGPSCoords();
    void LoadDET(const QString& fileName);
    void StartActiveTool(int tool);
    void Edit_Clear();
    void FireMapReady();

    // Texts of the menu rows, as shown (row 1 and row 5 are hidden).
    static QStringList MainMenuTexts();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend struct TMainFormInternals; // the tests' view of the flags below

    // ---- state of the form ----
    bool KavintStyle = false;
    bool Application_Background = false;
    int InfoY = 0;
    quint32 LineColor = 0, PointColor = 0, DefaultColor = 0;
    bool Test = false;
    bool BmMoving = false, BmInMove = false, Fix = false;
    bool ToolsMoving = false, ToolsVisible = false, Rotate = false;
    bool aJTSK = false;
    bool cbActive = false; // switch guard: switch handlers act only while set
    int FError = 0;
    TOwnerEntity* PSYMB = nullptr; // the point symbol set (the root of m_psymbRead)
    TTopolDruhy* Zn = nullptr;     // the kinds of point objects (the root of m_znRead)

    // ---- controls (the form's design; names as their objectName) ----
    ui::TImageControl *Image = nullptr, *Image_Edit_Detail = nullptr, *Image_edit = nullptr;
    ui::TImageControl* Image_HicSuntLeones = nullptr;
    QWidget *gpsCursor = nullptr, *ImageBakule = nullptr, *Image_Logo = nullptr;
    ui::TPanel *topBar = nullptr, *ktopbar = nullptr, *botbar = nullptr;
    ui::TTouchButton *b_OpenProject = nullptr, *kb_OpenProject = nullptr, *Image2 = nullptr;
    ui::TTouchButton *b_Settings = nullptr, *b_Settings2 = nullptr, *b_Menu = nullptr, *Image4 = nullptr,
                     *b_Main = nullptr;
    ui::TTouchButton *b_HK = nullptr, *Button21 = nullptr, *kb_HK = nullptr, *b_FindLHC = nullptr,
                     *kb_FindLHC = nullptr;
    ui::TTouchButton *Button4 = nullptr, *kButton4 = nullptr, *kb_Close = nullptr;
    ui::TTouchButton *topbarvisible = nullptr, *botbarvisible = nullptr, *ktopbarunvisible = nullptr,
                     *botbarunvisible = nullptr;
    ui::TPanel *Panel1 = nullptr, *Layout_SideButtons = nullptr;
    ui::TPanel *InfoLayout = nullptr, *ks_InfoLayout = nullptr, *ks_ActionLayout = nullptr;
    ui::TTouchButton *ks_InfoLayout_MenuRect = nullptr, *ks_ActionLayout_Rect = nullptr;
    QWidget* ks_InfoLayout_MenuImage = nullptr;
    QLabel *ks_l_JPRLs = nullptr, *l_JPRLs = nullptr, *l_JPRL = nullptr, *ks_l_Caption = nullptr,
           *ks_l_layer = nullptr;
    ui::TPanel *ScaleLayout = nullptr, *ks_ScaleLayOut = nullptr;
    QLabel *ks_l_Scale = nullptr, *l_gps = nullptr;
    QWidget *ks_Scale_R = nullptr, *ks_Scale_R2 = nullptr;
    ui::TPanel *GPSLayout = nullptr, *Layout_gps = nullptr, *p_gpslog = nullptr;
    ui::TPanel* p_Find_Layout = nullptr;
    QComboBox *ed_odd = nullptr, *ed_Dil = nullptr, *ed_por = nullptr, *ed_PSK = nullptr;
    ui::TPanel *p_Note = nullptr, *ks_p_Note = nullptr, *ks_EditLineLayout = nullptr;
    ui::TPanel *ks_Point_Edit_Layout = nullptr, *Point_Edit_Layout = nullptr;
    QComboBox *ks_Point_Edit_ComboBox = nullptr, *Point_Edit_ComboBox = nullptr;
    QWidget* LockPanel = nullptr;
    QWidget* LockLayout = nullptr;
    QLabel* Locktext = nullptr;
    QLabel* l_Progress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    ui::TBusyIndicator* AniIndicator = nullptr;
    ui::TPanel* MultiView = nullptr;
    ui::TClickPanel *MultiViewCover = nullptr, *Rect_Menu = nullptr;
    QLabel *Label29 = nullptr, *Label30 = nullptr;
    QTabWidget* tabc = nullptr;
    QWidget *tab_main = nullptr, *tab_layers = nullptr, *tab_Tools = nullptr, *tab_view = nullptr,
            *tab_Options = nullptr;
    QWidget *LayoutMain = nullptr, *TabViewLayout = nullptr, *tab_layers_Layout = nullptr;
    QListWidget *MainListBox = nullptr, *MapListBox = nullptr, *ListBox_Layers = nullptr;
    QComboBox* ActiveLayerCombo = nullptr;
    QComboBox* MapCombo = nullptr;
    ui::TSwitch *cb_botbar = nullptr, *cb_topbar = nullptr, *cb_TopBarMargin = nullptr;
    ui::TSwitch *cb_jprl = nullptr, *cb_Line = nullptr, *cb_Note = nullptr, *cb_GPS = nullptr;
    QLabel* l_cb_GPS = nullptr;
    ui::TPanel* ColorPopup = nullptr;
    QListWidget* ColorListBox = nullptr;
    QWidget* _Frames = nullptr;
    QTimer *ZoomTimer = nullptr, *LockTimer = nullptr, *FixTimer = nullptr;
    QList<QIcon> ImageList_Main_ks;

    // ---- view navigation controls ----
    // Zoom buttons of the classic side panel and of the alternative side column.
    ui::TTouchButton *b_plus = nullptr, *b_Minus = nullptr, *plus_rect = nullptr, *minus_rect = nullptr;
    QWidget *plus_img = nullptr, *minus_img = nullptr;
    // The classic scale bar: three segments, tick labels and their shadows.
    QWidget *Rectangle1 = nullptr, *Rectangle2 = nullptr, *Rectangle3 = nullptr;
    QLabel *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr;
    QLabel *Text22 = nullptr, *Text33 = nullptr, *Text44 = nullptr, *Text55 = nullptr;
    // Scale and centre read-outs (classic bottom bar).
    QLabel *l_scale = nullptr, *l_jtsk = nullptr;
    // The line highlight of the blinking, the GPS arrow.
    QWidget *GPath = nullptr, *gpscur = nullptr;
    // Length and area read-outs of the line tools (alternative and classic style).
    QLabel *ks_l_Delka = nullptr, *ks_l_Plocha = nullptr, *l_Text = nullptr;

    void CreateDesign();
    void CreateNavigationControls();
    void CreateToolControls();
    void CreateLayouts();
    // The margin of the floating panels, and the gap between the colour list and the side buttons.
    static constexpr int FloatMargin = 16, ColorPopupGap = 20;
    void Wire();
    void WireParts(); // the lock, bars, progress and generic dialog controllers
    void LoadTilePlaceholder();
    void FormCreate();
    void FormShow();
    void FormActivate();
    void LayoutControls();
    void PositionDrawer(bool open);
    void DrawPlaceholder();
    void WireControllers(); // the map canvas, tiled map, navigation and project controllers
    void WireNotes();       // the note dialog, the list frame and the note windows
    void WireAreaEditor();  // the area tool's editor and the area dialog
    void WireImport();      // the menu row "  Import"
    void LayoutActionBar(); // the action bar reaches up to the GPS button
    void SetStyleGroups();
    void ForEachVisibleKeyboardClient(const std::function<void(TVirtualKeyboardClient*)>& f);

    std::unique_ptr<TMapCanvas> m_mapCanvas;
    std::unique_ptr<TTiledMapController> m_tiledMap;
    std::unique_ptr<TLayersController> m_layers;
    std::unique_ptr<TGpsController> m_gps;
    std::unique_ptr<TForestController> m_forest;
    std::unique_ptr<TToolsController> m_tools;
    std::unique_ptr<TLayerPainter> m_layerPainter;
    std::unique_ptr<TProjectController> m_project;
    std::unique_ptr<TNavigationController> m_navigation;
    std::unique_ptr<TLockController> m_lock;
    std::unique_ptr<TBarsController> m_bars;
    std::unique_ptr<TProgressController> m_progress;
    QPointer<TSuperdialog> m_superdialog;
    QPointer<QWidget> m_noteDialog;
    std::unique_ptr<TStreamRead> m_psymbRead, m_znRead;
    // The area tool's editor while the tool runs (EditorAre); one that finished is freed from the
    // event loop, since it may be on the stack (a dialog answer that started another tool).
    std::unique_ptr<TKordlinAreaEditor> m_areaEditor, m_retiredAreaEditor;
    TMainTool* m_mainTool = nullptr; // owned (and a child of its world)
    TZeltoEvent FOnSelectJPRL, FOnMapReady, FOnDataReady;
    bool m_dataOnBackGround = false;
    bool m_closeIsVisible = false;
    bool m_drawerOpen = false;
    QString m_userWithoutWorld;
    platform::AppEventService* m_appEvents = nullptr;
    int m_appEventSubscription = 0;
};

// The last map form created; none when it was destroyed.
extern TMainForm* MainForm;

} // namespace zelto
