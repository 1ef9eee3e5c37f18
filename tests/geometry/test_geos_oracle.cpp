// Point in polygon and ring areas checked against GEOS on seeded random simple polygons. GEOS
// decides exactly (robust predicates); where it disagrees with us the point must lie on the
// boundary by our own rule (a point on the boundary is outside), nothing else is accepted.
//
// Every polygon is rebuilt from its case number, so a failure names the case and the point and
// prints the ring: rerun with --gtest_filter='Geos*' to reproduce it.
#include <gtest/gtest.h>

#include <geos_c.h>

#include "geometry/AnalInt.h"
#include "geometry/e_Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace zelto;

namespace {

using Ring = std::vector<std::pair<double, double>>; // open: the closing vertex is implied

// ---- GEOS ------------------------------------------------------------------------------------------

struct GeomDeleter {
    GEOSContextHandle_t ctx;
    void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(ctx, g); }
};
using Geom = std::unique_ptr<GEOSGeometry, GeomDeleter>;

struct PreparedDeleter {
    GEOSContextHandle_t ctx;
    void operator()(const GEOSPreparedGeometry* g) const { GEOSPreparedGeom_destroy_r(ctx, g); }
};
using Prepared = std::unique_ptr<const GEOSPreparedGeometry, PreparedDeleter>;

