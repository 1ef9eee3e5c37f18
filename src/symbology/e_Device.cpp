#include "e_Device.h"

#include "framework/Notifier.h"
#include "geometry/MathLib.h"
#include "geometry/e_Geometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zelto {

namespace {

// Rotation of a model point about the projection's rotation centre. The angle is a bearing
// (clockwise from north), so that a zero angle leaves every point where it is.
void rotateAbout(const TProjection* projection, double angle, double& x, double& y) {
    if (!projection || angle == 0 || !std::isfinite(angle)) return;
    const double cx = projection->FRotateCenter_X;
    const double cy = projection->FRotateCenter_Y;
    const double d = Distance(x, y, cx, cy);
    const double a = ATan2G(x - cx, y - cy);
    const double nx = std::sin(angle + a) * d + cx;
    const double ny = std::cos(a + angle) * d + cy;
    if (std::isfinite(nx) && std::isfinite(ny)) {
        x = nx;
        y = ny;
    }
}

bool pointOutside(const TClipRect& r, const QPoint& p) {
    return p.x() < r.Left || p.x() > r.Right || p.y() < r.Top || p.y() > r.Bottom;
}

QColor argbColor(quint32 argb) {
    return QColor::fromRgba(QRgb(argb));
}

qreal paintOpacity(float value) {
    return std::clamp<qreal>(value, 0, 1);
}

} // namespace

// ---- TCanvas --------------------------------------------------------------------------------------

TCanvas::TCanvas(QImage* bitmap) : m_bitmap(bitmap) {}

TCanvas::~TCanvas() {
    if (m_painter) m_painter->end();
}

void TCanvas::SetBitmap(QImage* bitmap) {
    if (m_painter) m_painter->end();
    m_painter.reset();
    m_depth = 0;
    m_bitmap = bitmap;
}

bool TCanvas::BeginScene() {
    if (m_depth > 0) {
        ++m_depth;
        return true;
    }
    if (!m_bitmap || m_bitmap->isNull()) return false;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_bitmap)) return false;
    painter->setRenderHint(QPainter::Antialiasing, true);
    m_painter = std::move(painter);
    m_depth = 1;
    return true;
}

void TCanvas::EndScene() {
    if (m_depth == 0) return;
    if (--m_depth == 0) {
        m_painter->end();
        m_painter.reset();
    }
}

void TCanvas::Clear(quint32 argb) {
    if (!m_bitmap || m_bitmap->isNull()) return;
    if (!m_painter) {
        m_bitmap->fill(argbColor(argb));
        return;
    }
    ClearRect(QRectF(0, 0, m_bitmap->width(), m_bitmap->height()), argb);
}

void TCanvas::ClearRect(const QRectF& rect, quint32 argb) {
    const bool own = !InScene();
    if (own && !BeginScene()) return;
    m_painter->save();
    m_painter->setOpacity(1);
    m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    m_painter->fillRect(rect, argbColor(argb));
    m_painter->restore();
    if (own) EndScene();
}

// ---- TBorderBuffer --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TBorderBuffer, TRectangle, "e_Device")

TBorderBuffer::TBorderBuffer(TPageProjection* projection, qint32 minPointNo) : FMinPointNo(minPointNo) {
    SetProjection(projection);
}

void TBorderBuffer::SetProjection(TPageProjection* projection) {
    FProjection = projection;
    FClipRect = {};
    if (!projection || !projection->FPage) return;
    FClipRect = projection->FPage->FClipRegion;
    const TDoubleRect visible =
        projection->GetModelRect(FClipRect.Left, FClipRect.Top, FClipRect.Right, FClipRect.Bottom);
    Reset();
    UpdateByDoubleRect(visible);
}

