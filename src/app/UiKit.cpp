#include "UiKit.h"

#include "dialogs/PartsLook.h"

#include <QIconEngine>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace zelto::ui {

// The accent and the text colours are those of the dialogs and the other parts: one palette.
QColor accentColor() {
    return parts::accentColor();
}
QColor barColor() {
    return QColor(18, 22, 26, 200);
}
QColor drawerColor() {
    return QColor(22, 27, 32, 250);
}
QColor textColor() {
    return parts::textColor();
}
QColor dimTextColor() {
    return parts::dimTextColor();
}

QString formStyleSheet() {
    const QString accent = accentColor().name();
    return QStringLiteral(R"(
QWidget { color: #f4f6f7; font-size: 15px; }
QLabel { background: transparent; }
QLabel#l_MapList, QLabel#l_OptionsHeader, QLabel#l_OptionsPick { color: #a9b3bb; font-size: 13px;
  font-weight: 600; padding: 12px 16px 4px 16px; }
QLabel#Label29 { font-size: 17px; font-weight: 600; }
QLabel#Label30 { font-size: 20px; font-weight: 600; }
QLabel#ks_l_JPRLs { font-size: 17px; font-weight: 600; padding: 0 8px; }
QLabel#ks_l_Scale { font-size: 13px; }
QLabel#l_Progress { font-size: 17px; font-weight: 600; }
QLabel#Locktext { font-size: 38pt; font-weight: 600; }
QListWidget { background: transparent; border: none; outline: none; }
QListWidget::item { min-height: 52px; padding: 0 12px; border-radius: 10px; }
QListWidget::item:selected { background: rgba(61,194,122,0.22); color: #ffffff; }
QListWidget::item:hover { background: rgba(255,255,255,0.06); }
QComboBox { background: rgba(255,255,255,0.08); border: 1px solid rgba(255,255,255,0.14);
  border-radius: 10px; min-height: 46px; padding: 0 12px; }
QComboBox QAbstractItemView { background: #1c2228; selection-background-color: %1; }
QTabWidget::pane { border: none; }
QProgressBar { background: rgba(255,255,255,0.15); border: none; border-radius: 5px; max-height: 10px; }
QProgressBar::chunk { background: %1; border-radius: 5px; }
QToolButton { background: transparent; border: none; }
)")
        .arg(accent);
}

namespace {

// The icons are drawn on a 24 x 24 grid.
QPainterPath iconPath(IconKind kind) {
    QPainterPath p;
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
        p.moveTo(8, 11);
        p.lineTo(8, 8);
        p.arcTo(8, 4, 8, 8, 180, -180);
        p.lineTo(16, 11);
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
    }
    return p;
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
    const double side = std::min(rect.width(), rect.height());
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
    QPen pen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(false);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(iconPath(kind));
    painter.restore();
}

QIcon makeIcon(IconKind kind, const QColor& color) {
    return QIcon(new PathIconEngine(kind, color));
}

// ---- TTouchButton ----------------------------------------------------------------------------

TTouchButton::TTouchButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TTouchButton::setIconKind(IconKind kind) {
    m_icon = kind;
    m_hasIcon = true;
    update();
}

void TTouchButton::setRound(bool round) {
    m_round = round;
    update();
}

void TTouchButton::setAccent(bool accent) {
    m_accent = accent;
    update();
}

QSize TTouchButton::sizeHint() const {
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 24;
    const int iconWidth = m_hasIcon ? TouchSize : 0;
    return {std::max(TouchSize, iconWidth + textWidth), TouchSize};
}

void TTouchButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = m_accent ? accentColor() : QColor(255, 255, 255, 0);
    if (isDown())
        fill = m_accent ? accentColor().darker(120) : QColor(255, 255, 255, 40);
    else if (underMouse())
        fill = m_accent ? accentColor().lighter(110) : QColor(255, 255, 255, 20);
    if (isChecked()) fill = QColor(accentColor().red(), accentColor().green(), accentColor().blue(), 90);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    if (m_round)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, 10, 10);
    const QColor ink = isEnabled() ? textColor() : dimTextColor();
    QRectF textRect = rect();
    if (m_hasIcon) {
        const double side = std::min<double>(24, height() - 16);
        const double left = text().isEmpty() ? (width() - side) / 2 : 12;
        paintIcon(p, m_icon, QRectF(left, (height() - side) / 2, side, side), ink);
        if (!text().isEmpty()) textRect.setLeft(left + side + 4);
    }
    if (!text().isEmpty()) {
        p.setPen(m_accent ? QColor(Qt::white) : ink);
        QFont f = font();
        f.setWeight(QFont::DemiBold);
        p.setFont(f);
        p.drawText(textRect, Qt::AlignCenter, text());
    }
}

