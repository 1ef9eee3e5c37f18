// The tools controller's taps that select: the note tool, the map-view information, the callout
// and its buttons.
#include "Tools.h"

#include "Forest.h"
#include "Gps.h"
#include "Layers.h"
#include "MapCanvas.h"
#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "forest/e_LHCElements.h"
#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"
#include "topobjects/e_TopolElements.h"

#include <QLabel>

#include <cmath>

namespace zelto {

namespace {

// A note is picked by a tap closer than this (page pixels).
constexpr double NotePickPixels = 30;

bool isKind(const TComplicatedGECollection* sub, char kind) {
    return isSubLayerKind(sub->GetName(), kind);
}

} // namespace

QString TToolsController::LayerCaption(const TComplicatedGECollection* layer) {
    if (!layer) return QString();
    return layer->FText.isEmpty() ? layer->GetName() : layer->FText;
}

QString TToolsController::unitText(const QPointF& page) {
    // The forest unit under the tap names what is found there (the labels show it too).
    if (m_forest.FindForestOnScreen(page, false))
        return TForestController::UnitLabel(m_forest.S_Oddeleni, m_forest.S_Dilec, m_forest.S_Porost,
                                            m_forest.S_Skupina);
    return QStringLiteral("Mimo les");
}

bool TToolsController::notePicked(const Tgis_Note& note, float x, float y) const {
    const TPageProjection* P = m_canvas.Projection();
    return P && std::hypot(double(P->GetPageX(note.GetRefX())) - x, double(P->GetPageY(note.GetRefY())) - y) <
                    NotePickPixels;
}

bool TToolsController::CalloutVisible() const {
    return m_w.ks_p_Note && !m_w.ks_p_Note->isHidden();
}

void TToolsController::HideCallout() {
    if (m_w.ks_p_Note) m_w.ks_p_Note->hide();
}

// ---- the callout's accessors ---------------------------------------------------------------------

void TToolsController::Setp_Note_Visible(bool v) {
    if (!m_w.ks_p_Note) return;
    m_w.ks_p_Note->setVisible(v);
    if (v) m_w.ks_p_Note->raise();
}
bool TToolsController::Getp_Note_Visible() const {
    return CalloutVisible();
}
void TToolsController::Setp_Note_X(double x) {
    if (m_w.ks_p_Note) m_w.ks_p_Note->move(int(std::lround(x)), m_w.ks_p_Note->y());
}
void TToolsController::Setp_Note_Y(double y) {
    if (m_w.ks_p_Note) m_w.ks_p_Note->move(m_w.ks_p_Note->x(), int(std::lround(y)));
}
double TToolsController::Getp_Note_X() const {
    return m_w.ks_p_Note ? m_w.ks_p_Note->x() : 0;
}
double TToolsController::Getp_Note_Y() const {
    return m_w.ks_p_Note ? m_w.ks_p_Note->y() : 0;
}
double TToolsController::Getp_Note_Width() const {
    return m_w.ks_p_Note ? m_w.ks_p_Note->width() : 0;
}
double TToolsController::Getp_Note_Scale() const {
    // Page pixels per logical pixel of the callout.
    QWidget* parent = m_w.ks_p_Note ? m_w.ks_p_Note->parentWidget() : nullptr;
    return parent ? parent->devicePixelRatioF() : 1.0;
}
void TToolsController::Setp_note_Caption_Text(const QString& text) {
    if (m_w.ks_p_note_caption) m_w.ks_p_note_caption->setText(text);
}
void TToolsController::Setp_Note_Text_Text(const QString& text) {
    if (m_w.ks_p_note_text) m_w.ks_p_note_text->setText(text);
}
void TToolsController::Setp_note_Layer_Text(const QString& text) {
    if (m_w.ks_p_note_Layer) m_w.ks_p_note_Layer->setText(text);
}
void TToolsController::Setp_note_Detail_Layout_Visible(bool v) {
    if (m_w.ks_p_note_detail_Layout) m_w.ks_p_note_detail_Layout->setVisible(v);
}
void TToolsController::Setp_Note_Img_Visible(bool v) {
    if (m_w.ks_p_note_img) m_w.ks_p_note_img->setVisible(v);
}
void TToolsController::Setp_Note_Audio_Visible(bool v) {
    if (m_w.ks_p_note_audio) m_w.ks_p_note_audio->setVisible(v);
}
void TToolsController::Set_P_Note_Color(quint32 argb) {
    if (m_w.ks_p_note_Layer_Circle)
        m_w.ks_p_note_Layer_Circle->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 6px;")
                                                      .arg(QColor::fromRgba(argb).name(QColor::HexArgb)));
}

