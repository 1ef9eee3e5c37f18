// Clipping of screen shapes (integer coordinates, Y down) to a rectangle before they are handed to
// the canvas: a line clipper and a polygon clipper.
#pragma once

#include <QPoint>

#include <vector>

namespace zelto {

// A clip rectangle in single precision, as the drawing device keeps it.
struct TClipRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
};

enum : int { ocLeft = 1, ocRight = 2, ocBottom = 4, ocTop = 8 };

// Outcode of a point: 1 left of Left, else 2 right of Right; 4 below Bottom (larger Y), else 8
// above Top.
int ClipOutCode(const TClipRect& Rect, double X, double Y);

// Inside: both end points inside. Partly: not inside, and the end points share no outside side.
void RelRegionLine(const TClipRect& Rect, qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, bool& Inside,
                   bool& Partly);

// Cohen–Sutherland clipping; the clipped end points may come out in the opposite order.
void ClipLine(const TClipRect& Rect, qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, qint32& CX1, qint32& CY1,
              qint32& CX2, qint32& CY2, bool& Visible);

// Sutherland–Hodgman clipping of a polygon on integer points. Points created on the MaxY side lie one
// unit below it.
class TOrezavacPloch {
public:
    bool PodMinX = false; // some vertex left of MinX
    bool PodMinY = false; // some vertex above MinY (smaller Y)
    bool NadMaxX = false; // some vertex right of MaxX
    bool NadMaxY = false; // some vertex below MaxY
    qint32 MinX = 0;
    qint32 MinY = 0;
    qint32 MaxX = 0;
    qint32 MaxY = 0;
    std::vector<QPoint> Pole1; // input of the current pass
    std::vector<QPoint> Pole2; // output of the current pass
    qint32 Ptr1 = 0;
    qint32 Ptr2 = 0;
    qint32 Pocet1 = 0;
    qint32 Pocet2 = 0;
    qint32 MaxPocetBodu = 0; // capacity of Pole2
    bool MaloMista = false;  // out of space (or nothing to clip): the result is empty

    TOrezavacPloch(const TClipRect& Rect, const std::vector<QPoint>& Polygon);

    void Orezavej();
    // The clipped polygon; empty when MaloMista is set.
    std::vector<QPoint> DejKopiiPoleVelikostAPocet() const;

private:
    enum Side { sMinX, sMinY, sMaxX, sMaxY };
    void PrehodPole();
    void SrovnejPocatekAKonec();
    void Pridej(QPoint p);
    void OrezStranu(Side side);
    bool outside(Side side, QPoint p) const;
    QPoint intersection(Side side, QPoint p, QPoint c) const;
};

} // namespace zelto
