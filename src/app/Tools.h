// The tools of the map window: exactly one tool is active and decides what a tap on the map does.
// The controller keeps the tool state machine (switching, finishing, a switch that waits for the
// line save dialog), the tools list and the hand and tools buttons, measuring (the layer "Meas"),
// line editing in the active layer (new lines, vertex selection and deletion, a vertex from the
// GPS, editing an existing line, the outline of a new area), point editing, the cadastral link,
// the note tool's tap, and the information callout a tap on a note, line or area opens with its
// "Editovat" and "Vymazat".
#pragma once

#include "Navigation.h"

#include <QPointF>
#include <QString>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QListWidget;
class QWidget;

namespace zelto {

class TAreaElement;
class TComplicatedGECollection;
class TElement;
class TForestController;
class TGpsController;
class TLayerPainter;
class TLayersController;
class TMapCanvas;
class TPolyLineElement;
class TSuperdialog;
class TTopolDruhy;
class TTopolLineElement;
class TOwnerEntity;
class Tgis_Note;
class Tgis_PointElement;

// The tools: their value of ActiveTool.
enum TToolId : int {
    ToolView = 0,
    ToolNotes = 1,
    ToolMeasure = 2,
    ToolPoints = 3,
    ToolLines = 4,
    ToolRoute = 5,
    ToolUnits = 6,
    ToolCadastre = 7,
    ToolAreas = 8,
};

// The object a tap selected last (what the callout shows and its buttons act on).
struct TEditRecord {
    TComplicatedGECollection* SuperLayer = nullptr;
    TComplicatedGECollection* Layer = nullptr;
    int aTool = 0;                       // 1 note, 2 measured line, 4 line, 8 area
    TElement* GElement = nullptr;        // the line element, for lines
    TElement* Element = nullptr;         // the note, the line's geometry or the area
    TElement* OriginalElement = nullptr; // the geometry being edited
};

struct TToolsWidgets {
    QListWidget* ToolsListBox = nullptr;
    // The hand (map view) and tools buttons of both styles.
    QAbstractButton *b_Hand = nullptr, *b_Tools = nullptr, *hand_rect = nullptr, *tools_rect = nullptr;
    // The action bar: caption and layer; the scale bar it replaces.
    QWidget* ks_ActionLayout = nullptr;
    QLabel *ks_l_Caption = nullptr, *ks_l_layer = nullptr;
    QWidget* ks_ScaleLayOut = nullptr;
    // The line bar: the read-out, the vertex buttons, the finish button, the vertex navigation.
    QWidget *ks_EditLineLayout = nullptr, *ks_EditLineLayout_DelkaPlocha = nullptr,
            *ks_SelectLinePointLayout = nullptr;
    QLabel *ks_l_Delka = nullptr, *ks_l_Plocha = nullptr, *l_Text = nullptr;
    QAbstractButton *b_SelectLinePoint = nullptr, *b_DeleteLinePoint = nullptr, *b_AddLinePointGPS = nullptr,
                    *b_NewLine = nullptr;
    QAbstractButton *b_SelectLinePointFirst = nullptr, *b_SelectLinePointDown = nullptr,
                    *b_SelectLinePointUp = nullptr, *b_SelectLinePointLast = nullptr;
    QWidget* ks_QuickAreaLayout = nullptr;
    QAbstractButton* l_QuickArea = nullptr; // "Plocha polygonem"
    // The point bar and the colour pick list.
    QWidget* ks_Point_Edit_Layout = nullptr;
    QComboBox* ks_Point_Edit_ComboBox = nullptr;
    QAbstractButton *PointColorButton = nullptr, *ks_Point_Edit_Layout_Delete = nullptr;
    QWidget* ColorPopup = nullptr;
    QListWidget* ColorListBox = nullptr;
    // The information callout.
    QWidget* ks_p_Note = nullptr;
    QLabel *ks_p_note_caption = nullptr, *ks_p_note_text = nullptr;
    QAbstractButton* ks_p_note_Layer = nullptr;
    QWidget *ks_p_note_Layer_Circle = nullptr, *ks_p_note_detail_Layout = nullptr;
    QAbstractButton *ks_p_note_img = nullptr, *ks_p_note_audio = nullptr;
    QAbstractButton *b_p_Note_Edit = nullptr, *b_p_note_Delete = nullptr;
    // The note tool: "Pozn. z GPS" and the marker of a new note.
    QWidget* ks_Note_Gps_Layout = nullptr;
    QAbstractButton* b_Note_Gps = nullptr;
    QWidget* ImageBakule = nullptr;
    // The controls of these names among the window's descendants.
    static TToolsWidgets Find(const QWidget& window);
};

// What the tools ask of the rest of the window; each is skipped while unset.
struct TToolsHooks {
    std::function<bool()> KavintStyle;
    std::function<QString()> User; // the user's id for new objects
    std::function<void()> Review;
    std::function<void()> HideTopBar;
    std::function<void()> CloseDrawer;
    std::function<void()> OpenToolsTab; // the drawer on its tools tab
    std::function<TSuperdialog*(bool editMode, const QString& prompt)> PrepareSuperdialog;
    std::function<TOwnerEntity*()> PSYMB; // the point symbols, named by their number
    std::function<TTopolDruhy*()> Zn;     // the kinds of points (collection "B")
    std::function<void()> PrepareColors;  // the colour pick list's rows from the current palette
    // The note dialog on a note (new: not yet in a layer); a photo viewer and a player on a note's
    // attachments; the list frame on a layer at a tab ("Poznámky", "Plochy", "Linie").
    std::function<void(Tgis_Note*, bool isNew)> OpenNoteDialog;
    std::function<void(Tgis_Note*)> ShowPhotos, PlayRecordings;
    std::function<void(TComplicatedGECollection* layer, const QString& tab)> ShowNotesFrame;
    // Area editing (the area editor): started on the active layer's areas, a tap, finished.
    // Unset: there is no area editor, and the area tool only shows its bar.
    std::function<void(bool aNew)> StartAreaEditor;
    std::function<void(float x, float y)> AreaEditorTap;
    std::function<void()> FinishAreaEditor;
    // The polygon drawn with "Plocha polygonem" handed to the area editor (which takes it).
    std::function<void(TPolyLineElement* outline)> AreaEditorQuickArea;
    // The width of the list frame's list (logical pixels; the note it shows stays beside it).
    std::function<double()> ListWidth;
    // Opens a web address in the desktop's browser (the cadastral viewer); false when it could not.
    std::function<bool(const QString& url)> OpenUrl;
    // The cadastral viewer's address from the settings (empty: the default one).
    std::function<QString()> KNViewerSetting;
};

class TToolsController : public TEditedLine, public TEditedPoint {
public:
    TToolsController(const TToolsWidgets& widgets, TMapCanvas& canvas, TNavigationController& navigation,
                     TLayersController& layers, TLayerPainter& painter, TForestController& forest,
                     TGpsController& gps);
    ~TToolsController() override;
    TToolsController(const TToolsController&) = delete;
    TToolsController& operator=(const TToolsController&) = delete;
    TToolsHooks Hooks;

