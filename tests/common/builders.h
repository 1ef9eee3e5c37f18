// Building test geometry: points, lines, rings and the poly elements through them.
#pragma once

#include "framework/Elements.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"

#include <utility>
#include <vector>

namespace zelto::testing {

using Points = std::vector<std::pair<double, double>>;

// A new poly element of class T through the points, its rectangle computed.
template <class T> T* poly(const Points& points) {
    auto* p = new T;
    for (auto [x, y] : points) p->AddXY(x, y);
    p->RecalculateRect();
    return p;
}

inline TPolyLineElement* line(const Points& points) {
    return poly<TPolyLineElement>(points);
}
inline TPolyLineElement* line(double x0, double y0, double x1, double y1) {
    return poly<TPolyLineElement>({{x0, y0}, {x1, y1}});
}

// The ring of a w x h rectangle from (x, y), clockwise with Y up (a positive ring area).
inline Points rect(double x, double y, double w, double h) {
    return {{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}};
}

// The ring of a square from (x, y), clockwise with Y up unless asked otherwise.
inline Points square(double x, double y, double side, bool clockwise = true) {
    Points p = rect(x, y, side, side);
    if (!clockwise) std::swap(p[1], p[3]);
    return p;
}

// A new point-like element of class T at (x, y): its rectangle is the point.
template <class T> T* pointAt(double x, double y) {
    auto* p = new T;
    p->SetByDoubleRect({x, y, x, y});
    return p;
}

// A new rectangle entity covering (x0, y0)-(x1, y1).
inline TRectEntity* box(double x0, double y0, double x1, double y1) {
    auto* r = new TRectEntity;
    r->SetByDoubleRect({x0, y0, x1, y1});
    return r;
}

} // namespace zelto::testing