void TBorderBuffer::SetEntity(TRectEntity* element) {
    FRectEntity = element;
    FBuffer.clear();
    FPointNo = 0;
    FBufferSize = 0;
    FPath.reset();
    m_clipped = false;
    if (!element || !FProjection) return;

    auto* poly = zelto_cast<TPolyElement>(element);
    const qint64 vertices = poly ? qint64(poly->GetCoordsCount()) : qint64(element->ElementsCount());
    FBufferSize = vertices * 8;
    if (FBufferSize > MaxBufferSize) return;

    const double angle = FProjection->FAngle;
    FBuffer.reserve(size_t(std::max<qint64>(vertices, 0)));
    auto add = [&](const T2DCoordinate* c) {
        if (!c) return true;
        double x = c->GetX(), y = c->GetY();
        if (angle != 0) rotateAbout(FProjection, angle, x, y);
        const QPoint p(FProjection->GetPageX(x), FProjection->GetPageY(y));
        if (FBuffer.empty() || FBuffer.back() != p) FBuffer.push_back(p);
        return true;
    };
    if (poly) {
        poly->ForEachCoord(add);
    } else {
        for (TElement* child : element->FElements) add(zelto_cast<T2DCoordinate>(child));
    }
    if (qint64(FBuffer.size()) < std::max<qint32>(FMinPointNo, 1)) FBuffer.clear();
    FPointNo = qint32(FBuffer.size());
}

bool TBorderBuffer::ReachesOutside(const TClipRect& rect) const {
    return std::any_of(FBuffer.begin(), FBuffer.end(),
                       [&](const QPoint& p) { return pointOutside(rect, p); });
}

void TBorderBuffer::ClipIt() {
    m_clipped = false;
    // Points that all lie on the page need no clipping (the common case: the element lies
    // wholly inside the view).
    if (FBuffer.empty() || !ReachesOutside(FClipRect)) return;
    TOrezavacPloch clipper(FClipRect, FBuffer);
    clipper.Orezavej();
    FBuffer = clipper.DejKopiiPoleVelikostAPocet();
    m_clipped = true;
    if (qint64(FBuffer.size()) < std::max<qint32>(FMinPointNo, 1)) FBuffer.clear();
    FPointNo = qint32(FBuffer.size());
    FPath.reset();
}

const QPainterPath& TBorderBuffer::GetPath() {
    if (!FPath) {
        FPath = std::make_unique<QPainterPath>();
        FPath->setFillRule(Qt::OddEvenFill);
        if (!FBuffer.empty()) {
            FPath->moveTo(FBuffer.front());
            for (size_t i = 1; i < FBuffer.size(); ++i) FPath->lineTo(FBuffer[i]);
        }
    }
    return *FPath;
}

// ---- TDevice --------------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDevice, TOwnerEntity, "e_Device")

TDevice::TDevice() {
    FPage = new T_Page;
    FProjection = new TPageProjection;
    FProjection->FPage = FPage;
    AddElement(FPage);
    AddElement(FProjection);
    FOpacity = 1.0f;
}

QBrush* TDevice::GetBrush() {
    return nullptr;
}
QFont* TDevice::GetFont() {
    return nullptr;
}
QPen* TDevice::GetPen() {
    return nullptr;
}
quint32 TDevice::GetPixel(qint32, qint32) {
    return 0;
}
void TDevice::SetBrush(const QBrush&) {}
void TDevice::SetFont(const QFont&) {}
void TDevice::SetPen(const QPen&) {}
void TDevice::SetPenWidth(double) {}
void TDevice::SetPixel(qint32, qint32, quint32) {}
void TDevice::SetVisible(bool visible) {
    FVisible = visible;
}
void TDevice::SetCaption(const QString&) {}
quint32 TDevice::GetTextColor() {
    return 0;
}
void TDevice::SetTextColor(quint32) {}
void TDevice::Clear() {}
void TDevice::TransparencyBegin() {}
void TDevice::TransparencyEnd() {}
void TDevice::FillRect(double, double, double, double) {}
void TDevice::FrameRect(double, double, double, double) {}
void TDevice::WriteText(const QString&) {
    throw EZeltoError(QStringLiteral("Abstract Error"));
}
void TDevice::WriteLnText(const QString&) {
    throw EZeltoError(QStringLiteral("Abstract Error"));
}
void TDevice::BeginScene() {}
void TDevice::EndScene() {}
void TDevice::SetTextOrientation(double) {}
void TDevice::LineTo(double, double) {}
void TDevice::MoveTo(double, double) {}
void TDevice::LineToDevice(qint32, qint32) {}
void TDevice::MoveToDevice(qint32, qint32) {}

