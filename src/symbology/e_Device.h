// Drawing devices: a device paints model elements onto a drawing surface through its own page and
// page projection. TCanvasDevice paints with QPainter (antialiased) on the bitmap of a TCanvas;
// TBorderBuffer turns an element's vertex list into distinct integer page points and clips them
// to the page's clip region when they reach outside it.
//
// The core links QtGui only for this module (and tile images); nothing here needs a window.
#pragma once

#include "framework/Elements.h"
#include "geometry/ClipArea.h"
#include "geometry/G_Elems.h"
#include "projection/e_Page.h"
#include "projection/e_Proje.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPen>

#include <memory>
#include <vector>

class QPainter;

namespace zelto {

// A drawing surface: a bitmap (not owned) with its fill brush, stroke pen and font, which the
// callers set directly, and the scene in which painting happens. Scenes nest; the painter lives
// from the outermost BeginScene to its EndScene.
class TCanvas {
public:
    explicit TCanvas(QImage* bitmap = nullptr);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QImage* Bitmap() const { return m_bitmap; }
    // Ends any open scene first.
    void SetBitmap(QImage* bitmap);
    int Width() const { return m_bitmap ? m_bitmap->width() : 0; }
    int Height() const { return m_bitmap ? m_bitmap->height() : 0; }

    QBrush Fill{Qt::black, Qt::SolidPattern};
    QPen Stroke{QBrush(Qt::black), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin};
    QFont Font;

    // Answers false (and opens nothing) without a usable bitmap.
    bool BeginScene();
    void EndScene();
    bool InScene() const { return m_depth > 0; }
    // The painter of the open scene; none outside a scene.
    QPainter* Painter() const { return m_painter.get(); }

    // Replaces every pixel with the colour (0xAARRGGBB), transparent ones included.
    void Clear(quint32 argb);
    // Replaces the pixels of the rectangle with the colour.
    void ClearRect(const QRectF& rect, quint32 argb);

private:
    QImage* m_bitmap = nullptr;
    std::unique_ptr<QPainter> m_painter;
    int m_depth = 0;
};

// The polygon buffer: the distinct integer page points of one element, clipped to the page's clip
// region when some of them lie outside it. The rectangle is the visible model rectangle.
class TBorderBuffer : public TRectangle {
    ZELTO_CLASS(TBorderBuffer, TRectangle)
public:
    // An element with more vertices is not converted (buffer size = vertices x 8 bytes).
    static constexpr qint64 MaxBufferSize = 2500000;
    static constexpr qint64 MaxVertexCount = MaxBufferSize / 8;

    TPageProjection* FProjection = nullptr; // not owned
    TRectEntity* FRectEntity = nullptr;     // not owned
    qint32 FPointNo = 0;
    TClipRect FClipRect;
    qint32 FMinPointNo = 3;
    qint64 FBufferSize = 0;
    std::vector<QPoint> FBuffer;

    TBorderBuffer() = default;
    // Takes the projection, the clip region of its page and the visible model rectangle.
    TBorderBuffer(TPageProjection* projection, qint32 minPointNo);

    void SetProjection(TPageProjection* projection);
    // Converts the element's vertices (rotated when the projection has an angle) into distinct
    // page points; empty when there are more than MaxVertexCount vertices or fewer than
    // FMinPointNo distinct points. Composite rings contribute their ring vertices.
    void SetEntity(TRectEntity* element);
    // Clips the points to FClipRect when some lie outside it (polygon clipper).
    void ClipIt();
    // A move to the first point and a line to each further one; built once.
    const QPainterPath& GetPath();

    bool IsEmpty() const { return FBuffer.empty(); }
    // Whether the last ClipIt had to clip.
    bool Clipped() const { return m_clipped; }
    // Whether some point of the buffer lies outside the rectangle.
    bool ReachesOutside(const TClipRect& rect) const;

private:
    std::unique_ptr<QPainterPath> FPath;
    bool m_clipped = false;
};

// The device base. Most painting operations do nothing or answer 0 here; WriteText, WriteLnText
// and Adjust raise "Abstract Error" unless a device kind gives them.
class TDevice : public TOwnerEntity {
    ZELTO_CLASS(TDevice, TOwnerEntity)
public:
    float FOpacity = 1.0f;
    T_Page* FPage = nullptr;                // child
    TPageProjection* FProjection = nullptr; // child
    bool FVisible = false;

    TDevice();

