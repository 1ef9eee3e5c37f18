// WGS84 <-> S-JTSK against PROJ running the same transformation, and the angle texts.
#include <gtest/gtest.h>

#include "projection/r_WGS84.h"

#include <QLocale>

#include <proj.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

using namespace zelto;

namespace {

// The conversion as one PROJ pipeline: input "lat lon" in degrees, output EPSG:5514 easting and
// northing, i.e. model x = -Y and model y = -X.
const char* const Pipeline = "+proj=pipeline +step +proj=axisswap +order=2,1"
                             " +step +proj=unitconvert +xy_in=deg +xy_out=rad"
                             " +step +proj=cart +ellps=WGS84"
                             " +step +proj=helmert +x=-570.69 +y=-85.69 +z=-462.84"
                             " +rx=4.99821 +ry=1.58676 +rz=5.2611 +s=-3.543 +convention=coordinate_frame"
                             " +step +inv +proj=cart +ellps=bessel"
                             " +step +proj=krovak +ellps=bessel";

// Only the datum shift: WGS84 "lat lon h" (degrees, metres) to Bessel "lat lon h".
const char* const ShiftPipeline = "+proj=pipeline +step +proj=axisswap +order=2,1"
                                  " +step +proj=unitconvert +xy_in=deg +xy_out=rad"
                                  " +step +proj=cart +ellps=WGS84"
                                  " +step +proj=helmert +x=-570.69 +y=-85.69 +z=-462.84"
                                  " +rx=4.99821 +ry=1.58676 +rz=5.2611 +s=-3.543 +convention=coordinate_frame"
                                  " +step +inv +proj=cart +ellps=bessel"
                                  " +step +proj=unitconvert +xy_in=rad +xy_out=deg"
                                  " +step +proj=axisswap +order=2,1";

class Proj {
public:
    Proj() : m_ctx(proj_context_create()) {}
    ~Proj() {
        for (PJ* p : m_objects) proj_destroy(p);
        proj_context_destroy(m_ctx);
    }
    Proj(const Proj&) = delete;
    Proj& operator=(const Proj&) = delete;

    PJ* create(const char* definition) {
        PJ* p = proj_create(m_ctx, definition);
        if (p) m_objects.push_back(p);
        return p;
    }
    PJ* crsToCrs(const char* source, const char* target) {
        PJ* p = proj_create_crs_to_crs(m_ctx, source, target, nullptr);
        if (p) m_objects.push_back(p);
        return p;
    }

private:
    PJ_CONTEXT* m_ctx;
    std::vector<PJ*> m_objects;
};

PJ_COORD forward(PJ* p, double a, double b, double c = 0) {
    return proj_trans(p, PJ_FWD, proj_coord(a, b, c, 0));
}

// The grid over the Czech Republic: latitudes 48.5 to 51.1 by 0.1, longitudes 12.0 to 18.9 by 0.3
// (27 x 24 = 648 points).
struct GridPoint {
    double lat, lon;
};
std::vector<GridPoint> countryGrid() {
    std::vector<GridPoint> grid;
    for (int i = 0; i <= 26; ++i)
        for (int j = 0; j <= 23; ++j) grid.push_back({48.5 + 0.1 * i, 12.0 + 0.3 * j});
    return grid;
}

struct Stats {
    double max = 0, sum = 0;
    int n = 0;
    void add(double v) {
        max = std::max(max, v);
        sum += v;
        ++n;
    }
    double mean() const { return n ? sum / n : 0; }
};

// Switches the default locale for one test.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) : m_old(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

} // namespace

TEST(Wgs84ToJtsk, AgreesWithThePipelineOverTheCountry) {
    Proj proj;
    PJ* pipeline = proj.create(Pipeline);
    ASSERT_TRUE(pipeline);
    PJ* standard = proj.crsToCrs("EPSG:4326", "EPSG:5514");
    ASSERT_TRUE(standard);

    Stats toPipeline, toStandard;
    const std::vector<GridPoint> grid = countryGrid();
    ASSERT_GE(grid.size(), 500u);
    for (const GridPoint& g : grid) {
        TMapCoord c;
        ASSERT_TRUE(WGS84toJTSK(g.lat, g.lon, c)) << g.lat << " " << g.lon;
        const PJ_COORD p = forward(pipeline, g.lat, g.lon);
        const double d = std::hypot(-c.Y - p.xy.x, -c.X - p.xy.y);
        EXPECT_LT(d, 1e-4) << "lat " << g.lat << " lon " << g.lon;
        toPipeline.add(d);
        // PROJ chooses its operation by area of use; near the edges of the grid it takes one made
        // for Slovakia or a coarser one, so only the inner points are compared.
        if (g.lat < 48.59 || g.lat > 51.01 || g.lon < 12.09 || g.lon > 18.81) continue;
        const PJ_COORD s = forward(standard, g.lat, g.lon);
        ASSERT_TRUE(std::isfinite(s.xy.x) && std::isfinite(s.xy.y));
        toStandard.add(std::hypot(-c.Y - s.xy.x, -c.X - s.xy.y));
    }
    std::printf("[ oracle   ] %d points; to the pipeline: max %.3g m, mean %.3g m\n", toPipeline.n,
                toPipeline.max, toPipeline.mean());
    std::printf("[ oracle   ] %d inner points; to PROJ's EPSG:4326 -> EPSG:5514: max %.3f m, mean %.3f m\n",
                toStandard.n, toStandard.max, toStandard.mean());
}

