// A point index over an ordered list of rectangles: which entries contain a point, in list order.
// The rectangles of a collection's children are kept here so that a search by point does not walk
// every child (and the child's geometry and rectangle objects) to reject it.
#pragma once

#include "G_Elems.h"

#include <vector>

namespace zelto {

class TRectListIndex {
public:
    // Indexes `rects` (entry i is rects[i]). Rectangles that are not valid (empty, inverted or not
    // finite) never contain a point.
    void Build(const std::vector<TDoubleRect>& rects);
    void Clear();
    int Count() const { return int(m_rects.size()); }

    // Calls visit(i) for every entry i whose rectangle contains (x, y), edges included, in
    // ascending order, until visit answers true. Answers whether a visit answered true.
    template <class Visit> bool VisitAt(double x, double y, Visit&& visit) const {
        if (m_cells.empty()) return false;
        if (!(x >= m_bounds.MinX && x <= m_bounds.MaxX && y >= m_bounds.MinY && y <= m_bounds.MaxY))
            return false;
        const int cell = cellY(y) * m_nx + cellX(x);
        for (int k = m_cells[size_t(cell)], end = m_cells[size_t(cell) + 1]; k < end; ++k) {
            const int i = m_items[size_t(k)];
            const TDoubleRect& r = m_rects[size_t(i)];
            if (r.MinX <= x && x <= r.MaxX && r.MinY <= y && y <= r.MaxY && visit(i)) return true;
        }
        return false;
    }

private:
    // The same monotone mapping serves rectangles and points, so a point on a rectangle's edge
    // falls into a cell the rectangle was entered in.
    int cellX(double x) const {
        const int c = int((x - m_bounds.MinX) * m_scaleX);
        return c < 0 ? 0 : c >= m_nx ? m_nx - 1 : c;
    }
    int cellY(double y) const {
        const int c = int((y - m_bounds.MinY) * m_scaleY);
        return c < 0 ? 0 : c >= m_ny ? m_ny - 1 : c;
    }

    std::vector<TDoubleRect> m_rects;
    TDoubleRect m_bounds;
    int m_nx = 0, m_ny = 0;
    double m_scaleX = 0, m_scaleY = 0;
    std::vector<int> m_cells; // start of each cell's entries in m_items (one more than the cells)
    std::vector<int> m_items; // entry numbers, ascending within a cell
};

} // namespace zelto