void TToolsController::showCallout(const QString& layer, quint32 colour, const QString& caption,
                                   const QString& text, bool photos, bool recordings, bool editable,
                                   const QPointF& page) {
    Setp_note_Detail_Layout_Visible(photos || recordings);
    Setp_Note_Img_Visible(photos);
    Setp_Note_Audio_Visible(recordings);
    Setp_note_Layer_Text(layer);
    Setp_note_Caption_Text(caption);
    Setp_Note_Text_Text(text);
    Set_P_Note_Color(colour);
    if (m_w.b_p_Note_Edit) m_w.b_p_Note_Edit->setVisible(editable);
    placeCallout(page);
}

void TToolsController::placeCallout(const QPointF& page) {
    QWidget* callout = m_w.ks_p_Note;
    QWidget* parent = callout ? callout->parentWidget() : nullptr;
    if (!callout || !parent) return;
    // Page pixels are device pixels; the callout lives in logical ones.
    const double ratio = parent->devicePixelRatioF();
    callout->adjustSize();
    int x = int(std::lround(page.x() / ratio - callout->width() / 2.0));
    int y = int(std::lround(page.y() / ratio + 5));
    x = std::clamp(x, 0, std::max(parent->width() - callout->width(), 0));
    y = std::clamp(y, 0, std::max(parent->height() - callout->height(), 0));
    callout->move(x, y);
    callout->show();
    callout->raise();
}

void TToolsController::ShowNoteCallout(TComplicatedGECollection* superLayer, TComplicatedGECollection* layer,
                                       Tgis_Note* note) {
    const TPageProjection* P = m_canvas.Projection();
    if (!note || !P) return;
    EditRecord = {};
    EditRecord.SuperLayer = superLayer;
    EditRecord.Layer = layer;
    EditRecord.aTool = ToolNotes;
    EditRecord.Element = note;
    showCallout(LayerCaption(superLayer), 0xFF000000, note->GetName(),
                note->GetText().isEmpty() ? QStringLiteral(" ") : note->GetText(), !note->GetNoImages(),
                !note->GetNoAudios(), true,
                QPointF(P->GetPageX(note->GetRefX()), P->GetPageY(note->GetRefY())));
}

// ---- the note tool ------------------------------------------------------------------------------

void TToolsController::b_NoteClick() {
    ActiveTool = ToolNotes;
    if (kavint())
        showActionBar(QStringLiteral("Poznámky"), LayerCaption(m_layers.ActualSuperLayer));
    else
        showActionBar(QStringLiteral("Režim vkládání/výběru poznámky"),
                      QStringLiteral("Klepnutím vložte nebo vyberte poznámku v mapě..."));
    if (m_w.ks_Note_Gps_Layout) {
        m_w.ks_Note_Gps_Layout->show();
        m_w.ks_Note_Gps_Layout->raise();
    }
    ActiveToolRestart = false;
}

void TToolsController::noteTap(float x, float y) {
    if (Status > 0) return;
    const TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    if (!ActualLayer) ActualLayer = m_layers.Layers_Layer(QStringLiteral("User"), QStringLiteral("N"));
    if (!ActualLayer) return;
    for (TElement* e : ActualLayer->FElements) {
        auto* note = zelto_cast<Tgis_Note>(e);
        if (!note) continue;
        if (notePicked(*note, x, y)) {
            ShowNoteCallout(superLayerOf(ActualLayer), ActualLayer, note);
            return;
        }
    }
    HideCallout();
    const QPointF page(x, y);
    startNewNote(P->GetModelX(x), P->GetModelY(y), unitText(page), page);
}

