#include "Tools.h"

#include "Forest.h"
#include "Gps.h"
#include "LayerPainter.h"
#include "Layers.h"
#include "MapCanvas.h"
#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "colors/e_Color.h"
#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"
#include "topobjects/e_TopolElements.h"
#include "topology/e_TopolDruhy.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QUrl>

#include <cmath>

namespace zelto {

namespace {

const QString kNoGps = QStringLiteral("GPS poloha není k dispozici");

void setVisible(QWidget* w, bool visible) {
    if (!w) return;
    w->setVisible(visible);
    if (visible) w->raise();
}

void setText(QLabel* l, const QString& text) {
    if (l) l->setText(text);
}

void setText(QAbstractButton* b, const QString& text) {
    if (b) b->setText(text);
}

// The tint of a highlighted button (hand or tools, the vertex selection) and of one that is not.
void tint(QAbstractButton* b, quint32 argb) {
    if (!b) return;
    b->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 8px;")
                         .arg(QColor::fromRgba(argb).name(QColor::HexArgb)));
}

void untint(QAbstractButton* b) {
    if (b) b->setStyleSheet(QString());
}

} // namespace

TToolsWidgets TToolsWidgets::Find(const QWidget& window) {
    TToolsWidgets w;
    ZELTO_FIND_CONTROL(window, w, ToolsListBox);
    ZELTO_FIND_CONTROL(window, w, b_Hand);
    ZELTO_FIND_CONTROL(window, w, b_Tools);
    ZELTO_FIND_CONTROL(window, w, hand_rect);
    ZELTO_FIND_CONTROL(window, w, tools_rect);
    ZELTO_FIND_CONTROL(window, w, ks_ActionLayout);
    ZELTO_FIND_CONTROL(window, w, ks_l_Caption);
    ZELTO_FIND_CONTROL(window, w, ks_l_layer);
    ZELTO_FIND_CONTROL(window, w, ks_ScaleLayOut);
    ZELTO_FIND_CONTROL(window, w, ks_EditLineLayout);
    ZELTO_FIND_CONTROL(window, w, ks_EditLineLayout_DelkaPlocha);
    ZELTO_FIND_CONTROL(window, w, ks_SelectLinePointLayout);
    ZELTO_FIND_CONTROL(window, w, ks_l_Delka);
    ZELTO_FIND_CONTROL(window, w, ks_l_Plocha);
    ZELTO_FIND_CONTROL(window, w, l_Text);
    ZELTO_FIND_CONTROL(window, w, b_SelectLinePoint);
    ZELTO_FIND_CONTROL(window, w, b_DeleteLinePoint);
    ZELTO_FIND_CONTROL(window, w, b_AddLinePointGPS);
    ZELTO_FIND_CONTROL(window, w, b_NewLine);
    ZELTO_FIND_CONTROL(window, w, b_SelectLinePointFirst);
    ZELTO_FIND_CONTROL(window, w, b_SelectLinePointDown);
    ZELTO_FIND_CONTROL(window, w, b_SelectLinePointUp);
    ZELTO_FIND_CONTROL(window, w, b_SelectLinePointLast);
    ZELTO_FIND_CONTROL(window, w, ks_QuickAreaLayout);
    ZELTO_FIND_CONTROL(window, w, l_QuickArea);
    ZELTO_FIND_CONTROL(window, w, ks_Point_Edit_Layout);
    ZELTO_FIND_CONTROL(window, w, ks_Point_Edit_ComboBox);
    ZELTO_FIND_CONTROL(window, w, PointColorButton);
    ZELTO_FIND_CONTROL(window, w, ks_Point_Edit_Layout_Delete);
    ZELTO_FIND_CONTROL(window, w, ColorPopup);
    ZELTO_FIND_CONTROL(window, w, ColorListBox);
    ZELTO_FIND_CONTROL(window, w, ks_p_Note);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_caption);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_text);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_Layer);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_Layer_Circle);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_detail_Layout);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_img);
    ZELTO_FIND_CONTROL(window, w, ks_p_note_audio);
    ZELTO_FIND_CONTROL(window, w, b_p_Note_Edit);
    ZELTO_FIND_CONTROL(window, w, b_p_note_Delete);
    ZELTO_FIND_CONTROL(window, w, ks_Note_Gps_Layout);
    ZELTO_FIND_CONTROL(window, w, b_Note_Gps);
    ZELTO_FIND_CONTROL(window, w, ImageBakule);
    return w;
}

