#include "RectListIndex.h"

#include <algorithm>
#include <cmath>

namespace zelto {

namespace {

bool usable(const TDoubleRect& r) {
    return std::isfinite(r.MinX) && std::isfinite(r.MinY) && std::isfinite(r.MaxX) && std::isfinite(r.MaxY) &&
           r.MinX <= r.MaxX && r.MinY <= r.MaxY && std::abs(r.MinX) < 1e30 && std::abs(r.MaxX) < 1e30 &&
           std::abs(r.MinY) < 1e30 && std::abs(r.MaxY) < 1e30;
}

} // namespace

void TRectListIndex::Clear() {
    m_rects.clear();
    m_cells.clear();
    m_items.clear();
    m_nx = m_ny = 0;
}

void TRectListIndex::Build(const std::vector<TDoubleRect>& rects) {
    Clear();
    m_rects = rects;
    std::vector<int> live;
    live.reserve(rects.size());
    for (size_t i = 0; i < rects.size(); ++i) {
        if (!usable(rects[i])) continue;
        if (live.empty()) {
            m_bounds = rects[i];
        } else {
            m_bounds.MinX = std::min(m_bounds.MinX, rects[i].MinX);
            m_bounds.MinY = std::min(m_bounds.MinY, rects[i].MinY);
            m_bounds.MaxX = std::max(m_bounds.MaxX, rects[i].MaxX);
            m_bounds.MaxY = std::max(m_bounds.MaxY, rects[i].MaxY);
        }
        live.push_back(int(i));
    }
    if (live.empty()) return;

    // About two entries per cell, the cells following the bounds' shape. A grid in which the
    // rectangles overlap too many cells (large rectangles over small ones) is made coarser until
    // the entries stay within a few per rectangle; one cell is a plain scan.
    const double w = m_bounds.MaxX - m_bounds.MinX, h = m_bounds.MaxY - m_bounds.MinY;
    const double target = std::max(1.0, double(live.size()) / 2);
    const double aspect = (w > 0 && h > 0) ? w / h : 1.0;
    int nx = w > 0 ? int(std::clamp(std::round(std::sqrt(target * aspect)), 1.0, 1024.0)) : 1;
    int ny = h > 0 ? int(std::clamp(std::round(target / nx), 1.0, 1024.0)) : 1;
    const size_t budget = 8 * live.size() + 64;
    for (;;) {
        m_nx = nx;
        m_ny = ny;
        m_scaleX = w > 0 ? nx / w : 0;
        m_scaleY = h > 0 ? ny / h : 0;
        size_t total = 0;
        for (int i : live) {
            const TDoubleRect& r = rects[size_t(i)];
            total += size_t(cellX(r.MaxX) - cellX(r.MinX) + 1) * size_t(cellY(r.MaxY) - cellY(r.MinY) + 1);
        }
        if (total <= budget || (nx == 1 && ny == 1)) break;
        nx = std::max(1, nx / 2);
        ny = std::max(1, ny / 2);
    }

    // Counting pass, then filling in list order so that each cell lists its entries ascending.
    m_cells.assign(size_t(m_nx) * size_t(m_ny) + 1, 0);
    for (int i : live) {
        const TDoubleRect& r = rects[size_t(i)];
        for (int cy = cellY(r.MinY), cy1 = cellY(r.MaxY); cy <= cy1; ++cy)
            for (int cx = cellX(r.MinX), cx1 = cellX(r.MaxX); cx <= cx1; ++cx)
                ++m_cells[size_t(cy * m_nx + cx) + 1];
    }
    for (size_t c = 1; c < m_cells.size(); ++c) m_cells[c] += m_cells[c - 1];
    m_items.resize(size_t(m_cells.back()));
    std::vector<int> fill(m_cells.begin(), m_cells.end() - 1);
    for (int i : live) {
        const TDoubleRect& r = rects[size_t(i)];
        for (int cy = cellY(r.MinY), cy1 = cellY(r.MaxY); cy <= cy1; ++cy)
            for (int cx = cellX(r.MinX), cx1 = cellX(r.MaxX); cx <= cx1; ++cx)
                m_items[size_t(fill[size_t(cy * m_nx + cx)]++)] = i;
    }
}

} // namespace zelto
