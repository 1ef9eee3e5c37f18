#include "AnalInt.h"

#include "G_Elems.h"
#include "MathLib.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <vector>

namespace zelto {

void DejPatuKolmice(double X1, double Y1, double X2, double Y2, double X, double Y, double& FX, double& FY) {
    if (std::abs(X2 - X1) < 1e-9) {
        FX = X1;
        FY = Y;
    } else if (std::abs(Y2 - Y1) < 1e-9) {
        FX = X;
        FY = Y1;
    } else {
        const double m = (Y2 - Y1) / (X2 - X1);
        const double r = -1 / m;
        FX = (Y1 - Y + r * X - m * X1) / (r - m);
        FY = (X1 - X - m * Y + r * Y1) / (r - m);
    }
}

namespace {

// On one axis: a value at or beyond an end of the range must be less than 1e-4 from it.
bool withinWidened(double v, double a, double b) {
    const double lo = std::min(a, b), hi = std::max(a, b);
    if (v <= lo && !(lo - v < 1e-4)) return false;
    if (v >= hi && !(v - hi < 1e-4)) return false;
    return true;
}

} // namespace

bool BodJeMeziBody(double X, double Y, double X1, double Y1, double X2, double Y2) {
    return withinWidened(X, X1, X2) && withinWidened(Y, Y1, Y2);
}

bool BodLeziNaUsecce(double X, double Y, double X1, double Y1, double X2, double Y2) {
    if (!BodJeMeziBody(X, Y, X1, Y1, X2, Y2)) return false;
    if (std::abs(X2 - X1) < 1e-9) return std::abs(X - X1) < 1e-9;
    return std::abs((Y - Y1) - (Y2 - Y1) * (X - X1) / (X2 - X1)) < 1e-9;
}

void DejVztahyBod_Usecka(double X, double Y, double X1, double Y1, double X2, double Y2, bool& OnSegment,
                         double& FX, double& FY, double& Dist) {
    DejPatuKolmice(X1, Y1, X2, Y2, X, Y, FX, FY);
    OnSegment = BodJeMeziBody(FX, FY, X1, Y1, X2, Y2);
    Dist = Distance(FX, FY, X, Y);
}

void GiveAbscPointByLength(double X1, double Y1, double X2, double Y2, double Length, double Grid, double& X,
                           double& Y) {
    const double d = Distance(X1, Y1, X2, Y2);
    if (d > 0 && d > Length) {
        X = X1 + Length * (X2 - X1) / d;
        Y = Y1 + Length * (Y2 - Y1) / d;
    } else {
        X = X2;
        Y = Y2;
    }
    if (Grid != 0) {
        // Round half to even (the default rounding mode).
        X = std::nearbyint(X / Grid) * Grid;
        Y = std::nearbyint(Y / Grid) * Grid;
    }
}

void PrusecikUsecek(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4,
                    double& X, double& Y, bool& Parallel, bool& OnFirst, bool& OnSecond) {
    // Shift so that point 1 is the origin.
    const double x2 = X2 - X1, y2 = Y2 - Y1;
    const double x3 = X3 - X1, y3 = Y3 - Y1;
    const double x4 = X4 - X1, y4 = Y4 - Y1;
    double x = 0, y = 0;
    Parallel = false;
    OnFirst = false;
    OnSecond = false;

    // Each line as x = w + v·y unless it is parallel to the X axis.
    const bool flat1 = std::abs(y2) <= 1e-20;
    const double v = flat1 ? 0 : x2 / y2;
    const double w = 0;
    const bool flat2 = std::abs(y3 - y4) <= 1e-20;
    const double F = flat2 ? 0 : (x3 - x4) / (y3 - y4);
    const double G = flat2 ? 0 : (y3 * x4 - y4 * x3) / (y3 - y4);

    if (flat1 && flat2) {
        Parallel = true;
    } else if (flat1) {
        x = G;
        y = 0;
    } else if (flat2) {
        x = w + v * y3;
        y = y3;
    } else {
        const double k = v - F;
        const double ak = std::abs(k);
        if (ak > 1e17 || std::abs(G - w) >= ak * 1e20 || std::abs(v * G - F * w) >= ak * 1e20) {
            Parallel = true;
        } else {
            y = (G - w) / k;
            x = (v * G - F * w) / k;
        }
    }
    if (!Parallel) {
        auto between = [](double t, double a, double b) {
            return std::min(a, b) <= t && t <= std::max(a, b);
        };
        OnFirst = flat1 ? between(x, 0, x2) : between(y, 0, y2);
        OnSecond = flat2 ? between(x, x3, x4) : between(y, y3, y4);
    }
    X = x + X1;
    Y = y + Y1;
}

bool ProtnutyUsecky(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4) {
    double x, y;
    bool parallel, onFirst, onSecond;
    PrusecikUsecek(X1, Y1, X2, Y2, X3, Y3, X4, Y4, x, y, parallel, onFirst, onSecond);
    return onFirst && onSecond;
}

bool RectanglesOverlay(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4,
                       double Tolerance) {
    const double minX1 = std::min(X1, X2), maxX1 = std::max(X1, X2);
    const double minY1 = std::min(Y1, Y2), maxY1 = std::max(Y1, Y2);
    const double minX2 = std::min(X3, X4), maxX2 = std::max(X3, X4);
    const double minY2 = std::min(Y3, Y4), maxY2 = std::max(Y3, Y4);
    if (minY2 > maxY1 + Tolerance || minY1 > maxY2 + Tolerance) return false;
    if (minX2 > maxX1 + Tolerance || minX1 > maxX2 + Tolerance) return false;
    return true;
}

bool InsideTest(const TEntity* area, const TCoordinate* point) {
    return point && InsideTestXY(area, point->GetX(), point->GetY());
}

// A ray from the point towards +X; crossings of the boundary are counted. A run of boundary that
// lies on the ray's line counts as a crossing only when the boundary leaves it to the other side
// than the one it arrived from.
bool InsideRingXY(const std::vector<std::pair<double, double>>& ring, double X, double Y) {
    const size_t n = ring.size();
    if (n < 3) return false;
    constexpr double RayEnd = 1e20;

    const bool startsOnRay = ring[0].second == Y && ring[0].first >= X;
    bool onRay = startsOnRay;
    bool arrivedFromAbove = false;
    bool leaveKnown = false;
    double leaveY = 0;
    bool arrivalKnown = false;
    double arrivalY = 0;
    int crossings = 0;
    for (size_t i = 1; i <= n; ++i) {
        const auto [px, py] = ring[i - 1];
        const auto [cx, cy] = ring[i == n ? 0 : i];

        // Most edges lie wholly above or below the ray's line, farther than the on-segment
        // tolerance: the point is not on them and they do not cross the ray.
        if (!withinWidened(Y, py, cy)) {
            onRay = false;
            if (startsOnRay && cy != Y) {
                arrivalKnown = true;
                arrivalY = cy;
            }
            continue;
        }
        if (BodLeziNaUsecce(X, Y, px, py, cx, cy)) return false;

        const bool candidate = (px >= X || cx >= X) && std::min(py, cy) <= Y && Y <= std::max(py, cy);
        if (!candidate) {
            onRay = false;
        } else {
            double ix, iy;
            bool parallel, onFirst, onSecond;
            PrusecikUsecek(X, Y, RayEnd, Y, px, py, cx, cy, ix, iy, parallel, onFirst, onSecond);
            bool counts = !parallel && onFirst && onSecond;
            if (cy == Y) {
                counts = false;
                if (!onRay) {
                    onRay = true;
                    arrivedFromAbove = py > Y;
                }
            } else if (onRay) {
                onRay = false;
                if (startsOnRay && !leaveKnown) {
                    leaveKnown = true;
                    leaveY = cy;
                    counts = false;
                } else if ((cy > Y) == arrivedFromAbove) {
                    counts = false;
                }
            }
            if (counts) ++crossings;
        }
        if (startsOnRay && cy != Y) {
            arrivalKnown = true;
            arrivalY = cy;
        }
    }
    if (startsOnRay && leaveKnown && arrivalKnown && (leaveY > Y) != (arrivalY > Y)) ++crossings;
    return crossings % 2 == 1;
}

bool InsideTestXY(const TEntity* area, double X, double Y) {
    if (!area) return false;
    const int n = area->FElements.count();
    if (n < 3) return false;
    // One buffer per thread: the test runs for every area a search reaches.
    thread_local std::vector<std::pair<double, double>> ring;
    ring.resize(static_cast<size_t>(n));
    // A ring is nearly always a list of plain vertices of one class whose X and Y are its fields:
    // its class is looked up once, and each vertex only compared by its type identity, before the
    // fields are read directly. Any other ring goes through the class check and the accessors.
    const TElement* first = area->FElements.at(0);
    if (first && (typeid(*first) == typeid(T2DCoordinate) || typeid(*first) == typeid(T3DCoordinate))) {
        const std::type_info* plain = &typeid(*first);
        int i = 0;
        for (; i < n; ++i) {
            const TElement* e = area->FElements.at(i);
            if (!e || &typeid(*e) != plain) break;
            const auto* c = static_cast<const T2DCoordinate*>(e);
            ring[size_t(i)] = {c->FX, c->FY};
        }
        if (i == n) return InsideRingXY(ring, X, Y);
    }
    for (int i = 0; i < n; ++i) {
        const auto* c = zelto_cast<TCoordinate>(area->FElements.at(i));
        if (!c) return false;
        ring[size_t(i)] = {c->GetX(), c->GetY()};
    }
    return InsideRingXY(ring, X, Y);
}

} // namespace zelto