bool TDevice::PrepareForPolyPolygon(TElement* area, std::vector<QPoint>& coords,
                                    std::vector<qint32>& lengths) {
    coords.clear();
    lengths.clear();
    auto* outline = zelto_cast<TRectEntity>(area);
    if (!outline) return false;
    TBorderBuffer buffer(FProjection, 3);
    buffer.SetEntity(outline);
    buffer.ClipIt();
    if (buffer.IsEmpty()) return false;
    coords = buffer.FBuffer;
    lengths.push_back(buffer.FPointNo);
    auto* asArea = zelto_cast<TAreaElement>(area);
    if (THolesEntity* holes = asArea ? asArea->GetHoles() : nullptr) {
        for (TElement* child : holes->FElements) {
            auto* hole = zelto_cast<TRectEntity>(child);
            if (!hole) continue;
            buffer.SetEntity(hole);
            buffer.ClipIt();
            if (buffer.IsEmpty()) continue;
            coords.insert(coords.end(), buffer.FBuffer.begin(), buffer.FBuffer.end());
            lengths.push_back(buffer.FPointNo);
        }
    }
    return true;
}

QPainterPath TDevice::PolygonsToPath(const std::vector<QPoint>& coords, const std::vector<qint32>& lengths,
                                     qint32 count) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    size_t offset = 0;
    const size_t rings = std::min(size_t(std::max<qint32>(count, 0)), lengths.size());
    for (size_t r = 0; r < rings; ++r) {
        const qint32 n = lengths[r];
        if (n <= 0) continue;
        if (offset + size_t(n) > coords.size()) break;
        path.moveTo(coords[offset]);
        for (size_t i = 1; i < size_t(n); ++i) path.lineTo(coords[offset + i]);
        offset += size_t(n);
    }
    return path;
}

void TDevice::Polygons(const std::vector<QPoint>&, const std::vector<qint32>&, qint32) {}
void TDevice::Polyline(TElement*) {}
void TDevice::Polygon(TElement*) {}
void TDevice::PolyPolygon(TElement*) {}
void TDevice::Rectangle(double, double, double, double) {}
void TDevice::TextOut(double, double, const QString&) {}
void TDevice::TextOutDevice(qint32, qint32, const QString&) {}
qint32 TDevice::TextHeight(const QString&) {
    return 0;
}
qint32 TDevice::TextWidth(const QString&) {
    return 0;
}
double TDevice::TextModelHeight(const QString&) {
    return 0;
}
double TDevice::TextModelWidth(const QString&) {
    return 0;
}
void TDevice::Draw(qint32, qint32, const QImage&) {}
void TDevice::StretchDraw(const QRect&, const QImage&) {}
void TDevice::DrawDevice(qint32, qint32, TDevice*) {}
void TDevice::StretchDrawDevice(const QRect&, TDevice*) {}
void TDevice::Reset() {}
void TDevice::Close() {}
void TDevice::Adjust() {
    throw EZeltoError(QStringLiteral("Abstract Error"));
}
void TDevice::SetupPage() {}

void TDevice::SetOpacity(float value) {
    FOpacity = std::isnan(value) ? 1.0f : std::clamp(value, 0.0f, 1.0f);
}

void TDevice::DoAction(const QString& action) {
    auto is = [&](const char* name) { return action.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    QString failure;
    try {
        if (is("ADJUST"))
            Adjust();
        else if (is("CLEAR"))
            Clear();
        else if (is("CLOSE"))
            Close();
        else if (is("RESET"))
            Reset();
        return;
    } catch (const EZeltoError& e) {
        failure = e.message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("Unknown error");
    }
    notifier().error(QStringLiteral("Device \"") + GetName() + QStringLiteral("\"\r\n") + failure);
}

void TDevice::TransformIn(double& x, double& y) const {
    if (FProjection) rotateAbout(FProjection, FProjection->FAngle, x, y);
}

void TDevice::TransformOut(double& x, double& y) const {
    if (FProjection) rotateAbout(FProjection, -FProjection->FAngle, x, y);
}

// ---- TCanvasDevice --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TCanvasDevice, TDevice, "e_Device")

template <class F> void TCanvasDevice::paint(F&& f) {
    if (!FCanvas) return;
    const bool own = !FCanvas->InScene();
    if (own && !FCanvas->BeginScene()) return;
    QPainter* p = FCanvas->Painter();
    p->save();
    f(*p);
    p->restore();
    if (own) FCanvas->EndScene();
}

void TCanvasDevice::SetCanvas(TCanvas* canvas) {
    FCanvas = canvas;
    if (canvas && !FNoPageSetup) SetupPage();
}

void TCanvasDevice::SetupPage() {
    if (!FPage) {
        FPage = new T_Page;
        AddElement(FPage);
    }
    if (!FProjection) {
        FProjection = new TPageProjection;
        AddElement(FProjection);
    }
    const int w = FCanvas ? FCanvas->Width() : 0;
    const int h = FCanvas ? FCanvas->Height() : 0;
    FPage->SetRect(0, 0, w, h);
    FPage->SetClipRegion({0, 0, float(w), float(h)});
    FPage->SetResolution(T_Page::ScreenResolution, T_Page::ScreenResolution);
    FProjection->ChangeProjection(FProjection->FCenterX, FProjection->FCenterY, FPage, FProjection->FScale);
}

QBrush* TCanvasDevice::GetBrush() {
    return FCanvas ? &FCanvas->Fill : nullptr;
}
QFont* TCanvasDevice::GetFont() {
    return FCanvas ? &FCanvas->Font : nullptr;
}
QPen* TCanvasDevice::GetPen() {
    return FCanvas ? &FCanvas->Stroke : nullptr;
}

void TCanvasDevice::BeginScene() {
    if (FCanvas) FCanvas->BeginScene();
}

void TCanvasDevice::EndScene() {
    if (FCanvas) FCanvas->EndScene();
}

void TCanvasDevice::Clear() {
    if (!FCanvas || !FPage) return;
    if (FPage->FClipping) {
        const TClipRect& r = FPage->FClipRegion;
        FCanvas->ClearRect(QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom)), FPage->FColor);
    } else {
        FCanvas->Clear(FPage->FColor);
    }
}