class Geos {
public:
    Geos() : m_ctx(GEOS_init_r()) { GEOSContext_setErrorMessageHandler_r(m_ctx, &Geos::onError, this); }
    ~Geos() { GEOS_finish_r(m_ctx); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    GEOSContextHandle_t ctx() const { return m_ctx; }
    const std::string& lastError() const { return m_error; }

    // A closed coordinate sequence of the ring.
    GEOSCoordSequence* sequence(const Ring& ring, bool close) const {
        std::vector<double> xy;
        for (auto [x, y] : ring) xy.insert(xy.end(), {x, y});
        if (close) xy.insert(xy.end(), {ring[0].first, ring[0].second});
        return GEOSCoordSeq_copyFromBuffer_r(m_ctx, xy.data(), unsigned(xy.size() / 2), 0, 0);
    }
    Geom polygon(const Ring& shell, const std::vector<Ring>& holes = {}) const {
        std::vector<GEOSGeometry*> rings;
        for (const Ring& h : holes) rings.push_back(GEOSGeom_createLinearRing_r(m_ctx, sequence(h, true)));
        GEOSGeometry* outer = GEOSGeom_createLinearRing_r(m_ctx, sequence(shell, true));
        return Geom(GEOSGeom_createPolygon_r(m_ctx, outer, rings.data(), unsigned(rings.size())), {m_ctx});
    }
    Geom line(const Ring& points) const {
        return Geom(GEOSGeom_createLineString_r(m_ctx, sequence(points, false)), {m_ctx});
    }
    Prepared prepare(const GEOSGeometry* g) const { return Prepared(GEOSPrepare_r(m_ctx, g), {m_ctx}); }
    Geom point(double x, double y) const { return Geom(GEOSGeom_createPointFromXY_r(m_ctx, x, y), {m_ctx}); }

    // Where the point lies: 1 interior, 0 boundary, -1 exterior.
    int locate(const GEOSPreparedGeometry* area, double x, double y) const {
        Geom p = point(x, y);
        const char inside = GEOSPreparedContains_r(m_ctx, area, p.get());
        const char touches = GEOSPreparedIntersects_r(m_ctx, area, p.get());
        EXPECT_TRUE(inside != 2 && touches != 2) << m_error;
        return inside == 1 ? 1 : touches == 1 ? 0 : -1;
    }
    double area(const GEOSGeometry* g) const {
        double a = -1;
        EXPECT_EQ(GEOSArea_r(m_ctx, g, &a), 1) << m_error;
        return a;
    }
    double length(const GEOSGeometry* g) const {
        double l = -1;
        EXPECT_EQ(GEOSLength_r(m_ctx, g, &l), 1) << m_error;
        return l;
    }
    bool isCCW(const Ring& ring) const {
        GEOSCoordSequence* s = sequence(ring, true);
        char ccw = 2;
        EXPECT_EQ(GEOSCoordSeq_isCCW_r(m_ctx, s, &ccw), 1) << m_error;
        GEOSCoordSeq_destroy_r(m_ctx, s);
        return ccw == 1;
    }
    bool valid(const GEOSGeometry* g) const { return GEOSisValid_r(m_ctx, g) == 1; }

private:
    static void onError(const char* message, void* self) { static_cast<Geos*>(self)->m_error = message; }
    GEOSContextHandle_t m_ctx;
    std::string m_error;
};

// ---- random polygons -------------------------------------------------------------------------------

// mt19937_64 is specified exactly by the standard; the conversions below are our own, so a case
// number gives the same polygon with any standard library.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_gen(seed) {}
    double unit() { return double(m_gen() >> 11) * 0x1p-53; }
    double real(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int integer(int lo, int hi) { return lo + int(m_gen() % std::uint64_t(hi - lo + 1)); }
    bool chance(double p) { return unit() < p; }

private:
    std::mt19937_64 m_gen;
};

constexpr std::uint64_t kSeed = 20261210;
constexpr double kTwoPi = 2 * std::numbers::pi;

void dropRepeats(Ring& ring) {
    Ring out;
    for (const auto& v : ring)
        if (out.empty() || out.back() != v) out.push_back(v);
    while (out.size() > 1 && out.back() == out.front()) out.pop_back();
    ring = std::move(out);
}

// Star-shaped around the centre: sorted distinct angles, random radii. On the lattice the vertices
// are rounded to whole numbers (the ring may then be invalid: the caller checks).
// With `even`, each angle stays in its own n-th of the turn, so that the ring keeps clear of the
// centre.
Ring star(Rng& rng, int n, double cx, double cy, double rmin, double rmax, bool lattice, bool even = false) {
    std::vector<double> angles(static_cast<size_t>(n));
    for (size_t i = 0; i < angles.size(); ++i)
        angles[i] = even ? (double(i) + 0.8 * rng.unit()) * kTwoPi / n : rng.real(0, kTwoPi);
    std::sort(angles.begin(), angles.end());
    Ring ring;
    for (double a : angles) {
        const double r = rng.real(rmin, rmax);
        double x = cx + r * std::cos(a), y = cy + r * std::sin(a);
        if (lattice) x = std::round(x), y = std::round(y);
        ring.emplace_back(x, y);
    }
    dropRepeats(ring);
    return ring;
}

// Columns of whole widths, each spanning bottom..top, side by side: only axis-parallel edges,
// runs of equal heights give collinear vertices and several horizontal edges on one line.
Ring skyline(Rng& rng) {
    const int columns = rng.integer(1, 12);
    std::vector<int> xs{rng.integer(-50, 50)}, top, bottom;
    for (int i = 0; i < columns; ++i) {
        xs.push_back(xs.back() + rng.integer(1, 4));
        top.push_back(rng.integer(1, 5));
        bottom.push_back(rng.integer(-4, 0));
    }
    const int dy = rng.integer(-50, 50);
    Ring ring;
    for (int i = 0; i < columns; ++i) {
        ring.emplace_back(xs[size_t(i)], top[size_t(i)] + dy);
        ring.emplace_back(xs[size_t(i) + 1], top[size_t(i)] + dy);
    }
    for (int i = columns - 1; i >= 0; --i) {
        ring.emplace_back(xs[size_t(i) + 1], bottom[size_t(i)] + dy);
        ring.emplace_back(xs[size_t(i)], bottom[size_t(i)] + dy);
    }
    dropRepeats(ring);
    // Drop the vertices in the middle of a straight run now and then, keep the others.
    Ring out;
    for (size_t i = 0; i < ring.size(); ++i) {
        const auto& a = ring[(i + ring.size() - 1) % ring.size()];
        const auto& v = ring[i];
        const auto& b = ring[(i + 1) % ring.size()];
        const bool straight =
            (a.first == v.first && v.first == b.first) || (a.second == v.second && v.second == b.second);
        if (!straight || rng.chance(0.5)) out.push_back(v);
    }
    if (rng.chance(0.5))
        for (auto& v : out) std::swap(v.first, v.second); // mirrored: the runs become vertical
    return out;
}

// Adds lattice points lying on lattice edges as vertices of their own (collinear vertices).
void splitLatticeEdges(Rng& rng, Ring& ring) {
    Ring out;
    for (size_t i = 0; i < ring.size(); ++i) {
        const auto [ax, ay] = ring[i];
        const auto [bx, by] = ring[(i + 1) % ring.size()];
        out.emplace_back(ax, ay);
        const int g = std::gcd(int(std::abs(bx - ax)), int(std::abs(by - ay)));
        if (g < 2 || !rng.chance(0.4)) continue;
        for (int k = 1; k < g; ++k)
            if (rng.chance(0.5)) out.emplace_back(ax + (bx - ax) / g * k, ay + (by - ay) / g * k);
    }
    ring = std::move(out);
}

// Either orientation, any starting vertex.
void reorient(Rng& rng, Ring& ring) {
    if (rng.chance(0.5)) std::reverse(ring.begin(), ring.end());
    std::rotate(ring.begin(), ring.begin() + rng.integer(0, int(ring.size()) - 1), ring.end());
}

struct Case {
    int number = 0;
    const char* kind = "";
    bool lattice = false;
    Ring ring;
};

// Map coordinates of the national grid are around a million metres from its origin.
constexpr double kFarX = -703000, kFarY = -1098000;

Case makeCase(const Geos& geos, int number) {
    Rng rng(kSeed + std::uint64_t(number));
    Case c;
    c.number = number;
    for (;;) {
        const bool huge = number % 50 == 49;
        switch (number % 8) {
        case 0:
        case 1:
            c.kind = huge ? "star, many vertices" : "star";
            c.ring = star(rng, huge ? rng.integer(2000, 5000) : rng.integer(3, 40), rng.real(-1000, 1000),
                          rng.real(-1000, 1000), rng.real(0.1, 50), rng.real(50, 300), false);
            break;
        case 2: {
            // Every other one a few metres across: rounding at these coordinates is large beside it.
            const bool small = number / 8 % 2 == 1;
            c.kind = small ? "small star far from the origin" : "star far from the origin";
            const double scale = small ? 0.025 : 1;
            c.ring = star(rng, rng.integer(3, small ? 30 : 300), kFarX + rng.real(-5000, 5000),
                          kFarY + rng.real(-5000, 5000), scale * rng.real(1, 20), scale * rng.real(20, 400),
                          false);
            break;
        }
        case 3:
        case 4:
        case 5:
            c.kind = huge              ? "lattice star, many vertices"
                     : number % 8 == 3 ? "lattice star far from the origin"
                                       : "lattice star";
            c.lattice = true;
            c.ring = huge ? star(rng, rng.integer(500, 1500), 0, 0, 1000, 3000, true)
                          : star(rng, rng.integer(3, 30), number % 8 == 3 ? kFarX : rng.integer(-100, 100),
                                 number % 8 == 3 ? kFarY : rng.integer(-100, 100), rng.integer(1, 10),
                                 rng.integer(10, 40), true);
            splitLatticeEdges(rng, c.ring);
            break;
        default:
            c.kind = "axis-parallel lattice";
            c.lattice = true;
            c.ring = skyline(rng);
            break;
        }
        if (c.ring.size() < 3) continue;
        reorient(rng, c.ring);
        if (geos.valid(geos.polygon(c.ring).get())) return c;
    }
}

constexpr int kCases = 400;

std::string describe(const Case& c) {
    std::string s = "case " + std::to_string(c.number) + " (" + c.kind + ", " +
                    std::to_string(c.ring.size()) + " vertices)";
    if (c.ring.size() > 60) return s;
    s += ":";
    char buf[64];
    for (auto [x, y] : c.ring) {
        std::snprintf(buf, sizeof buf, " %.17g %.17g", x, y);
        s += buf;
    }
    return s;
}

std::unique_ptr<TAreaElement> area(const Ring& ring) {
    auto a = std::make_unique<TAreaElement>();
    for (auto [x, y] : ring) a->AddXY(x, y);
    a->RecalculateRect();
    return a;
}

// The query points of a ring: random ones around it, its vertices, points on its edges and on the
// horizontal lines through its vertices (the ray of the test runs along them), and on the
// lattice whole and half points.
std::vector<std::pair<double, double>> queryPoints(Rng& rng, const Case& c) {
    const Ring& ring = c.ring;
    double minX = ring[0].first, maxX = minX, minY = ring[0].second, maxY = minY;
    for (auto [x, y] : ring) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const double mx = (maxX - minX) * 0.1 + 1, my = (maxY - minY) * 0.1 + 1;
    auto onLattice = [&](double lo, double hi) { return std::round(rng.real(lo, hi) * 2) / 2; };
    auto vertex = [&] { return ring[size_t(rng.integer(0, int(ring.size()) - 1))]; };

    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 60; ++i)
        points.emplace_back(rng.real(minX - mx, maxX + mx), rng.real(minY - my, maxY + my));
    for (int i = 0; i < 30; ++i) points.push_back(vertex());
    points.push_back(ring[0]);
    for (int i = 0; i < 40; ++i) {
        const size_t e = size_t(rng.integer(0, int(ring.size()) - 1));
        const auto [ax, ay] = ring[e];
        const auto [bx, by] = ring[(e + 1) % ring.size()];
        if (c.lattice) {
            const int g = std::max(1, std::gcd(int(std::abs(bx - ax)), int(std::abs(by - ay))));
            const int k = rng.integer(0, g);
            points.emplace_back(ax + (bx - ax) / g * k, ay + (by - ay) / g * k);
        } else {
            const double t = rng.unit();
            points.emplace_back(ax + t * (bx - ax), ay + t * (by - ay));
        }
    }
    for (int i = 0; i < 80; ++i) {
        const auto [vx, vy] = i < 10 ? ring[0] : vertex();
        double x = c.lattice ? onLattice(minX - mx, maxX + mx) : rng.real(minX - mx, maxX + mx);
        if (i % 4 == 0)
            x = vx - (c.lattice ? rng.integer(1, 4) / 2.0 : rng.real(0, mx)); // ray passes the vertex
        points.emplace_back(x, vy);
    }
    if (c.lattice)
        for (int i = 0; i < 80; ++i)
            points.emplace_back(onLattice(minX - mx, maxX + mx), onLattice(minY - my, maxY + my));
    return points;
}

