#include "UiKit.h"

#include "framework/TextLocale.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zelto {

QString plainToolTip(const QString& text) {
    if (text.isEmpty()) return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
}

QString formatNumber(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 9);
    if (!std::isfinite(value)) return QStringLiteral("0");
    const double power = std::pow(10.0, decimals);
    double rounded = std::round(value * power) / power; // halves away from zero
    if (!std::isfinite(rounded)) rounded = value;
    if (rounded == 0) rounded = 0; // no "-0"
    QString text = QString::number(rounded, 'f', decimals);
    if (decimals > 0) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
        text.replace(QLatin1Char('.'), decimalSeparator());
    }
    return text;
}

} // namespace zelto

namespace zelto::ui {

QString formStyleSheet() {
    QColor tint = accentColor();
    tint.setAlphaF(0.22f);
    return QStringLiteral(R"(
QWidget { color: %2; font-size: 15px; }
QLabel { background: transparent; }
QLabel#l_MapList, QLabel#l_OptionsHeader, QLabel#l_OptionsPick { color: %3; font-size: 13px;
  font-weight: 600; padding: 12px 16px 4px 16px; }
QLabel#Label29 { font-size: 17px; font-weight: 600; }
QLabel#Label30 { font-size: 20px; font-weight: 600; }
QLabel#ks_l_JPRLs { font-size: 17px; font-weight: 600; padding: 0 8px; }
QLabel#ks_l_Scale { font-size: 13px; }
QLabel#l_Progress { font-size: 17px; font-weight: 600; }
QListWidget { background: transparent; border: none; outline: none; }
QListWidget::item { min-height: 52px; padding: 0 12px; border-radius: 10px; }
QListWidget::item:selected { background: %4; color: #ffffff; }
QListWidget::item:hover { background: rgba(255,255,255,0.06); }
QComboBox { background: rgba(255,255,255,0.08); border: 1px solid rgba(255,255,255,0.14);
  border-radius: 10px; min-height: 46px; padding: 0 12px; }
QComboBox QAbstractItemView { background: #1c2228; selection-background-color: %1; }
QTabWidget::pane { border: none; }
QProgressBar { background: rgba(255,255,255,0.15); border: none; border-radius: 5px; max-height: 10px; }
QProgressBar::chunk { background: %1; border-radius: 5px; }
QToolButton { background: transparent; border: none; }
)")
        .arg(accentColor().name(), textColor().name(), dimTextColor().name(), tint.name(QColor::HexArgb));
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
    if (m_status.isValid()) {
        const double d = std::max(8.0, height() / 6.0);
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.setBrush(m_status);
        p.drawEllipse(QRectF(width() - d - (m_round ? d / 2 : 4), m_round ? d / 2 : 4, d, d));
    }
}

void TTouchButton::setStatusColor(const QColor& colour) {
    m_status = colour;
    update();
}

// ---- TIconImage ------------------------------------------------------------------------------

TIconImage::TIconImage(IconKind kind, QWidget* parent) : QWidget(parent), m_icon(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TIconImage::setIconKind(IconKind kind) {
    m_icon = kind;
    update();
}

void TIconImage::setRotation(double degrees) {
    if (m_rotation == degrees) return;
    m_rotation = degrees;
    update();
}

void TIconImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_rotation != 0) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(width() / 2.0, height() / 2.0);
        p.rotate(m_rotation);
        p.translate(-width() / 2.0, -height() / 2.0);
    }
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

TPanel::TPanel(QWidget* parent, int radius) : parts::TBox(parent) {
    setFill(barColor());
    setRadius(radius);
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

TClickPanel::TClickPanel(QWidget* parent, int radius) : TPanel(parent, radius) {
    setClickable(true);
    setCursor(Qt::ArrowCursor);
    connect(this, &parts::TBox::clicked, this, [this] {
        if (OnClick) OnClick();
    });
}

void TDetailItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QString detail = index.data(DetailRole).toString();
    if (detail.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row as usual in its upper part, the detail in a smaller, dimmer font below.
    QStyleOptionViewItem top = option;
    top.rect.setHeight(option.rect.height() * 3 / 5);
    QStyledItemDelegate::paint(painter, top, index);
    QFont small = option.font;
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.8);
    else
        small.setPixelSize(std::max(8, small.pixelSize() * 4 / 5));
    painter->save();
    painter->setFont(small);
    QColor dim = option.palette.color(QPalette::Text);
    dim.setAlphaF(0.6f);
    painter->setPen(dim);
    const int indent = option.decorationSize.width() + 36;
    const QRect below(option.rect.left() + indent, top.rect.bottom(), option.rect.width() - indent - 4,
                      option.rect.height() - top.rect.height());
    painter->drawText(below, Qt::AlignLeft | Qt::AlignTop,
                      QFontMetrics(small).elidedText(detail, Qt::ElideRight, below.width()));
    painter->restore();
}

QSize TDetailItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!index.data(DetailRole).toString().isEmpty()) size.setHeight(size.height() * 5 / 3 + 4);
    return size;
}

} // namespace zelto::ui