void TToolsController::b_Note_GpsClick() {
    if (!m_gps.FGPSFixed) {
        notifier().message(QStringLiteral("GPS poloha není k dispozici"));
        return;
    }
    if (Status >= 1) return;
    const TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    if (!ActualLayer) ActualLayer = m_layers.Layers_Layer(QStringLiteral("User"), QStringLiteral("N"));
    const double mx = m_gps.jtskX, my = m_gps.jtskY;
    const QString name = m_forest.FindForest(mx, my, false)
                             ? TForestController::UnitLabel(m_forest.S_Oddeleni, m_forest.S_Dilec,
                                                            m_forest.S_Porost, m_forest.S_Skupina)
                             : QStringLiteral("Mimo les");
    startNewNote(mx, my, name, QPointF(P->GetPageX(mx), P->GetPageY(my)));
}

void TToolsController::startNewNote(double mx, double my, const QString& name, const QPointF& page) {
    Status = 1;
    if (QWidget* marker = m_w.ImageBakule; marker && marker->parentWidget()) {
        // The marker's bottom centre stands on the place of the note.
        const double ratio = marker->parentWidget()->devicePixelRatioF();
        marker->move(int(std::lround(page.x() / ratio - marker->width() / 2.0)),
                     int(std::lround(page.y() / ratio - marker->height())));
        marker->show();
        marker->raise();
    }
    if (ActualNote && !ActualNote->GetOwnersCount()) delete ActualNote;
    auto* note = new Tgis_Note;
    note->SetByDoubleRect({mx, my, mx, my});
    note->SetRelRefCoords(0, 0);
    note->SetName(name);
    note->FUID = user();
    note->CreateUUID();
    note->FTimeStamp = nowAsDateTime();
    ActualNote = note;
    if (Hooks.OpenNoteDialog) Hooks.OpenNoteDialog(note, true);
}

void TToolsController::NoteDialogSaved(Tgis_Note* note, bool isNew) {
    Status = 0;
    if (m_w.ImageBakule) m_w.ImageBakule->hide();
    if (!note) return;
    note->FUID = user();
    note->FTimeStamp = nowAsDateTime();
    TComplicatedGECollection* layer = ActualLayer;
    if (isNew) {
        if (!layer || !isKind(layer, 'N'))
            layer = m_layers.Layers_Layer(QStringLiteral("User"), QStringLiteral("N"));
        if (!layer) return;
        layer->AddAndUpdateRect(note);
        if (ActualNote == note) ActualNote = nullptr;
    }
    markModified(superLayerOf(layer ? layer : ActualLayer));
    m_layers.Layers_UpdateList();
    m_layers.Layers_Save();
    if (Hooks.Review) Hooks.Review();
}

void TToolsController::NoteDialogCancelled() {
    Status = 0;
    if (m_w.ImageBakule) m_w.ImageBakule->hide();
    // A new note was never added to a layer: it goes (its attachment files stay).
    if (ActualNote && !ActualNote->GetOwnersCount()) {
        delete ActualNote;
        ActualNote = nullptr;
    }
}

// ---- the map-view tap ---------------------------------------------------------------------------

