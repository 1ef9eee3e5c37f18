#include "Navigation.h"

#include "MapCanvas.h"
#include "TiledMap.h"
#include "UiKit.h"

#include "framework/TextLocale.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QStyleHints>
#include <QThread>
#include <QTimer>
#include <QTouchEvent>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <type_traits>

namespace zelto {

// ---- the arithmetic ---------------------------------------------------------------------------

double chooseNiceLength(double L) {
    static constexpr std::array<double, 11> nice = {0, 1, 2, 5, 10, 25, 50, 100, 200, 500, 1000};
    if (!(L > 0) || !std::isfinite(L)) return 0;
    double chosen = 0;
    for (double entry : nice) {
        if (!(entry < L)) break;
        chosen = entry;
    }
    return chosen == 1000 ? 1000 * std::floor(L / 1000) : chosen;
}

bool isUsableScale(double scale) {
    return std::isfinite(scale) && scale > 0 && scale < 1e30;
}

namespace {

// A bar of `segments` equal segments over the available width: each segment is the nice length of
// its share of the model length L; at 3 km or more the values are in kilometres.
TScaleBar scaleBar(const TProjection& projection, double availablePixels, int segments, int kmDecimals) {
    TScaleBar bar;
    const double L = projection.GetModelLength(float(availablePixels));
    bar.Km = L >= 3000;
    bar.Metres = chooseNiceLength(L / segments);
    bar.Width = projection.GetPageLength(bar.Metres);
    bar.Value = bar.Km ? bar.Metres / 1000 : bar.Metres;
    bar.ValueText = formatNumber(bar.Value, bar.Km ? kmDecimals : 0);
    return bar;
}

} // namespace

TScaleBar kavintScaleBar(const TProjection& projection, double availablePixels) {
    TScaleBar bar = scaleBar(projection, availablePixels, 1, 0);
    bar.ValueText += bar.Km ? QStringLiteral(" km") : QStringLiteral(" m");
    return bar;
}

TScaleBar classicScaleBar(const TProjection& projection, double availablePixels) {
    // A segment of 500 m in kilometres is half a kilometre: whole numbers would show it as 1
    // (and 1.5 as 2), so kilometres keep one decimal.
    return scaleBar(projection, availablePixels, 3, 1);
}

std::optional<double> pinchScale(double scale1, int distance, int lastDist) {
    if (lastDist <= 0 || distance <= 0) return std::nullopt;
    const double scale = scale1 / (double(distance) / double(lastDist));
    if (!isUsableScale(scale)) return std::nullopt;
    return scale;
}

double wheelScale(double scale, int wheelDelta) {
    return wheelDelta > 0 ? scale * 0.8 : scale * 1.25;
}

void zoomAround(TPageProjection& projection, double pageX, double pageY, double scale) {
    const T_Page* page = projection.GetPage();
    const double width = page ? double(page->FRect.Right - page->FRect.Left) : 0;
    const double height = page ? double(page->FRect.Bottom - page->FRect.Top) : 0;
    const double dx = pageX - width / 2, dy = pageY - height / 2;
    double mx = projection.GetModelX(float(pageX));
    double my = projection.GetModelY(float(pageY));
    projection.ChangeProjection(projection.GetCenterX(), projection.GetCenterY(), scale);
    mx -= projection.GetModelLength(float(dx));
    my += projection.GetModelLength(float(dy));
    projection.ChangeProjection(mx, my, scale);
}

std::vector<double> zoomButtonFrames(double s0, bool zoomIn) {
    const double step = zoomIn ? 0.1 : 0.05;
    const int frames = zoomIn ? 5 : 10;
    std::vector<double> scales;
    for (int k = 1; k <= frames; ++k) {
        const double d = 1.0 + k * step;
        scales.push_back(zoomIn ? s0 / d : s0 * d);
    }
    return scales;
}

double zoomButtonFinal(double s0, bool zoomIn) {
    return zoomIn ? s0 / 1.5 : s0 * 1.5;
}

QRectF pageRectOf(const TProjection& projection, double minX, double minY, double maxX, double maxY) {
    const int left = projection.GetPageX(minX), top = projection.GetPageY(maxY);
    const int right = projection.GetPageX(maxX), bottom = projection.GetPageY(minY);
    return QRectF(left, top, right - left, bottom - top);
}

void shiftView(TPageProjection& projection, double dx, double dy) {
    // Page y grows downwards, model Y upwards.
    projection.ChangeProjection(projection.GetCenterX() - projection.GetModelLength(float(dx)),
                                projection.GetCenterY() + projection.GetModelLength(float(dy)),
                                projection.GetScale());
}

bool vertexGrabbed(const TProjection& projection, float x, float y, const QPointF& vertex) {
    const double mx = projection.GetModelX(x);
    const double my0 = projection.GetModelY(y);
    const double my100 = projection.GetModelY(y - 100);
    const double tolerance = projection.GetModelLength(50);
    return std::hypot(mx - vertex.x(), my100 - vertex.y()) < tolerance ||
           std::hypot(mx - vertex.x(), my0 - vertex.y()) < tolerance;
}

TEditedLine::~TEditedLine() = default;
TEditedPoint::~TEditedPoint() = default;

// ---- touch input ------------------------------------------------------------------------------

void TTouchTranslator::Emit(TGestureKind kind, const QPointF& at, int flags, int distance) {
    if (!OnGesture) return;
    TGestureEventInfo e;
    e.GestureID = kind;
    e.Location = at;
    e.Flags = flags;
    e.Distance = distance;
    OnGesture(e);
}

void TTouchTranslator::Touch(const std::vector<QPointF>& points, bool finished) {
    const size_t n = finished ? 0 : points.size();
    if (n >= 1) m_last = points[0];
    auto pinch = [&](int flags) {
        const QPointF mid = (points[0] + points[1]) / 2;
        const int distance =
            int(std::lround(std::hypot(points[0].x() - points[1].x(), points[0].y() - points[1].y())));
        Emit(TGestureKind::Zoom, mid, flags, distance);
        m_last = mid;
    };
    switch (m_state) {
    case State::Idle:
        if (n == 1) {
            m_down = points[0];
            m_state = State::Pressed;
        } else if (n >= 2) {
            pinch(gfBegin);
            m_state = State::Pinching;
        }
        break;
    case State::Pressed:
        if (n == 0) {
            m_state = State::Idle;
            if (OnTap) OnTap(m_last);
        } else if (n == 1) {
            if (std::hypot(m_last.x() - m_down.x(), m_last.y() - m_down.y()) > Slop) {
                // The pan starts where the finger touched down, so the map stays under it.
                Emit(TGestureKind::Pan, m_down, gfBegin);
                Emit(TGestureKind::Pan, m_last, gfNone);
                m_state = State::Panning;
            }
        } else {
            pinch(gfBegin);
            m_state = State::Pinching;
        }
        break;
    case State::Panning:
        if (n == 0) {
            Emit(TGestureKind::Pan, m_last, gfEnd);
            m_state = State::Idle;
        } else if (n == 1) {
            Emit(TGestureKind::Pan, m_last, gfNone);
        } else {
            // A second finger: the pinch takes over (it ends the pan when it ends).
            pinch(gfBegin);
            m_state = State::Pinching;
        }
        break;
    case State::Pinching:
        if (n >= 2) {
            pinch(gfNone);
        } else {
            Emit(TGestureKind::Zoom, m_last, gfEnd);
            m_state = n == 0 ? State::Idle : State::Spent;
        }
        break;
    case State::Spent:
        if (n == 0) m_state = State::Idle;
        break;
    }
}

TNavigationWidgets TNavigationWidgets::Find(const QWidget& window) {
    TNavigationWidgets w;
    ZELTO_FIND_CONTROL(window, w, b_plus);
    ZELTO_FIND_CONTROL(window, w, b_Minus);
    ZELTO_FIND_CONTROL(window, w, plus_rect);
    ZELTO_FIND_CONTROL(window, w, minus_rect);
    ZELTO_FIND_CONTROL(window, w, ZoomTimer);
    ZELTO_FIND_CONTROL(window, w, p_Note);
    ZELTO_FIND_CONTROL(window, w, ks_p_Note);
    ZELTO_FIND_CONTROL(window, w, ImageBakule);
    ZELTO_FIND_CONTROL(window, w, gpsCursor);
    ZELTO_FIND_CONTROL(window, w, gpscur);
    ZELTO_FIND_CONTROL(window, w, GPath);
    ZELTO_FIND_CONTROL(window, w, l_scale);
    ZELTO_FIND_CONTROL(window, w, l_jtsk);
    ZELTO_FIND_CONTROL(window, w, ks_ScaleLayOut);
    ZELTO_FIND_CONTROL(window, w, ks_l_Scale);
    ZELTO_FIND_CONTROL(window, w, ks_Scale_R);
    ZELTO_FIND_CONTROL(window, w, ks_Scale_R2);
    ZELTO_FIND_CONTROL(window, w, ScaleLayout);
    ZELTO_FIND_CONTROL(window, w, InfoLayout);
    ZELTO_FIND_CONTROL(window, w, Rectangle1);
    ZELTO_FIND_CONTROL(window, w, Rectangle2);
    ZELTO_FIND_CONTROL(window, w, Rectangle3);
    ZELTO_FIND_CONTROL(window, w, Text1);
    ZELTO_FIND_CONTROL(window, w, Text2);
    ZELTO_FIND_CONTROL(window, w, Text3);
    ZELTO_FIND_CONTROL(window, w, Text4);
    ZELTO_FIND_CONTROL(window, w, Text5);
    ZELTO_FIND_CONTROL(window, w, Text22);
    ZELTO_FIND_CONTROL(window, w, Text33);
    ZELTO_FIND_CONTROL(window, w, Text44);
    ZELTO_FIND_CONTROL(window, w, Text55);
    ZELTO_FIND_CONTROL(window, w, ks_l_Delka);
    ZELTO_FIND_CONTROL(window, w, ks_l_Plocha);
    ZELTO_FIND_CONTROL(window, w, l_Text);
    return w;
}

// ---- the controller ---------------------------------------------------------------------------

TNavigationController::TNavigationController(TMapCanvas& canvas, TTiledMapController& map,
                                             const TNavigationWidgets& widgets)
    : m_canvas(canvas), m_map(map), m_w(widgets) {
    m_touch.OnGesture = [this](const TGestureEventInfo& e) {
        bool handled = false;
        FormGesture(m_canvas.Widgets().Image_edit, e, handled);
    };
    m_zoomFrames = new QTimer(this);
    m_zoomFrames->setInterval(16);
    connect(m_zoomFrames, &QTimer::timeout, this, [this] { ZoomFrame(); });
    m_touch.OnTap = [this](const QPointF& at) {
        if (Hooks.ImageTap) Hooks.ImageTap(float(at.x()), float(at.y()));
    };
}

TNavigationController::~TNavigationController() = default;

void TNavigationController::Reset() {
    LastLocalX = LastLocalY = 0;
    aX = aY = 0;
    X1 = Y1 = X2 = Y2 = 0;
    Scale1 = 0;
    LastDist = 0;
    Zoomed = ZoomSilence = false;
    PanStatus = 0;
    Pani = pani1 = 0;
    Moving = false;
    RefX = RefY = LastX = LastY = 0;
    // The zoom timer runs from the creation on (it only ends a quiet period).
    if (m_w.ZoomTimer) m_w.ZoomTimer->start();
}

void TNavigationController::Wire() {
    if (QWidget* overlay = m_canvas.Widgets().Image_edit) overlay->installEventFilter(this);
    for (QAbstractButton* b : {m_w.b_plus, m_w.plus_rect})
        if (b) connect(b, &QAbstractButton::clicked, this, [this] { b_plusClick(); });
    for (QAbstractButton* b : {m_w.b_Minus, m_w.minus_rect})
        if (b) connect(b, &QAbstractButton::clicked, this, [this] { b_MinusClick(); });
    if (m_w.ZoomTimer) connect(m_w.ZoomTimer, &QTimer::timeout, this, [this] { ZoomTimerTimer(); });
    m_touch.Slop = QGuiApplication::styleHints()->startDragDistance() * PageScale();
}

void TNavigationController::SetUse_Gestures(bool value) {
    m_useGestures = value;
    Moving = false;
    m_touch.Reset();
    if (QWidget* overlay = m_canvas.Widgets().Image_edit)
        overlay->setAttribute(Qt::WA_AcceptTouchEvents, value);
}

QImage& TNavigationController::Bm() {
    return m_canvas.Bm();
}

double TNavigationController::PageScale() const {
    QWidget* image = m_canvas.Widgets().Image;
    return image ? image->devicePixelRatioF() : 1.0;
}

int TNavigationController::ActiveTool() const {
    return Hooks.ActiveTool ? Hooks.ActiveTool() : 0;
}

bool TNavigationController::IsLineTool() const {
    return ActiveTool() == 2 || ActiveTool() == 4;
}

void TNavigationController::StopGpsFollow() {
    if (Hooks.StopGpsFollow) Hooks.StopGpsFollow();
}

// ---- gestures ---------------------------------------------------------------------------------

void TNavigationController::CommonFirstSteps(bool& Handled) {
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    Handled = true;
}

void TNavigationController::FormGesture(QObject*, const TGestureEventInfo& EventInfo, bool& Handled) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    CommonFirstSteps(Handled);
    // The zoom buttons' animation owns the view until its last frame.
    if (m_animating) return;
    if (m_map.Reviewing) {
        // A redraw is between two of its slices: the gesture takes over. What the redraw painted
        // so far shows the current view, so the gesture moves that.
        m_map.StopReviews();
        Bm() = m_canvas.Picture().copy();
    }
    if (m_w.GPath) m_w.GPath->hide();
    switch (EventInfo.GestureID) {
    case TGestureKind::Zoom:
        if (EventInfo.IsBegin())
            ZoomBegin(EventInfo);
        else if (EventInfo.IsEnd())
            ZoomEnd();
        else
            ZoomIntermediate(EventInfo);
        break;
    case TGestureKind::Pan:
        if (ZoomSilence) return; // the fingers leaving the glass after a pinch
        if (EventInfo.IsBegin())
            PanBegin(EventInfo);
        else if (EventInfo.IsEnd())
            PanEnd(EventInfo);
        else
            PanIntermediate(EventInfo);
        break;
    default:
        break;
    }
}