TToolsController::TToolsController(const TToolsWidgets& widgets, TMapCanvas& canvas,
                                   TNavigationController& navigation, TLayersController& layers,
                                   TLayerPainter& painter, TForestController& forest, TGpsController& gps)
    : m_w(widgets), m_canvas(canvas), m_navigation(navigation), m_layers(layers), m_painter(painter),
      m_forest(forest), m_gps(gps) {
    auto click = [](QAbstractButton* b, auto&& f) {
        if (b) QObject::connect(b, &QAbstractButton::clicked, std::forward<decltype(f)>(f));
    };
    if (m_w.ToolsListBox) {
        m_w.ToolsListBox->clear();
        m_w.ToolsListBox->addItems(ToolCaptions());
        // "  Editace Bodů" is not offered in the list.
        if (QListWidgetItem* points = m_w.ToolsListBox->item(RowOfTool(ToolPoints))) points->setHidden(true);
        QObject::connect(m_w.ToolsListBox, &QListWidget::itemClicked, [this](QListWidgetItem* item) {
            ToolsListBoxItemClick(m_w.ToolsListBox->row(item));
        });
    }
    for (QAbstractButton* b : {m_w.b_Hand, m_w.hand_rect}) click(b, [this] { b_HandClick(); });
    for (QAbstractButton* b : {m_w.b_Tools, m_w.tools_rect}) click(b, [this] { b_ToolsClick(); });
    click(m_w.b_SelectLinePoint, [this] { b_SelectLinePointClick(); });
    click(m_w.b_SelectLinePointFirst, [this] { b_SelectLinePointFirstClick(); });
    click(m_w.b_SelectLinePointDown, [this] { b_SelectLinePointDownClick(); });
    click(m_w.b_SelectLinePointUp, [this] { b_SelectLinePointUpClick(); });
    click(m_w.b_SelectLinePointLast, [this] { b_SelectLinePointLastClick(); });
    click(m_w.b_DeleteLinePoint, [this] { b_DeleteLinePointClick(); });
    click(m_w.b_AddLinePointGPS, [this] { b_AddLinePointGPSClick(); });
    click(m_w.b_NewLine, [this] { b_NewLineClick(); });
    click(m_w.l_QuickArea, [this] { l_QuickAreaClick(); });
    click(m_w.PointColorButton, [this] { PointColorButtonClick(); });
    click(m_w.ks_Point_Edit_Layout_Delete, [this] { b_Point_DeleteClick(); });
    click(m_w.b_p_Note_Edit, [this] { b_p_Note_EditClick(); });
    click(m_w.b_p_note_Delete, [this] { b_p_note_DeleteClick(); });
    click(m_w.ks_p_note_Layer, [this] { p_note_LayerClick(); });
    click(m_w.ks_p_note_img, [this] {
        ActualNote = zelto_cast<Tgis_Note>(EditRecord.Element);
        if (ActualNote && Hooks.ShowPhotos) Hooks.ShowPhotos(ActualNote);
    });
    click(m_w.ks_p_note_audio, [this] {
        auto* note = zelto_cast<Tgis_Note>(EditRecord.Element);
        if (note && Hooks.PlayRecordings) Hooks.PlayRecordings(note);
    });
    click(m_w.b_Note_Gps, [this] { b_Note_GpsClick(); });
    if (m_w.ks_Point_Edit_ComboBox)
        QObject::connect(m_w.ks_Point_Edit_ComboBox, &QComboBox::activated,
                         [this](int index) { Point_Edit_ComboBoxChange(index); });
    if (m_w.ColorListBox)
        QObject::connect(m_w.ColorListBox, &QListWidget::itemClicked, [this](QListWidgetItem* item) {
            ColorListBoxItemClick(m_w.ColorListBox->row(item));
        });
    m_navigation.SetEditedLine(this);
    m_navigation.SetEditedPoint(this);
}

TToolsController::~TToolsController() {
    m_navigation.SetEditedLine(nullptr);
    m_navigation.SetEditedPoint(nullptr);
    ProjectClosing();
}

void TToolsController::ProjectClosing() {
    // The tool in use ends with the project: its bars go, the next project starts in the map view.
    closeLineBars();
    showPointBar(false);
    b_ActionPanelCloseClick();
    m_canvas.Edit_Clear();
    WaitingActiveTool = ComingActiveTool = -1;
    MLineQuickArea = MLineCLosed = false;
    if (m_w.ImageBakule) m_w.ImageBakule->hide();
    // A line being drawn belongs to no layer (or was taken out of one that goes with the project).
    discardLine();
    if (m_editedOriginal && !m_editedOriginal->GetOwnersCount()) delete m_editedOriginal;
    m_editedOriginal = nullptr;
    m_editedOriginalLayer = nullptr;
    EPoint = nullptr;
    ActualLayer = nullptr;
    EditRecord = {};
    if (ActualNote && !ActualNote->GetOwnersCount()) delete ActualNote;
    ActualNote = nullptr;
    Status = 0;
    HideCallout();
}

bool TToolsController::kavint() const {
    return Hooks.KavintStyle ? Hooks.KavintStyle() : true;
}

QString TToolsController::user() const {
    return Hooks.User ? Hooks.User() : QString();
}

// ---- the tools list -------------------------------------------------------------------------

QStringList TToolsController::ToolCaptions() {
    return {QStringLiteral("  Prohlížení mapy"),    QStringLiteral("  Měření délek/ploch"),
            QStringLiteral("  Poznámky"),           QStringLiteral("  Editace Linií"),
            QStringLiteral("  Editace ploch"),      QStringLiteral("  Editace Bodů"),
            QStringLiteral("  GPS Trasování"),      QStringLiteral("  Výběr jednotek PRL"),
            QStringLiteral("  Info o parcele v KN")};
}

int TToolsController::ToolOfRow(int row) {
    static const int tools[] = {ToolView,   ToolMeasure, ToolNotes, ToolLines,   ToolAreas,
                                ToolPoints, ToolRoute,   ToolUnits, ToolCadastre};
    return row >= 0 && row < int(std::size(tools)) ? tools[row] : -1;
}

int TToolsController::RowOfTool(int tool) {
    for (int row = 0; row < 9; ++row)
        if (ToolOfRow(row) == tool) return row;
    return -1;
}

void TToolsController::ToolsListBoxItemClick(int row) {
    if (Hooks.CloseDrawer) Hooks.CloseDrawer();
    const int tool = ToolOfRow(row);
    if (tool < 0) {
        const QString text =
            m_w.ToolsListBox && m_w.ToolsListBox->item(row) ? m_w.ToolsListBox->item(row)->text() : QString();
        notifier().message(QStringLiteral("Funkce ") + text + QStringLiteral(" není podporována"));
        if (m_w.ToolsListBox) m_w.ToolsListBox->setCurrentRow(LastToolListboxIndex);
        return;
    }
    if (ChangeActiveTool(tool))
        LastToolListboxIndex = row;
    else if (m_w.ToolsListBox)
        m_w.ToolsListBox->setCurrentRow(LastToolListboxIndex);
}

void TToolsController::b_HandClick() {
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    HighlightHand(true);
    ChangeActiveTool(ToolView);
}

void TToolsController::b_ToolsClick() {
    HighlightHand(false);
    if (Hooks.OpenToolsTab) Hooks.OpenToolsTab();
}

