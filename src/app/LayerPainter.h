// The layer painter: paints the user layers (areas, lines, notes, points) on the map picture as
// two resumable passes of the map canvas, the edited line and point on their overlays, and places
// the GPS position marker or the off-screen arrow that points to it.
#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>

#include <functional>
#include <memory>
#include <unordered_map>

class QPainter;
class QPainterPath;
class QWidget;

namespace zelto {

class TAreaElement;
class TCanvas;
class TComplicatedGECollection;
class TElement;
class TMapCanvas;
class TOwnerEntity;
class TPaintBudget;
class TPageProjection;
class Tgis_PointElement;

// The markers the painter places and the controls of the alternative style that the GPS arrow
// keeps clear of. Each may be missing: what it is for is then left out.
struct TLayerPainterWidgets {
    QWidget* gpsCursor = nullptr;   // the position inside the view
    QWidget* gpscur = nullptr;      // the arrow towards a position outside the view
    QWidget* ImageBakule = nullptr; // its picture is the note symbol
    QWidget *Layout_SideButtons = nullptr, *ks_InfoLayout = nullptr, *ks_ActionLayout = nullptr,
            *ks_ScaleLayOut = nullptr;

    // The controls of these names among the window's descendants.
    static TLayerPainterWidgets Find(const QWidget& window);
};

// What the painter reads. Each function may be unset; it then reads as none, false or 0.
struct TLayerPainterSource {
    std::function<TOwnerEntity*()> Layers; // children: the layer collections, in drawing order
    std::function<TOwnerEntity*()> PSYMB;  // the point symbols, named by their number
    std::function<bool()> KavintStyle;
    std::function<bool()> GpsFixed;
    std::function<double()> jtskX, jtskY; // the GPS position in model coordinates
    // A number that changes whenever anything painted of the layers changes (objects, visibility,
    // colours). Set, it lets a redraw of an unchanged view reuse the layers' last picture.
    std::function<quint64()> LayersVersion;
    quint32 LineColor = 0xFFFF0000, PointColor = 0xFFFF1493; // the edit colours (ARGB)
};

// UI thread only. The painter goes before the canvas it paints on (it takes its passes back).
class TLayerPainter {
public:
    TLayerPainter(TMapCanvas& canvas, const TLayerPainterWidgets& widgets, const TLayerPainterSource& source);
    ~TLayerPainter();
    TLayerPainter(const TLayerPainter&) = delete;
    TLayerPainter& operator=(const TLayerPainter&) = delete;

    TLayerPainterSource Source;

    // Makes the painter the canvas's user-layer passes (areas of every layer, then their lines,
    // notes and points) and its GPS marker pass; Uninstall takes them away again.
    void Install();
    void Uninstall();

    // Both layer passes at once over the current picture (after a dialog saved an object).
    void DrawLayers();
    // One sub-layer of a layer of colour `aColor` (ARGB), whole.
    void DrawAreas(TComplicatedGECollection* aLay, quint32 aColor);
    void DrawLines(TComplicatedGECollection* aLay, quint32 aColor);
    void DrawPoints(TComplicatedGECollection* aLay, quint32 aColor);
    void DrawNotes(TComplicatedGECollection* aLay, quint32 aColor);
    // One polyline on the map picture; aPart does not restrict what is drawn.
    void DrawLine(TElement* aLine, int aPart, quint32 aColor);
    // Darkens the map picture outside the area (its holes too) at 0.6 and outlines it in red.
    void DrawAreaHighlight(const TAreaElement& anArea);
    // The area being edited with the area tool on aBM or else the cleared edit overlay: filled in
    // `fill` at half opacity, outlined 4 pixels wide, a cross on its reference point.
    void DrawEditedArea(const TAreaElement& anArea, quint32 fill, QImage* aBM);
    // One user point with its symbol: on the map picture, or with `edit` on aBM (else the edit
    // overlay, cleared first) with its selection frame.
    void DrawPoint(Tgis_PointElement* aPoint, bool edit, QImage* aBM);
    // The edited line without the two segments at vertex aPart (-1: none left out), with vertex
    // circles, on aBM or else the cleared edit overlay. `closed`: drawn as a closed outline.
    void DrawLineEdit(TElement* aLine, int aPart, quint32 aColor, QImage* aBM, bool closed);
    // The segments and handles around vertex aPart on aBM or else the cleared detail overlay.
    // `mLineLast` is the last vertex of the edited line (model coordinates); none: aLine's own.
    void DrawLineDetail(TElement* aLine, int aPart, quint32 aColor, QImage* aBM, bool closed,
                        const QPointF* mLineLast = nullptr);
    // The GPS circle on the position inside the view, or the arrow at the view's edge.
    void Drawgps();
    // The arrow for a view being dragged by the model offsets (dx, dy).
    void DrawgpsTear(double dx, double dy);

    // Redraws that reused the layers' picture, and that painted it.
    int LayerPictureReused() const { return m_reused; }
    int LayerPicturePainted() const { return m_painted; }

    // Where a pass continues in its next slice.
    struct TCursor {
        int layer = 0, sub = 0, child = 0;
    };

private:
    enum class Pass { Areas, Objects };
    // Paints a pass from the cursor on; false when the budget ran out before the end.
    bool paintPass(Pass pass, TCursor& at, const TPaintBudget& budget);
    bool paintAreas(TComplicatedGECollection* aLay, quint32 aColor, int& child, const TPaintBudget& budget);
    bool paintLines(TComplicatedGECollection* aLay, quint32 aColor, int& child, const TPaintBudget& budget);
    bool paintPoints(TComplicatedGECollection* aLay, int& child, const TPaintBudget& budget);
    bool paintNotes(TComplicatedGECollection* aLay, int& child, const TPaintBudget& budget);
    const QImage& notePicture();
    // The ring that marks a vertex of the edited line, in the point colour.
    const QImage& vertexMark();
    QImage m_vertexMark;
    quint32 m_vertexMarkColor = 0;
    const QImage& dab(quint32 argb, double width);
    std::unordered_map<quint64, QImage> m_dabs;
    // Where the layer passes paint: the layers' own picture while a redraw paints it, else the
    // map picture.
    TCanvas* target();
    void beginRedraw();
    bool layerPass(Pass pass, TCursor& at, const TPaintBudget& budget);
    void compositeLayers();

    // The layers' picture: transparent page pixels with everything of the two layer passes, for
    // the view and layers of `m_key`.
    struct TKey {
        QSize size;
        double centerX = 0, centerY = 0, scale = 0;
        quint64 version = 0;
        bool operator==(const TKey&) const = default;
    };
    QImage m_layerPicture;
    std::unique_ptr<TCanvas> m_layerCanvas;
    TKey m_key;
    bool m_keyValid = false; // the picture is complete for m_key
    bool m_reuse = false;    // this redraw reuses it
    TCanvas* m_target = nullptr;
    int m_reused = 0, m_painted = 0;

    TMapCanvas& m_canvas;
    TLayerPainterWidgets m_w;
    TCursor m_areas, m_objects;
    bool m_installed = false;
    QImage m_notePicture; // the note symbol at the control's size
    QSize m_notePictureSize;
};

} // namespace zelto