// ---- TIconImage ------------------------------------------------------------------------------

TIconImage::TIconImage(IconKind kind, QWidget* parent) : QWidget(parent), m_icon(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TIconImage::setIconKind(IconKind kind) {
    m_icon = kind;
    update();
}

void TIconImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double side = std::min(width(), height());
    paintIcon(p, m_icon, QRectF((width() - side) / 2, (height() - side) / 2, side, side), textColor());
}

// ---- TSwitch ---------------------------------------------------------------------------------

TSwitch::TSwitch(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

QSize TSwitch::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 32 + 52, 52};
}

void TSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(width() - 16 - 44, (height() - 24) / 2.0, 44, 24);
    p.setPen(isEnabled() ? textColor() : dimTextColor());
    p.drawText(QRectF(16, 0, track.left() - 24, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? accentColor() : QColor(255, 255, 255, 60));
    p.drawRoundedRect(track, 12, 12);
    p.setBrush(Qt::white);
    const double knobX = isChecked() ? track.right() - 22 : track.left() + 2;
    p.drawEllipse(QRectF(knobX, track.top() + 2, 20, 20));
}

// ---- TImageControl ---------------------------------------------------------------------------

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImageControl::ResizeBitmap(int width, int height) {
    m_bitmap = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32_Premultiplied);
    ClearBitmap();
}

void TImageControl::ClearBitmap() {
    m_bitmap.fill(Qt::transparent);
    m_blank = true;
}

QSize TImageControl::DeviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

void TImageControl::paintEvent(QPaintEvent*) {
    if (m_bitmap.isNull() || (m_blank && !testAttribute(Qt::WA_OpaquePaintEvent))) return;
    QPainter p(this);
    // One bitmap pixel per device pixel: the bitmap is painted in page pixels, which are the
    // screen's own.
    const qreal ratio = devicePixelRatioF();
    p.drawImage(QRectF(0, 0, m_bitmap.width() / ratio, m_bitmap.height() / ratio), m_bitmap);
}

void TImageControl::resizeEvent(QResizeEvent*) {
    if (OnResize) OnResize();
}

// ---- TPanel ----------------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent, int radius) : QFrame(parent), m_fill(barColor()), m_radius(radius) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_fill);
    if (m_radius > 0)
        p.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
    else
        p.drawRect(rect());
}

// ---- TBusyIndicator --------------------------------------------------------------------------

TBusyIndicator::TBusyIndicator(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(40);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 12) % 360;
        update();
    });
}

void TBusyIndicator::setAnimating(bool on) {
    if (on)
        m_timer.start();
    else
        m_timer.stop();
}

void TBusyIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 8;
    const QRectF r((width() - side) / 2, (height() - side) / 2, side, side);
    p.setPen(QPen(QColor(255, 255, 255, 50), 5));
    p.drawEllipse(r);
    p.setPen(QPen(accentColor(), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, -m_angle * 16, 100 * 16);
}

// ---- TClickPanel -----------------------------------------------------------------------------

void TClickPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void TClickPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

} // namespace zelto::ui
