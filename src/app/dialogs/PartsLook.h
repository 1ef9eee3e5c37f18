// The look shared by the dialogs, the lock and the progress parts of the map application: dark
// translucent surfaces, one accent colour, white cards, touch targets of at least 48 pixels and
// glyphs drawn as vector paths, so that they stay crisp at every screen scale. Sizes are
// device-independent pixels; Qt's device pixel ratio does the DPI scaling.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace zelto::parts {

QColor accentColor();      // the one accent colour (the map form's leaf green)
QColor surfaceColor();     // translucent dark panels over the map
QColor textColor();        // text on dark surfaces
QColor dimTextColor();     // secondary text on dark surfaces
QColor cardColor();        // the white cards of the alternative style
QColor cardStrokeColor();  // light grey edges of the cards
QColor cardDimTextColor(); // secondary text on the cards
inline constexpr int TouchSize = 48;

enum class Glyph { Folder, File, Up, Lock, SwipeToCorner };

// Paints the glyph into the rectangle (stroked paths with round caps, light fills).
void paintGlyph(QPainter& painter, Glyph glyph, const QRectF& rect, const QColor& color);
// The glyph as a pixmap of `size` device-independent pixels for the given pixel ratio.
QPixmap glyphPixmap(Glyph glyph, int size, qreal devicePixelRatio, const QColor& color);

// A rounded box: a fill, an optional stroke and a radius on the chosen corners. A clickable box
// reports a press and release inside it as `clicked` and darkens while pressed; presses on its
// children that they do not take (labels) count as presses on the box.
class TBox : public QWidget {
    Q_OBJECT
public:
    enum Corner { TopLeft = 1, TopRight = 2, BottomRight = 4, BottomLeft = 8, AllCorners = 15 };

    explicit TBox(QWidget* parent = nullptr);
    void setFill(const QColor& color);
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