void TToolsController::HighlightHand(bool hand) {
    if (kavint()) {
        tint(hand ? m_w.hand_rect : m_w.tools_rect, 0xFF25E9A9);
        tint(hand ? m_w.tools_rect : m_w.hand_rect, 0xFFE0E0E0);
    } else {
        tint(hand ? m_w.b_Hand : m_w.b_Tools, 0xFF8A2BE2);
        untint(hand ? m_w.b_Tools : m_w.b_Hand);
    }
}

// ---- the state machine ----------------------------------------------------------------------

bool TToolsController::ChangeActiveTool(int aIndex) {
    if (aIndex == ActiveTool) return true;
    ComingActiveTool = aIndex;
    if (!FinishActiveTool()) {
        // A save dialog is open (or the polygon went to the area tool): the tool starts when that
        // is answered. The area tool itself, once the polygon went to it, already runs.
        WaitingActiveTool = ActiveTool == aIndex ? -1 : aIndex;
        return false;
    }
    WaitingActiveTool = -1;
    ComingActiveTool = -1;
    if (m_layers.Layers_Modified) {
        m_layers.Layers_Save();
        m_layers.Layers_Modified = false;
    }
    StartActiveTool(aIndex);
    return true;
}

bool TToolsController::FinishActiveTool() {
    switch (ActiveTool) {
    case ToolNotes:
    case ToolCadastre:
        if (CalloutVisible() || (m_w.ks_ActionLayout && !m_w.ks_ActionLayout->isHidden()))
            b_ActionPanelCloseClick();
        return true;
    case ToolMeasure:
        EditLineChangeSubTool(0);
        showLineBar(false);
        keepMeasurement();
        discardLine();
        b_ActionPanelCloseClick();
        m_canvas.Edit_Clear();
        return true;
    case ToolPoints:
        b_ActionPanelCloseClick();
        showPointBar(false);
        if (EPoint) {
            EPoint->FStatus = 0;
            drawPointOnMap(EPoint);
            EPoint = nullptr;
            m_canvas.Edit_Clear();
        }
        return true;
    case ToolLines:
        if (!MLine || MLine->GetCoordsCount() < 2 || MLineQuickArea) {
            closeLineBars();
            b_ActionPanelCloseClick();
            if (MLineQuickArea && MLine && MLine->GetCoordsCount() >= 3 && Hooks.StartAreaEditor) {
                // The polygon goes to the area tool first (also when the area tool is the one
                // asked for: the outline is the user's work); any other requested tool waits.
                WaitingActiveTool = ComingActiveTool == ToolAreas ? -1 : ComingActiveTool;
                ActualLayer = toolSuperLayer() ? toolSuperLayer()->GetLayer(QStringLiteral("A")) : nullptr;
                StartAreaEditing(false);
                return false;
            }
            // A line of fewer than two vertices is not kept; nor is an outline nobody takes.
            discardLine();
            MLineQuickArea = MLineCLosed = false;
            return true;
        }
        SaveLineDialog();
        return false;
    case ToolRoute:
        // While recording the user is told to end it first; the tool changes and the recording
        // goes on with its panel.
        m_gps.LeaveRouteTool();
        return true;
    case ToolAreas:
        if (!MLineQuickArea && Hooks.FinishAreaEditor) Hooks.FinishAreaEditor();
        ActiveSubTool = 0;
        b_ActionPanelCloseClick();
        return true;
    default:
        return true;
    }
}

void TToolsController::StartActiveTool(int aIndex) {
    const bool handTool = aIndex == ToolView || aIndex == ToolRoute || aIndex == ToolUnits;
    HighlightHand(handTool);
    if (handTool) ActiveTool = aIndex;
    TComplicatedGECollection* super = nullptr;
    switch (aIndex) {
    case ToolNotes:
        m_layers.ActualSuperLayer = super = toolSuperLayer();
        ActualLayer = super ? super->GetLayer(QStringLiteral("N")) : nullptr;
        b_NoteClick();
        break;
    case ToolMeasure:
        ActualLayer = m_layers.Layers_Layer(QStringLiteral("Meas"), QStringLiteral("L"));
        b_editClick();
        break;
    case ToolPoints:
        m_layers.ActualSuperLayer = super = toolSuperLayer();
        ActualLayer = super ? super->GetLayer(QStringLiteral("P")) : nullptr;
        b_EditPointClick();
        break;
    case ToolLines:
        m_layers.ActualSuperLayer = super = toolSuperLayer();
        ActualLayer = super ? super->GetLayer(QStringLiteral("L")) : nullptr;
        StartLineEditing(true);
        break;
    case ToolRoute:
        m_gps.b_TraceRouteClick();
        break;
    case ToolUnits:
        if (QWidget* find = m_forest.FindPanel()) setVisible(find, find->isHidden());
        break;
    case ToolCadastre:
        Start_KNInfo();
        break;
    case ToolAreas:
        m_layers.ActualSuperLayer = super = toolSuperLayer();
        ActualLayer = super ? super->GetLayer(QStringLiteral("A")) : nullptr;
        StartAreaEditing(true);
        break;
    default:
        break;
    }
    if (m_w.ToolsListBox) m_w.ToolsListBox->setCurrentRow(RowOfTool(aIndex));
    updateNavigation();
}

TComplicatedGECollection* TToolsController::toolSuperLayer() const {
    if (m_layers.NextActualSuperLayer && m_layers.Layers() &&
        m_layers.Layers()->IndexOf(m_layers.NextActualSuperLayer) >= 0)
        return m_layers.NextActualSuperLayer;
    return m_layers.Layer(QStringLiteral("User"));
}

TComplicatedGECollection* TToolsController::superLayerOf(TComplicatedGECollection* subLayer) const {
    if (!subLayer) return nullptr;
    for (int i = 0; i < subLayer->GetOwnersCount(); ++i)
        if (auto* owner = asLayer(subLayer->GetOwnerEntity(i))) return owner;
    return nullptr;
}