void TToolsController::infoTap(float x, float y) {
    const TPageProjection* P = m_canvas.Projection();
    TOwnerEntity* layers = m_layers.Layers();
    if (!P) return;
    const double mx = P->GetModelX(x), my = P->GetModelY(y);
    const double tolerance = P->GetModelLength(20);
    const QPointF page(x, y);
    if (layers && (CheckNotes || CheckLines || CheckAreas)) {
        for (TElement* le : layers->FElements) {
            auto* super = asLayer(le);
            if (!super || !super->GetVisible()) continue;
            for (TElement* se : super->FElements) {
                auto* sub = asLayer(se);
                if (!sub || !CheckNotes || !isKind(sub, 'N')) continue;
                for (TElement* e : sub->FElements)
                    if (auto* note = zelto_cast<Tgis_Note>(e); note && notePicked(*note, x, y)) {
                        ShowNoteCallout(super, sub, note);
                        return;
                    }
            }
            for (TElement* se : super->FElements) {
                auto* sub = asLayer(se);
                if (!sub || !CheckLines || !isKind(sub, 'L')) continue;
                for (TElement* e : sub->FElements) {
                    auto* line = zelto_cast<TGeometryElement>(e);
                    auto* shape = line ? zelto_cast<TPolyElement>(line->GetGeometry()) : nullptr;
                    // The box first: most lines lie far from the tap.
                    if (!shape ||
                        !shape->IsOverRegion(mx - tolerance, my - tolerance, mx + tolerance,
                                             my + tolerance) ||
                        !shape->IsHitByXY(mx, my, tolerance))
                        continue;
                    const bool measure =
                        super->GetName().compare(QLatin1String("Meas"), Qt::CaseInsensitive) == 0;
                    EditRecord = {};
                    EditRecord.SuperLayer = super;
                    EditRecord.Layer = sub;
                    EditRecord.GElement = line;
                    EditRecord.Element = shape;
                    EditRecord.aTool = measure ? ToolMeasure : ToolLines;
                    const double length = shape->GetLength();
                    const double hectares =
                        std::abs(shape->GetCoordsCount() > 2 ? shape->GetArea() : 0) / 10000;
                    const QString count = QString::number(shape->GetCoordsCount());
                    const QString text =
                        kavint()
                            ? formatNumber(length, 0) + QStringLiteral(" m / ") + formatNumber(hectares, 2) +
                                  QStringLiteral(" ha / ") + count + QStringLiteral(" bodů")
                            : LayerCaption(super) + QStringLiteral(": ") + formatNumber(length, 2) +
                                  QStringLiteral(" m ") + formatNumber(hectares, 2) + QStringLiteral(" ha ") +
                                  count + QStringLiteral(" bodů");
                    showCallout(LayerCaption(super), quint32(super->GetColor()),
                                measure ? QStringLiteral("Dílčí měření") : line->GetName(), text, false,
                                false, true, page);
                    m_forest.BlinkLine(shape);
                    return;
                }
            }
            for (TElement* se : super->FElements) {
                auto* sub = asLayer(se);
                if (!sub || !CheckAreas || !isKind(sub, 'A')) continue;
                for (TElement* e : sub->FElements) {
                    auto* area = zelto_cast<TGeometryElement>(e);
                    if (!area || !area->IsHitByXY(mx, my, 0)) continue;
                    auto* shape = zelto_cast<TPolyElement>(area->GetGeometry());
                    const QString unit = unitText(page);
                    EditRecord = {};
                    EditRecord.SuperLayer = super;
                    EditRecord.Layer = sub;
                    EditRecord.Element = area;
                    EditRecord.aTool = ToolAreas;
                    const double length = shape ? shape->GetLength() : 0;
                    const double hectares = shape ? std::abs(shape->GetArea()) / 10000 : 0;
                    const QString note = area->GetPropertyStringByName(QStringLiteral("Poznamka"));
                    QString caption, text;
                    if (area->GetGroup() == 42) {
                        caption = QStringLiteral("Holina ") + unit;
                        text = kavint() ? formatNumber(hectares, 2) + QStringLiteral(" ha . Index ") +
                                              area->GetPropertyStringByName(QStringLiteral("INDEXHOLINY")) +
                                              QStringLiteral(" . ROK ") +
                                              area->GetPropertyStringByName(QStringLiteral("ROK")) +
                                              QStringLiteral("\r\n") + note
                                        : LayerCaption(super) + QStringLiteral(": ") +
                                              formatNumber(length, 2) + QStringLiteral(" m ") +
                                              formatNumber(hectares, 2) + QStringLiteral(" ha ");
                    } else {
                        caption = QStringLiteral("Plocha ") + unit;
                        text = kavint() ? formatNumber(hectares, 2) + QStringLiteral(" ha /") +
                                              formatNumber(length, 0) + QStringLiteral(" m ") +
                                              QStringLiteral("\r\n") + note
                                        : caption + QStringLiteral(": ") + formatNumber(length, 2) +
                                              QStringLiteral(" m ") + formatNumber(hectares, 2) +
                                              QStringLiteral(" ha ") + QStringLiteral("\r\n") + note;
                    }
                    // Areas are edited with the area tool, not from here.
                    showCallout(LayerCaption(super), quint32(super->GetColor()), caption, text, false, false,
                                false, page);
                    if (shape) m_forest.BlinkArea(shape);
                    return;
                }
            }
        }
    }
    HideCallout();
    if (m_forest.CHeckJPRL) m_forest.FindForestOnScreen(page, true);
}