// Whether our own boundary rule takes the point for a boundary point: on some edge by the
// tolerance of BodLeziNaUsecce.
bool onOurBoundary(const Ring& ring, double x, double y) {
    for (size_t i = 0; i < ring.size(); ++i) {
        const auto [ax, ay] = ring[i];
        const auto [bx, by] = ring[(i + 1) % ring.size()];
        if (BodLeziNaUsecce(x, y, ax, ay, bx, by)) return true;
    }
    return false;
}

} // namespace

// ---- point in polygon --------------------------------------------------------------------------------

TEST(GeosOracle, InsideTestAgreesWithGeosOnRandomSimplePolygons) {
    Geos geos;
    int inside = 0, outside = 0, boundary = 0, withinOurTolerance = 0;
    for (int n = 0; n < kCases; ++n) {
        const Case c = makeCase(geos, n);
        const auto ours = area(c.ring);
        Geom g = geos.polygon(c.ring);
        Prepared pg = geos.prepare(g.get());
        Rng rng(kSeed ^ 0x9e3779b97f4a7c15ULL ^ std::uint64_t(n));
        int failures = 0;
        for (auto [x, y] : queryPoints(rng, c)) {
            T2DCoordinate point(x, y);
            const bool answer = InsideTest(ours.get(), &point);
            const int where = geos.locate(pg.get(), x, y);
            if (where == 0) {
                ++boundary;
                if (!answer) continue;
            } else if (answer == (where > 0)) {
                ++(answer ? inside : outside);
                continue;
            } else if (!answer && onOurBoundary(c.ring, x, y)) {
                ++withinOurTolerance; // GEOS: interior, by a rounding error off an edge
                continue;
            }
            ADD_FAILURE() << "point " << std::hexfloat << x << " " << y << std::defaultfloat << " ("
                          << (where > 0    ? "interior"
                              : where == 0 ? "boundary"
                                           : "exterior")
                          << " for GEOS), InsideTest answers " << answer << "; " << describe(c);
            if (++failures == 5) break;
        }
    }
    std::printf("[ oracle   ] %d inside, %d outside, %d on the boundary (GEOS), %d within our boundary "
                "tolerance\n",
                inside, outside, boundary, withinOurTolerance);
    // The cases reach every kind of answer.
    EXPECT_GT(inside, 10000);
    EXPECT_GT(outside, 10000);
    EXPECT_GT(boundary, 5000);
}