    // ---- state (the model's names) ----
    int ActiveTool = ToolView;
    int ComingActiveTool = -1;
    int WaitingActiveTool = -1;
    bool ActiveToolRestart = false;
    int ActiveSubTool = 0;
    int LastToolListboxIndex = 0;
    int Status = 0; // 0 idle, 1 a new note is being made, 2 the line save dialog is open
    TPolyLineElement* MLine = nullptr;
    int MLineActivePoint = 0;
    TTopolLineElement* GLine = nullptr;
    bool MLineQuickArea = false, MLineCLosed = false;
    Tgis_PointElement* EPoint = nullptr;
    int Barva = 13;
    TComplicatedGECollection* ActualLayer = nullptr;
    TEditRecord EditRecord;
    bool CheckNotes = true, CheckLines = true, CheckAreas = true;
    Tgis_Note* ActualNote = nullptr;
    quint32 LineColor = 0xFFFF0000;
    // The address of the cadastral viewer's identification page (the query follows it).
    QString KNViewerUrl = DefaultKNViewerUrl();
    static QString DefaultKNViewerUrl();
    // The viewer's page for the model point (negated S-JTSK).
    QString KNInfoUrl(double mx, double my) const;

    // ---- the state machine ----
    bool ChangeActiveTool(int aIndex);
    bool FinishActiveTool();
    void StartActiveTool(int aIndex);
    void ToolsListBoxItemClick(int row);
    void b_ToolsClick();
    void b_HandClick();
    // The tool of a tools-list row, or -1 for a row that maps to none.
    static int ToolOfRow(int row);
    static int RowOfTool(int tool);
    static QStringList ToolCaptions();
    // The caption a layer is shown with (its text, else its name).
    static QString LayerCaption(const TComplicatedGECollection* layer);
    // The hand button (map view) or the tools button shows the tool in use.
    void HighlightHand(bool hand);

