#include "PartsLook.h"

#include <QIconEngine>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace zelto::parts {

QColor accentColor() {
    return QColor(0x3d, 0xc2, 0x7a);
}
QColor surfaceColor() {
    return QColor(18, 22, 26, 208);
}
QColor drawerColor() {
    return QColor(22, 27, 32, 250);
}
QColor textColor() {
    return QColor(0xf4, 0xf6, 0xf7);
}
QColor dimTextColor() {
    return QColor(0xa9, 0xb3, 0xbb);
}
QColor cardColor() {
    return QColor(0xff, 0xff, 0xff);
}
QColor cardStrokeColor() {
    return QColor(0xd3, 0xd3, 0xd3);
}
QColor cardDimTextColor() {
    return QColor(0x69, 0x69, 0x69);
}

namespace {

// The strokes of an icon, and what is tinted (filled with a light shade of the colour) or filled
// solid under them.
struct IconPaths {
    QPainterPath stroke, tint, solid;
};

IconPaths iconPaths(IconKind kind) {
    IconPaths paths;
    QPainterPath& p = paths.stroke;
    switch (kind) {
    case IconKind::Menu:
        for (int y : {7, 12, 17}) {
            p.moveTo(4, y);
            p.lineTo(20, y);
        }
        break;
    case IconKind::Plus:
        p.moveTo(12, 5);
        p.lineTo(12, 19);
        p.moveTo(5, 12);
        p.lineTo(19, 12);
        break;
    case IconKind::Minus:
        p.moveTo(5, 12);
        p.lineTo(19, 12);
        break;
    case IconKind::Hand:
        // Four fingers and a thumb over a palm.
        p.moveTo(8, 13);
        p.lineTo(8, 6);
        p.moveTo(11, 12);
        p.lineTo(11, 4.5);
        p.moveTo(14, 12);
        p.lineTo(14, 5);
        p.moveTo(17, 13);
        p.lineTo(17, 7);
        p.moveTo(17, 13);
        p.cubicTo(17, 18, 15, 21, 11.5, 21);
        p.cubicTo(8, 21, 6.5, 19, 5, 16);
        p.lineTo(3.5, 12.5);
        p.cubicTo(4.5, 11.5, 6, 11.8, 8, 14);
        break;
    case IconKind::Tools:
        // A pencil: the drawing and measuring tools.
        p.moveTo(4, 20);
        p.lineTo(5, 15);
        p.lineTo(15, 5);
        p.lineTo(19, 9);
        p.lineTo(9, 19);
        p.closeSubpath();
        p.moveTo(13, 7);
        p.lineTo(17, 11);
        p.moveTo(5, 15);
        p.lineTo(9, 19);
        break;
    case IconKind::Gps:
        p.addEllipse(QPointF(12, 12), 6, 6);
        p.addEllipse(QPointF(12, 12), 1.5, 1.5);
        for (auto [a, b] : {std::pair{QPointF(12, 2), QPointF(12, 6)},
                            {QPointF(12, 18), QPointF(12, 22)},
                            {QPointF(2, 12), QPointF(6, 12)},
                            {QPointF(18, 12), QPointF(22, 12)}}) {
            p.moveTo(a);
            p.lineTo(b);
        }
        break;
    case IconKind::Search:
        p.addEllipse(QPointF(10, 10), 6, 6);
        p.moveTo(14.5, 14.5);
        p.lineTo(20, 20);
        break;
    case IconKind::HandOver:
        // A tick in a circle: hand the selected unit over.
        p.addEllipse(QPointF(12, 12), 9, 9);
        p.moveTo(7.5, 12.5);
        p.lineTo(10.5, 15.5);
        p.lineTo(16.5, 9);
        break;
    case IconKind::OpenFolder:
        p.moveTo(3, 18);
        p.lineTo(3, 6);
        p.lineTo(9, 6);
        p.lineTo(11, 8);
        p.lineTo(19, 8);
        p.lineTo(19, 11);
        p.moveTo(3, 18);
        p.lineTo(6, 11);
        p.lineTo(21.5, 11);
        p.lineTo(18.5, 18);
        p.closeSubpath();
        break;
    case IconKind::Lock:
        p.addRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
        paths.tint.addRoundedRect(QRectF(5, 11, 14, 10), 2, 2);
        p.moveTo(8, 11);
        p.lineTo(8, 8);
        p.arcTo(8, 4, 8, 8, 180, -180);
        p.lineTo(16, 11);
        p.moveTo(12, 15);
        p.lineTo(12, 17);
        break;
    case IconKind::Layers:
        p.moveTo(12, 4);
        p.lineTo(21, 9);
        p.lineTo(12, 14);
        p.lineTo(3, 9);
        p.closeSubpath();
        p.moveTo(3, 13.5);
        p.lineTo(12, 18.5);
        p.lineTo(21, 13.5);
        break;
    case IconKind::Settings: {
        p.addEllipse(QPointF(12, 12), 3, 3);
        // Eight teeth round a ring.
        for (int i = 0; i < 8; ++i) {
            const double a = i * std::numbers::pi / 4;
            p.moveTo(12 + 6.5 * std::cos(a), 12 + 6.5 * std::sin(a));
            p.lineTo(12 + 9.5 * std::cos(a), 12 + 9.5 * std::sin(a));
        }
        p.addEllipse(QPointF(12, 12), 6.5, 6.5);
        break;
    }
    case IconKind::View:
        p.moveTo(2.5, 12);
        p.cubicTo(6, 5.5, 18, 5.5, 21.5, 12);
        p.cubicTo(18, 18.5, 6, 18.5, 2.5, 12);
        p.addEllipse(QPointF(12, 12), 3, 3);
        break;
    case IconKind::Import:
        p.moveTo(12, 3);
        p.lineTo(12, 15);
        p.moveTo(7, 10);
        p.lineTo(12, 15);
        p.lineTo(17, 10);
        p.moveTo(4, 15);
        p.lineTo(4, 20);
        p.lineTo(20, 20);
        p.lineTo(20, 15);
        break;
    case IconKind::Close:
        p.moveTo(6, 6);
        p.lineTo(18, 18);
        p.moveTo(18, 6);
        p.lineTo(6, 18);
        break;
    case IconKind::ArrowUp:
        p.moveTo(6, 15);
        p.lineTo(12, 9);
        p.lineTo(18, 15);
        break;
    case IconKind::ArrowDown:
        p.moveTo(6, 9);
        p.lineTo(12, 15);
        p.lineTo(18, 9);
        break;
    case IconKind::Back:
        p.moveTo(15, 5);
        p.lineTo(8, 12);
        p.lineTo(15, 19);
        break;
    case IconKind::Logo:
        // A fir tree.
        p.moveTo(12, 2.5);
        p.lineTo(17.5, 10);
        p.lineTo(14.5, 10);
        p.lineTo(19.5, 17);
        p.lineTo(4.5, 17);
        p.lineTo(9.5, 10);
        p.lineTo(6.5, 10);
        p.closeSubpath();
        p.moveTo(12, 17);
        p.lineTo(12, 21.5);
        break;
    case IconKind::Marker:
        p.moveTo(12, 21);
        p.cubicTo(6, 14, 5, 11.5, 5, 9);
        p.arcTo(5, 2, 14, 14, 180, -180);
        p.cubicTo(19, 11.5, 18, 14, 12, 21);
        p.addEllipse(QPointF(12, 9), 2.5, 2.5);
        break;
    case IconKind::Folder:
        p.moveTo(3, 7);
        p.lineTo(3, 18.5);
        p.quadTo(3, 20, 4.5, 20);
        p.lineTo(19.5, 20);
        p.quadTo(21, 20, 21, 18.5);
        p.lineTo(21, 9.5);
        p.quadTo(21, 8, 19.5, 8);
        p.lineTo(11.5, 8);
        p.lineTo(9.5, 5);
        p.lineTo(4.5, 5);
        p.quadTo(3, 5, 3, 6.5);
        p.closeSubpath();
        paths.tint = p;
        break;
    case IconKind::File:
        p.moveTo(6, 3);
        p.lineTo(14, 3);
        p.lineTo(19, 8);
        p.lineTo(19, 21);
        p.lineTo(6, 21);
        p.closeSubpath();
        paths.tint = p;
        p.moveTo(14, 3);
        p.lineTo(14, 8);
        p.lineTo(19, 8);
        p.moveTo(9, 13);
        p.lineTo(16, 13);
        p.moveTo(9, 16.5);
        p.lineTo(16, 16.5);
        break;
    case IconKind::Up:
        p.moveTo(12, 20);
        p.lineTo(12, 5);
        p.moveTo(6, 11);
        p.lineTo(12, 5);
        p.lineTo(18, 11);
        break;
    case IconKind::SwipeToCorner:
        p.moveTo(20, 20);
        p.lineTo(5, 5);
        p.moveTo(5, 13);
        p.lineTo(5, 5);
        p.lineTo(13, 5);
        paths.solid.addEllipse(QPointF(20, 20), 1.6, 1.6);
        break;
    case IconKind::Camera:
        p.addRoundedRect(QRectF(3, 7, 18, 13), 2, 2);
        p.moveTo(8, 7);
        p.lineTo(9.5, 4.5);
        p.lineTo(14.5, 4.5);
        p.lineTo(16, 7);
        p.addEllipse(QPointF(12, 13.5), 3.5, 3.5);
        break;
    case IconKind::Speaker:
        p.moveTo(4, 9.5);
        p.lineTo(8, 9.5);
        p.lineTo(13, 5);
        p.lineTo(13, 19);
        p.lineTo(8, 14.5);
        p.lineTo(4, 14.5);
        p.closeSubpath();
        p.moveTo(16, 9);
        p.quadTo(18, 12, 16, 15);
        p.moveTo(18.5, 6.5);
        p.quadTo(22, 12, 18.5, 17.5);
        break;
    }
    return paths;
}

class PathIconEngine : public QIconEngine {
public:
    PathIconEngine(IconKind kind, QColor color) : m_kind(kind), m_color(color) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor c = m_color;
        if (mode == QIcon::Disabled) c.setAlphaF(0.4f);
        paintIcon(*painter, m_kind, rect, c);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new PathIconEngine(m_kind, m_color); }

private:
    IconKind m_kind;
    QColor m_color;
};

} // namespace

