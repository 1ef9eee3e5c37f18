// The layout of the demo forest: a planar partition of an irregular area into stand groups, with
// the hierarchy above them (forest districts, divisions, dílce, stands) made of contiguous blocks.
//
// The area is covered by the cells of a jittered triangular lattice (each cell the median dual of
// a lattice point: the polygon through the centroids of its six triangles and the midpoints of
// its six edges), about 0.2 ha each. The area is split level by level: at each level a unit's
// cells are shared among its parts by growing the parts from scattered seeds, always extending
// the part furthest behind its target size by a random cell of its frontier; small repairs then
// keep every part within its size bounds without breaking it apart. Stand groups are the parts of
// the last level. Some groups enclose another group (a hole filled by that group) and some consist
// of two separate pieces.
//
// Group outlines are made of boundary chains: the runs of dual edges between two groups from one
// junction (where three groups meet) to the next. Each chain is smoothed and then roughened by
// deterministic noise once, and both neighbours take their rings from the same chain, so shared
// boundaries have exactly the same vertices and the partition stays planar.
#pragma once

#include "sample.h"

#include <cstdint>
#include <vector>

namespace zsample {

// A unit above the stand groups; `number` counts from 1 within its parent (divisions count
// across the whole plan area).
struct LayoutUnit {
    int parent = -1;
    int number = 0;
    Point label; // a point deep inside the unit
};

struct LayoutGroup {
    int stand = -1;
    int index = 0; // 1-based position within its stand
    std::vector<GroupPart> parts;
    double areaM2 = 0;
};

// Boundary line kinds, from the strongest: the plan area's outline, between forest districts or
// divisions, between dílce, between stands, between groups of one stand.
enum BoundaryLevel { OuterBoundary = 0, DivisionBoundary, DilecBoundary, StandBoundary, GroupBoundary };

struct BoundaryChain {
    std::vector<Point> points;
    int level = GroupBoundary;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct Layout {
    std::vector<LayoutUnit> ls, divisions, dilce, stands;
    std::vector<LayoutGroup> groups; // in hierarchy order: district, division, dílec, stand, index
    std::vector<BoundaryChain> chains;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    // A walk through the forest, at least one full cell away from its outline.
    std::vector<Point> walk;
};

// The layout of `groups` stand groups around `centre` (model coordinates).
Layout buildLayout(int groups, std::uint64_t seed, Point centre);

// Signed ring area, positive for a clockwise ring with Y up (the model's convention).
double ringArea(const Ring& ring);
bool pointInRing(const Ring& ring, Point p);

} // namespace zsample
