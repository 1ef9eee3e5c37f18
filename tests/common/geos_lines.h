// A GEOS context for the tests that check line sets against GEOS: lines as GEOS line strings and
// multi-line-strings. A test's own GEOS oracle derives from it and uses m_ctx.
#pragma once

#include <geos_c.h>

#include "builders.h"

#include <vector>

namespace zelto::testing {

class GeosLines {
public:
    GeosLines() : m_ctx(GEOS_init_r()) {}
    ~GeosLines() { GEOS_finish_r(m_ctx); }
    GeosLines(const GeosLines&) = delete;
    GeosLines& operator=(const GeosLines&) = delete;

    GEOSGeometry* lineString(const Points& line) const {
        std::vector<double> xy;
        for (auto [x, y] : line) xy.insert(xy.end(), {x, y});
        return GEOSGeom_createLineString_r(
            m_ctx, GEOSCoordSeq_copyFromBuffer_r(m_ctx, xy.data(), unsigned(line.size()), 0, 0));
    }
    // The lines as one multi-line-string.
    GEOSGeometry* lines(const std::vector<Points>& set) const {
        std::vector<GEOSGeometry*> parts;
        for (const Points& l : set) parts.push_back(lineString(l));
        return GEOSGeom_createCollection_r(m_ctx, GEOS_MULTILINESTRING, parts.data(), unsigned(parts.size()));
    }

protected:
    GEOSContextHandle_t m_ctx;
};

} // namespace zelto::testing