    // A tap at page pixels (the gesture layer or the mouse).
    void ImageTap(float x, float y);

    // ---- measuring and line editing ----
    void b_editClick();
    void StartLineEditing(bool aNew);
    void EditLineChangeSubTool(int aIndex);
    void CHeckMLineActivePoint();
    void b_SelectLinePointClick();
    void b_SelectLinePointFirstClick();
    void b_SelectLinePointDownClick();
    void b_SelectLinePointUpClick();
    void b_SelectLinePointLastClick();
    void b_DeleteLinePointClick();
    void b_AddLinePointGPSClick();
    void b_NewLineClick();
    void SaveLineDialog();
    void dlg_OKClick(const QString& name);
    void dlg_CancelClick();
    void l_QuickAreaClick();
    void StartAreaEditing(bool aNew);
    // The area being edited with the area tool, highlighted on the edit overlays until cleared
    // (none). Not owned: the area editor clears it before the area goes.
    void HighlightArea(const TAreaElement* area, quint32 fill);
    // The area editor's side: its captions on the action bar; a sub-layer whose areas it changed
    // (the list refreshed, its user layer marked and saved; false when saving failed); the tool
    // that waited for it started (the area tool finishes first; also after the line save dialog).
    void SetActionCaption(const QString& caption);
    bool AreaLayerChanged(TComplicatedGECollection* subLayer);
    void StartWaitingTool();
    // The model vertex a tap at model (mx, my) selects: the nearest closer than `tolerance` (the
    // first on equal distance), or -1.
    static int PickVertex(const TPolyLineElement& line, double mx, double my, double tolerance);

    // ---- point editing ----
    void b_EditPointClick();
    void Point_UpdateBySymbol(Tgis_PointElement* aPoint);
    void Point_Edit_ComboBoxChange(int index);
    void PointColorButtonClick();
    void ColorListBoxItemClick(int row);
    void b_Point_DeleteClick();

    // ---- cadastral information ----
    void Start_KNInfo();