// ---- the callout's buttons --------------------------------------------------------------------

void TToolsController::b_p_Note_EditClick() {
    if (EditRecord.aTool == ToolNotes) {
        auto* note = zelto_cast<Tgis_Note>(EditRecord.Element);
        if (!note) return;
        HideCallout();
        m_layers.ActualSuperLayer = EditRecord.SuperLayer;
        ActualLayer = EditRecord.Layer;
        ActualNote = note;
        if (TPageProjection* P = m_canvas.Projection()) {
            P->SetCenterPoint(note->GetRefX(), note->GetRefY());
            if (Hooks.Review) Hooks.Review();
        }
        if (Hooks.OpenNoteDialog) Hooks.OpenNoteDialog(note, false);
        return;
    }
    if (EditRecord.aTool != ToolMeasure && EditRecord.aTool != ToolLines) return;
    auto* line = zelto_cast<TTopolLineElement>(EditRecord.GElement);
    auto* shape = zelto_cast<TPolyLineElement>(EditRecord.Element);
    if (!line || !shape || !EditRecord.Layer || EditRecord.Layer->IndexOf(line) < 0) return;
    HideCallout();
    // Whatever tool was active gives way without its own finish: its line is not kept.
    discardLine();
    m_layers.ActualSuperLayer = EditRecord.SuperLayer;
    ActualLayer = EditRecord.Layer;
    EditRecord.OriginalElement = shape;
    GLine = line;
    auto* copy = zelto_cast<TPolyLineElement>(static_cast<TElement*>(shape->ClassType().create()));
    if (!copy) copy = new TPolyLineElement;
    copy->SetName(shape->GetName());
    copy->FUUID = shape->FUUID;
    copy->FUID = shape->FUID;
    copy->FTimeStamp = shape->FTimeStamp;
    for (int i = 0; i < shape->GetCoordsCount(); ++i) copy->AddXY(shape->GetX(i), shape->GetY(i));
    copy->RecalculateRect();
    MLine = copy;
    WaitingActiveTool = ToolView;
    m_editedOriginal = line;
    m_editedOriginalLayer = EditRecord.Layer;
    EditRecord.Layer->RemoveElement(line);
    m_layers.Changed();
    ActiveToolRestart = true;
    ActiveTool = ToolLines;
    StartLineEditing(false);
    MLineActivePoint = 0;
    if (Hooks.Review) Hooks.Review();
    redrawLine();
    HighlightHand(false);
}

void TToolsController::b_p_note_DeleteClick() {
    QString question;
    switch (EditRecord.aTool) {
    case ToolNotes:
        question = QStringLiteral("Opravdu chcete vybranou poznámku smazat?");
        break;
    case ToolMeasure:
    case ToolLines:
        question = QStringLiteral("Opravdu chcete vybranou linii smazat?");
        break;
    case ToolAreas:
        question = QStringLiteral("Opravdu chcete vybranou plochu smazat?");
        break;
    default:
        return;
    }
    TSuperdialog* dialog = Hooks.PrepareSuperdialog ? Hooks.PrepareSuperdialog(false, question) : nullptr;
    if (!dialog) return;
    dialog->SetOnOK([this](QObject*) { OnDeleteObjectConfirm(); });
    dialog->Show();
}

void TToolsController::OnDeleteObjectConfirm() {
    const bool line = EditRecord.aTool == ToolMeasure || EditRecord.aTool == ToolLines;
    TElement* object = line ? EditRecord.GElement : EditRecord.Element;
    TComplicatedGECollection* layer = EditRecord.Layer;
    if (!object || !layer || layer->IndexOf(object) < 0) {
        HideCallout();
        return;
    }
    QString uuid;
    if (auto* g = zelto_cast<TGeometryElement>(object))
        uuid = g->FUUID;
    else if (auto* g = zelto_cast<TGeometry>(object))
        uuid = g->FUUID;
    TComplicatedGECollection* super = EditRecord.SuperLayer ? EditRecord.SuperLayer : superLayerOf(layer);
    if (super && !uuid.isEmpty()) super->AddDeletedUUID(uuid);
    Forget(object);
    layer->FreeElement(object);
    markModified(super);
    m_layers.Layers_Save();
    m_layers.Layers_UpdateList();
    HideCallout();
    if (Hooks.Review) Hooks.Review();
}

