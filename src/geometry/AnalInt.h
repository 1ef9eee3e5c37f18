// Analytic plane geometry on model coordinates: perpendicular feet, points on segments, segment
// intersection, rectangle overlap and point in polygon. The tolerances are fixed; other modules
// rely on them exactly (a point on an area's boundary is outside it).
#pragma once

#include <utility>
#include <vector>

namespace zelto {

class TCoordinate;
class TEntity;

// Foot of the perpendicular from (X, Y) onto the line through (X1, Y1) and (X2, Y2).
void DejPatuKolmice(double X1, double Y1, double X2, double Y2, double X, double Y, double& FX, double& FY);
// The point lies in the bounding box of the two points widened by 1e-4.
bool BodJeMeziBody(double X, double Y, double X1, double Y1, double X2, double Y2);
// The point lies on the segment (within 1e-9 of its line and inside its widened box).
bool BodLeziNaUsecce(double X, double Y, double X1, double Y1, double X2, double Y2);
void DejVztahyBod_Usecka(double X, double Y, double X1, double Y1, double X2, double Y2, bool& OnSegment,
                         double& FX, double& FY, double& Dist);
// The point at Length from point 1 towards point 2 (point 2 when the segment is not longer),
// rounded to multiples of Grid when Grid is not 0.
void GiveAbscPointByLength(double X1, double Y1, double X2, double Y2, double Length, double Grid, double& X,
                           double& Y);
// Intersection of the line through segment 1 (points 1, 2) with the line through segment 2
// (points 3, 4), and whether it lies on each segment.
void PrusecikUsecek(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4,
                    double& X, double& Y, bool& Parallel, bool& OnFirst, bool& OnSecond);
bool ProtnutyUsecky(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4);
// The rectangles spanned by corners 1, 2 and by corners 3, 4 overlap or touch when widened by
// Tolerance.
bool RectanglesOverlay(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4, double Y4,
                       double Tolerance);
// The point lies strictly inside the ring of the area's coordinate children (closed from the last
// back to the first). Fewer than three children, a child that is not a coordinate or a point on
// the boundary: false.
bool InsideTest(const TEntity* area, const TCoordinate* point);
bool InsideTestXY(const TEntity* area, double X, double Y);
// The same test on a ring of (x, y) vertices.
bool InsideRingXY(const std::vector<std::pair<double, double>>& ring, double X, double Y);

} // namespace zelto