// The datum shift and the projection each agree with their PROJ steps, so that a difference in the
// whole conversion can be told apart.
TEST(Wgs84ToJtsk, StepsAgreeWithPROJ) {
    Proj proj;
    PJ* shift = proj.create(ShiftPipeline);
    PJ* krovak = proj.create("+proj=krovak +ellps=bessel");
    ASSERT_TRUE(shift && krovak);
    Stats angle, height, plane;
    for (const GridPoint& g : countryGrid()) {
        for (double h : {0.0, 250.0, 1600.0}) {
            double lat = g.lat, lon = g.lon, hb = h;
            ASSERT_TRUE(WGS84toBessel(lat, lon, hb));
            const PJ_COORD p = forward(shift, g.lat, g.lon, h);
            angle.add(std::max(std::fabs(lat - p.xyz.x), std::fabs(lon - p.xyz.y)));
            height.add(std::fabs(hb - p.xyz.z));
        }
        double lat = g.lat, lon = g.lon;
        ASSERT_TRUE(WGS84toBessel(lat, lon));
        TMapCoord c;
        ASSERT_TRUE(BesseltoJTSK(lat, lon, c));
        const PJ_COORD k = proj_trans(krovak, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
        plane.add(std::hypot(-c.Y - k.xy.x, -c.X - k.xy.y));
    }
    EXPECT_LT(angle.max, 1e-10); // about 0.01 mm
    EXPECT_LT(height.max, 1e-4); // the Bessel semi-major axis here is 0.08 mm longer than PROJ's
    EXPECT_LT(plane.max, 1e-4);
    std::printf("[ oracle   ] datum shift: max %.3g deg, height %.3g m; Krovak alone: max %.3g m\n",
                angle.max, height.max, plane.max);
}

TEST(Wgs84ToJtsk, KnownPointAndAcceptedArea) {
    TMapCoord c;
    ASSERT_TRUE(WGS84toJTSK(50.08, 14.42, c));
    EXPECT_NEAR(c.Y, 743012, 1);
    EXPECT_NEAR(c.X, 1043823, 1);

    struct Case {
        double lat, lon;
        bool accepted;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {39.999, 15, false}, {60.001, 15, false}, {50, 4.999, false}, {50, 25.001, false}, {40, 15, true},
        {60, 15, true},      {50, 5, true},       {50, 25, true},     {40, 5, true},       {60, 25, true},
        {nan, 15, false},    {50, nan, false},    {inf, 15, false},   {50, -inf, false},
    };
    for (const Case& k : cases) {
        TMapCoord out{1, 2};
        EXPECT_EQ(WGS84toJTSK(k.lat, k.lon, out), k.accepted) << k.lat << " " << k.lon;
        if (k.accepted)
            EXPECT_TRUE(std::isfinite(out.X) && std::isfinite(out.Y) && out.X > 0);
        else
            EXPECT_EQ(out, NullCoord) << k.lat << " " << k.lon;
    }
}

TEST(Wgs84ToJtsk, ArithmeticFaultsAnswerFalse) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double lat, lon, h;
    };
    // A height that overflows the geocentric square sum, and values that are not numbers.
    for (const Case& k : {Case{50, 15, 1e300}, Case{50, 15, inf}, Case{nan, 15, 0}, Case{50, 15, nan}}) {
        double lat = k.lat, lon = k.lon, h = k.h;
        EXPECT_FALSE(WGS84toBessel(lat, lon, h)) << k.lat << " " << k.h;
    }
    double lat = nan, lon = 15;
    EXPECT_FALSE(WGS84toBessel(lat, lon));

    TMapCoord c;
    EXPECT_FALSE(BesseltoJTSK(90, 15, c)); // (1 + s)/(1 - s) divides by zero
    EXPECT_FALSE(BesseltoJTSK(nan, 15, c));
    EXPECT_FALSE(BesseltoJTSK(50, inf, c));
}

