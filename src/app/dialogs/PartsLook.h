// The one look of the map application, shared by the map form (through UiKit) and by its parts
// (the dialogs, the lock and the progress display): dark translucent surfaces over the map, one
// accent colour, white cards, touch targets of at least 48 pixels and icons drawn as vector
// paths, so that they stay crisp at every screen scale. Sizes are device-independent pixels;
// Qt's device pixel ratio does the DPI scaling.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace zelto::parts {

QColor accentColor();      // the one accent colour (leaf green)
QColor surfaceColor();     // translucent dark bars and panels over the map
QColor drawerColor();      // the slide-in menu, nearly opaque
QColor textColor();        // text on dark surfaces
QColor dimTextColor();     // secondary text on dark surfaces
QColor cardColor();        // the white cards of the alternative style
QColor cardStrokeColor();  // light grey edges of the cards
QColor cardDimTextColor(); // secondary text on the cards
inline constexpr int TouchSize = 48;

// The icon set. All icons are drawn on a 24 x 24 grid with round-capped strokes; some have a
// light tint of their colour inside.
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
    Marker,
    Folder,        // a closed folder (a directory in a listing)
    File,          // a page with a folded corner
    Up,            // an arrow with a stem: the way up to the parent directory
    SwipeToCorner, // an arrow into the top left corner (the unlock swipe)
    Camera,        // photos of a note
    Speaker        // recordings of a note
};

// Paints the icon centred in the rectangle, as a square of its shorter side.
void paintIcon(QPainter& painter, IconKind kind, const QRectF& rect, const QColor& color);
// The icon as a pixmap of `size` device-independent pixels for the given pixel ratio.
QPixmap iconPixmap(IconKind kind, int size, qreal devicePixelRatio, const QColor& color);
// An icon that paints itself at whatever size and scale it is asked for (dimmed when disabled).
QIcon makeIcon(IconKind kind, const QColor& color = textColor());

// The one panel: a rounded box with a fill, an optional stroke and a radius on the chosen
// corners. A clickable box reports a press and release inside it as `clicked` and darkens (or,
// when dark, lightens) while pressed; presses on its children that they do not take (labels)
// count as presses on the box.
class TBox : public QWidget {
    Q_OBJECT
public:
    enum Corner { TopLeft = 1, TopRight = 2, BottomRight = 4, BottomLeft = 8, AllCorners = 15 };

    explicit TBox(QWidget* parent = nullptr);
    void setFill(const QColor& color);
    QColor fill() const { return m_fill; }
    void setStroke(const QColor& color);
    void setRadius(qreal radius, int corners = AllCorners);
    void setClickable(bool clickable);
    bool isClickable() const { return m_clickable; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_fill, m_stroke;
    qreal m_radius = 0;
    int m_corners = AllCorners;
    bool m_clickable = false;
    bool m_pressed = false;
};

} // namespace zelto::parts
