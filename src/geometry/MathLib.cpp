#include "MathLib.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zelto {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

// Grid arithmetic runs on 64-bit integers. Coordinates are limited to ±2^27 (far beyond any map)
// and NaN is taken as 0, so that truncation, powers of two and the 32-bit results never overflow.
constexpr double GridLimit = 134217728.0;

double gridInput(double x) {
    if (std::isnan(x)) return 0;
    return std::clamp(x, -GridLimit, GridLimit);
}

qint64 trunc64(double x) {
    return qint64(std::trunc(x));
}

qint64 lo(double x) {
    return x >= 0 ? trunc64(x) : trunc64(x) - 1;
}

qint64 hi(double x) {
    return x > 0 ? trunc64(x) + 1 : trunc64(x);
}

// The smallest power of two greater than n (1 for n <= 0).
qint64 p2(qint64 n) {
    qint64 p = 1;
    while (p <= n && p < (qint64(1) << 40)) p *= 2;
    return p;
}

qint32 saturate32(qint64 v) {
    return qint32(
        std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// One axis of the normalised square.
void normAxis(double a, double b, qint64& origin, qint64& size) {
    SwapInc(a, b);
    qint64 s = p2(hi(std::abs(b - a)));
    const qint64 o = a > 0 ? (trunc64(a) / s) * s : ((lo(a) / s) - 1) * s;
    if (b > double(o + s)) s *= 2;
    origin = o;
    size = s;
}

} // namespace

double Distance(double X1, double Y1, double X2, double Y2) {
    return std::sqrt((X2 - X1) * (X2 - X1) + (Y2 - Y1) * (Y2 - Y1));
}

bool InTolerance(double X1, double Y1, double X2, double Y2, double Tolerance) {
    return std::abs(X2 - X1) <= Tolerance && std::abs(Y2 - Y1) <= Tolerance &&
           Distance(X1, Y1, X2, Y2) <= Tolerance;
}

bool EqualPoints(double X1, double Y1, double X2, double Y2) {
    return X1 == X2 && Y1 == Y2;
}

void Order(double& a, double& b) {
    if (b < a) std::swap(a, b);
}

void SwapInc(double& a, double& b) {
    if (b < a) std::swap(a, b);
}

double ATan2M(double dx, double dy) {
    double a;
    if (dx != 0)
        a = std::atan(dy / dx);
    else if (dy != 0)
        a = dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    else
        a = 0;
    a += dx >= 0 ? TwoPi : std::numbers::pi;
    if (a > TwoPi) a -= TwoPi;
    return a;
}

double ATan2G(double dx, double dy) {
    if (dx == 0) {
        if (dy > 0) return 0;
        if (dy < 0) return std::numbers::pi;
        return TwoPi;
    }
    double a = std::numbers::pi / 2 - std::atan(dy / dx);
    if (dx < 0) a += std::numbers::pi;
    if (a >= TwoPi) a -= TwoPi;
    return a;
}

double NormUhel(double a) {
    a -= std::trunc(a / TwoPi) * TwoPi;
    if (a < 0) a += TwoPi;
    return a;
}

double DejStupne(double a) {
    return NormUhel(a) * 180 / std::numbers::pi;
}

void VratNormCtverec(double MinX, double MinY, double MaxX, double MaxY, qint32& X0, qint32& Y0,
                     qint32& Size) {
    qint64 ox, sx, oy, sy;
    normAxis(gridInput(MinX), gridInput(MaxX), ox, sx);
    normAxis(gridInput(MinY), gridInput(MaxY), oy, sy);
    X0 = saturate32(ox);
    Y0 = saturate32(oy);
    Size = saturate32(std::max(sx, sy));
}

void VratNormRozsireni2D(qint32 Origin, qint32 Size, double Min, double Max, qint32& NewOrigin,
                         qint32& NewSize) {
    Min = gridInput(Min);
    Max = gridInput(Max);
    qint64 origin = Origin;
    qint64 size = Size;
    bool extend = false;
    if (origin == 0 && size == 0) {
        origin = lo(Min);
        // A single point gives an extent of 0; one cell keeps the divisions below defined.
        size = std::max<qint64>(1, hi(std::abs(Max - Min)));
        extend = true;
    } else if (size <= 0) {
        size = 1;
    }
    if (!extend && Min >= double(origin) && Max <= double(origin + size)) {
        NewOrigin = saturate32(origin);
        NewSize = saturate32(size);
        return;
    }
    qint64 newOrigin = origin;
    if (Min < double(origin)) newOrigin = origin - size * ((origin - lo(Min)) / size + 1);
    const qint64 top = Max >= double(origin + size) ? hi(Max) : hi(double(origin + size));
    NewOrigin = saturate32(newOrigin);
    NewSize = saturate32(size * p2((top - newOrigin) / size + 1));
}

} // namespace zelto
