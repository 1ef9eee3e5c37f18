// The map application's look: one dark translucent surface colour, one accent colour, touch-sized
// controls (48 px at scale 1) and icons drawn as vector paths, so they stay crisp at every screen
// scale. Qt's device pixel ratio does the DPI scaling; sizes here are device-independent pixels.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zelto::ui {

// Colours of the surfaces and the accent.
QColor accentColor();
QColor barColor();    // translucent dark bars over the map
QColor drawerColor(); // the slide-in menu
QColor textColor();   // text on the dark surfaces
QColor dimTextColor();
// The minimum edge of a touch target.
inline constexpr int TouchSize = 48;

// The style sheet of the whole map form (labels, lists, combo boxes, tabs, progress bar).
QString formStyleSheet();

enum class IconKind {
    Menu,
    Plus,
    Minus,
    Hand,
    Tools,
    Gps,
    Search,
    HandOver,
    OpenFolder,
    Lock,
    Layers,
    Settings,
    View,
    Import,
    Close,
    ArrowUp,
    ArrowDown,
    Back,
    Logo,
    Marker
};

// Paints the icon into the rectangle with the colour (stroked paths, round caps).
void paintIcon(QPainter& painter, IconKind kind, const QRectF& rect, const QColor& color);
// An icon that paints itself at whatever size and scale it is asked for.
QIcon makeIcon(IconKind kind, const QColor& color = textColor());

// A flat, round-cornered touch button with an optional painted icon and text on a dark surface.
class TTouchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TTouchButton(QWidget* parent = nullptr);
    void setIconKind(IconKind kind);
    void clearIconKind() {
        m_hasIcon = false;
        update();
    }
    // Round (a circle) or a rounded rectangle.
    void setRound(bool round);
    // A filled accent background (the main action of a panel).
    void setAccent(bool accent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    IconKind m_icon = IconKind::Menu;
    bool m_hasIcon = false;
    bool m_round = false;
    bool m_accent = false;
};

// A painted icon standing on its own (the image part of a button made of a rectangle and an
// image); clicks go through it to the button underneath.
class TIconImage : public QWidget {
    Q_OBJECT
public:
    explicit TIconImage(IconKind kind, QWidget* parent = nullptr);
    void setIconKind(IconKind kind);
    IconKind iconKind() const { return m_icon; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    IconKind m_icon;
};

// An on/off switch with its caption on the left and a sliding knob on the right.
class TSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit TSwitch(const QString& text = QString(), QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
};

// A widget that shows a bitmap (the map picture, the edit overlays, hidden bitmap holders). The
// bitmap is the widget's own; painting draws it at the widget's top-left corner, one bitmap
// pixel per device pixel.
class TImageControl : public QWidget {
    Q_OBJECT
public:
    explicit TImageControl(QWidget* parent = nullptr);
    // Whoever takes the bitmap to change it may draw on it: it is painted from then on.
    QImage& Bitmap() {
        m_blank = false;
        return m_bitmap;
    }
    const QImage& Bitmap() const { return m_bitmap; }
    // Makes the bitmap transparent; a transparent bitmap costs no painting.
    void ClearBitmap();
    bool IsBlank() const { return m_blank; }
    // A transparent bitmap of the size in device pixels (the bitmap's own pixel ratio stays 1:
    // it is painted in page pixels).
    void ResizeBitmap(int width, int height);
    // The widget's size in device pixels, rounded.
    QSize DeviceSize() const;
    // Called after the widget changed size.
    std::function<void()> OnResize;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QImage m_bitmap;
    bool m_blank = true;
};

// A dark translucent panel with rounded corners (bars and floating panels over the map).
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr, int radius = 12);
    void setFill(const QColor& color) {
        m_fill = color;
        update();
    }
    void setRadius(int radius) {
        m_radius = radius;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_fill;
    int m_radius;
};

// A turning arc: the busy indicator.
class TBusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit TBusyIndicator(QWidget* parent = nullptr);
    void setAnimating(bool on);
    bool isAnimating() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QTimer m_timer;
    int m_angle = 0;
};

// A panel that reports clicks (menu strips, the drawer's dimming cover).
class TClickPanel : public TPanel {
    Q_OBJECT
public:
    using TPanel::TPanel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace zelto::ui