void TNavigationController::ZoomBegin(const TGestureEventInfo& e) {
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    Zoomed = true;
    ZoomSilence = false;
    StopGpsFollow();
    for (QWidget* callout : {m_w.p_Note, m_w.ks_p_Note})
        if (callout) callout->hide();
    const TDoubleRect V = P->GetModelView();
    X1 = V.MinX;
    Y1 = V.MaxY;
    X2 = V.MaxX;
    Y2 = V.MinY;
    Scale1 = P->GetScale();
    LastDist = e.Distance;
    // A drag in progress has already moved the picture: the view follows it, so that the pinch
    // goes on from where the map is shown (the snapshot keeps its model rectangle).
    if (pani1 != 0 && PanStatus == 1 && (aX != 0 || aY != 0)) {
        shiftView(*P, aX, aY);
        aX = aY = 0;
    }
    m_map.StopReviews();
}

void TNavigationController::ZoomIntermediate(const TGestureEventInfo& e) {
    TPageProjection* P = m_canvas.Projection();
    if (!Zoomed || !P) return; // no pinch was begun
    const std::optional<double> scale = pinchScale(Scale1, e.Distance, LastDist);
    if (!scale) {
        // Without a starting distance the spread has no ratio: the first real distance becomes
        // the start, and the pinch is measured from there.
        if (LastDist <= 0 && e.Distance > 0) LastDist = e.Distance;
        return;
    }
    const double x = e.Location.x(), y = e.Location.y();
    zoomAround(*P, x, y, *scale);
    const QPointF cross(x, y);
    PaintStretched(pageRectOf(*P, X1, Y2, X2, Y1), &cross);
    if (Hooks.Drawgps) Hooks.Drawgps();
    RedrawEditOverlay();
    QueueShowScaleAndCoords();
}