void TCanvasDevice::drawSegment(qint32 x1, qint32 y1, qint32 x2, qint32 y2, float opacity) {
    paint([&](QPainter& p) {
        p.setOpacity(paintOpacity(opacity));
        p.setBrush(Qt::NoBrush);
        p.setPen(FCanvas->Stroke);
        p.drawLine(QLineF(x1, y1, x2, y2));
    });
}

void TCanvasDevice::MoveTo(double x, double y) {
    TransformIn(x, y);
    if (!FProjection) return;
    ox = FProjection->GetPageX(x);
    oy = FProjection->GetPageY(y);
}

void TCanvasDevice::LineTo(double x, double y) {
    TransformIn(x, y);
    if (!FProjection) return;
    const qint32 px = FProjection->GetPageX(x);
    const qint32 py = FProjection->GetPageY(y);
    if (px == ox && py == oy) return;
    if (FPage && FPage->FClipping) {
        bool inside = false, partly = false;
        RelRegionLine(FPage->FClipRegion, ox, oy, px, py, inside, partly);
        if (inside) {
            drawSegment(ox, oy, px, py, 1.0f);
        } else if (partly) {
            qint32 cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
            bool visible = false;
            ClipLine(FPage->FClipRegion, ox, oy, px, py, cx1, cy1, cx2, cy2, visible);
            if (visible) drawSegment(cx1, cy1, cx2, cy2, 1.0f);
        }
    } else {
        drawSegment(ox, oy, px, py, 1.0f);
    }
    ox = px;
    oy = py;
}

void TCanvasDevice::MoveToDevice(qint32 x, qint32 y) {
    ox = x;
    oy = y;
}

void TCanvasDevice::LineToDevice(qint32 x, qint32 y) {
    drawSegment(ox, oy, x, y, FOpacity);
    ox = x;
    oy = y;
}

void TCanvasDevice::Polygons(const std::vector<QPoint>& coords, const std::vector<qint32>& lengths,
                             qint32 count) {
    const QPainterPath path = PolygonsToPath(coords, lengths, count);
    if (path.isEmpty()) return;
    paint([&](QPainter& p) {
        p.setOpacity(1);
        p.setPen(Qt::NoPen);
        p.fillPath(path, FCanvas->Fill);
    });
}

void TCanvasDevice::Polygon(TElement* area) {
    auto* element = zelto_cast<TRectEntity>(area);
    if (!element || !FCanvas) return;
    TBorderBuffer buffer(FProjection, 3);
    buffer.SetEntity(element);
    buffer.ClipIt();
    if (buffer.IsEmpty()) return;
    const QPainterPath& path = buffer.GetPath();
    paint([&](QPainter& p) {
        p.setOpacity(paintOpacity(FOpacity));
        p.setPen(Qt::NoPen);
        p.fillPath(path, FCanvas->Fill);
    });
}

