// The map form's own controls in the application's one look (dialogs/PartsLook): touch-sized
// buttons and switches (48 px at scale 1) with vector icons, the map picture holders, the bars
// and panels and the busy indicator. Qt's device pixel ratio does the DPI scaling; sizes here are
// device-independent pixels.
#pragma once

#include "dialogs/PartsLook.h"

#include <QAbstractButton>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace zelto {

// A number with up to `decimals` decimals, rounded at the last one (halves away from zero),
// trailing zeros dropped, with the locale's decimal separator: the patterns "0" (0 decimals),
// "0.#" (1), "0.##" (2), "0.###" (3).
QString formatNumber(double value, int decimals);

// A tool tip that shows the text as it is: tool tips take a text that looks like markup as
// markup, so the text is escaped into a paragraph that keeps its line breaks.
QString plainToolTip(const QString& text);

} // namespace zelto

namespace zelto::ui {

// A new control of class W (constructed with `args` and the parent) named by its objectName.
template <class W, class... Args> W* make(QWidget* parent, const char* name, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// The look is the one of the whole application (dialogs/PartsLook): its colours, icon set and
// panel are used here under the names the form's code knows.
using parts::accentColor;
using parts::dimTextColor;
using parts::drawerColor;
using parts::IconKind;
using parts::makeIcon;
using parts::paintIcon;
using parts::textColor;
using parts::TouchSize;
// Translucent dark bars over the map.
inline QColor barColor() {
    return parts::surfaceColor();
}

// The style sheet of the whole map form (labels, lists, combo boxes, tabs, progress bar).
QString formStyleSheet();

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
    // A state dot in the top right corner (none while invalid).
    void setStatusColor(const QColor& colour);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    IconKind m_icon = IconKind::Menu;
    bool m_hasIcon = false;
    bool m_round = false;
    bool m_accent = false;
    QColor m_status;
};

// A painted icon standing on its own (the image part of a button made of a rectangle and an
// image); clicks go through it to the button underneath.
class TIconImage : public QWidget {
    Q_OBJECT
public:
    explicit TIconImage(IconKind kind, QWidget* parent = nullptr);
    void setIconKind(IconKind kind);
    IconKind iconKind() const { return m_icon; }
    // Turns the icon about its centre, clockwise in degrees (a direction marker).
    void setRotation(double degrees);
    double rotation() const { return m_rotation; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    IconKind m_icon;
    double m_rotation = 0;
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

// A dark translucent panel with rounded corners (bars and floating panels over the map): the
// application's one panel with the bar colour.
class TPanel : public parts::TBox {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr, int radius = 12);
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
    explicit TClickPanel(QWidget* parent = nullptr, int radius = 12);
    std::function<void()> OnClick;
};

// The control named `name` among the window's descendants, as the field's type (none when there is
// no such control or it is of another type).
template <class T> void findNamed(const QWidget& window, T*& field, const char* name) {
    field = window.findChild<T*>(QLatin1String(name));
}
// A controller's widgets field from the control whose objectName is the field's name.
#define ZELTO_FIND_CONTROL(window, widgets, field) ::zelto::ui::findNamed((window), (widgets).field, #field)

// A list row with a second, smaller line under its text: the row's DetailRole data.
class TDetailItemDelegate : public QStyledItemDelegate {
public:
    static constexpr int DetailRole = Qt::UserRole + 1;
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace zelto::ui