void TNavigationController::ZoomEnd() {
    RedrawEditOverlay();
    m_map.Review();
    ShowScaleAndCoords();
    Zoomed = false;
    Pani = pani1 = 0;
    LastX = LastY = 0;
    aX = aY = 0;
    ZoomSilence = true;
    if (m_w.ZoomTimer) m_w.ZoomTimer->start(500);
}

void TNavigationController::ZoomTimerTimer() {
    if (m_w.ZoomTimer) m_w.ZoomTimer->stop();
    ZoomSilence = false;
}

void TNavigationController::PanBegin(const TGestureEventInfo& e) {
    if (Zoomed || Pani > 0) return;
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    PanStatus = 0;
    ++Pani;
    ++pani1;
    const float x = float(e.Location.x()), y = float(e.Location.y());
    if (x <= EdgeSwipeWidth && Hooks.OpenDrawer) {
        // A drag from the left edge pulls the menu drawer out; the map stays.
        LastX = LastLocalX = x;
        LastY = LastLocalY = y;
        PanStatus = 4;
        return;
    }
    // The offset of an earlier drag must not move the map of this one (an end without any move
    // between would otherwise apply it again).
    aX = aY = 0;
    StopGpsFollow();
    LastX = x;
    LastY = y;
    LastLocalX = x;
    LastLocalY = y;
    m_map.StopReviews();

    if (IsLineTool()) {
        QPointF vertex;
        if (m_line && m_line->ActiveVertex(vertex) && vertexGrabbed(*P, x, y, vertex)) {
            RefX = P->GetPageX(vertex.x()) - x;
            RefY = P->GetPageY(vertex.y()) - y;
            PanStatus = 2;
        } else {
            // The line moves with the map: it goes into the snapshot.
            m_canvas.Edit_Clear();
            if (m_line) {
                m_line->DrawLineEdit(&Bm());
                m_line->DrawLineDetail(&Bm());
            }
            PanStatus = 1;
        }
    } else if (ActiveTool() == 3) {
        if (m_point && m_point->PointIsInside(QPointF(P->GetModelX(x), P->GetModelY(y)))) {
            const QPointF ref = m_point->RefPoint();
            RefX = P->GetPageX(ref.x()) - x;
            RefY = P->GetPageY(ref.y()) - y;
            // The symbol is drawn once and then only blitted while it is dragged.
            QImage& detail = m_canvas.Widgets().Image_Edit_Detail->Bitmap();
            detail.fill(Qt::transparent);
            m_point->DrawPoint(&detail);
            PanStatus = 3;
        } else {
            if (m_point) {
                m_canvas.Edit_Clear();
                m_point->DrawPoint(&Bm());
            }
            PanStatus = 1;
        }
    } else {
        PanStatus = 1;
    }
}