void paintIcon(QPainter& painter, IconKind kind, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
    const IconPaths paths = iconPaths(kind);
    if (!paths.tint.isEmpty()) {
        QColor tint = color;
        tint.setAlphaF(0.22f * color.alphaF());
        painter.fillPath(paths.tint, tint);
    }
    if (!paths.solid.isEmpty()) painter.fillPath(paths.solid, color);
    painter.setPen(QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(paths.stroke);
    painter.restore();
}

QPixmap iconPixmap(IconKind kind, int size, qreal devicePixelRatio, const QColor& color) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(qRound(size * ratio), qRound(size * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintIcon(painter, kind, QRectF(0, 0, size, size), color);
    return pixmap;
}

QIcon makeIcon(IconKind kind, const QColor& color) {
    return QIcon(new PathIconEngine(kind, color));
}

TBox::TBox(QWidget* parent) : QWidget(parent), m_fill(surfaceColor()) {}

void TBox::setFill(const QColor& color) {
    m_fill = color;
    update();
}

void TBox::setStroke(const QColor& color) {
    m_stroke = color;
    update();
}

void TBox::setRadius(qreal radius, int corners) {
    m_radius = radius;
    m_corners = corners;
    update();
}

void TBox::setClickable(bool clickable) {
    m_clickable = clickable;
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A stroke is drawn on the pixel centres; a plain fill covers the whole widget.
    const qreal inset = m_stroke.isValid() ? 0.5 : 0.0;
    const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const qreal radius = qMin(m_radius, qMin(r.width(), r.height()) / 2);
    auto rad = [&](Corner c) { return (m_corners & c) ? radius : 0.0; };
    QPainterPath path;
    path.moveTo(r.left() + rad(TopLeft), r.top());
    path.lineTo(r.right() - rad(TopRight), r.top());
    if (rad(TopRight) > 0) path.quadTo(r.topRight(), QPointF(r.right(), r.top() + rad(TopRight)));
    path.lineTo(r.right(), r.bottom() - rad(BottomRight));
    if (rad(BottomRight) > 0) path.quadTo(r.bottomRight(), QPointF(r.right() - rad(BottomRight), r.bottom()));
    path.lineTo(r.left() + rad(BottomLeft), r.bottom());
    if (rad(BottomLeft) > 0) path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - rad(BottomLeft)));
    path.lineTo(r.left(), r.top() + rad(TopLeft));
    if (rad(TopLeft) > 0) path.quadTo(r.topLeft(), QPointF(r.left() + rad(TopLeft), r.top()));
    path.closeSubpath();
    QColor fill = m_fill;
    if (m_pressed) fill = fill.lightness() > 128 ? fill.darker(112) : fill.lighter(140);
    p.setBrush(fill);
    p.setPen(m_stroke.isValid() ? QPen(m_stroke, 1) : Qt::NoPen);
    p.drawPath(path);
}

void TBox::mousePressEvent(QMouseEvent* event) {
    if (!m_clickable || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    update();
    event->accept();
}

void TBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_clickable || !m_pressed || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    update();
    event->accept();
    // The release may arrive through a child label: judge it in this box's coordinates.
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    if (rect().contains(pos)) emit clicked();
}

} // namespace zelto::parts
