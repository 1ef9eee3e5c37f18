#include "r_WGS84.h"

#include "framework/TextLocale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace zelto {

namespace {

constexpr double DegToRad = std::numbers::pi / 180;
constexpr double RadToDeg = 180 / std::numbers::pi;

// WGS84 ellipsoid.
constexpr double WgsA = 6378137;
constexpr double WgsBA = 0.9966471893352525; // b/a
constexpr double WgsE2 = 1 - WgsBA * WgsBA;

// Seven-parameter shift to the Bessel datum of S-JTSK (coordinate frame rotations, radians).
constexpr double ShiftM = 0.999996457;
constexpr double ShiftWx = 2.423200589058494e-05; // 4.99821"
constexpr double ShiftWy = 7.692829566373674e-06; // 1.58676"
constexpr double ShiftWz = 2.55065325768538e-05;  // 5.2611"
constexpr double ShiftTx = -570.69;
constexpr double ShiftTy = -85.69;
constexpr double ShiftTz = -462.84;

// Bessel 1841 ellipsoid.
constexpr double BesA = 6377397.15508;
constexpr double BesBA = 0.9966572268184174; // b/a
constexpr double BesAB = 1.003353984791997;  // a/b
constexpr double BesE2 = 1 - BesBA * BesBA;

// Křovák's projection: the Gauss sphere (e, alpha, k), the oblique pole (U_Q), the cone (n, rho).
constexpr double KrE = 0.081696831215303;
constexpr double KrAlpha = 1.000597498371542;
constexpr double KrK = 1.00685001861538;
constexpr double KrCosAlphaLam0 = 0.907424504992097;
constexpr double KrSinAlphaLam0 = 0.420215144586493;
constexpr double KrSinUQ = 0.863499969506341;
constexpr double KrCosUQ = 0.504348889819882;
constexpr double KrN = 0.97992470462083;
constexpr double KrRho = 12310230.12797036;

// The largest distance, metres, between the coordinate that JTSKtoWGS84 was asked for and the
// forward conversion of its answer.
constexpr double SearchTolerance = 10;

// Beyond this an angle text would need more than 64-bit integers (and means nothing anyway).
constexpr double MaxTextDegrees = 1e12;

bool finite(double v) {
    return std::isfinite(v);
}

// The Bessel position of a WGS84 position, all in radians and metres. Every quotient is checked:
// a division by zero or an overflow is a fault, as is a value that is not a number.
bool shiftToBessel(double lat, double lon, double h, double& besLat, double& besLon, double& besH) {
    const double sinB = std::sin(lat), cosB = std::cos(lat);
    const double sinL = std::sin(lon), cosL = std::cos(lon);
    const double n = WgsA / std::sqrt(1 - WgsE2 * sinB * sinB);
    const double x = (n + h) * cosB * cosL;
    const double y = (n + h) * cosB * sinL;
    const double z = (n * (1 - WgsE2) + h) * sinB;

    const double x2 = ShiftM * (x + ShiftWz * y - ShiftWy * z) + ShiftTx;
    const double y2 = ShiftM * (-ShiftWz * x + y + ShiftWx * z) + ShiftTy;
    const double z2 = ShiftM * (ShiftWy * x - ShiftWx * y + z) + ShiftTz;

    // Bowring's closed formula on the Bessel ellipsoid.
    const double p = std::sqrt(x2 * x2 + y2 * y2);
    const double tanTheta = z2 * BesAB / p;
    if (!finite(tanTheta)) return false;
    const double theta = std::atan(tanTheta);
    const double sinT = std::sin(theta), cosT = std::cos(theta);
    const double t =
        (z2 + BesE2 * BesAB * BesA * sinT * sinT * sinT) / (p - BesE2 * BesA * cosT * cosT * cosT);
    const double halfLon = y2 / (x2 + p);
    if (!finite(t) || !finite(halfLon)) return false;
    besLat = std::atan(t);
    besLon = 2 * std::atan(halfLon);
    besH = std::sqrt(1 + t * t) * (p - BesA / std::sqrt(1 + (1 - BesE2) * t * t));
    return finite(besLat) && finite(besLon) && finite(besH);
}

// Křovák's projection of a Bessel position given by the sine of its latitude and its longitude
// (radians east of Greenwich).
bool krovak(double sinLat, double lon, TMapCoord& coord) {
    const double s = sinLat;
    const double ratio = (1 + s) / (1 - s);
    if (!finite(ratio)) return false;
    // q = [((1 + s)/(1 - s)) ((1 - e s)/(1 + e s))^e]^alpha k, through one exponential.
    const double q =
        std::exp(KrAlpha * (std::log(ratio) + KrE * std::log((1 - KrE * s) / (1 + KrE * s)))) * KrK;
    const double sinU = (q - 1) / (q + 1);
    const double cosU = std::sqrt(1 - sinU * sinU);

    const double c = std::cos(KrAlpha * lon), d = std::sin(KrAlpha * lon);
    const double sinS = KrSinUQ * sinU + KrCosUQ * cosU * (c * KrCosAlphaLam0 + d * KrSinAlphaLam0);
    const double cosS = std::sqrt(1 - sinS * sinS);
    const double sinD = cosU * (c * KrSinAlphaLam0 - d * KrCosAlphaLam0) / cosS;
    const double tanD = sinD / std::sqrt(1 - sinD * sinD);
    if (!finite(sinU) || !finite(sinD) || !finite(tanD)) return false;
    const double D = std::atan(tanD);

    const double rho = KrRho * std::exp(-KrN * std::log((1 + sinS) / cosS));
    const double eps = KrN * D;
    coord.Y = rho * std::sin(eps);
    coord.X = rho * std::cos(eps);
    return finite(coord.Y) && finite(coord.X);
}

// Round half to even into a 64-bit integer (the default rounding mode). The callers keep v well
// inside the 64-bit range.
qint64 roundEven(double v) {
    return qint64(std::nearbyint(v));
}

// printf-like "%0.Nf" with the locale's decimal separator.
QString fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    QString text = QString::fromLatin1(buf);
    const QChar sep = decimalSeparator();
    if (sep != QLatin1Char('.')) text.replace(QLatin1Char('.'), sep);
    return text;
}