void TNavigationController::PanIntermediate(const TGestureEventInfo& e) {
    if (Zoomed || Pani == 0 || PanStatus == 0) return;
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    const float x = float(e.Location.x()), y = float(e.Location.y());
    if (x == LastLocalX && y == LastLocalY) return;
    switch (PanStatus) {
    case 2: {
        LastLocalX = x;
        LastLocalY = y;
        QPointF vertex;
        if (!m_line || !m_line->ActiveVertex(vertex)) return;
        m_line->SetActiveVertex(
            QPointF(P->GetModelX(float(LastLocalX + RefX)), P->GetModelY(float(LastLocalY + RefY))));
        m_line->DrawLineDetail(nullptr);
        ShowMeasure();
        break;
    }
    case 3: {
        LastLocalX = x;
        LastLocalY = y;
        if (!m_point) return;
        m_point->SetRefPoint(
            QPointF(P->GetModelX(float(LastLocalX + RefX)), P->GetModelY(float(LastLocalY + RefY))));
        aX = x - float(LastX);
        aY = y - float(LastY);
        ui::TImageControl* overlay = m_canvas.Widgets().Image_edit;
        overlay->ClearBitmap();
        {
            QPainter p(&overlay->Bitmap());
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPointF(std::round(aX), std::round(aY)),
                        m_canvas.Widgets().Image_Edit_Detail->Bitmap());
        }
        overlay->update();
        break;
    }
    case 4:
        LastLocalX = x;
        LastLocalY = y;
        break;
    case 1: {
        MoveFloatingMarkers(x - LastLocalX, y - LastLocalY);
        if (m_w.gpscur && !m_w.gpscur->isHidden() && Hooks.DrawgpsTear)
            Hooks.DrawgpsTear(P->GetModelLength(aX), P->GetModelLength(aY));
        LastLocalX = x;
        LastLocalY = y;
        aX = x - float(LastX);
        aY = y - float(LastY);
        PaintShifted(aX, aY);
        break;
    }
    default:
        break;
    }
}

