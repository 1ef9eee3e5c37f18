// Label points of areas: the point where an area's label goes, inside the area and away from its
// holes, found on the middle scan row of the area drawn on a small page.
#pragma once

#include "framework/t_Recurs.h"
#include "geometry/e_Geometry.h"

#include <memory>
#include <utility>
#include <vector>

namespace zelto {

class T_Page;
class TPageProjection;

// Places the input area's reference point (the output is the input). The area is drawn on square
// pages of 500, 1000, 5000 and 10000 device units in turn; on the middle scan row the middle of
// the widest inside span becomes the label point, as soon as it lies inside the area (a row that
// runs along the boundary is tried half a unit above and below as well). When no
// page size gives such a point, the first inside span of a horizontal line through the area is
// tried; the text "Chyba umístění pop.bodu u plochy" is posted when that point is not inside
// either. A failure puts the point at the centre of the area's rectangle.
class TAreaPointPlacer : public TTool {
    ZELTO_CLASS(TAreaPointPlacer, TTool)
public:
    bool FNotRectify = false;

    TAreaPointPlacer();
    ~TAreaPointPlacer() override;
    void DoIt() override;

    bool GetNotRectify() const { return FNotRectify; }
    void SetNotRectify(bool v) { FNotRectify = v; }

    using Ring = std::vector<std::pair<double, double>>;

    // The last input's XYIsInside, answered from the rings read by DoIt (without the plain copy
    // that a line-built area makes for every test). Valid until the area changes.
    bool IsInside(const TAreaElement* area, double x, double y) const;

private:
    bool placeOnPage(TAreaElement* area, qint32 side);
    void placeAlongLine(TAreaElement* area);
    // The area's rings as plain vertex lists, the vertices its plain copy would have.
    void collectRings(const TAreaElement* area);

    std::unique_ptr<T_Page> m_page;
    std::unique_ptr<TPageProjection> m_projection;
    std::vector<Ring> m_rings;                     // the outer ring first, then the non-empty holes
    std::vector<const TAreaElement*> m_ringOwners; // the area or hole of each ring
    bool m_exact = false;                          // the rings give exactly the areas' own inside tests
};

// Places the label point of every area under the input (multi-areas through their parts); the
// failures of single areas are ignored.
class TMultiAreaPointPlacer : public TRecursor {
    ZELTO_CLASS(TMultiAreaPointPlacer, TRecursor)
public:
    qint32 FCount = 0;

    ~TMultiAreaPointPlacer() override;
    void DoIt() override;
    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    void Process(TElement* element) override;
    qint32 GetCount() const { return FCount; }

private:
    TAreaPointPlacer* m_placer = nullptr; // owned
};

// Module 31 (point placing): TMultiAreaPointPlacer.
void registerPointPlacingClasses();

} // namespace zelto