TEST(JtskToWgs84, SearchComesWithinAHundredThousandthOfADegree) {
    Stats err;
    for (const GridPoint& g : countryGrid()) {
        TMapCoord c;
        ASSERT_TRUE(WGS84toJTSK(g.lat, g.lon, c));
        double lat = 0, lon = 0;
        ASSERT_TRUE(JTSKtoWGS84(c, lat, lon));
        err.add(std::max(std::fabs(lat - g.lat), std::fabs(lon - g.lon)));
    }
    std::printf("[ search   ] round trip over %d points: max %.3g deg, mean %.3g deg\n", err.n, err.max,
                err.mean());
    EXPECT_LE(err.max, 1e-5);

    TMapCoord prague;
    ASSERT_TRUE(WGS84toJTSK(50.08, 14.42, prague));
    double lat = 0, lon = 0;
    ASSERT_TRUE(JTSKtoWGS84(prague, lat, lon));
    EXPECT_NEAR(lat, 50.08, 1e-5);
    EXPECT_NEAR(lon, 14.42, 1e-5);

    lat = lon = 7;
    EXPECT_FALSE(JTSKtoWGS84(NullCoord, lat, lon));
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(lon, 0);

    // Where the search cannot get: model coordinates passed by mistake, points far outside.
    struct Case {
        TMapCoord c;
        bool found;
    };
    TMapCoord farEast; // beyond the search's reach of 5.6 degrees around (49, 14)
    ASSERT_TRUE(WGS84toJTSK(50, 21, farEast));
    for (const Case& k : {Case{TMapCoord{-prague.Y, -prague.X}, false}, Case{TMapCoord{3e6, 1e6}, false},
                          Case{TMapCoord{1, 1}, false}, Case{farEast, false}, Case{prague, true}}) {
        EXPECT_EQ(JTSKtoWGS84(k.c, lat, lon), k.found) << k.c.Y << " " << k.c.X;
        EXPECT_TRUE(std::isfinite(lat) && std::isfinite(lon));
    }
}

TEST(JtskToWgs84, RefinedInverseToATenthOfAMillimetre) {
    Stats err;
    for (const GridPoint& g : countryGrid()) {
        TMapCoord c;
        ASSERT_TRUE(WGS84toJTSK(g.lat, g.lon, c));
        double lat = 0, lon = 0;
        ASSERT_TRUE(jtskToWgs84Refined(c, lat, lon)) << g.lat << " " << g.lon;
        err.add(std::max(std::fabs(lat - g.lat), std::fabs(lon - g.lon)));
    }
    EXPECT_LT(err.max, 1e-9); // 0.1 mm is 9e-10 degrees of latitude
    // Far from the country too.
    for (auto [lat0, lon0] : {std::pair{40.0, 5.0}, {40.0, 25.0}, {55.0, 10.0}, {45.0, 22.0}}) {
        TMapCoord c;
        ASSERT_TRUE(WGS84toJTSK(lat0, lon0, c));
        double lat = 0, lon = 0;
        ASSERT_TRUE(jtskToWgs84Refined(c, lat, lon)) << lat0 << " " << lon0;
        EXPECT_NEAR(lat, lat0, 1e-9);
        EXPECT_NEAR(lon, lon0, 1e-9);
    }
    // No position in the accepted area maps there.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (TMapCoord c :
         {NullCoord, TMapCoord{743012, nan}, TMapCoord{-743012, -1043823}, TMapCoord{3e6, 1e6}}) {
        double lat = 0, lon = 0;
        EXPECT_FALSE(jtskToWgs84Refined(c, lat, lon)) << c.Y << " " << c.X;
    }
}