void TNavigationController::PanEnd(const TGestureEventInfo&) {
    if (Zoomed) return ZoomEnd();
    if (pani1 == 0) return;
    Pani = pani1 = 0;
    TPageProjection* P = m_canvas.Projection();
    switch (PanStatus) {
    case 1:
        if (P) shiftView(*P, aX, aY);
        LastX = LastY = 0;
        aX = aY = 0;
        RedrawEditOverlay();
        m_map.Review();
        ShowScaleAndCoords();
        break;
    case 4: {
        const double dx = LastLocalX - LastX, dy = LastLocalY - LastY;
        if (dx >= EdgeSwipeDistance && dx > std::abs(dy) && Hooks.OpenDrawer) Hooks.OpenDrawer();
        break;
    }
    case 3:
        if (m_point) {
            m_canvas.Edit_Clear();
            m_point->DrawPoint(nullptr);
            m_point->Moved();
        }
        break;
    default:
        break; // a dragged vertex is kept by its line tool
    }
    PanStatus = 1;
}

void TNavigationController::RedrawEditOverlay() {
    if (IsLineTool() && m_line) {
        m_line->DrawLineEdit(nullptr);
        m_line->DrawLineDetail(nullptr);
    }
    if (ActiveTool() == 3 && m_point) m_point->DrawPoint(nullptr);
}