void TToolsController::markModified(TComplicatedGECollection* superLayer) {
    if (superLayer) superLayer->SetModified(true);
    m_layers.Layers_Modified = true;
    m_layers.Changed();
}

void TToolsController::updateNavigation() {
    m_navigation.SetEditedLine(this);
    m_navigation.SetEditedPoint(EPoint ? this : nullptr);
}

// ---- the bars ---------------------------------------------------------------------------------

void TToolsController::showActionBar(const QString& caption, const QString& layer) {
    setText(m_w.ks_l_Caption, caption);
    setText(m_w.ks_l_layer, layer);
    setVisible(m_w.ks_ActionLayout, true);
    if (kavint()) setVisible(m_w.ks_ScaleLayOut, false);
}

void TToolsController::hideActionBar() {
    setVisible(m_w.ks_ActionLayout, false);
    if (kavint()) setVisible(m_w.ks_ScaleLayOut, true);
}

void TToolsController::showLineBar(bool show) {
    setVisible(m_w.ks_EditLineLayout, show);
    setVisible(m_w.ks_EditLineLayout_DelkaPlocha, show);
    if (!show) setVisible(m_w.ks_SelectLinePointLayout, false);
}

void TToolsController::showPointBar(bool show) {
    setVisible(m_w.ks_Point_Edit_Layout, show);
    setVisible(m_w.ks_Point_Edit_Layout_Delete, show && EPoint);
    if (!show) setVisible(m_w.ColorPopup, false);
}

void TToolsController::closeLineBars() {
    EditLineChangeSubTool(0);
    showLineBar(false);
    setVisible(m_w.ks_QuickAreaLayout, false);
}

void TToolsController::showOverlays(bool detail) {
    // The overlays keep their place in the stacking order: under the bars and buttons.
    if (QWidget* edit = m_canvas.Widgets().Image_edit) edit->show();
    if (QWidget* d = m_canvas.Widgets().Image_Edit_Detail; d && detail) d->show();
}

void TToolsController::clearOverlays() {
    m_canvas.Edit_Clear();
}

void TToolsController::b_ActionPanelCloseClick() {
    HideCallout();
    setVisible(m_w.ks_Note_Gps_Layout, false);
    setVisible(m_w.ks_QuickAreaLayout, false);
    ActiveTool = ToolView;
    Status = 0;
    hideActionBar();
    if (QWidget* detail = m_canvas.Widgets().Image_Edit_Detail) detail->hide();
}

// ---- taps -----------------------------------------------------------------------------------

void TToolsController::ImageTap(float x, float y) {
    switch (ActiveTool) {
    case ToolMeasure:
    case ToolLines:
        lineTap(x, y);
        break;
    case ToolPoints:
        pointTap(x, y);
        break;
    case ToolNotes:
        noteTap(x, y);
        break;
    case ToolCadastre: {
        const TPageProjection* P = m_canvas.Projection();
        if (!P) return;
        const QString url = KNInfoUrl(P->GetModelX(x), P->GetModelY(y));
        if (!Hooks.OpenUrl || !Hooks.OpenUrl(url))
            notifier().message(QStringLiteral("Adresu ") + url + QStringLiteral(" nelze otevřít."));
        break;
    }
    case ToolAreas:
        if (Hooks.AreaEditorTap) Hooks.AreaEditorTap(x, y);
        break;
    default:
        infoTap(x, y);
        break;
    }
}

// ---- measuring and line editing ----------------------------------------------------------------

TTopolLineElement* TToolsController::newLineElement(bool measure) const {
    auto* line = new TTopolLineElement;
    line->SetGroup(1);
    line->FBarva = 13;
    line->FZnacka = 0;
    line->CreateUUID();
    line->FUID = user();
    line->FTimeStamp = nowAsDateTime();
    if (!measure) line->SetName(QStringLiteral("Linie"));
    line->AddGeometry(new TPolyLineElement);
    return line;
}

void TToolsController::keepMeasurement() {
    // A measurement of two vertices or more joins "Meas"; a shorter one is dropped afterwards.
    if (!MLine || MLine->GetCoordsCount() <= 1 || !GLine || !ActualLayer) return;
    ActualLayer->AddAndUpdateRect(GLine);
    markModified(superLayerOf(ActualLayer));
    GLine = nullptr;
    MLine = nullptr;
}

void TToolsController::discardLine() {
    // GLine owns MLine while it is a new line; an edited line's MLine is a copy of its own.
    if (GLine && !GLine->GetOwnersCount()) {
        const bool owned = MLine && GLine->IndexOf(MLine) >= 0;
        delete GLine;
        if (owned) MLine = nullptr;
    }
    GLine = nullptr;
    if (MLine && !MLine->GetOwnersCount()) delete MLine;
    MLine = nullptr;
    MLineActivePoint = 0;
}

void TToolsController::b_editClick() {
    showOverlays(true);
    // A measurement of fewer than two vertices is not kept.
    if (GLine && ActualLayer && ActualLayer->IndexOf(GLine) >= 0 && (!MLine || MLine->GetCoordsCount() < 2)) {
        ActualLayer->FreeElement(GLine);
        GLine = nullptr;
        MLine = nullptr;
    }
    discardLine();
    GLine = newLineElement(true);
    MLine = zelto_cast<TPolyLineElement>(GLine->GetGeometry());
    m_layers.Layers_UpdateList();
    if (ActiveTool == ToolMeasure) {
        // A new measurement in the running tool: its read-out starts from nothing too.
        clearOverlays();
        setText(m_w.ks_l_Delka, QStringLiteral("0 m"));
        setText(m_w.ks_l_Plocha, QStringLiteral("0,00 ha"));
        return;
    }
    clearOverlays();
    ActiveTool = ToolMeasure;
    if (kavint()) {
        showActionBar(QStringLiteral("Měření délek/ploch"), QStringLiteral("..."));
        setText(m_w.b_NewLine, QStringLiteral("Nové měření"));
    } else {
        showActionBar(QStringLiteral("Měření vzdálenosti/plochy"),
                      QStringLiteral("Režim měření ukončíte volbou jiného nástroje..."));
        setText(m_w.b_NewLine, QStringLiteral("Nové měření"));
    }
    showLineBar(true);
    setText(m_w.ks_l_Delka, QStringLiteral("0 m"));
    setText(m_w.ks_l_Plocha, QStringLiteral("0,00 ha"));
    EditLineChangeSubTool(0);
}

