#include "PartsLook.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace zelto::parts {

QColor accentColor() {
    return QColor(0x3d, 0xc2, 0x7a);
}
QColor surfaceColor() {
    return QColor(18, 22, 26, 215);
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

// The glyphs are drawn on a 24 x 24 grid.
void drawGlyph(QPainter& p, Glyph glyph, const QColor& color) {
    QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QColor light = color;
    light.setAlphaF(0.22);
    p.setPen(pen);
    switch (glyph) {
    case Glyph::Folder: {
        QPainterPath path;
        path.moveTo(3, 7);
        path.lineTo(3, 18.5);
        path.quadTo(3, 20, 4.5, 20);
        path.lineTo(19.5, 20);
        path.quadTo(21, 20, 21, 18.5);
        path.lineTo(21, 9.5);
        path.quadTo(21, 8, 19.5, 8);
        path.lineTo(11.5, 8);
        path.lineTo(9.5, 5);
        path.lineTo(4.5, 5);
        path.quadTo(3, 5, 3, 6.5);
        path.closeSubpath();
        p.setBrush(light);
        p.drawPath(path);
        break;
    }
    case Glyph::File: {
        QPainterPath path;
        path.moveTo(6, 3);
        path.lineTo(14, 3);
        path.lineTo(19, 8);
        path.lineTo(19, 21);
        path.lineTo(6, 21);
        path.closeSubpath();
        p.setBrush(light);
        p.drawPath(path);
        p.setBrush(Qt::NoBrush);
        QPainterPath fold;
        fold.moveTo(14, 3);
        fold.lineTo(14, 8);
        fold.lineTo(19, 8);
        fold.moveTo(9, 13);
        fold.lineTo(16, 13);
        fold.moveTo(9, 16.5);
        fold.lineTo(16, 16.5);
        p.drawPath(fold);
        break;
    }
    case Glyph::Up: {
        QPainterPath path;
        path.moveTo(12, 20);
        path.lineTo(12, 5);
        path.moveTo(6, 11);
        path.lineTo(12, 5);
        path.lineTo(18, 11);
        p.drawPath(path);
        break;
    }
    case Glyph::Lock: {
        p.setBrush(light);
        p.drawRoundedRect(QRectF(5, 10.5, 14, 10), 2, 2);
        p.setBrush(Qt::NoBrush);
        QPainterPath shackle;
        shackle.moveTo(8, 10.5);
        shackle.lineTo(8, 7.5);
        shackle.arcTo(QRectF(8, 3.5, 8, 8), 180, -180);
        shackle.lineTo(16, 10.5);
        p.drawPath(shackle);
        p.drawLine(QPointF(12, 14.5), QPointF(12, 16.5));
        break;
    }
    case Glyph::SwipeToCorner: {
        // An arrow from the lower right into the upper left corner.
        QPainterPath path;
        path.moveTo(20, 20);
        path.lineTo(5, 5);
        path.moveTo(5, 13);
        path.lineTo(5, 5);
        path.lineTo(13, 5);
        p.drawPath(path);
        p.setBrush(color);
        p.drawEllipse(QPointF(20, 20), 1.6, 1.6);
        break;
    }
    }
}

} // namespace

void paintGlyph(QPainter& painter, Glyph glyph, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 24.0, rect.height() / 24.0);
    drawGlyph(painter, glyph, color);
    painter.restore();
}

QPixmap glyphPixmap(Glyph glyph, int size, qreal devicePixelRatio, const QColor& color) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(qRound(size * ratio), qRound(size * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintGlyph(painter, glyph, QRectF(0, 0, size, size), color);
    return pixmap;
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
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
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