void TNavigationController::ShowMeasure() {
    if (!m_line) return;
    const double length = m_line->Length();
    const double hectares = std::abs(m_line->Area()) / 10000;
    if (KavintStyle) {
        if (m_w.ks_l_Delka) m_w.ks_l_Delka->setText(formatNumber(length, 1) + QStringLiteral(" m "));
        if (m_w.ks_l_Plocha) m_w.ks_l_Plocha->setText(formatNumber(hectares, 2) + QStringLiteral(" ha"));
    } else if (m_w.l_Text) {
        m_w.l_Text->setText(QStringLiteral("Délka: ") + formatNumber(length, 3) +
                            QStringLiteral(" m      Plocha:") + formatNumber(hectares, 2) +
                            QStringLiteral(" ha"));
    }
}

void TNavigationController::MoveFloatingMarkers(double dx, double dy) {
    const double ratio = PageScale();
    const QPoint by(int(std::lround(dx / ratio)), int(std::lround(dy / ratio)));
    if (by.isNull()) return;
    for (QWidget* w : {m_w.p_Note, m_w.ks_p_Note, m_w.ImageBakule, m_w.gpsCursor})
        if (w && !w->isHidden()) w->move(w->pos() + by);
}

// ---- painting the snapshot --------------------------------------------------------------------

namespace {

// Paints with the canvas of the map picture, replacing pixels (the snapshot is opaque, so
// replacing is the same as clearing and drawing it over), without smoothing: a frame is shown
// for a few milliseconds, the redraw at the end paints the real picture.
class SnapshotPainter {
public:
    explicit SnapshotPainter(TCanvas* canvas) : m_canvas(canvas) {
        if (!m_canvas || !m_canvas->BeginScene()) {
            m_canvas = nullptr;
            return;
        }
        m_painter = m_canvas->Painter();
        m_painter->save();
        m_painter->setOpacity(1);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    }
    ~SnapshotPainter() {
        if (!m_canvas) return;
        m_painter->restore();
        m_canvas->EndScene();
    }
    SnapshotPainter(const SnapshotPainter&) = delete;
    SnapshotPainter& operator=(const SnapshotPainter&) = delete;
    QPainter* operator->() const { return m_painter; }
    explicit operator bool() const { return m_canvas != nullptr; }

    // The background colour wherever the target does not cover the picture.
    void ClearAround(const QRect& target, quint32 argb) {
        const QRect picture(QPoint(0, 0), m_canvas->Bitmap()->size());
        const QRegion uncovered = QRegion(picture).subtracted(QRegion(target.intersected(picture)));
        for (const QRect& r : uncovered) m_painter->fillRect(r, QColor::fromRgba(argb));
    }

private:
    TCanvas* m_canvas;
    QPainter* m_painter = nullptr;
};

} // namespace

void TNavigationController::PaintShifted(double dx, double dy) {
    const QImage& bm = Bm();
    if (bm.isNull()) return;
    SnapshotPainter p(m_canvas.Canvas());
    if (!p) return;
    const QPoint at(int(std::lround(dx)), int(std::lround(dy)));
    p.ClearAround(QRect(at, bm.size()), m_canvas.BColor);
    p->drawImage(at, bm);
    ++m_frames;
    m_canvas.Update();
}

void TNavigationController::PaintStretched(const QRectF& target, const QPointF* cross) {
    const QImage& bm = Bm();
    if (bm.isNull()) return;
    SnapshotPainter p(m_canvas.Canvas());
    if (!p) return;
    const QRect whole = target.toRect();
    p.ClearAround(whole, m_canvas.BColor);
    if (!whole.isEmpty()) p->drawImage(QRectF(whole), bm);
    if (cross) {
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->setPen(QPen(Qt::white, 1));
        const double x = std::round(cross->x()), y = std::round(cross->y());
        p->drawLine(QPointF(x - 10, y), QPointF(x + 10, y));
        p->drawLine(QPointF(x, y - 10), QPointF(x, y + 10));
    }
    ++m_frames;
    m_canvas.Update();
}

// ---- mouse mode -------------------------------------------------------------------------------

void TNavigationController::ImageMouseDown(QObject*, Qt::MouseButton, Qt::MouseButtons, float X, float Y) {
    LastLocalX = X;
    LastLocalY = Y;
}

void TNavigationController::ImageMouseMove(QObject*, Qt::MouseButtons Shift, float X, float Y) {
    if (!(Shift & Qt::LeftButton)) return;
    bool handled = false;
    TGestureEventInfo e;
    e.GestureID = TGestureKind::Pan;
    if (!Moving) {
        e.Location = QPointF(LastLocalX, LastLocalY);
        e.Flags = gfBegin;
        FormGesture(nullptr, e, handled);
        Moving = true;
    }
    e.Location = QPointF(X, Y);
    e.Flags = gfNone;
    FormGesture(nullptr, e, handled);
}