void TCanvasDevice::PolyPolygon(TElement* area) {
    if (!zelto_cast<TRectEntity>(area) || !FCanvas) return;
    auto* asArea = zelto_cast<TAreaElement>(area);
    const THolesEntity* holes = asArea ? asArea->GetHoles() : nullptr;
    if (!holes || holes->ElementsCount() == 0) {
        Polygon(area);
        return;
    }
    std::vector<QPoint> coords;
    std::vector<qint32> lengths;
    if (!PrepareForPolyPolygon(area, coords, lengths)) return;
    // Odd-even filling leaves the holes open.
    const QPainterPath path = PolygonsToPath(coords, lengths, qint32(lengths.size()));
    paint([&](QPainter& p) {
        p.setOpacity(paintOpacity(FOpacity));
        p.setPen(Qt::NoPen);
        p.fillPath(path, FCanvas->Fill);
    });
}

QPainterPath TCanvasDevice::StrokePath(TElement* line) {
    QPainterPath path;
    auto* element = zelto_cast<TRectEntity>(line);
    if (!element) return path;
    TBorderBuffer buffer(FProjection, 2);
    buffer.SetEntity(element);
    if (buffer.IsEmpty()) return path;
    std::vector<QPoint> pts = std::move(buffer.FBuffer);
    // The outline of an area is a ring even when its last vertex does not repeat the first.
    if (zelto_cast<TAreaElement>(line) && pts.size() > 2 && pts.front() != pts.back())
        pts.push_back(pts.front());

    // Segments are clipped one by one, so that an open line stays open and no stroke runs along
    // the page's edge. The rectangle is widened by the pen, whose edge may reach into the page
    // from a segment that lies just outside it.
    const double pen = FCanvas ? FCanvas->Stroke.widthF() : 1;
    const float margin = float(std::ceil(std::max(pen, 1.0) / 2) + 1);
    TClipRect rect = buffer.FClipRect;
    rect.Left -= margin;
    rect.Top -= margin;
    rect.Right += margin;
    rect.Bottom += margin;
    const bool outside =
        std::any_of(pts.begin(), pts.end(), [&](const QPoint& p) { return pointOutside(rect, p); });
    if (!outside) {
        path.moveTo(pts.front());
        for (size_t i = 1; i < pts.size(); ++i) path.lineTo(pts[i]);
        return path;
    }
    bool open = false; // the path's current point is the end of the previous visible segment
    QPoint last;
    for (size_t i = 1; i < pts.size(); ++i) {
        const QPoint a = pts[i - 1], b = pts[i];
        bool inside = false, partly = false;
        RelRegionLine(rect, a.x(), a.y(), b.x(), b.y(), inside, partly);
        QPoint from = a, to = b;
        if (!inside) {
            if (!partly) {
                open = false;
                continue;
            }
            qint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            bool visible = false;
            ClipLine(rect, a.x(), a.y(), b.x(), b.y(), x1, y1, x2, y2, visible);
            if (!visible) {
                open = false;
                continue;
            }
            from = QPoint(x1, y1);
            to = QPoint(x2, y2);
            // The clipper may hand the end points back in the opposite order.
            const auto d2 = [](QPoint p, QPoint q) {
                const double dx = double(p.x()) - q.x(), dy = double(p.y()) - q.y();
                return dx * dx + dy * dy;
            };
            if (d2(to, a) < d2(from, a)) std::swap(from, to);
        }
        if (!open || from != last) path.moveTo(from);
        path.lineTo(to);
        last = to;
        open = to == b;
    }
    return path;
}

void TCanvasDevice::Polyline(TElement* line) {
    if (!FCanvas) return;
    const QPainterPath path = StrokePath(line);
    if (path.isEmpty()) return;
    paint([&](QPainter& p) {
        p.setOpacity(paintOpacity(FOpacity));
        p.setBrush(Qt::NoBrush);
        p.strokePath(path, FCanvas->Stroke);
    });
}

void TCanvasDevice::Rectangle(double x1, double y1, double x2, double y2) {
    if (!FProjection || !FCanvas) return;
    Order(x1, x2);
    Order(y1, y2);
    const TClipRect r = FProjection->GetPageRect(x1, y1, x2, y2);
    paint([&](QPainter& p) {
        p.setOpacity(1);
        p.setBrush(Qt::NoBrush);
        p.setPen(FCanvas->Stroke);
        p.drawRect(QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom)));
    });
}

} // namespace zelto