QString minutesText(double v) {
    const double u = double(roundEven(v * 60 * 1000)) / 60 / 1000;
    const double whole = std::trunc(u);
    const double minutes = double(roundEven((u - whole) * 60000)) / 1000;
    return QStringLiteral("%1° %2'").arg(qint64(whole)).arg(fixed(minutes, 3));
}

// Degrees, minutes and tenths of seconds are taken apart from one whole number of tenths of a
// second, so that the parts always add up. (Taken apart in floating point from the snapped degrees,
// a whole minute can come out one minute short: 40°01'00" as 40° 0' 0.0''.)
QString secondsText(double v) {
    const qint64 tenths = roundEven(v * 60 * 600);
    const qint64 degrees = tenths / 36000;
    const qint64 rest = tenths % 36000; // the sign of v, as the degrees
    const qint64 minutes = rest / 600;
    const double seconds = double(rest % 600) / 10;
    return QStringLiteral("%1° %2' %3''").arg(degrees).arg(minutes).arg(fixed(seconds, 1));
}

// The trimmed text as a number of the locale; false when it is not one.
bool readNumber(const QString& text, double& value) {
    return tryParseLocaleFloat(text.trimmed(), value);
}

// Newton's method from (lat, lon) on the forward conversion, the Jacobian by finite differences
// taken inwards, so that they stay in the accepted area. Done when the forward conversion of the
// position is within a micrometre of the target (its own rounding is about a nanometre).
bool newton(const TMapCoord& target, double& lat, double& lon) {
    constexpr double H = 1e-6; // degrees, about 0.1 m
    for (int i = 0; i < 12; ++i) {
        TMapCoord c;
        if (!WGS84toJTSK(lat, lon, c)) return false;
        const double ry = target.Y - c.Y, rx = target.X - c.X;
        if (ry * ry + rx * rx < 1e-12) return true;
        const double hLat = lat + H <= 60 ? H : -H;
        const double hLon = lon + H <= 25 ? H : -H;
        TMapCoord cLat, cLon;
        if (!WGS84toJTSK(lat + hLat, lon, cLat) || !WGS84toJTSK(lat, lon + hLon, cLon)) return false;
        const double a = (cLat.Y - c.Y) / hLat, b = (cLon.Y - c.Y) / hLon;
        const double e = (cLat.X - c.X) / hLat, f = (cLon.X - c.X) / hLon;
        const double det = a * f - b * e;
        if (!std::isfinite(det) || det == 0) return false;
        // A step out of the accepted area stops at its edge.
        lat = std::clamp(lat + (f * ry - b * rx) / det, 40.0, 60.0);
        lon = std::clamp(lon + (a * rx - e * ry) / det, 5.0, 25.0);
    }
    return false;
}

} // namespace

bool WGS84toBessel(double& Lat, double& Lon, double& H) {
    double lat = 0, lon = 0, h = 0;
    if (!shiftToBessel(Lat * DegToRad, Lon * DegToRad, H, lat, lon, h)) return false;
    Lat = lat * RadToDeg;
    Lon = lon * RadToDeg;
    H = h;
    return true;
}

bool WGS84toBessel(double& Lat, double& Lon) {
    double h = 0;
    return WGS84toBessel(Lat, Lon, h);
}

bool BesseltoJTSK(double Lat, double Lon, TMapCoord& Coord) {
    return krovak(std::sin(Lat * DegToRad), Lon * DegToRad, Coord);
}