void TNavigationController::ImageMouseUp(QObject*, Qt::MouseButton Button, Qt::MouseButtons, float X,
                                         float Y) {
    if (Moving) {
        Moving = false;
        bool handled = false;
        TGestureEventInfo e;
        e.GestureID = TGestureKind::Pan;
        e.Location = QPointF(X, Y);
        e.Flags = gfEnd;
        FormGesture(nullptr, e, handled);
        return;
    }
    // A click of the primary button without movement is a tap.
    if (Button == Qt::LeftButton && Hooks.ImageTap) Hooks.ImageTap(X, Y);
}

void TNavigationController::ImageMouseWheel(QObject*, Qt::KeyboardModifiers, int WheelDelta, bool& Handled,
                                            const QPointF& at) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    for (QWidget* callout : {m_w.p_Note, m_w.ks_p_Note})
        if (callout) callout->hide();
    if (Handled) return;
    Handled = true;
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    const double scale = wheelScale(P->GetScale(), WheelDelta);
    if (!isUsableScale(scale)) return;
    zoomAround(*P, at.x(), at.y(), scale);
    m_map.Review();
    RedrawEditOverlay();
    QueueShowScaleAndCoords();
}

// ---- zoom buttons -----------------------------------------------------------------------------

void TNavigationController::b_plusClick() {
    ZoomButton(true);
}

void TNavigationController::b_MinusClick() {
    ZoomButton(false);
}

void TNavigationController::ZoomButton(bool zoomIn) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    TPageProjection* P = m_canvas.Projection();
    // A click during the animation would be overridden by the running one's final scale.
    if (!P || m_animating) return;
    m_animating = true;
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    m_map.StopReviews();
    const TDoubleRect V = P->GetModelView();
    m_zoomView = QRectF(V.MinX, V.MinY, V.MaxX - V.MinX, V.MaxY - V.MinY);
    m_zoomS0 = P->GetScale();
    m_zoomCx = P->GetCenterX();
    m_zoomCy = P->GetCenterY();
    m_zoomIn = zoomIn;
    m_frameScales = zoomButtonFrames(m_zoomS0, zoomIn);
    m_frame = 0;
    // The frames come from a timer: input that arrives meanwhile waits in the event loop.
    ZoomFrame();
    m_zoomFrames->start();
}

void TNavigationController::ZoomFrame() {
    TPageProjection* P = m_canvas.Projection();
    if (P && m_frame < m_frameScales.size() && isUsableScale(m_frameScales[m_frame])) {
        P->ChangeProjection(m_zoomCx, m_zoomCy, m_frameScales[m_frame++]);
        PaintStretched(
            pageRectOf(*P, m_zoomView.left(), m_zoomView.top(), m_zoomView.right(), m_zoomView.bottom()),
            nullptr);
        RedrawEditOverlay();
        return;
    }
    m_zoomFrames->stop();
    m_animating = false;
    if (!P) return;
    const double final = zoomButtonFinal(m_zoomS0, m_zoomIn);
    P->ChangeProjection(m_zoomCx, m_zoomCy, isUsableScale(final) ? final : m_zoomS0);
    m_map.Review();
    RedrawEditOverlay();
    ShowScaleAndCoords();
}

// ---- read-outs --------------------------------------------------------------------------------

void TNavigationController::QueueShowScaleAndCoords() {
    if (m_scaleQueued) return;
    m_scaleQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_scaleQueued) ShowScaleAndCoords();
        },
        Qt::QueuedConnection);
}

