#include "ClipArea.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zelto {

namespace {

// Round half to even, limited to the signed 32-bit range (NaN gives 0).
qint32 roundToInt32(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r <= double(std::numeric_limits<qint32>::min())) return std::numeric_limits<qint32>::min();
    if (r >= double(std::numeric_limits<qint32>::max())) return std::numeric_limits<qint32>::max();
    return qint32(r);
}

// A sound clip needs at most four moves; rounding can keep a point that lies within half a unit of
// a fractional side outside it for ever, so the loop is bounded.
constexpr int MaxClipSteps = 16;

} // namespace

int ClipOutCode(const TClipRect& Rect, double X, double Y) {
    int code = 0;
    if (X < Rect.Left)
        code |= ocLeft;
    else if (X > Rect.Right)
        code |= ocRight;
    if (Y > Rect.Bottom)
        code |= ocBottom;
    else if (Y < Rect.Top)
        code |= ocTop;
    return code;
}

void RelRegionLine(const TClipRect& Rect, qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, bool& Inside,
                   bool& Partly) {
    const int c1 = ClipOutCode(Rect, X1, Y1);
    const int c2 = ClipOutCode(Rect, X2, Y2);
    Inside = c1 == 0 && c2 == 0;
    Partly = !Inside && (c1 & c2) == 0;
}

void ClipLine(const TClipRect& Rect, qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, qint32& CX1, qint32& CY1,
              qint32& CX2, qint32& CY2, bool& Visible) {
    double x1 = X1, y1 = Y1, x2 = X2, y2 = Y2;
    Visible = false;
    for (int step = 0;; ++step) {
        int c1 = ClipOutCode(Rect, roundToInt32(x1), roundToInt32(y1));
        int c2 = ClipOutCode(Rect, roundToInt32(x2), roundToInt32(y2));
        if (c1 == 0 && c2 == 0) {
            Visible = true;
            break;
        }
        if (c1 & c2) break;
        if (step == MaxClipSteps) {
            // The moved point lies on a side within rounding.
            Visible = true;
            break;
        }
        if (c1 == 0) {
            std::swap(x1, x2);
            std::swap(y1, y2);
            std::swap(c1, c2);
        }
        const double dx = x2 - x1;
        if (dx != 0) {
            const double m = (y2 - y1) / dx;
            if (c1 & ocLeft) {
                y1 += m * (Rect.Left - x1);
                x1 = Rect.Left;
            } else if (c1 & ocRight) {
                y1 += m * (Rect.Right - x1);
                x1 = Rect.Right;
            } else if (c1 & ocBottom) {
                x1 += (Rect.Bottom - y1) / m;
                y1 = Rect.Bottom;
            } else if (c1 & ocTop) {
                x1 += (Rect.Top - y1) / m;
                y1 = Rect.Top;
            }
        } else if (c1 & ocBottom) {
            y1 = Rect.Bottom;
        } else if (c1 & ocTop) {
            y1 = Rect.Top;
        }
    }
    CX1 = roundToInt32(x1);
    CY1 = roundToInt32(y1);
    CX2 = roundToInt32(x2);
    CY2 = roundToInt32(y2);
}

// ---- TOrezavacPloch ------------------------------------------------------------------------------

TOrezavacPloch::TOrezavacPloch(const TClipRect& Rect, const std::vector<QPoint>& Polygon) {
    Pole2 = Polygon;
    Pocet2 = qint32(Polygon.size());
    MaxPocetBodu = Pocet2;
    Ptr2 = Pocet2;
    MinX = roundToInt32(Rect.Left);
    MinY = roundToInt32(Rect.Top);
    MaxX = roundToInt32(Rect.Right);
    MaxY = roundToInt32(Rect.Bottom);
    for (const QPoint& p : Polygon) {
        if (p.x() < MinX) PodMinX = true;
        if (p.y() < MinY) PodMinY = true;
        if (p.x() > MaxX) NadMaxX = true;
        if (p.y() > MaxY) NadMaxY = true;
    }
    if (Polygon.empty()) MaloMista = true;
}

void TOrezavacPloch::Orezavej() {
    if (MaloMista) return;
    PrehodPole();
    const std::pair<Side, bool> sides[] = {
        {sMinX, PodMinX}, {sMinY, PodMinY}, {sMaxX, NadMaxX}, {sMaxY, NadMaxY}};
    for (const auto& [side, flag] : sides) {
        if (!flag || Pocet1 == 0) continue;
        OrezStranu(side);
        SrovnejPocatekAKonec();
        PrehodPole();
    }
    Pole2.clear();
    Pole2.shrink_to_fit();
    Pocet2 = 0;
    Ptr2 = 0;
    MaxPocetBodu = 0;
}

std::vector<QPoint> TOrezavacPloch::DejKopiiPoleVelikostAPocet() const {
    if (MaloMista) return {};
    return std::vector<QPoint>(Pole1.begin(), Pole1.begin() + Pocet1);
}

void TOrezavacPloch::PrehodPole() {
    Pole1.assign(Pole2.begin(), Pole2.begin() + Pocet2);
    Pocet1 = Pocet2;
    Ptr1 = 0;
    Pole2.clear();
    MaxPocetBodu = 2 * Pocet2;
    Pole2.reserve(size_t(MaxPocetBodu));
    Pocet2 = 0;
    Ptr2 = 0;
}

void TOrezavacPloch::SrovnejPocatekAKonec() {
    if (Pocet2 > 2 && Pole2.front() != Pole2[size_t(Pocet2 - 1)]) Pridej(Pole2.front());
}

void TOrezavacPloch::Pridej(QPoint p) {
    if (MaloMista || Pocet2 >= MaxPocetBodu) {
        MaloMista = true;
        return;
    }
    Pole2.push_back(p);
    ++Pocet2;
    Ptr2 = Pocet2;
}

bool TOrezavacPloch::outside(Side side, QPoint p) const {
    switch (side) {
    case sMinX:
        return p.x() < MinX;
    case sMinY:
        return p.y() < MinY;
    case sMaxX:
        return p.x() > MaxX;
    case sMaxY:
        return p.y() > MaxY;
    }
    return false;
}

QPoint TOrezavacPloch::intersection(Side side, QPoint p, QPoint c) const {
    const double px = p.x(), py = p.y(), cx = c.x(), cy = c.y();
    switch (side) {
    case sMinX:
        return {MinX, roundToInt32(py + (MinX - px) * (cy - py) / (cx - px))};
    case sMaxX:
        return {MaxX, roundToInt32(py + (MaxX - px) * (cy - py) / (cx - px))};
    case sMinY:
        return {roundToInt32(px + (MinY - py) * (cx - px) / (cy - py)), MinY};
    case sMaxY:
        // One unit beyond the side, unlike the other three.
        return {roundToInt32(px + (MaxY - py) * (cx - px) / (cy - py)), roundToInt32(double(MaxY) + 1)};
    }
    return p;
}

void TOrezavacPloch::OrezStranu(Side side) {
    QPoint prev = Pole1[size_t(Pocet1 - 1)];
    for (Ptr1 = 0; Ptr1 < Pocet1; ++Ptr1) {
        const QPoint cur = Pole1[size_t(Ptr1)];
        const bool prevOut = outside(side, prev);
        if (outside(side, cur)) {
            if (!prevOut) Pridej(intersection(side, prev, cur));
        } else {
            if (prevOut) Pridej(intersection(side, prev, cur));
            Pridej(cur);
        }
        prev = cur;
    }
}

} // namespace zelto
