// WGS84 <-> S-JTSK: GPS positions (WGS84 latitude and longitude) to the Czech national grid
// (Křovák's projection of the Bessel 1841 ellipsoid) by closed formulas, the way back by a search
// over the forward conversion, and WGS84 angles as degree-minute(-second) text.
//
// All routines are pure functions of their arguments and may run on any thread. None raises: an
// arithmetic fault (a division by zero, an overflow, a square root of a negative number, a value
// that is not a number) makes a conversion answer false.
#pragma once

#include "T_Coord.h"

#include <QString>

namespace zelto {

enum TWgs84Format : quint8 {
    afMinutes = 0, // degrees and decimal minutes
    afSeconds = 1, // degrees, minutes and decimal seconds
};

// WGS84 degrees to S-JTSK. Only 40 <= Lat <= 60 and 5 <= Lon <= 25 are accepted; outside (or for a
// value that is not a number) Coord := NullCoord and the answer is false.
bool WGS84toJTSK(double Lat, double Lon, TMapCoord& Coord);

// S-JTSK to WGS84 degrees by a search over WGS84toJTSK (22 rounds, about 1e-5 degrees). The zero
// coordinate answers false with Lat = Lon = 0. A coordinate that the search cannot reach (the
// forward conversion of where it ends lies more than 10 m away) answers false too, with Lat and Lon
// where the search ended.
bool JTSKtoWGS84(const TMapCoord& Coord, double& Lat, double& Lon);

// The datum shift of an ellipsoidal WGS84 position (degrees, metres) to the Bessel datum of
// S-JTSK, in place. After a fault the outputs are unspecified.
bool WGS84toBessel(double& Lat, double& Lon, double& H);
// The same at height 0; the resulting height is dropped.
bool WGS84toBessel(double& Lat, double& Lon);

// Křovák's projection of a Bessel position (degrees, east of Greenwich). After a fault Coord is
// unspecified.
bool BesseltoJTSK(double Lat, double Lon, TMapCoord& Coord);

// The meridian convergence at an S-JTSK point, radians (0 where X is 0).
float Convergention(const TMapCoord& Coord);

// "[N50° 4,800', E14° 25,200']" (afMinutes) or "[N50° 4' 48,0'', E14° 25' 12,0'']" (afSeconds),
// with the locale's decimal separator.
QString WGS84ToStr(double Lat, double Lon, TWgs84Format Format);
// One angle: "50° 4,800'" or "50° 4' 48,0''". A value that is not finite or lies beyond 1e12 degrees
// is written in the general number format followed by "°" ("NAN°").
QString WGS84ToStr(double Value, TWgs84Format Format);

// Reads one angle written as degrees with "°", optionally minutes with "'" and seconds with "''"
// (locale decimal separator); 0 for any malformed text.
float StrToWGS84(const QString& S);

// S-JTSK to WGS84 to a fraction of a millimetre: Newton's method on WGS84toJTSK, falling back on
// the search when it does not settle. Answers false (Lat, Lon unspecified) when no position in the
// accepted area maps to Coord.
bool jtskToWgs84Refined(const TMapCoord& Coord, double& Lat, double& Lon);

} // namespace zelto