void TToolsController::StartLineEditing(bool aNew) {
    showOverlays(true);
    if (aNew) {
        discardLine();
        GLine = newLineElement(false);
        MLine = zelto_cast<TPolyLineElement>(GLine->GetGeometry());
    }
    if (ActiveTool == ToolLines && !ActiveToolRestart) {
        clearOverlays();
        return;
    }
    ActiveToolRestart = false;
    clearOverlays();
    ActiveTool = ToolLines;
    TComplicatedGECollection* super = m_layers.ActualSuperLayer;
    const QString layerCaption = LayerCaption(super);
    if (MLineQuickArea)
        showActionBar(QStringLiteral("Plocha polygonem"), layerCaption);
    else if (kavint())
        showActionBar(QStringLiteral("Editace Linií"), layerCaption);
    else
        showActionBar(QStringLiteral("Editace Linie"), QStringLiteral("Aktivní vrstva... ") + layerCaption);
    showLineBar(true);
    showReadout();
    setText(m_w.b_NewLine,
            MLineQuickArea ? QStringLiteral("Ukončit polygon") : QStringLiteral("Ukončit linii"));
    setVisible(m_w.ks_QuickAreaLayout, !MLineQuickArea);
    EditLineChangeSubTool(0);
}

void TToolsController::EditLineChangeSubTool(int aIndex) {
    ActiveSubTool = aIndex;
    setVisible(m_w.ks_SelectLinePointLayout, aIndex == 1);
    if (aIndex == 1)
        tint(m_w.b_SelectLinePoint, 0xFF8A2BE2);
    else
        untint(m_w.b_SelectLinePoint);
}

void TToolsController::CHeckMLineActivePoint() {
    const int last = MLine ? MLine->GetCoordsCount() - 1 : 0;
    MLineActivePoint = std::clamp(MLineActivePoint, 0, std::max(last, 0));
}