// ---- areas and lengths ----------------------------------------------------------------------------------

TEST(GeosOracle, RingAreaMatchesGeosAndItsSignTheOrientation) {
    Geos geos;
    int clockwise = 0, counterClockwise = 0;
    for (int n = 0; n < kCases; ++n) {
        const Case c = makeCase(geos, n);
        SCOPED_TRACE(describe(c));
        const double ours = area(c.ring)->GetArea();
        const double expected = geos.area(geos.polygon(c.ring).get());
        EXPECT_NEAR(std::abs(ours), expected, 1e-9 * expected);
        const bool ccw = geos.isCCW(c.ring);
        EXPECT_EQ(ours > 0, !ccw) << "area " << ours;
        ++(ccw ? counterClockwise : clockwise);

        // The same vertices as a line: the length runs over the vertices, without the closing edge.
        TPolyLineElement line;
        for (auto [x, y] : c.ring) line.AddXY(x, y);
        const double length = geos.length(geos.line(c.ring).get());
        EXPECT_NEAR(line.GetLength(), length, 1e-12 * length);
    }
    EXPECT_GT(clockwise, kCases / 4);
    EXPECT_GT(counterClockwise, kCases / 4);
}

// Thin triangles ten metres long at centimetre coordinates of the national grid: summed on the raw
// coordinates, the area of a tenth of a square metre came out 1e-8 off.
TEST(GeosOracle, SliversFarFromTheOriginKeepTheirArea) {
    Geos geos;
    const Ring slivers[] = {
        {{-702791.51, -1097995.3}, {-702781.65, -1097995.05}, {-702784.54, -1097995.15}},
        {{-702489.86, -1097136.45}, {-702482.98, -1097136.31}, {-702484.71, -1097136.33}},
        {{-702486.78, -1097183.92}, {-702478.79, -1097184.73}, {-702481.0, -1097184.49}},
        {{-702124.58, -1097053.38}, {-702116.24, -1097052.4}, {-702118.01, -1097052.59}},
    };
    for (const Ring& ring : slivers) {
        const double expected = geos.area(geos.polygon(ring).get());
        EXPECT_NEAR(std::abs(area(ring)->GetArea()), expected, 1e-9 * expected) << ring[0].first;
    }
    // A ring cut short by a position without a coordinate still answers the plain sum up to the
    // gap, (0 - 0)(1010 + 1000) + (10 - 0)(1010 + 1010), halved.
    auto cut = area({{0, 1000}, {0, 1010}, {10, 1010}});
    cut->AddElement(new TRectEntity);
    cut->AddXY(10, 1000);
    EXPECT_DOUBLE_EQ(cut->GetArea(), 10100);
}