TEST(Convergention, AgreesWithPROJsMeridianConvergence) {
    Proj proj;
    PJ* krovak = proj.create("+proj=krovak +ellps=bessel");
    ASSERT_TRUE(krovak);
    Stats diff;
    for (const GridPoint& g : countryGrid()) {
        double lat = g.lat, lon = g.lon;
        ASSERT_TRUE(WGS84toBessel(lat, lon));
        TMapCoord c;
        ASSERT_TRUE(BesseltoJTSK(lat, lon, c));
        const PJ_FACTORS f = proj_factors(krovak, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
        // PROJ measures the angle the other way round.
        diff.add(std::fabs(double(Convergention(c)) + f.meridian_convergence));
    }
    std::printf("[ converg. ] to PROJ: max %.3g rad (%.3g deg), mean %.3g rad\n", diff.max,
                diff.max * 180 / M_PI, diff.mean());
    EXPECT_LT(diff.max, 1e-3); // the closed formula is an approximation good to a few hundredths of a degree
    EXPECT_EQ(Convergention(TMapCoord{743012, 0}), 0);
}

TEST(Wgs84Text, DegreesMinutesAndSeconds) {
    const LocaleScope c(QLocale::c());
    struct Case {
        double value;
        const char* minutes;
        const char* seconds;
    };
    const Case cases[] = {
        {50.5, "50° 30.000'", "50° 30' 0.0''"},
        {50.08, "50° 4.800'", "50° 4' 48.0''"},
        {14.42, "14° 25.200'", "14° 25' 12.0''"},
        {49.9999999, "50° 0.000'", "50° 0' 0.0''"}, // the carry reaches the degrees
        {49.99999, "49° 59.999'", "50° 0' 0.0''"},
        {15.0000001, "15° 0.000'", "15° 0' 0.0''"},
        {40 + 1.0 / 60, "40° 1.000'", "40° 1' 0.0''"}, // whole minutes stay whole
        {48 + 59.0 / 60, "48° 59.000'", "48° 59' 0.0''"},
        {16 + 7.0 / 60 + 59.96 / 3600, "16° 7.999'", "16° 8' 0.0''"},
        {0.25, "0° 15.000'", "0° 15' 0.0''"},
        {-14.5, "-14° -30.000'", "-14° -30' 0.0''"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(WGS84ToStr(k.value, afMinutes), QString::fromUtf8(k.minutes)) << k.value;
        EXPECT_EQ(WGS84ToStr(k.value, afSeconds), QString::fromUtf8(k.seconds)) << k.value;
    }
    EXPECT_EQ(WGS84ToStr(50.08, 14.42, afMinutes), QString::fromUtf8("[N50° 4.800', E14° 25.200']"));
    // Values that are no angle are still written, without overflowing the integer parts.
    EXPECT_EQ(WGS84ToStr(std::numeric_limits<double>::quiet_NaN(), afSeconds), QString::fromUtf8("NAN°"));
    EXPECT_EQ(WGS84ToStr(-std::numeric_limits<double>::infinity(), afMinutes), QString::fromUtf8("-INF°"));
    EXPECT_EQ(WGS84ToStr(1e300, afSeconds), QString::fromUtf8("1E300°"));
    EXPECT_EQ(WGS84ToStr(1e12, afMinutes), QString::fromUtf8("1000000000000° 0.000'"));
    EXPECT_EQ(WGS84ToStr(50.08, 14.42, afSeconds), QString::fromUtf8("[N50° 4' 48.0'', E14° 25' 12.0'']"));

    // Every whole minute of the country, and the tenth of a second before it.
    for (int deg = 48; deg <= 51; ++deg)
        for (int min = 0; min < 60; ++min) {
            const double v = deg + min / 60.0;
            EXPECT_EQ(WGS84ToStr(v, afSeconds), QString::fromUtf8("%1° %2' 0.0''").arg(deg).arg(min)) << v;
            const QString before = WGS84ToStr(v - 0.1 / 3600, afSeconds);
            EXPECT_TRUE(before.endsWith(QLatin1String(" 59.9''"))) << before.toStdString();
        }
}

TEST(Wgs84Text, LocaleDecimalSeparator) {
    const LocaleScope cs(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    EXPECT_EQ(WGS84ToStr(50.08, 14.42, afSeconds), QString::fromUtf8("[N50° 4' 48,0'', E14° 25' 12,0'']"));
    EXPECT_EQ(WGS84ToStr(50.5, afMinutes), QString::fromUtf8("50° 30,000'"));
    EXPECT_FLOAT_EQ(StrToWGS84(QString::fromUtf8("49° 30' 36,5''")), 49.51013889f);
    EXPECT_EQ(StrToWGS84(QString::fromUtf8("49° 30' 36.5''")), 0); // the other separator
    // What is written reads back, to the tenth of a second shown.
    for (double v : {48.5, 49.123456, 50.999, 12.0905, 18.87654}) {
        EXPECT_NEAR(StrToWGS84(WGS84ToStr(v, afSeconds)), v, 0.05 / 3600 + 4e-6) << v;
        EXPECT_NEAR(StrToWGS84(WGS84ToStr(v, afMinutes)), v, 0.0005 / 60 + 4e-6) << v;
    }
}

TEST(Wgs84Text, Reading) {
    const LocaleScope c(QLocale::c());
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {
        {"49° 30'", 49.5f},
        {"49° 30' 36''", 49.51f},
        {" 49 °  30 '  36 ''  ", 49.51f},
        {"49.25°", 49.25f},
        {"49°", 49.0f},
        {"49° 30.5'", 49.508333f},
        {"-14° -30'", -14.5f},
        {"49° 30' 36'' N", 0}, // text after the seconds
        {"49.5", 0},           // no degree sign
        {"", 0},               //
        {"° 30'", 0},          // no degrees
        {"x° 30'", 0},         // degrees that are not a number
        {"49° y'", 0},         // nor minutes
        {"49° 30' 3z''", 0},   // nor seconds
        {"49,5°", 0},          // the decimal separator of another locale
    };
    for (const Case& k : cases) EXPECT_FLOAT_EQ(StrToWGS84(QString::fromUtf8(k.text)), k.value) << k.text;
}