void TNavigationController::ShowScaleAndCoords() {
    m_scaleQueued = false;
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    // The scale rounded to an integer, halves to the even neighbour.
    if (m_w.l_scale)
        m_w.l_scale->setText(QStringLiteral("1 : ") + QString::number(std::nearbyint(P->GetScale()), 'f', 0));
    if (m_w.l_jtsk)
        m_w.l_jtsk->setText(QStringLiteral("X: ") + formatNumber(P->GetCenterX(), 0) +
                            QStringLiteral(" Y: ") + formatNumber(P->GetCenterY(), 0));
    const bool classicShown = m_w.ScaleLayout && !m_w.ScaleLayout->isHidden();
    const bool kavintShown = m_w.ks_ScaleLayOut && !m_w.ks_ScaleLayOut->isHidden();
    if (!classicShown && !kavintShown) return;
    const double ratio = PageScale();
    if (KavintStyle) {
        if (!m_w.ks_l_Scale || !m_w.ks_Scale_R || !m_w.ks_Scale_R2) return;
        const double available = (m_w.ks_l_Scale->x() - m_w.ks_Scale_R->x() - 20) * ratio;
        const TScaleBar bar = kavintScaleBar(*P, available);
        const int w = int(std::lround(bar.Width / ratio));
        m_w.ks_l_Scale->setText(bar.ValueText);
        m_w.ks_Scale_R->resize(w, m_w.ks_Scale_R->height());
        m_w.ks_Scale_R2->move(m_w.ks_Scale_R->x() + w - 1, m_w.ks_Scale_R2->y());
        return;
    }
    QWidget* segments[] = {m_w.Rectangle1, m_w.Rectangle2, m_w.Rectangle3};
    QLabel* ticks[] = {m_w.Text1, m_w.Text2, m_w.Text3, m_w.Text4, m_w.Text5};
    QLabel* shadows[] = {m_w.Text22, m_w.Text33, m_w.Text44, m_w.Text55};
    for (QWidget* w : segments)
        if (!w) return;
    for (QWidget* w : ticks)
        if (!w) return;
    // The bar reaches up to the info panel beside it, at most 250 pixels; with no info panel to
    // its right it has the whole 250.
    int room = m_w.InfoLayout ? m_w.InfoLayout->x() - m_w.ScaleLayout->x() - 10 : 0;
    if (room <= 0) room = 250;
    const TScaleBar bar = classicScaleBar(*P, std::min(room, 250) * ratio);
    const int w = int(std::lround(bar.Width / ratio));
    const int decimals = bar.Km ? 1 : 0;
    for (QWidget* r : segments) r->resize(w, r->height());
    segments[1]->move(segments[0]->x() + w, segments[1]->y());
    segments[2]->move(segments[1]->x() + w, segments[2]->y());
    const QString texts[] = {bar.ValueText, formatNumber(2 * bar.Value, decimals),
                             formatNumber(3 * bar.Value, decimals),
                             bar.Km ? QStringLiteral("km") : QStringLiteral("m")};
    for (int i = 1; i <= 4; ++i) {
        ticks[i]->setText(texts[i - 1]);
        // Each tick stands a segment further; the unit follows the last segment.
        const int x = i < 4 ? ticks[i - 1]->x() + w : segments[2]->x() + w;
        ticks[i]->move(x, ticks[i]->y());
        if (QLabel* shadow = shadows[i - 1]) {
            shadow->setText(ticks[i]->text());
            shadow->move(ticks[i]->x(), shadow->y());
        }
    }
}

// ---- Qt input ---------------------------------------------------------------------------------

bool TNavigationController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_canvas.Widgets().Image_edit) return false;
    return m_useGestures ? FilterTouch(event) : FilterMouse(event);
}

bool TNavigationController::FilterMouse(QEvent* event) {
    const double ratio = PageScale();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPointF at = m->position() * ratio;
        ImageMouseDown(m_canvas.Widgets().Image_edit, m->button(), m->buttons(), float(at.x()),
                       float(at.y()));
        return true;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPointF at = m->position() * ratio;
        ImageMouseMove(m_canvas.Widgets().Image_edit, m->buttons(), float(at.x()), float(at.y()));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPointF at = m->position() * ratio;
        ImageMouseUp(m_canvas.Widgets().Image_edit, m->button(), m->buttons(), float(at.x()), float(at.y()));
        return true;
    }
    case QEvent::Wheel: {
        auto* w = static_cast<QWheelEvent*>(event);
        const int delta = w->angleDelta().y() != 0 ? w->angleDelta().y() : w->angleDelta().x();
        if (delta == 0) return true; // a pixel scroll with no angle carries no zoom step
        bool handled = false;
        ImageMouseWheel(m_canvas.Widgets().Image_edit, w->modifiers(), delta, handled, w->position() * ratio);
        return true;
    }
    default:
        return false;
    }
}

bool TNavigationController::FilterTouch(QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: {
        auto* t = static_cast<QTouchEvent*>(event);
        const double ratio = PageScale();
        std::vector<QPointF> fingers;
        for (const QEventPoint& point : t->points())
            if (point.state() != QEventPoint::Released) fingers.push_back(point.position() * ratio);
        const bool finished = event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel;
        m_touch.Touch(fingers, finished);
        event->accept();
        return true;
    }
    default:
        return false;
    }
}

} // namespace zelto