    virtual QBrush* GetBrush();
    virtual QFont* GetFont();
    virtual QPen* GetPen();
    virtual quint32 GetPixel(qint32 x, qint32 y);
    virtual void SetBrush(const QBrush& brush);
    virtual void SetFont(const QFont& font);
    virtual void SetPen(const QPen& pen);
    virtual void SetPenWidth(double width);
    virtual void SetPixel(qint32 x, qint32 y, quint32 color);
    virtual void SetVisible(bool visible);
    virtual void SetCaption(const QString& caption);
    virtual quint32 GetTextColor();
    virtual void SetTextColor(quint32 color);
    virtual void Clear();
    virtual void TransparencyBegin();
    virtual void TransparencyEnd();
    virtual void FillRect(double x1, double y1, double x2, double y2);
    virtual void FrameRect(double x1, double y1, double x2, double y2);
    virtual void WriteText(const QString& text);
    virtual void WriteLnText(const QString& text);
    virtual void BeginScene();
    virtual void EndScene();
    virtual void SetTextOrientation(double angle);
    virtual void LineTo(double x, double y);
    virtual void MoveTo(double x, double y);
    virtual void LineToDevice(qint32 x, qint32 y);
    virtual void MoveToDevice(qint32 x, qint32 y);
    // The outline's and every non-empty hole's clipped page points, concatenated, with each
    // ring's point count. False (nothing) when the outline gives no points.
    virtual bool PrepareForPolyPolygon(TElement* area, std::vector<QPoint>& coords,
                                       std::vector<qint32>& lengths);
    // One path: for each ring a move to its first point and lines to the rest (not closed).
    // Rings that would run past the end of `coords` are left out.
    virtual QPainterPath PolygonsToPath(const std::vector<QPoint>& coords, const std::vector<qint32>& lengths,
                                        qint32 count);
    virtual void Polygons(const std::vector<QPoint>& coords, const std::vector<qint32>& lengths,
                          qint32 count);
    virtual void Polyline(TElement* line);
    virtual void Polygon(TElement* area);
    virtual void PolyPolygon(TElement* area);
    virtual void Rectangle(double x1, double y1, double x2, double y2);
    virtual void TextOut(double x, double y, const QString& text);
    virtual void TextOutDevice(qint32 x, qint32 y, const QString& text);
    virtual qint32 TextHeight(const QString& text);
    virtual qint32 TextWidth(const QString& text);
    virtual double TextModelHeight(const QString& text);
    virtual double TextModelWidth(const QString& text);
    virtual void Draw(qint32 x, qint32 y, const QImage& image);
    virtual void StretchDraw(const QRect& rect, const QImage& image);
    virtual void DrawDevice(qint32 x, qint32 y, TDevice* source);
    virtual void StretchDrawDevice(const QRect& rect, TDevice* source);
    virtual void Reset();
    virtual void Close();
    virtual void Adjust();
    virtual void SetupPage();

    float GetOpacity() const { return FOpacity; }
    // Applies to every following fill and stroke; kept within 0 .. 1 (not a number: 1).
    void SetOpacity(float value);
    T_Page* GetPage() const { return FPage; }
    TPageProjection* GetProjection() const { return FProjection; }

    // "ADJUST", "CLEAR", "CLOSE", "RESET" in any letter case; other texts do nothing. An error of
    // the action is shown in an error box: Device "name" CR LF text.
    void DoAction(const QString& action);

    // Rotation of model coordinates about the projection's rotation centre by its angle (clockwise
    // for a positive angle; TransformOut turns back). Nothing when the angle is 0 or the result
    // is not finite.
    void TransformIn(double& x, double& y) const;
    void TransformOut(double& x, double& y) const;
};

class TCanvasDevice : public TDevice {
    ZELTO_CLASS(TCanvasDevice, TDevice)
public:
    bool FNoPageSetup = false;
    TCanvas* FCanvas = nullptr; // not owned
    qint32 ox = 0;
    qint32 oy = 0;

    // Stores the canvas; with a canvas and without FNoPageSetup the page is set up from it.
    void SetCanvas(TCanvas* canvas);
    TCanvas* GetCanvas() const { return FCanvas; }

    QBrush* GetBrush() override;
    QFont* GetFont() override;
    QPen* GetPen() override;
    void BeginScene() override;
    void EndScene() override;
    void Clear() override;
    void LineTo(double x, double y) override;
    void MoveTo(double x, double y) override;
    void LineToDevice(qint32 x, qint32 y) override;
    void MoveToDevice(qint32 x, qint32 y) override;
    void Polygons(const std::vector<QPoint>& coords, const std::vector<qint32>& lengths,
                  qint32 count) override;
    void Polyline(TElement* line) override;
    void Polygon(TElement* area) override;
    void PolyPolygon(TElement* area) override;
    void Rectangle(double x1, double y1, double x2, double y2) override;
    void SetupPage() override;

    // The visible part of an element's stroke: the buffer's segments clipped one by one (an open
    // line stays open; an area's ring is closed). Empty for an element that is not painted.
    QPainterPath StrokePath(TElement* line);

private:
    // Paints inside the open scene, or inside a scene of its own when none is open.
    template <class F> void paint(F&& f);
    void drawSegment(qint32 x1, qint32 y1, qint32 x2, qint32 y2, float opacity);
};

} // namespace zelto
