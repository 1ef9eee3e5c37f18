#include "LayerPainter.h"

#include "Layers.h"

#include "MapCanvas.h"
#include "UiKit.h"

#include "colors/e_Color.h"
#include "forest/e_LHCElements.h"
#include "geometry/AnalInt.h"
#include "geometry/MathLib.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "symbology/e_Device.h"
#include "topobjects/e_TopolElements.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QThread>
#include <QWidget>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace zelto {

namespace {

constexpr double AreaFillOpacity = 0.7;
constexpr double AreaOutlineWidth = 2;
constexpr double LineWidth = 5;
constexpr double MarkOpacity = 0.6;
// Vertex marks closer than this (page pixels, |dx| + |dy|) to the mark before are left out.
constexpr int MarkSpacing = 4;

QColor argbColor(quint32 argb) {
    return QColor::fromRgba(argb);
}

// The common line style: round joins and caps, solid.
QPen linePen(quint32 argb, double width) {
    return QPen(QBrush(argbColor(argb)), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A budget that never runs out: painting outside a redraw does everything at once.
TPaintBudget wholeBudget() {
    return TPaintBudget(std::numeric_limits<qint64>::max());
}

QPoint pagePoint(const TPageProjection& P, double x, double y) {
    return {P.GetPageX(x), P.GetPageY(y)};
}

// Builds a path with the thinning rule: a vertex joins the path only when it lies more than two
// pixels from the last point added; a move always starts a sub-path.
class ThinPath {
public:
    explicit ThinPath(QPainterPath& path) : m_path(&path) {}
    // A single ring as a polygon (a move starts it).
    explicit ThinPath(QPolygon& ring) : m_ring(&ring) {}
    void move(QPoint p) {
        if (m_path)
            m_path->moveTo(p);
        else
            m_ring->append(p);
        m_last = p;
    }
    void line(QPoint p) {
        const double dx = double(p.x()) - m_last.x(), dy = double(p.y()) - m_last.y();
        if (dx * dx + dy * dy <= 4) return;
        if (m_path)
            m_path->lineTo(p);
        else
            m_ring->append(p);
        m_last = p;
    }
    QPoint last() const { return m_last; }

private:
    QPainterPath* m_path = nullptr;
    QPolygon* m_ring = nullptr;
    QPoint m_last;
};

// A vertex list shifted by (dx, dy) model units: a move to its first vertex, thinned lines to the
// rest. Answers whether it had a vertex.
bool addVertices(const TPageProjection& P, const TPolyElement& poly, ThinPath& thin, double dx = 0,
                 double dy = 0) {
    bool first = true;
    poly.ForEachCoord([&](const T2DCoordinate* c) {
        if (!c) return true;
        const QPoint p = pagePoint(P, c->FX + dx, c->FY + dy);
        if (first)
            thin.move(p);
        else
            thin.line(p);
        first = false;
        return true;
    });
    return !first;
}

// One closed ring of an area outline. The ring is walked where it is stored: a ring of member
// lines gives the same vertices as the plain area made from it, without building one.
void addRing(const TPageProjection& P, const TPolyElement& ring, QPainterPath& path) {
    ThinPath thin(path);
    if (addVertices(P, ring, thin)) path.closeSubpath();
}

// Strokes the points first..end as one thinned path in which a point for which `breakAt` holds
// starts a new sub-path; answers the last point added.
template <class Breaks>
QPoint strokeThinned(QPainter& p, const QPen& pen, const std::vector<QPoint>& points, int first, int end,
                     Breaks breakAt) {
    QPainterPath path;
    ThinPath thin(path);
    for (int i = first; i <= end; ++i) {
        if (i == first || breakAt(i))
            thin.move(points[size_t(i)]);
        else
            thin.line(points[size_t(i)]);
    }
    p.strokePath(path, pen);
    return thin.last();
}

// Strokes a polyline of whole page points in the common line style (round joins and caps) the fast
// way: flat segments, which the raster engine fills directly, and a round dab on every vertex,
// which makes the joins and caps round. An opaque colour gives the round-joined stroke's picture
// up to the shading of a few edge pixels at the joins; a translucent one would show the overlaps,
// and is stroked as a path.
void strokeRound(QPainter& p, const QPolygon& points, bool closed, const QPen& pen, const QImage& dab) {
    if (points.size() < 2) return;
    if (pen.color().alpha() != 255 || dab.isNull()) {
        QPainterPath path;
        path.addPolygon(QPolygonF(points));
        if (closed) path.closeSubpath();
        p.strokePath(path, pen);
        return;
    }
    QPen flat = pen;
    flat.setCapStyle(Qt::FlatCap);
    flat.setJoinStyle(Qt::MiterJoin);
    p.setPen(flat);
    p.setBrush(Qt::NoBrush);
    std::vector<QLine> segments;
    segments.reserve(size_t(points.size()));
    for (qsizetype i = 1; i < points.size(); ++i) segments.emplace_back(points[i - 1], points[i]);
    if (closed && points.size() > 2) segments.emplace_back(points.back(), points.front());
    p.drawLines(segments.data(), int(segments.size()));
    const int half = dab.width() / 2;
    for (const QPoint& v : points) p.drawImage(QPoint(v.x() - half, v.y() - half), dab);
}

// The bitmap an overlay painter paints on: the caller's, else the overlay's, cleared first.
QImage* overlayTarget(QImage* aBM, ui::TImageControl* overlay) {
    if (aBM) return aBM;
    if (!overlay) return nullptr;
    overlay->ClearBitmap();
    return &overlay->Bitmap();
}

// The outline and the holes of an area (of every part of a multi-area) as closed sub-paths.
void addArea(const TPageProjection& P, const TAreaElement& area, QPainterPath& path) {
    if (const auto* multi = zelto_cast<TMultiAreaElement>(&area)) {
        for (TElement* e : multi->FElements)
            if (const auto* part = zelto_cast<TAreaElement>(e)) addArea(P, *part, path);
        return;
    }
    addRing(P, area, path);
    if (const THolesEntity* holes = area.GetHoles())
        for (TElement* e : holes->FElements)
            if (const auto* hole = zelto_cast<TPolyElement>(e)) addRing(P, *hole, path);
}

// The page points of a line's vertices, in order; none for anything else.
std::vector<QPoint> pagePoints(const TPageProjection* P, TElement* element) {
    std::vector<QPoint> points;
    const auto* line = zelto_cast<TPolyElement>(element);
    if (!P || !line) return points;
    points.reserve(size_t(std::max(line->GetCoordsCount(), 0)));
    line->ForEachCoord([&](const T2DCoordinate* c) {
        if (c) points.push_back(pagePoint(*P, c->FX, c->FY));
        return true;
    });
    return points;
}

void circle(QPainter& p, QPointF centre, double radius) {
    p.drawEllipse(centre, radius, radius);
}

// A scene on a surface: the map picture's canvas (which may already be in a scene of the redraw)
// or a bitmap of its own. The scene is closed on every way out.
class Scene {
public:
    explicit Scene(TCanvas* canvas) : m_canvas(canvas) {
        if (m_canvas && m_canvas->BeginScene()) m_painter = m_canvas->Painter();
    }
    explicit Scene(QImage* bitmap) {
        if (bitmap && !bitmap->isNull() && m_own.begin(bitmap)) {
            m_own.setRenderHint(QPainter::Antialiasing, true);
            m_painter = &m_own;
        }
    }
    ~Scene() {
        if (m_painter && m_canvas) m_canvas->EndScene();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    QPainter* painter() const { return m_painter; }

private:
    TCanvas* m_canvas = nullptr;
    QPainter m_own;
    QPainter* m_painter = nullptr;
};

// Page pixels of the map picture per logical pixel of the window.
double pageRatio(const TMapCanvas& canvas) {
    const QWidget* image = canvas.Widgets().Image;
    return image ? image->devicePixelRatioF() : 1.0;
}

// The logical position in the marker's parent of a point given in the map picture's pixels.
QPointF toMarkerParent(const TMapCanvas& canvas, const QWidget& marker, QPointF page) {
    const QPointF local = page / pageRatio(canvas);
    const QWidget* image = canvas.Widgets().Image;
    const QWidget* parent = marker.parentWidget();
    if (!image || !parent || parent == image || !parent->isAncestorOf(image)) return local;
    return local + QPointF(image->mapTo(parent, QPoint(0, 0)));
}

// A control's rectangle in the coordinates of `parent` (its own geometry when it is a sibling).
QRectF rectIn(const QWidget& control, const QWidget* parent) {
    const QWidget* own = control.parentWidget();
    if (!parent || !own || own == parent || !parent->isAncestorOf(&control))
        return QRectF(control.geometry());
    return QRectF(QPointF(control.mapTo(parent, QPoint(0, 0))), QSizeF(control.size()));
}

} // namespace

TLayerPainterWidgets TLayerPainterWidgets::Find(const QWidget& window) {
    TLayerPainterWidgets w;
    ZELTO_FIND_CONTROL(window, w, gpsCursor);
    ZELTO_FIND_CONTROL(window, w, gpscur);
    ZELTO_FIND_CONTROL(window, w, ImageBakule);
    ZELTO_FIND_CONTROL(window, w, Layout_SideButtons);
    ZELTO_FIND_CONTROL(window, w, ks_InfoLayout);
    ZELTO_FIND_CONTROL(window, w, ks_ActionLayout);
    ZELTO_FIND_CONTROL(window, w, ks_ScaleLayOut);
    return w;
}

TLayerPainter::TLayerPainter(TMapCanvas& canvas, const TLayerPainterWidgets& widgets,
                             const TLayerPainterSource& source)
    : Source(source), m_canvas(canvas), m_w(widgets) {}

TLayerPainter::~TLayerPainter() {
    Uninstall();
}

void TLayerPainter::Install() {
    m_canvas.SetPass(
        TDrawPass::UserAreas, [this](const TPaintBudget& b) { return layerPass(Pass::Areas, m_areas, b); },
        [this] { beginRedraw(); });
    m_canvas.SetPass(
        TDrawPass::UserObjects,
        [this](const TPaintBudget& b) { return layerPass(Pass::Objects, m_objects, b); },
        [this] { m_objects = {}; });
    m_canvas.SetSimplePass(TDrawPass::GpsMarker, [this] { Drawgps(); });
    m_installed = true;
}

void TLayerPainter::Uninstall() {
    if (!m_installed) return;
    m_canvas.SetPass(TDrawPass::UserAreas, {});
    m_canvas.SetPass(TDrawPass::UserObjects, {});
    m_canvas.SetPass(TDrawPass::GpsMarker, {});
    m_installed = false;
}

// ---- the layers' picture ------------------------------------------------------------------------

TCanvas* TLayerPainter::target() {
    return m_target ? m_target : m_canvas.Canvas();
}

// A redraw begins (or starts over): the layers' picture is reused when the view and the layers are
// those it was painted for, else painted anew.
void TLayerPainter::beginRedraw() {
    m_areas = {};
    m_objects = {};
    const TPageProjection* P = m_canvas.Projection();
    const QImage& picture = m_canvas.Picture();
    TKey key;
    key.size = picture.size();
    if (P) {
        key.centerX = P->GetCenterX();
        key.centerY = P->GetCenterY();
        key.scale = P->GetScale();
    }
    key.version = Source.LayersVersion ? Source.LayersVersion() : 0;
    m_reuse = Source.LayersVersion && m_keyValid && key == m_key;
    if (m_reuse) return;
    m_keyValid = false;
    m_key = key;
    if (!Source.LayersVersion) return; // nothing tells when the layers change: paint on the map
    if (m_layerPicture.size() != key.size) {
        if (m_layerCanvas) m_layerCanvas->SetBitmap(nullptr);
        m_layerPicture = QImage(key.size, QImage::Format_ARGB32_Premultiplied);
        m_layerCanvas = std::make_unique<TCanvas>(&m_layerPicture);
    }
    m_layerPicture.fill(Qt::transparent);
    // The canvas state the painters hand on (a note's cross takes the last stroke) starts as the
    // map picture's.
    if (TCanvas* map = m_canvas.Canvas()) {
        m_layerCanvas->Fill = map->Fill;
        m_layerCanvas->Stroke = map->Stroke;
    }
}

bool TLayerPainter::layerPass(Pass pass, TCursor& at, const TPaintBudget& budget) {
    if (m_reuse) {
        if (pass == Pass::Objects) {
            ++m_reused;
            compositeLayers();
        }
        return true;
    }
    if (!Source.LayersVersion) {
        const bool done = paintPass(pass, at, budget);
        if (done && pass == Pass::Objects) ++m_painted;
        return done;
    }
    m_target = m_layerCanvas.get();
    const bool done = paintPass(pass, at, budget);
    m_target = nullptr;
    if (done && pass == Pass::Objects) {
        ++m_painted;
        m_keyValid = true;
        compositeLayers();
    }
    return done;
}

// Over the picture as painted so far (the tiles): over-compositing is associative, so this is the
// picture the painters would have made on the map directly.
void TLayerPainter::compositeLayers() {
    if (m_layerPicture.isNull()) return;
    Scene scene(m_canvas.Canvas());
    if (!scene.painter()) return;
    scene.painter()->setOpacity(1);
    scene.painter()->setCompositionMode(QPainter::CompositionMode_SourceOver);
    scene.painter()->drawImage(QPointF(0, 0), m_layerPicture);
}

// ---- the user layers ---------------------------------------------------------------------------

void TLayerPainter::DrawLayers() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    TCursor areas, objects;
    paintPass(Pass::Areas, areas, wholeBudget());
    paintPass(Pass::Objects, objects, wholeBudget());
    m_canvas.Update();
}

bool TLayerPainter::paintPass(Pass pass, TCursor& at, const TPaintBudget& budget) {
    TOwnerEntity* layers = Source.Layers ? Source.Layers() : nullptr;
    if (!layers) return true;
    for (; at.layer < layers->ElementsCount(); ++at.layer, at.sub = 0, at.child = 0) {
        auto* layer = zelto_cast<TComplicatedGECollection>(layers->Get(at.layer));
        if (!layer || !layer->GetVisible()) continue;
        const quint32 color = quint32(layer->GetColor());
        for (; at.sub < layer->ElementsCount(); ++at.sub, at.child = 0) {
            auto* sub = zelto_cast<TComplicatedGECollection>(layer->Get(at.sub));
            if (!sub) continue;
            const QString name = sub->GetName();
            bool done = true;
            if (pass == Pass::Areas) {
                if (isSubLayerKind(name, 'A')) done = paintAreas(sub, color, at.child, budget);
            } else if (isSubLayerKind(name, 'L')) {
                done = paintLines(sub, color, at.child, budget);
            } else if (isSubLayerKind(name, 'N')) {
                done = paintNotes(sub, at.child, budget);
            } else if (isSubLayerKind(name, 'P')) {
                done = paintPoints(sub, at.child, budget);
            }
            if (!done) return false;
        }
    }
    return true;
}

void TLayerPainter::DrawAreas(TComplicatedGECollection* aLay, quint32 aColor) {
    int child = 0;
    paintAreas(aLay, aColor, child, wholeBudget());
    m_canvas.Update();
}

void TLayerPainter::DrawLines(TComplicatedGECollection* aLay, quint32 aColor) {
    int child = 0;
    paintLines(aLay, aColor, child, wholeBudget());
    m_canvas.Update();
}

void TLayerPainter::DrawPoints(TComplicatedGECollection* aLay, quint32) {
    int child = 0;
    paintPoints(aLay, child, wholeBudget());
    m_canvas.Update();
}

void TLayerPainter::DrawNotes(TComplicatedGECollection* aLay, quint32) {
    int child = 0;
    paintNotes(aLay, child, wholeBudget());
    m_canvas.Update();
}

// Areas: each filled at 0.7 with its own colour (holes stay open under the odd-even rule), then
// outlined in the layer's colour. One scene serves the whole slice: the picture is the same as
// with a scene per area, and no input can run between two areas of a slice anyway.
bool TLayerPainter::paintAreas(TComplicatedGECollection* aLay, quint32 aColor, int& child,
                               const TPaintBudget& budget) {
    const TPageProjection* P = m_canvas.Projection();
    TCanvas* canvas = target();
    if (!aLay || !P || !canvas) return true;
    const TDoubleRect view = P->GetModelView();
    std::optional<Scene> scene;
    QPainterPath path;
    QPolygon ring;
    const QPen outline(QBrush(argbColor(aColor)), AreaOutlineWidth, Qt::SolidLine, Qt::RoundCap,
                       Qt::RoundJoin);
    for (; child < aLay->ElementsCount(); ++child) {
        auto* area = zelto_cast<Tgis_UserAreaElement>(aLay->Get(child));
        if (!area || !area->IsOverRegion(view.MinX, view.MinY, view.MaxX, view.MaxY)) continue;
        // The shape is the geometry whatever it is: a vertex list that is not an area is a ring.
        const auto* shape = zelto_cast<TPolyElement>(area->GetGeometry());
        if (!shape) continue;
        // An area of one ring is painted as a polygon: the same pixels as its path, drawn in half
        // the time.
        const auto* asArea = zelto_cast<TAreaElement>(shape);
        const THolesEntity* holes = asArea ? asArea->GetHoles() : nullptr;
        const bool oneRing =
            !asArea || ((!holes || holes->ElementsCount() == 0) && !zelto_cast<TMultiAreaElement>(asArea));
        ring.clear();
        path.clear();
        if (oneRing) {
            ThinPath thin(ring);
            if (!addVertices(*P, *shape, thin)) continue;
        } else {
            path.setFillRule(Qt::OddEvenFill);
            addArea(*P, *asArea, path);
            if (path.isEmpty()) continue;
        }
        if (!scene) {
            scene.emplace(canvas);
            if (!scene->painter()) return true;
        }
        QPainter& p = *scene->painter();
        // The canvas keeps the brush and pen it was last given, as the drawing device would.
        canvas->Fill = QBrush(argbColor(DejBarvicku(area->GetBarva())), Qt::SolidPattern);
        canvas->Stroke = outline;
        p.setOpacity(AreaFillOpacity);
        if (oneRing) {
            p.setPen(Qt::NoPen);
            p.setBrush(canvas->Fill);
            p.drawPolygon(ring, Qt::OddEvenFill);
            p.setOpacity(1);
            // The boundary of a line stays open.
            strokeRound(p, ring, asArea, outline, dab(aColor, AreaOutlineWidth));
        } else {
            p.fillPath(path, canvas->Fill);
            p.setOpacity(1);
            p.strokePath(path, outline);
        }
        if (budget.Exhausted()) {
            ++child;
            return false;
        }
    }
    return true;
}

bool TLayerPainter::paintLines(TComplicatedGECollection* aLay, quint32 aColor, int& child,
                               const TPaintBudget& budget) {
    const TPageProjection* P = m_canvas.Projection();
    if (!aLay || !P) return true;
    const TDoubleRect view = P->GetModelView();
    std::optional<Scene> scene; // the lines' scenes nest in it: one painter for the slice
    for (; child < aLay->ElementsCount(); ++child) {
        auto* line = zelto_cast<TTopolLineElement>(aLay->Get(child));
        TGeometry* geometry = line ? line->GetGeometry() : nullptr;
        if (!geometry || !geometry->IsOverRegion(view.MinX, view.MinY, view.MaxX, view.MaxY)) continue;
        if (!scene) scene.emplace(target());
        DrawLine(geometry, -1, aColor);
        if (budget.Exhausted()) {
            ++child;
            return false;
        }
    }
    return true;
}

// The nested-paint guard of the line painters is gone: painting never lets input run, so no
// painter can be entered while another one paints.
void TLayerPainter::DrawLine(TElement* aLine, int, quint32 aColor) {
    const auto* line = zelto_cast<TPolyElement>(aLine);
    const TPageProjection* P = m_canvas.Projection();
    TCanvas* canvas = target();
    if (!line || !P || !canvas || line->GetCoordsCount() < 2) return;
    QPolygon points;
    ThinPath thin(points);
    addVertices(*P, *line, thin);
    Scene scene(canvas);
    if (!scene.painter()) return;
    canvas->Stroke = linePen(aColor, LineWidth);
    scene.painter()->setOpacity(1);
    strokeRound(*scene.painter(), points, false, canvas->Stroke, dab(aColor, LineWidth));
}

void TLayerPainter::DrawAreaHighlight(const TAreaElement& anArea) {
    const TPageProjection* P = m_canvas.Projection();
    TCanvas* canvas = m_canvas.Canvas();
    if (!P || !canvas) return;
    const QImage& picture = m_canvas.Picture();
    // The whole picture and the area's rings in one path: under the odd-even rule its inside is
    // the surroundings and the holes.
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addRect(QRectF(0, 0, picture.width(), picture.height()));
    addArea(*P, anArea, path);
    Scene scene(canvas);
    QPainter* p = scene.painter();
    if (!p) return;
    p->save();
    p->setOpacity(0.6);
    p->fillPath(path, Qt::black);
    p->setOpacity(1);
    const double width = canvas->Stroke.widthF() > 0 ? canvas->Stroke.widthF() : 1.0;
    p->strokePath(path, linePen(0xFFFF0000, width));
    p->restore();
}

bool TLayerPainter::paintPoints(TComplicatedGECollection* aLay, int& child, const TPaintBudget& budget) {
    const TPageProjection* P = m_canvas.Projection();
    if (!aLay || !P) return true;
    const TDoubleRect view = P->GetModelView();
    std::optional<Scene> scene;
    for (; child < aLay->ElementsCount(); ++child) {
        auto* point = zelto_cast<Tgis_PointElement>(aLay->Get(child));
        if (!point || point->FStatus > 0 || !point->IsOverRegion(view.MinX, view.MinY, view.MaxX, view.MaxY))
            continue;
        if (!scene) scene.emplace(target());
        DrawPoint(point, false, nullptr);
        if (budget.Exhausted()) {
            ++child;
            return false;
        }
    }
    return true;
}

void TLayerPainter::DrawPoint(Tgis_PointElement* aPoint, bool edit, QImage* aBM) {
    const TPageProjection* P = m_canvas.Projection();
    TOwnerEntity* symbols = Source.PSYMB ? Source.PSYMB() : nullptr;
    if (!aPoint || !P || !symbols) return;
    auto* symbol = zelto_cast<TEntity>(symbols->FindElementName(QString::number(aPoint->FSymbol)));
    auto* parts = symbol ? zelto_cast<TEntity>(symbol->FindElementName(QStringLiteral("G"))) : nullptr;
    if (!parts) return;
    QPainterPath path;
    ThinPath thin(path);
    const double refX = aPoint->GetRefX(), refY = aPoint->GetRefY();
    for (TElement* e : parts->FElements) {
        const auto* part = zelto_cast<TPolyLineElement>(e);
        if (!part) return; // a damaged symbol shows nothing rather than part of itself
        addVertices(*P, *part, thin, refX, refY);
    }

    ui::TImageControl* overlay = m_canvas.Widgets().Image_edit;
    std::optional<Scene> scene;
    if (!edit) {
        scene.emplace(target());
    } else {
        scene.emplace(overlayTarget(aBM, overlay));
    }
    if (!scene || !scene->painter()) return;
    QPainter& p = *scene->painter();
    p.setBrush(Qt::NoBrush);
    if (edit) {
        const TRectangle* r = aPoint->GetRect();
        const double left = P->GetPageX(r->GetMinX()) - 10, top = P->GetPageY(r->GetMaxY()) - 10;
        const double right = P->GetPageX(r->GetMaxX()) + 10, bottom = P->GetPageY(r->GetMinY()) + 10;
        p.setOpacity(MarkOpacity);
        p.setPen(QPen(QBrush(argbColor(Source.LineColor)), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
        p.setPen(QPen(QBrush(argbColor(Source.PointColor)), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        for (const QPointF corner :
             {QPointF(left, top), QPointF(right, top), QPointF(right, bottom), QPointF(left, bottom)})
            p.drawRect(QRectF(corner - QPointF(10, 10), QSizeF(20, 20)));
    }
    const QPen pen = linePen(DejBarvicku(aPoint->FColor), P->GetPageLength(1.75));
    if (!edit) target()->Stroke = pen;
    p.setOpacity(1);
    p.strokePath(path, pen);
    if (edit && !aBM && overlay) overlay->update();
}

// A round dab of the stroke's width in an opaque colour, centred on a pixel corner: drawn at a
// vertex's whole page point less half its size, it covers what a round join there covers.
const QImage& TLayerPainter::dab(quint32 argb, double width) {
    const quint64 key = (quint64(argb) << 16) | quint64(width * 16);
    auto it = m_dabs.find(key);
    if (it != m_dabs.end()) return it->second;
    const int half = int(std::ceil(width / 2)) + 1;
    QImage image(2 * half, 2 * half, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(argbColor(argb));
        p.drawEllipse(QPointF(half, half), width / 2, width / 2);
    }
    if (m_dabs.size() > 256) m_dabs.clear(); // colours come and go with the layers
    return m_dabs.emplace(key, std::move(image)).first->second;
}

const QImage& TLayerPainter::notePicture() {
    QWidget* pin = m_w.ImageBakule;
    if (!pin) {
        m_notePicture = QImage();
        return m_notePicture;
    }
    const double ratio = pageRatio(m_canvas);
    const QSize size = (QSizeF(pin->size()) * ratio).toSize();
    if (m_notePicture.isNull() || m_notePictureSize != size) {
        m_notePictureSize = size;
        m_notePicture = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_notePicture.setDevicePixelRatio(ratio);
        m_notePicture.fill(Qt::transparent);
        if (!size.isEmpty()) pin->render(&m_notePicture, QPoint(), QRegion(), QWidget::RenderFlags());
        m_notePicture.setDevicePixelRatio(1);
    }
    return m_notePicture;
}

// Notes: a cross in the stroke the canvas holds (the last one a painter gave it) and the pin
// picture standing on the point.
bool TLayerPainter::paintNotes(TComplicatedGECollection* aLay, int& child, const TPaintBudget& budget) {
    const TPageProjection* P = m_canvas.Projection();
    TCanvas* canvas = target();
    if (!aLay || !P || !canvas || aLay->ElementsCount() == 0) return true;
    const TDoubleRect view = P->GetModelView();
    const QImage& pin = notePicture();
    std::optional<Scene> scene;
    for (; child < aLay->ElementsCount(); ++child) {
        auto* note = zelto_cast<TRectEntity>(aLay->Get(child));
        if (!note || !note->IsOverRegion(view.MinX, view.MinY, view.MaxX, view.MaxY)) continue;
        if (!scene) {
            scene.emplace(canvas);
            if (!scene->painter()) return true;
        }
        QPainter& p = *scene->painter();
        const QPoint at = pagePoint(*P, note->GetRefX(), note->GetRefY());
        const double x = at.x(), y = at.y();
        p.setOpacity(1);
        p.setPen(canvas->Stroke);
        p.drawLine(QPointF(x - 20, y), QPointF(x + 20, y));
        p.drawLine(QPointF(x, y - 20), QPointF(x, y + 20));
        if (!pin.isNull()) {
            const double w = pin.width(), h = pin.height();
            p.drawImage(QRectF(x - w / 2, y - h, w, h), pin);
        }
        if (budget.Exhausted()) {
            ++child;
            return false;
        }
    }
    return true;
}

// ---- the edited line ---------------------------------------------------------------------------

void TLayerPainter::DrawEditedArea(const TAreaElement& anArea, quint32 fill, QImage* aBM) {
    const TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    ui::TImageControl* overlay = aBM ? nullptr : m_canvas.Widgets().Image_edit;
    Scene scene(overlayTarget(aBM, overlay));
    if (QPainter* p = scene.painter()) {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        addArea(*P, anArea, path);
        p->setOpacity(0.5);
        p->fillPath(path, QColor::fromRgba(fill));
        p->setOpacity(1);
        QPen outline(QColor::fromRgba(0xFF8A2BE2), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p->strokePath(path, outline);
        const QPoint c = pagePoint(*P, anArea.GetRefX(), anArea.GetRefY());
        p->setPen(QPen(QColor::fromRgba(0xFF8A2BE2), 2));
        p->drawLine(c.x() - 10, c.y(), c.x() + 10, c.y());
        p->drawLine(c.x(), c.y() - 10, c.x(), c.y() + 10);
    }
    if (overlay) overlay->update();
}

void TLayerPainter::DrawLineEdit(TElement* aLine, int aPart, quint32 aColor, QImage* aBM, bool closed) {
    const std::vector<QPoint> points = pagePoints(m_canvas.Projection(), aLine);
    if (points.empty()) return;
    const int last = int(points.size()) - 1;
    auto isBreak = [aPart](int i) { return aPart >= 0 && (i == aPart || i == aPart + 1); };

    ui::TImageControl* overlay = aBM ? nullptr : m_canvas.Widgets().Image_edit;
    Scene scene(overlayTarget(aBM, overlay));
    if (QPainter* p = scene.painter()) { // a painter of its own: no brush, opacity 1
        QPen pen = linePen(aColor, LineWidth);
        QPoint lastAdded = points[0];
        if (points.size() >= 2) {
            // The runs between the left-out segments, each stroked the fast way (flat segments and
            // round dabs): a line of thousands of vertices is redrawn within a frame.
            const QImage& round = dab(aColor, LineWidth);
            QPolygon run;
            ThinPath thin(run);
            for (int i = 0; i <= last; ++i) {
                if (i == 0 || isBreak(i)) {
                    strokeRound(*p, run, false, pen, round);
                    run.clear();
                    thin.move(points[size_t(i)]);
                } else {
                    thin.line(points[size_t(i)]);
                }
            }
            strokeRound(*p, run, false, pen, round);
            lastAdded = thin.last();
        }
        if (closed && aPart > 0 && aPart < last && last > 1) {
            pen.setStyle(Qt::DashLine);
            p->setPen(pen);
            p->drawLine(points[0], lastAdded);
        }
        // The vertex marks: one pre-drawn ring blitted per vertex, left out where it would lie off
        // the picture or on top of the mark before (a long line has thousands of vertices a few
        // pixels apart, whose rings would only thicken the same band).
        const QImage& mark = vertexMark();
        const int half = mark.width() / 2;
        const QRect bounds =
            QRect(0, 0, p->device()->width(), p->device()->height()).adjusted(-half, -half, half, half);
        p->setOpacity(1);
        QPoint lastMark(std::numeric_limits<int>::min() / 2, 0);
        for (int i = 0; i <= last; ++i) {
            const QPoint c = points[size_t(i)];
            if (isBreak(i) || !bounds.contains(c) || (c - lastMark).manhattanLength() < MarkSpacing) continue;
            p->drawImage(QPoint(c.x() - half, c.y() - half), mark);
            lastMark = c;
        }
    }
    if (overlay) overlay->update();
}

const QImage& TLayerPainter::vertexMark() {
    if (m_vertexMark.isNull() || m_vertexMarkColor != Source.PointColor) {
        constexpr double radius = 15, width = 2;
        const int half = int(std::ceil(radius + width)) + 1;
        QImage image(2 * half, 2 * half, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setOpacity(MarkOpacity);
            p.setPen(linePen(Source.PointColor, width));
            p.setBrush(Qt::NoBrush);
            circle(p, QPointF(half, half), radius);
        }
        m_vertexMark = std::move(image);
        m_vertexMarkColor = Source.PointColor;
    }
    return m_vertexMark;
}

void TLayerPainter::DrawLineDetail(TElement* aLine, int aPart, quint32 aColor, QImage* aBM, bool closed,
                                   const QPointF* mLineLast) {
    const std::vector<QPoint> points = pagePoints(m_canvas.Projection(), aLine);
    if (points.empty()) return;
    const int last = int(points.size()) - 1;
    const bool closing = closed && last >= 2 && (aPart == last || aPart == 0);
    int first = 0, end = last;
    if (aPart >= 0) {
        first = aPart > 1 ? aPart - 1 : 0;
        if (aPart < last) end = aPart + 1;
    }

    ui::TImageControl* overlay = aBM ? nullptr : m_canvas.Widgets().Image_Edit_Detail;
    Scene scene(overlayTarget(aBM, overlay));
    if (QPainter* p = scene.painter()) { // a painter of its own: no brush, opacity 1
        QPen pen = linePen(aColor, LineWidth);
        QPoint lastAdded = points[0];
        if (points.size() >= 2 && first <= end)
            lastAdded = strokeThinned(*p, pen, points, first, end, [](int) { return false; });
        if (closing) {
            const QPoint a = points[0];
            QPoint b = lastAdded;
            if (aPart == 0)
                b = mLineLast ? pagePoint(*m_canvas.Projection(), mLineLast->x(), mLineLast->y())
                              : points.back();
            pen.setStyle(Qt::DashLine);
            p->setPen(pen);
            p->drawLine(a, b);
        }
        QPen mark = linePen(Source.PointColor, 2);
        for (int i = first; i <= end; ++i) {
            const QPointF at = points[size_t(i)];
            if (i == aPart) {
                mark.setWidthF(4);
                p->setPen(mark);
                p->setOpacity(MarkOpacity);
                circle(*p, at, 20);
                mark.setWidthF(2);
                p->setPen(mark);
                p->setOpacity(1);
                p->drawLine(at + QPointF(-25, 0), at + QPointF(25, 0));
                p->drawLine(at + QPointF(0, -25), at + QPointF(0, 70));
                mark.setWidthF(3);
                p->setPen(mark);
                p->setOpacity(MarkOpacity);
                circle(*p, at + QPointF(0, 100), 30);
                mark.setWidthF(1);
            } else {
                p->setPen(mark);
                p->setOpacity(MarkOpacity);
                circle(*p, at, 15);
            }
        }
    }
    if (overlay) overlay->update();
}

// ---- the GPS marker ----------------------------------------------------------------------------

void TLayerPainter::Drawgps() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    const TPageProjection* P = m_canvas.Projection();
    if (!P || !Source.GpsFixed || !Source.GpsFixed()) return;
    const double x = Source.jtskX ? Source.jtskX() : 0, y = Source.jtskY ? Source.jtskY() : 0;
    const TDoubleRect view = P->GetModelView();
    if (view.MinX < x && x < view.MaxX && view.MinY < y && y < view.MaxY) {
        if (m_w.gpscur) m_w.gpscur->hide();
        if (QWidget* cursor = m_w.gpsCursor) {
            cursor->show();
            const QPointF centre = toMarkerParent(m_canvas, *cursor, pagePoint(*P, x, y));
            cursor->move((centre - QPointF(cursor->width() / 2.0, cursor->height() / 2.0)).toPoint());
        }
        return;
    }
    if (m_w.gpsCursor) m_w.gpsCursor->hide();
    if (m_w.gpscur) m_w.gpscur->show();
    DrawgpsTear(0, 0);
}

void TLayerPainter::DrawgpsTear(double dx, double dy) {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    QWidget* arrow = m_w.gpscur;
    const TPageProjection* P = m_canvas.Projection();
    if (!arrow || !P) return;
    const double x = Source.jtskX ? Source.jtskX() : 0, y = Source.jtskY ? Source.jtskY() : 0;
    const TDoubleRect view = P->GetModelView();
    const double cx = P->GetCenterX() - dx, cy = P->GetCenterY() + dy;

    // The arrow is placed by hand, never by a layout.
    const double degrees = DejStupne(ATan2G(x - cx, y - cy));
    if (auto* icon = qobject_cast<ui::TIconImage*>(arrow))
        icon->setRotation(degrees);
    else
        arrow->setProperty("rotation", degrees);

    const double ratio = pageRatio(m_canvas);
    const double pageW = arrow->width() * ratio, pageH = arrow->height() * ratio;
    const double m = P->GetModelLength(float(pageW / 2));
    const double x1 = view.MinX - dx + m, y1 = view.MinY + dy + m;
    const double x2 = view.MaxX - dx - m, y2 = view.MaxY + dy - m;
    const double edges[4][4] = {{x1, y1, x2, y1}, {x2, y1, x2, y2}, {x1, y2, x2, y2}, {x1, y1, x1, y2}};
    // When the segment crosses no edge the position lies inside the shifted view (it is being
    // dragged into sight, or the arrow is wider than the view): the arrow then stands on the
    // position itself, where the circle will appear once the view settles.
    double X = x, Y = y;
    for (const auto& e : edges) {
        double ix = 0, iy = 0;
        bool parallel = false, onFirst = false, onSecond = false;
        PrusecikUsecek(x, y, cx, cy, e[0], e[1], e[2], e[3], ix, iy, parallel, onFirst, onSecond);
        if (!parallel && onFirst && onSecond) {
            X = ix;
            Y = iy;
            break;
        }
    }
    const QPointF corner = toMarkerParent(
        m_canvas, *arrow, QPointF(P->GetPageX(X + dx) - pageW / 2, P->GetPageY(Y - dy) - pageH / 2));
    double left = corner.x(), top = corner.y();
    const double w = arrow->width(), h = arrow->height();
    const QWidget* parent = arrow->parentWidget();

    if (Source.KavintStyle && Source.KavintStyle()) {
        if (const QWidget* side = m_w.Layout_SideButtons) {
            const QRectF sideRect = rectIn(*side, parent);
            if (top < sideRect.y() + sideRect.height()) {
                if (left + w > sideRect.x()) left = sideRect.x() - w;
                if (const QWidget* info = m_w.ks_InfoLayout) {
                    const QRectF infoRect = rectIn(*info, parent);
                    const double infoBottom = infoRect.y() + infoRect.height();
                    const QWidget* action = m_w.ks_ActionLayout;
                    const QRectF rightOf = action && !action->isHidden() ? rectIn(*action, parent) : infoRect;
                    const double infoRight = rightOf.x() + rightOf.width();
                    if (top < infoBottom && left < infoRight) top = infoBottom;
                }
            }
        }
        if (const QWidget* scale = m_w.ks_ScaleLayOut; scale && !scale->isHidden()) {
            const QRectF scaleRect = rectIn(*scale, parent);
            if (left < scaleRect.x() + scaleRect.width() && top + h > scaleRect.y()) top = scaleRect.y() - h;
        }
    }
    arrow->move(int(std::lround(left)), int(std::lround(top)));
}

} // namespace zelto