    // ---- notes and the callout ----
    void b_NoteClick();
    void b_Note_GpsClick();
    // The note dialog was answered: OK (a new note joins the notes layer) or "Storno".
    void NoteDialogSaved(Tgis_Note* note, bool isNew);
    void NoteDialogCancelled();
    void b_p_Note_EditClick();
    void b_p_note_DeleteClick();
    void OnDeleteObjectConfirm();
    void p_note_LayerClick();
    bool CalloutVisible() const;
    // The callout's parts (logical pixels of the window; the scale is page pixels per one).
    void Setp_Note_Visible(bool v);
    bool Getp_Note_Visible() const;
    void Setp_Note_X(double x);
    void Setp_Note_Y(double y);
    double Getp_Note_X() const;
    double Getp_Note_Y() const;
    double Getp_Note_Width() const;
    double Getp_Note_Scale() const;
    void Setp_note_Caption_Text(const QString& text);
    void Setp_Note_Text_Text(const QString& text);
    void Setp_note_Layer_Text(const QString& text);
    void Setp_note_Detail_Layout_Visible(bool v);
    void Setp_Note_Img_Visible(bool v);
    void Setp_Note_Audio_Visible(bool v);
    void Set_P_Note_Color(quint32 argb);
    void HideCallout();
    // The callout of a note at its page position, as a tapped note shows it.
    void ShowNoteCallout(TComplicatedGECollection* superLayer, TComplicatedGECollection* layer,
                         Tgis_Note* note);
    void b_ActionPanelCloseClick();
    // A row of the list frame of `layer` was chosen: the view goes to the object (areas and lines
    // flash, a note shows its callout).
    void FrameSelected(TElement* element, TComplicatedGECollection* layer);
    // The note dialog removed an attachment of a note already in a layer: the layer is saved.
    void NoteAttachmentsChanged(Tgis_Note* note);
    // The object is about to go (deleted elsewhere): forget every reference to it.
    void Forget(TElement* element);

    // ---- TEditedLine (navigation drags the active vertex) ----
    bool ActiveVertex(QPointF& vertex) const override;
    void SetActiveVertex(const QPointF& vertex) override;
    double Length() const override;
    double Area() const override;
    void DrawLineEdit(QImage* target) override;
    void DrawLineDetail(QImage* target) override;
    // ---- TEditedPoint (navigation drags the edited point) ----
    bool PointIsInside(const QPointF& model) const override;
    QPointF RefPoint() const override;
    void SetRefPoint(const QPointF& model) override;
    void DrawPoint(QImage* target) override;
    void Moved() override;

    // Redraws the edit overlays (after a redraw of the map: the view may have changed).
    void RedrawOverlays();
    // Gives up the tools' objects of a project that closes (nothing of them belongs to the next).
    void ProjectClosing();

private:
    const TAreaElement* m_highlightedArea = nullptr;
    quint32 m_highlightFill = 0;
    bool kavint() const;
    QString user() const; // the user's id for new objects
    // Whether a tap at page (x, y) picks the note (closer than 30 pixels to its place).
    bool notePicked(const Tgis_Note& note, float x, float y) const;
    void showActionBar(const QString& caption, const QString& layer);
    void hideActionBar();
    void showLineBar(bool show);
    void showPointBar(bool show);
    void clearOverlays();
    void showOverlays(bool detail);
    void showReadout();
    void redrawLine();
    void updateNavigation();
    void addVertex(double mx, double my);
    void lineTap(float x, float y);
    void pointTap(float x, float y);
    void noteTap(float x, float y);
    void infoTap(float x, float y);
    void startNewNote(double mx, double my, const QString& name, const QPointF& page);
    void placeCallout(const QPointF& page);
    void showCallout(const QString& layer, quint32 colour, const QString& caption, const QString& text,
                     bool photos, bool recordings, bool editable, const QPointF& page);
    void closeLineBars();
    void continueAfterLineDialog();
    TTopolLineElement* newLineElement(bool measure) const;
    void discardLine();
    void keepMeasurement();
    void markModified(TComplicatedGECollection* superLayer);
    TComplicatedGECollection* toolSuperLayer() const;
    TComplicatedGECollection* superLayerOf(TComplicatedGECollection* subLayer) const;
    void showPointColor();
    void drawPointOnMap(Tgis_PointElement* point);
    void selectKind(int group);
    QString unitText(const QPointF& page);

    TToolsWidgets m_w;
    TMapCanvas& m_canvas;
    TNavigationController& m_navigation;
    TLayersController& m_layers;
    TLayerPainter& m_painter;
    TForestController& m_forest;
    TGpsController& m_gps;
    // The line element taken out of its layer for editing (put back by "Storno").
    TTopolLineElement* m_editedOriginal = nullptr;
    TComplicatedGECollection* m_editedOriginalLayer = nullptr;
    bool m_comboGuard = false;
};

} // namespace zelto
