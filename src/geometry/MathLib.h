// Plane arithmetic without state: distances, angles and the integer grid that sizes the quadtree.
// The tolerances are fixed; other modules rely on them exactly.
#pragma once

#include <QtGlobal>

namespace zelto {

double Distance(double X1, double Y1, double X2, double Y2);
// Both coordinate differences and the distance at most Tolerance.
bool InTolerance(double X1, double Y1, double X2, double Y2, double Tolerance);
bool EqualPoints(double X1, double Y1, double X2, double Y2);
// Exchange a and b when b < a.
void Order(double& a, double& b);
void SwapInc(double& a, double& b);

// Direction angle counter-clockwise from +X, in (0, 2π]: +X and the zero vector give exactly 2π.
double ATan2M(double dx, double dy);
// Bearing clockwise from +Y (north), in [0, 2π); the zero vector gives 2π.
double ATan2G(double dx, double dy);
// The angle reduced into [0, 2π).
double NormUhel(double a);
// NormUhel in degrees.
double DejStupne(double a);

// The normalised square the quadtree uses as its root: starts X0, Y0 (each computed with its own
// axis size) and the larger of the two power-of-two sizes.
void VratNormCtverec(double MinX, double MinY, double MaxX, double MaxY, qint32& X0, qint32& Y0,
                     qint32& Size);
// Widens the cell range [Origin, Origin + Size] by whole cells and powers of two until it covers
// [Min, Max]; a range with Origin and Size both 0 starts at the data.
void VratNormRozsireni2D(qint32 Origin, qint32 Size, double Min, double Max, qint32& NewOrigin,
                         qint32& NewSize);

} // namespace zelto