// Star-shaped rings with holes: the outer ring keeps more than 50 units clear of its centre, one
// hole lies within 15 units of the centre, up to two more within 5 units of points 31 units away.
// The area less its holes keeps the outer ring's sign; a point on a hole's boundary belongs to the
// area, one on the outer boundary does not.
TEST(GeosOracle, AreasWithHolesMatchGeos) {
    Geos geos;
    int checked = 0, inHole = 0, onHoleBoundary = 0;
    for (int n = 0; n < 60; ++n) {
        Rng rng(kSeed * 3 + std::uint64_t(n));
        const bool lattice = n % 2 == 1;
        const double cx = lattice ? rng.integer(-100, 100) : rng.real(-1000, 1000);
        const double cy = lattice ? rng.integer(-100, 100) : rng.real(-1000, 1000);
        Ring outer = star(rng, rng.integer(10, 40), cx, cy, 60, 100, lattice, true);
        std::vector<Ring> holes{star(rng, rng.integer(3, 20), cx, cy, 4, 15, lattice)};
        const int count = rng.integer(1, 3);
        for (int h = 1; h < count; ++h) {
            const double a = kTwoPi * h / count + 0.3;
            const double hx = lattice ? std::round(cx + 31 * std::cos(a)) : cx + 31 * std::cos(a);
            const double hy = lattice ? std::round(cy + 31 * std::sin(a)) : cy + 31 * std::sin(a);
            holes.push_back(star(rng, rng.integer(3, 8), hx, hy, 2, 5, lattice));
        }
        if (std::any_of(holes.begin(), holes.end(), [](const Ring& h) { return h.size() < 3; })) continue;
        reorient(rng, outer);
        for (Ring& h : holes) reorient(rng, h);
        Geom g = geos.polygon(outer, holes);
        if (!geos.valid(g.get())) continue; // a rounded tiny hole may degenerate
        Prepared pg = geos.prepare(g.get());
        ++checked;

        auto ours = area(outer);
        for (const Ring& h : holes) ours->AddHole(area(h).release());
        Case shown{n, lattice ? "lattice ring with holes" : "ring with holes", lattice, outer};
        SCOPED_TRACE(describe(shown));

        const double expected = geos.area(g.get());
        const double value = ours->GetArea();
        EXPECT_NEAR(std::abs(value), expected, 1e-9 * expected);
        EXPECT_EQ(value > 0, !geos.isCCW(outer));

        std::vector<std::pair<double, double>> points;
        for (const Ring& ring : holes) {
            Case hc{n, "", lattice, ring};
            auto more = queryPoints(rng, hc);
            points.insert(points.end(), more.begin(), more.end());
        }
        auto more = queryPoints(rng, shown);
        points.insert(points.end(), more.begin(), more.end());
        for (auto [x, y] : points) {
            const bool answer = ours->XYIsInside(x, y);
            const int where = geos.locate(pg.get(), x, y);
            bool onHole = false;
            for (const Ring& h : holes) onHole = onHole || onOurBoundary(h, x, y);
            if (where == 0) {
                // GEOS: on the boundary. Ours: inside on a hole's boundary, outside on the outer one.
                if (onHole) {
                    ++onHoleBoundary;
                    EXPECT_TRUE(answer) << "on a hole's boundary: " << x << " " << y;
                } else {
                    EXPECT_FALSE(answer) << "on the outer boundary: " << x << " " << y;
                }
            } else if (answer != (where > 0)) {
                // Only our boundary tolerance may differ from GEOS.
                const bool onOuter = onOurBoundary(outer, x, y);
                EXPECT_TRUE((onOuter && !answer) || (onHole && answer))
                    << "point " << std::hexfloat << x << " " << y << std::defaultfloat << ": GEOS " << where
                    << ", ours " << answer;
            } else if (where < 0 && ours->XYIsInsideNoHoles(x, y)) {
                ++inHole;
            }
            if (HasFailure()) break; // one case's ring is enough to show
        }
    }
    EXPECT_GT(checked, 40);
    EXPECT_GT(inHole, 500);
    EXPECT_GT(onHoleBoundary, 100);
}