bool WGS84toJTSK(double Lat, double Lon, TMapCoord& Coord) {
    if (!(Lat >= 40 && Lat <= 60 && Lon >= 5 && Lon <= 25)) {
        Coord = NullCoord;
        return false;
    }
    // WGS84toBessel and BesseltoJTSK without the round trip through degrees.
    double lat = 0, lon = 0, h = 0;
    if (shiftToBessel(Lat * DegToRad, Lon * DegToRad, 0, lat, lon, h) && krovak(std::sin(lat), lon, Coord))
        return true;
    Coord = NullCoord;
    return false;
}

bool JTSKtoWGS84(const TMapCoord& Coord, double& Lat, double& Lon) {
    if (Coord.X == 0 && Coord.Y == 0) {
        Lat = 0;
        Lon = 0;
        return false;
    }
    auto distance = [&](double lat, double lon) {
        TMapCoord c;
        if (!WGS84toJTSK(lat, lon, c)) return 1e32;
        const double dy = c.Y - Coord.Y, dx = c.X - Coord.X;
        const double d = std::sqrt(dy * dy + dx * dx);
        return d < 1e-4 ? 0.0 : d;
    };
    double lat = 49, lon = 14, s = 5;
    int c = 0;
    do {
        const double d1 = distance(lat - s, lon - s);
        const double d2 = distance(lat - s, lon + s);
        const double d3 = distance(lat + s, lon - s);
        const double d4 = distance(lat + s, lon + s);
        // Every candidate nearest to Coord moves the position towards it; tied moves add up.
        const double half = s / 2;
        if (d1 <= d2 && d1 <= d3 && d1 <= d4) {
            lat -= half;
            lon -= half;
        }
        if (d2 <= d1 && d2 <= d3 && d2 <= d4) {
            lat -= half;
            lon += half;
        }
        if (d3 <= d1 && d3 <= d2 && d3 <= d4) {
            lat += half;
            lon -= half;
        }
        if (d4 <= d1 && d4 <= d2 && d4 <= d3) {
            lat += half;
            lon += half;
        }
        s *= 0.55;
        c += 4;
    } while (s >= 1e-5 && c <= 1000);
    Lat = lat;
    Lon = lon;
    if (c >= 1000) return false;
    // The search ends somewhere for any coordinate; only a position that maps back onto it (to well
    // within what 22 rounds reach, about a metre) is an answer.
    TMapCoord back;
    return WGS84toJTSK(lat, lon, back) && std::hypot(back.Y - Coord.Y, back.X - Coord.X) <= SearchTolerance;
}

bool jtskToWgs84Refined(const TMapCoord& Coord, double& Lat, double& Lon) {
    if (!std::isfinite(Coord.X) || !std::isfinite(Coord.Y)) return false;
    // From the middle of the country Newton's method settles in a few steps for any point of it.
    double lat = 49.8, lon = 15.5;
    if (newton(Coord, lat, lon)) {
        Lat = lat;
        Lon = lon;
        return true;
    }
    if (!JTSKtoWGS84(Coord, lat, lon) || !newton(Coord, lat, lon)) return false;
    Lat = lat;
    Lon = lon;
    return true;
}

float Convergention(const TMapCoord& Coord) {
    if (Coord.X == 0) return 0;
    const double degrees = 8.257e-06 * Coord.Y + 2.373 * Coord.Y / Coord.X;
    return float(degrees * DegToRad);
}

QString WGS84ToStr(double Value, TWgs84Format Format) {
    // Not an angle: no degrees and minutes to show.
    if (!(std::fabs(Value) <= MaxTextDegrees)) return floatToStr(Value) + QChar(0x00B0);
    return Format == afSeconds ? secondsText(Value) : minutesText(Value);
}

QString WGS84ToStr(double Lat, double Lon, TWgs84Format Format) {
    return QStringLiteral("[N%1, E%2]").arg(WGS84ToStr(Lat, Format), WGS84ToStr(Lon, Format));
}

float StrToWGS84(const QString& S) {
    QString s = S;
    const qsizetype degreeSign = s.indexOf(QChar(0x00B0));
    if (degreeSign < 0) return 0;
    double v = 0;
    if (!readNumber(s.left(degreeSign), v)) return 0;
    float result = float(v);
    s = s.mid(degreeSign + 1);

    const qsizetype minuteSign = s.indexOf(QLatin1Char('\''));
    if (minuteSign >= 0) {
        if (!readNumber(s.left(minuteSign), v)) return 0;
        result = float(result + v / 60);
        s = s.mid(minuteSign + 1);
    }
    const qsizetype secondSign = s.indexOf(QLatin1String("''"));
    if (secondSign >= 0) {
        if (!readNumber(s.left(secondSign), v)) return 0;
        result = float(result + v / 60 / 60);
        if (!s.mid(secondSign + 2).trimmed().isEmpty()) return 0;
    }
    return result;
}

} // namespace zelto