void TToolsController::p_note_LayerClick() {
    if (!EditRecord.Layer) return;
    TComplicatedGECollection* super = superLayerOf(EditRecord.Layer);
    QString tab = QStringLiteral("Linie");
    if (EditRecord.aTool == ToolNotes)
        tab = QStringLiteral("Poznámky");
    else if (zelto_cast<Tgis_UserAreaElement>(EditRecord.Element))
        tab = QStringLiteral("Plochy");
    if (Hooks.CloseDrawer) Hooks.CloseDrawer();
    if (Hooks.ShowNotesFrame) Hooks.ShowNotesFrame(super, tab);
}

void TToolsController::FrameSelected(TElement* element, TComplicatedGECollection* layer) {
    TPageProjection* P = m_canvas.Projection();
    if (!element || !P) return;
    const TDoubleRect view = P->GetModelView();
    auto toward = [&](TRectEntity* shape) {
        // Into view (never closer than 1 : 2000) unless it is in view already.
        TRectangle* rect = shape ? shape->GetRect() : nullptr;
        if (!rect || rect->IsEmpty()) return;
        if (!shape->IsInsideRegion(view.MinX, view.MinY, view.MaxX, view.MaxY)) {
            P->ChangeProjectionByRect(rect);
            if (P->GetScale() < TForestController::ClosestUnitScale)
                P->SetScale(TForestController::ClosestUnitScale);
        }
        if (Hooks.Review) Hooks.Review();
    };
    if (auto* area = zelto_cast<Tgis_UserAreaElement>(element)) {
        HideCallout();
        toward(area);
        if (TGeometry* shape = area->GetGeometry()) m_forest.BlinkArea(shape);
        return;
    }
    if (auto* line = zelto_cast<TTopolLineElement>(element)) {
        auto* shape = line->GetGeometry();
        if (!shape) return;
        HideCallout();
        toward(shape);
        m_forest.BlinkLine(shape);
        return;
    }
    auto* note = zelto_cast<Tgis_Note>(element);
    if (!note) return;
    double x = note->GetRefX();
    // The note stays visible beside the list: when little map is left right of the list, the
    // view moves so that the note lies left of the centre.
    if (Hooks.ListWidth) {
        const double ratio = m_w.ks_p_Note && m_w.ks_p_Note->parentWidget()
                                 ? m_w.ks_p_Note->parentWidget()->devicePixelRatioF()
                                 : 1.0;
        const double centre = P->GetPageX(P->GetCenterX()) / ratio;
        if (centre - Hooks.ListWidth() < 100) x -= P->GetModelLength(float(100 * ratio));
    }
    P->SetCenterPoint(x, note->GetRefY());
    if (P->GetScale() < TForestController::ClosestUnitScale) P->SetScale(TForestController::ClosestUnitScale);
    if (Hooks.Review) Hooks.Review();
    ShowNoteCallout(layer, layer ? layer->GetLayer(QStringLiteral("N")) : nullptr, note);
}

void TToolsController::NoteAttachmentsChanged(Tgis_Note* note) {
    if (!note) return;
    for (int i = 0; i < note->GetOwnersCount(); ++i)
        if (auto* sub = asLayer(note->GetOwnerEntity(i))) {
            markModified(superLayerOf(sub));
            m_layers.Layers_Save();
            return;
        }
}

void TToolsController::Forget(TElement* element) {
    if (!element) return;
    if (EditRecord.Element == element || EditRecord.GElement == element ||
        EditRecord.OriginalElement == element) {
        EditRecord = {};
        HideCallout();
    }
    if (auto* g = zelto_cast<TGeometryElement>(element))
        if (TGeometry* shape = g->GetGeometry()) m_forest.Forget(shape);
    m_forest.Forget(element);
    if (EPoint == element) {
        EPoint = nullptr;
        updateNavigation();
    }
    if (ActualNote == element) ActualNote = nullptr;
}

} // namespace zelto