int TToolsController::PickVertex(const TPolyLineElement& line, double mx, double my, double tolerance) {
    int best = -1;
    double bestDistance = tolerance;
    for (int i = 0; i < line.GetCoordsCount(); ++i) {
        const double d = std::hypot(line.GetX(i) - mx, line.GetY(i) - my);
        if (d < bestDistance) { // strictly nearer: the first one wins on equal distance
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void TToolsController::addVertex(double mx, double my) {
    if (!MLine) return;
    if (MLine->GetCoordsCount() == 0) {
        MLine->AddXY(mx, my);
        MLineActivePoint = 0;
    } else if (MLineActivePoint != 0) {
        MLine->AddXY(mx, my);
        MLineActivePoint = MLine->GetCoordsCount() - 1;
    } else {
        MLine->InsertXY(0, mx, my);
        MLineActivePoint = 0;
    }
    MLine->RecalculateRect();
}

void TToolsController::lineTap(float x, float y) {
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    m_navigation.Pani = 0;
    const TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    if (!MLine) {
        if (!GLine) GLine = newLineElement(ActiveTool == ToolMeasure);
        MLine = zelto_cast<TPolyLineElement>(GLine->GetGeometry());
        if (!MLine) return;
    }
    const double mx = P->GetModelX(x), my = P->GetModelY(y);
    if (MLine->GetCoordsCount() == 0) {
        addVertex(mx, my);
        redrawLine();
        showReadout();
        return;
    }
    const int hit = PickVertex(*MLine, mx, my, P->GetModelLength(50));
    if (hit >= 0) {
        if (hit != MLineActivePoint) {
            // The line itself is drawn whole on its overlay: only the active vertex's detail moves.
            MLineActivePoint = hit;
            DrawLineDetail(nullptr);
        }
        return;
    }
    addVertex(mx, my);
    redrawLine();
    showReadout();
}

void TToolsController::redrawLine() {
    DrawLineEdit(nullptr);
    DrawLineDetail(nullptr);
}

void TToolsController::showReadout() {
    const double length = Length();
    const double hectares = std::abs(Area()) / 10000;
    if (kavint()) {
        setText(m_w.ks_l_Delka, formatNumber(length, 1) + QStringLiteral(" m "));
        setText(m_w.ks_l_Plocha, formatNumber(hectares, 2) + QStringLiteral(" ha"));
    } else {
        setText(m_w.l_Text, QStringLiteral("Délka: ") + formatNumber(length, 3) +
                                QStringLiteral(" m      Plocha:") + formatNumber(hectares, 2) +
                                QStringLiteral(" ha"));
    }
}

void TToolsController::b_SelectLinePointClick() {
    if (!MLine) return;
    EditLineChangeSubTool(ActiveSubTool == 1 ? 0 : 1);
    redrawLine();
}

void TToolsController::b_SelectLinePointFirstClick() {
    if (!MLine) return;
    MLineActivePoint = 0;
    DrawLineDetail(nullptr);
}

void TToolsController::b_SelectLinePointDownClick() {
    if (!MLine) return;
    if (MLineActivePoint > 0) --MLineActivePoint;
    DrawLineDetail(nullptr);
}

void TToolsController::b_SelectLinePointUpClick() {
    if (!MLine) return;
    if (MLineActivePoint < MLine->GetCoordsCount() - 1) ++MLineActivePoint;
    DrawLineDetail(nullptr);
}

void TToolsController::b_SelectLinePointLastClick() {
    if (!MLine) return;
    MLineActivePoint = std::max(MLine->GetCoordsCount() - 1, 0);
    DrawLineDetail(nullptr);
}

void TToolsController::b_DeleteLinePointClick() {
    if (!MLine || (ActiveTool != ToolMeasure && ActiveTool != ToolLines)) return;
    if (MLine->GetCoordsCount() <= 1) return;
    CHeckMLineActivePoint();
    MLine->FreeElementIndex(MLineActivePoint);
    MLine->RecalculateRect();
    CHeckMLineActivePoint();
    clearOverlays();
    redrawLine();
    showReadout();
}

void TToolsController::b_AddLinePointGPSClick() {
    if (!m_gps.FGPSFixed) {
        notifier().message(kNoGps);
        return;
    }
    if (!MLine) return;
    addVertex(m_gps.jtskX, m_gps.jtskY);
    redrawLine();
    showReadout();
}

void TToolsController::b_NewLineClick() {
    if (ActiveTool == ToolMeasure) {
        keepMeasurement();
        b_editClick();
        return;
    }
    if (ActiveTool != ToolLines) return;
    if (MLineQuickArea && Hooks.StartAreaEditor) {
        ChangeActiveTool(ToolAreas);
        return;
    }
    if (!MLine || MLine->GetCoordsCount() < 2) return;
    SaveLineDialog();
}

void TToolsController::SaveLineDialog() {
    TSuperdialog* dialog = Hooks.PrepareSuperdialog
                               ? Hooks.PrepareSuperdialog(true, QStringLiteral("Uložit Linii pod názvem:"))
                               : nullptr;
    if (!dialog) return;
    Status = 2;
    dialog->SetOKText(QStringLiteral("Uložit"));
    dialog->SetStornoText(QStringLiteral("Storno"));
    dialog->SetEditText(GLine ? GLine->GetName() : QStringLiteral("Linie"));
    dialog->SetOnOK([this, dialog](QObject*) { dlg_OKClick(dialog->GetEditText()); });
    dialog->SetOnCancel([this](QObject*) { dlg_CancelClick(); });
    dialog->Show();
}

void TToolsController::dlg_OKClick(const QString& name) {
    if (Status != 2) return;
    Status = 0;
    if (!GLine) {
        GLine = newLineElement(false);
        // The fresh element's own empty geometry gives way to the line drawn.
        GLine->SetGeometry(nullptr);
    }
    GLine->FUID = user();
    GLine->SetName(name);
    GLine->FTimeStamp = nowAsDateTime();
    if (MLine && GLine->GetGeometry() != MLine) {
        // An edited line's old geometry goes now: nothing may still point at it.
        if (TGeometry* old = GLine->GetGeometry()) Forget(old);
        GLine->SetGeometry(MLine);
    }
    if (MLineQuickArea && MLine && MLine->GetCoordsCount() >= 3) {
        // Without an area editor the outline of a new area is kept as a closed line.
        MLine->AddXY(MLine->GetX(0), MLine->GetY(0));
        MLine->RecalculateRect();
    }
    GLine->Update();
    if (ActualLayer) {
        ActualLayer->AddAndUpdateRect(GLine);
        m_layers.Layers_UpdateList();
        markModified(superLayerOf(ActualLayer));
        m_layers.Layers_Save();
    } else {
        delete GLine; // no layer to keep it in (the project went meanwhile)
    }
    if (m_editedOriginal) {
        // The edited element went back to its layer with its new geometry.
        m_editedOriginal = nullptr;
        m_editedOriginalLayer = nullptr;
    }
    GLine = nullptr;
    MLine = nullptr;
    MLineQuickArea = MLineCLosed = false;
    if (Hooks.Review) Hooks.Review();
    continueAfterLineDialog();
}

void TToolsController::dlg_CancelClick() {
    if (Status != 2) return;
    Status = 0;
    if (m_editedOriginal) {
        // The line keeps its own geometry; only the copy that was edited goes.
        if (m_editedOriginalLayer) m_editedOriginalLayer->AddAndUpdateRect(m_editedOriginal);
        if (MLine && GLine == m_editedOriginal && GLine->IndexOf(MLine) < 0) delete MLine;
        MLine = nullptr;
        GLine = nullptr;
        m_editedOriginal = nullptr;
        m_editedOriginalLayer = nullptr;
        m_layers.Changed();
        if (Hooks.Review) Hooks.Review();
    }
    discardLine();
    MLineQuickArea = MLineCLosed = false;
    continueAfterLineDialog();
}

void TToolsController::continueAfterLineDialog() {
    if (WaitingActiveTool < 0) {
        StartLineEditing(true);
        redrawLine();
        return;
    }
    closeLineBars();
    StartWaitingTool();
}

void TToolsController::l_QuickAreaClick() {
    MLineQuickArea = true;
    MLineCLosed = true;
    if (ActiveTool == ToolLines) {
        ActiveToolRestart = true;
        StartActiveTool(ToolLines);
    } else {
        ChangeActiveTool(ToolLines);
    }
}

void TToolsController::StartAreaEditing(bool aNew) {
    if (ActiveTool == ToolAreas && !ActiveToolRestart) {
        clearOverlays();
        return;
    }
    ActiveToolRestart = false;
    if (Hooks.StartAreaEditor) Hooks.StartAreaEditor(aNew);
    clearOverlays();
    ActiveTool = ToolAreas;
    TComplicatedGECollection* super = m_layers.ActualSuperLayer;
    const QString caption = LayerCaption(super);
    showActionBar(QStringLiteral("Editace Ploch"),
                  kavint() ? caption : QStringLiteral("Aktivní vrstva... ") + caption);
    setVisible(m_w.ks_QuickAreaLayout, true);
    if (MLineQuickArea) {
        // The outline leaves the line tool: the area editor takes it (a new line owns it so far).
        TPolyLineElement* outline = MLine;
        if (GLine && outline && GLine->IndexOf(outline) >= 0) GLine->RemoveElement(outline);
        MLine = nullptr;
        discardLine();
        MLineQuickArea = MLineCLosed = false;
        if (Hooks.AreaEditorQuickArea)
            Hooks.AreaEditorQuickArea(outline);
        else
            delete outline;
    }
}

void TToolsController::SetActionCaption(const QString& caption) {
    setText(m_w.ks_l_Caption, caption);
}

bool TToolsController::AreaLayerChanged(TComplicatedGECollection* subLayer) {
    m_layers.Layers_UpdateList();
    markModified(superLayerOf(subLayer));
    m_layers.Layers_Save();
    return !m_layers.Layers_Modified;
}

void TToolsController::StartWaitingTool() {
    if (WaitingActiveTool < 0) return;
    const int waiting = WaitingActiveTool;
    WaitingActiveTool = -1;
    ComingActiveTool = -1;
    if (ActiveTool == ToolAreas && Hooks.FinishAreaEditor) Hooks.FinishAreaEditor();
    b_ActionPanelCloseClick();
    clearOverlays();
    if (m_layers.Layers_Modified) {
        m_layers.Layers_Save();
        m_layers.Layers_Modified = false;
    }
    ActiveTool = -1; // the tool that held the waiting one has finished: the waiting one starts anew
    StartActiveTool(waiting);
}

void TToolsController::HighlightArea(const TAreaElement* area, quint32 fill) {
    m_highlightedArea = area;
    m_highlightFill = fill;
    clearOverlays();
    if (area) {
        showOverlays(false);
        m_painter.DrawEditedArea(*area, fill, nullptr);
    }
}

// ---- TEditedLine ------------------------------------------------------------------------------

bool TToolsController::ActiveVertex(QPointF& vertex) const {
    if (!MLine || MLine->GetCoordsCount() == 0) return false;
    const int i = std::clamp(MLineActivePoint, 0, MLine->GetCoordsCount() - 1);
    vertex = QPointF(MLine->GetX(i), MLine->GetY(i));
    return true;
}

void TToolsController::SetActiveVertex(const QPointF& vertex) {
    if (!MLine || MLine->GetCoordsCount() == 0) return;
    CHeckMLineActivePoint();
    MLine->SetX(MLineActivePoint, vertex.x());
    MLine->SetY(MLineActivePoint, vertex.y());
    MLine->RecalculateRect();
}

double TToolsController::Length() const {
    return MLine ? MLine->GetLength() : 0;
}

double TToolsController::Area() const {
    return MLine && MLine->GetCoordsCount() > 2 ? MLine->GetArea() : 0;
}

void TToolsController::DrawLineEdit(QImage* target) {
    if (MLine) m_painter.DrawLineEdit(MLine, -1, LineColor, target, MLineCLosed);
}

void TToolsController::DrawLineDetail(QImage* target) {
    if (MLine) m_painter.DrawLineDetail(MLine, MLineActivePoint, LineColor, target, MLineCLosed);
}

void TToolsController::RedrawOverlays() {
    if ((ActiveTool == ToolMeasure || ActiveTool == ToolLines) && MLine) {
        clearOverlays();
        redrawLine();
    } else if (ActiveTool == ToolPoints && EPoint) {
        DrawPoint(nullptr);
    } else if (ActiveTool == ToolAreas && m_highlightedArea) {
        m_painter.DrawEditedArea(*m_highlightedArea, m_highlightFill, nullptr);
    }
}

// ---- point editing -----------------------------------------------------------------------------

void TToolsController::b_EditPointClick() {
    showOverlays(false);
    EPoint = nullptr;
    updateNavigation();
    if (ActiveTool == ToolPoints) {
        clearOverlays();
        return;
    }
    clearOverlays();
    ActiveTool = ToolPoints;
    showPointBar(true);
    showPointColor();
    TComplicatedGECollection* super = m_layers.ActualSuperLayer;
    const QString caption = LayerCaption(super);
    showActionBar(QStringLiteral("Editace bodů"),
                  kavint() ? caption : QStringLiteral("Aktivní vrstva... ") + caption);
}

void TToolsController::showPointColor() {
    if (m_w.PointColorButton) tint(m_w.PointColorButton, DejBarvicku(Barva) | 0xFF000000u);
}

void TToolsController::drawPointOnMap(Tgis_PointElement* point) {
    m_layers.Changed();
    m_painter.DrawPoint(point, false, nullptr);
}

void TToolsController::selectKind(int group) {
    TTopolDruhy* zn = Hooks.Zn ? Hooks.Zn() : nullptr;
    if (!zn) return;
    TTopolDruhCollection* kinds = zn->GetB();
    kinds->SetFindDruhKod(group);
    if (!m_w.ks_Point_Edit_ComboBox) return;
    const int index = kinds->IndexOf(kinds->GetActualDruh());
    m_comboGuard = true;
    m_w.ks_Point_Edit_ComboBox->setCurrentIndex(index);
    m_comboGuard = false;
}

void TToolsController::pointTap(float x, float y) {
    const TPageProjection* P = m_canvas.Projection();
    if (!P || !ActualLayer) return;
    const double mx = P->GetModelX(x), my = P->GetModelY(y);
    Tgis_PointElement* found = nullptr;
    for (TElement* e : ActualLayer->FElements)
        if (auto* p = zelto_cast<Tgis_PointElement>(e); p && p->PointIsInside(mx, my)) {
            found = p;
            break;
        }
    if (EPoint) {
        EPoint->FStatus = 0;
        drawPointOnMap(EPoint);
    }
    clearOverlays();
    if (found) {
        EPoint = found;
        EPoint->FStatus = 1;
        Barva = EPoint->FColor;
        showPointColor();
        selectKind(EPoint->FGroup);
        updateNavigation();
        DrawPoint(nullptr);
        if (Hooks.Review) Hooks.Review();
    } else {
        auto* point = new Tgis_PointElement;
        point->FStatus = 1;
        point->FColor = Barva;
        TTopolDruhy* zn = Hooks.Zn ? Hooks.Zn() : nullptr;
        if (TTopolDruh* kind = zn ? zn->GetB()->GetActualDruh() : nullptr) {
            point->FGroup = kind->FKOD;
            point->FSymbol = kind->FZnacka;
        }
        point->SetByDoubleRect({mx, my, mx, my});
        point->SetRelRefCoords(0, 0);
        point->CreateUUID();
        point->FUID = user();
        point->FTimeStamp = nowAsDateTime();
        Point_UpdateBySymbol(point);
        ActualLayer->AddAndUpdateRect(point);
        EPoint = point;
        markModified(superLayerOf(ActualLayer));
        updateNavigation();
        DrawPoint(nullptr);
    }
    setVisible(m_w.ks_Point_Edit_Layout_Delete, true);
}

void TToolsController::Point_UpdateBySymbol(Tgis_PointElement* aPoint) {
    TOwnerEntity* symbols = Hooks.PSYMB ? Hooks.PSYMB() : nullptr;
    if (!aPoint || !symbols) return;
    auto* symbol = zelto_cast<TEntity>(symbols->FindElementName(QString::number(aPoint->FSymbol)));
    auto* g = symbol ? zelto_cast<TRectEntity>(symbol->FindElementName(QStringLiteral("G"))) : nullptr;
    if (!g) return;
    const double refX = aPoint->GetRefX(), refY = aPoint->GetRefY();
    aPoint->SetByDoubleRect(
        {g->GetMinX() + refX, g->GetMinY() + refY, g->GetMaxX() + refX, g->GetMaxY() + refY});
    aPoint->SetAbsRefX(refX);
    aPoint->SetAbsRefY(refY);
}

void TToolsController::Point_Edit_ComboBoxChange(int index) {
    if (m_comboGuard) return;
    if (EPoint && EPoint->FStatus == 0) return;
    TTopolDruhy* zn = Hooks.Zn ? Hooks.Zn() : nullptr;
    if (!zn) return;
    TTopolDruhCollection* kinds = zn->GetB();
    auto* kind =
        index >= 0 && index < kinds->ElementsCount() ? zelto_cast<TTopolDruh>(kinds->Get(index)) : nullptr;
    if (!kind) return;
    kinds->SetActualDruh(kind);
    if (!EPoint) return;
    EPoint->FGroup = kind->FKOD;
    EPoint->FSymbol = kind->FZnacka;
    Point_UpdateBySymbol(EPoint);
    DrawPoint(nullptr);
    markModified(superLayerOf(ActualLayer));
}

void TToolsController::PointColorButtonClick() {
    // The swatches are made anew from the palette each time the list opens.
    if (Hooks.PrepareColors) Hooks.PrepareColors();
    Barva = 13;
    if (m_w.ColorPopup) setVisible(m_w.ColorPopup, m_w.ColorPopup->isHidden());
}

void TToolsController::ColorListBoxItemClick(int row) {
    setVisible(m_w.ColorPopup, false);
    bool ok = false;
    const int colour =
        m_w.ColorListBox && m_w.ColorListBox->item(row) ? m_w.ColorListBox->item(row)->text().toInt(&ok) : 0;
    Barva = ok ? colour : 13;
    if (ActiveTool != ToolPoints) return;
    showPointColor();
    if (!EPoint) return;
    EPoint->FColor = Barva;
    DrawPoint(nullptr);
    markModified(superLayerOf(ActualLayer));
}

void TToolsController::b_Point_DeleteClick() {
    if (!EPoint) return;
    Tgis_PointElement* point = EPoint;
    EPoint = nullptr;
    updateNavigation();
    Forget(point);
    if (ActualLayer && ActualLayer->IndexOf(point) >= 0) {
        if (!point->FUUID.isEmpty())
            if (TComplicatedGECollection* super = superLayerOf(ActualLayer))
                super->AddDeletedUUID(point->FUUID);
        ActualLayer->FreeElement(point);
    }
    clearOverlays();
    setVisible(m_w.ks_Point_Edit_Layout_Delete, false);
    markModified(superLayerOf(ActualLayer));
    if (Hooks.Review) Hooks.Review();
}

// ---- TEditedPoint -----------------------------------------------------------------------------

bool TToolsController::PointIsInside(const QPointF& model) const {
    return EPoint && EPoint->PointIsInside(model.x(), model.y());
}

QPointF TToolsController::RefPoint() const {
    return EPoint ? QPointF(EPoint->GetRefX(), EPoint->GetRefY()) : QPointF();
}

void TToolsController::SetRefPoint(const QPointF& model) {
    if (!EPoint) return;
    EPoint->Move(model.x() - EPoint->GetRefX(), model.y() - EPoint->GetRefY());
}

void TToolsController::DrawPoint(QImage* target) {
    if (EPoint) m_painter.DrawPoint(EPoint, true, target);
}

void TToolsController::Moved() {
    markModified(superLayerOf(ActualLayer));
}

// ---- cadastral information -------------------------------------------------------------------

QString TToolsController::DefaultKNViewerUrl() {
    return QStringLiteral("http://nahlizenidokn.cuzk.cz/MapaIdentifikace.aspx");
}

QString TToolsController::KNInfoUrl(double mx, double my) const {
    return KNViewerUrl + QStringLiteral("?x=") + formatNumber(mx, 0) + QStringLiteral("&y=") +
           formatNumber(my, 0) + QStringLiteral("&maplayers= 8244EA23");
}

void TToolsController::Start_KNInfo() {
    ActiveTool = ToolCadastre;
    const QString setting = Hooks.KNViewerSetting ? Hooks.KNViewerSetting().trimmed() : QString();
    KNViewerUrl = setting.isEmpty() ? DefaultKNViewerUrl() : setting;
    showActionBar(QStringLiteral("Informace o parcele v KN"),
                  kavint() ? QStringLiteral("...") : QStringLiteral("... "));
}

} // namespace zelto
