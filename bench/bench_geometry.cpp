// Geometry benchmarks.
//   bench_geometry memory line|area [N]   builds one line or area of N vertices (default 1,000,000)
//                                         and prints the peak resident memory it cost per vertex,
//                                         the build time and the time to free it. Run each kind as
//                                         a process of its own, so that the peaks do not mix.
//   bench_geometry [benchmark flags]      point in polygon: InsideTest against GEOS on the same
//                                         star-shaped polygons of 10, 1,000 and 100,000 vertices,
//                                         then a table of ns per vertex and the ratios.
#include <benchmark/benchmark.h>

#include <geos_c.h>

#include "geometry/AnalInt.h"
#include "geometry/e_Geometry.h"
#include "startup/Init.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace zelto;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A field of /proc/self/status in bytes (VmRSS, VmHWM).
long long statusBytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long long kb = -1;
    const size_t len = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, len) == 0 && line[len] == ':') {
            kb = std::atoll(line + len + 1);
            break;
        }
    std::fclose(f);
    return kb * 1024;
}

// Restarts the peak (VmHWM) from the current resident size.
bool resetPeak() {
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

// A vertex on a circle of radius 1000 m (an area's ring; a line runs along it too).
void vertexAt(int i, int n, double& x, double& y) {
    const double a = 2 * std::numbers::pi * i / n;
    x = -703000 + 1000 * std::cos(a);
    y = -1098000 - 1000 * std::sin(a); // clockwise
}

int memory(const char* kind, int n) {
    const bool isArea = std::strcmp(kind, "area") == 0;
    if (!isArea && std::strcmp(kind, "line") != 0) return 2;
    // Warm up the allocators and the class tables on a small element of the same kind.
    {
        std::unique_ptr<TPolyElement> warm(isArea ? static_cast<TPolyElement*>(new TAreaElement)
                                                  : new TPolyLineElement);
        warm->AddXY(0, 0);
        warm->RecalculateRect();
    }
    const bool peakReset = resetPeak();
    const long long rss0 = statusBytes("VmRSS");
    const double t0 = now();
    TPolyElement* p = isArea ? static_cast<TPolyElement*>(new TAreaElement) : new TPolyLineElement;
    for (int i = 0; i < n; ++i) {
        double x, y;
        vertexAt(i, n, x, y);
        p->AddXY(x, y);
    }
    p->RecalculateRect();
    const double built = now() - t0;
    const long long rss1 = statusBytes("VmRSS");
    const long long peak = statusBytes("VmHWM");
    const double t1 = now();
    const double value = isArea ? p->GetArea() : p->GetLength();
    const double walked = now() - t1;
    const double t2 = now();
    delete p;
    const double freed = now() - t2;
    std::printf(
        "memory %s vertices=%d sizeof(T2DCoordinate)=%zu rss_before_KiB=%lld peak_KiB=%lld "
        "peak_bytes/vertex=%.1f "
        "held_bytes/vertex=%.1f build_ns/vertex=%.1f %s_ns/vertex=%.1f (%s=%.6g) free_ns/vertex=%.1f%s\n",
        kind, n, sizeof(T2DCoordinate), rss0 / 1024, peak / 1024, double(peak - rss0) / n,
        double(rss1 - rss0) / n, built * 1e9 / n, isArea ? "GetArea" : "GetLength", walked * 1e9 / n,
        isArea ? "area" : "length", value, freed * 1e9 / n,
        peakReset ? "" : " (peak not reset: VmHWM includes start-up)");
    return 0;
}

// ---- point in polygon ------------------------------------------------------------------------------

GEOSContextHandle_t geos() {
    static GEOSContextHandle_t ctx = GEOS_init_r();
    return ctx;
}

constexpr int kQueries = 1024;

// The same star-shaped polygon (random radii 500..1000 m at sorted random angles) for us and for
// GEOS, and query points spread over its bounding box (about half of them inside).
struct Polygon {
    std::unique_ptr<TAreaElement> area;
    GEOSGeometry* shape = nullptr;
    const GEOSPreparedGeometry* prepared = nullptr;
    std::vector<std::unique_ptr<T2DCoordinate>> points;
    std::vector<GEOSGeometry*> geosPoints;

    explicit Polygon(int n) : area(new TAreaElement) {
        std::mt19937_64 rng{std::uint64_t(n)};
        auto unit = [&] { return double(rng() >> 11) * 0x1p-53; };
        std::vector<double> angles(static_cast<size_t>(n));
        for (double& a : angles) a = 2 * std::numbers::pi * unit();
        std::sort(angles.begin(), angles.end());
        std::vector<double> xy;
        for (double a : angles) {
            const double r = 500 + 500 * unit();
            const double x = -703000 + r * std::cos(a), y = -1098000 + r * std::sin(a);
            area->AddXY(x, y);
            xy.insert(xy.end(), {x, y});
        }
        area->RecalculateRect();
        xy.insert(xy.end(), {xy[0], xy[1]});
        GEOSCoordSequence* seq =
            GEOSCoordSeq_copyFromBuffer_r(geos(), xy.data(), unsigned(xy.size() / 2), 0, 0);
        shape = GEOSGeom_createPolygon_r(geos(), GEOSGeom_createLinearRing_r(geos(), seq), nullptr, 0);
        prepared = GEOSPrepare_r(geos(), shape);
        for (int i = 0; i < kQueries; ++i) {
            const double x = area->GetMinX() + area->GetWidth() * unit();
            const double y = area->GetMinY() + area->GetHeight() * unit();
            points.emplace_back(new T2DCoordinate(x, y));
            geosPoints.push_back(GEOSGeom_createPointFromXY_r(geos(), x, y));
        }
    }
    ~Polygon() {
        for (GEOSGeometry* p : geosPoints) GEOSGeom_destroy_r(geos(), p);
        GEOSPreparedGeom_destroy_r(geos(), prepared);
        GEOSGeom_destroy_r(geos(), shape);
    }
    // Our answers and GEOS's must agree on these points (none lies on the boundary).
    bool agree() const {
        for (int i = 0; i < kQueries; ++i)
            if (InsideTest(area.get(), points[size_t(i)].get()) !=
                (GEOSPreparedContains_r(geos(), prepared, geosPoints[size_t(i)]) == 1))
                return false;
        return true;
    }
};

Polygon& polygon(int n) {
    static std::map<int, std::unique_ptr<Polygon>> cache;
    auto& p = cache[n];
    if (!p) p = std::make_unique<Polygon>(n);
    return *p;
}

void perVertex(benchmark::State& state, int n) {
    state.counters["ns/vertex"] = benchmark::Counter(
        double(state.iterations()) * n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["vertices"] = n;
}

void BM_InsideTest(benchmark::State& state) {
    const int n = int(state.range(0));
    Polygon& p = polygon(n);
    if (!p.agree()) state.SkipWithError("InsideTest and GEOS disagree on the query points");
    int i = 0, inside = 0;
    for (auto _ : state) {
        inside += InsideTest(p.area.get(), p.points[size_t(i)].get());
        i = (i + 1) % kQueries;
    }
    benchmark::DoNotOptimize(inside);
    perVertex(state, n);
}

// GEOS's plain containment: the polygon is not prepared, every query starts from the geometries.
void BM_GeosContains(benchmark::State& state) {
    const int n = int(state.range(0));
    Polygon& p = polygon(n);
    int i = 0, inside = 0;
    for (auto _ : state) {
        inside += GEOSContains_r(geos(), p.shape, p.geosPoints[size_t(i)]);
        i = (i + 1) % kQueries;
    }
    benchmark::DoNotOptimize(inside);
    perVertex(state, n);
}

// The polygon prepared once (an index over its edges); each query costs about log n.
void BM_GeosPreparedContains(benchmark::State& state) {
    const int n = int(state.range(0));
    Polygon& p = polygon(n);
    int i = 0, inside = 0;
    for (auto _ : state) {
        inside += GEOSPreparedContains_r(geos(), p.prepared, p.geosPoints[size_t(i)]);
        i = (i + 1) % kQueries;
    }
    benchmark::DoNotOptimize(inside);
    perVertex(state, n);
}

// Preparing for a single query and releasing it: what a caller pays who tests one point.
void BM_GeosPrepareAndContains(benchmark::State& state) {
    const int n = int(state.range(0));
    Polygon& p = polygon(n);
    int i = 0, inside = 0;
    for (auto _ : state) {
        const GEOSPreparedGeometry* prepared = GEOSPrepare_r(geos(), p.shape);
        inside += GEOSPreparedContains_r(geos(), prepared, p.geosPoints[size_t(i)]);
        GEOSPreparedGeom_destroy_r(geos(), prepared);
        i = (i + 1) % kQueries;
    }
    benchmark::DoNotOptimize(inside);
    perVertex(state, n);
}

#define SIZES Arg(10)->Arg(1000)->Arg(100000)
BENCHMARK(BM_InsideTest)->SIZES;
BENCHMARK(BM_GeosContains)->SIZES;
BENCHMARK(BM_GeosPreparedContains)->SIZES;
BENCHMARK(BM_GeosPrepareAndContains)->SIZES;

// The console report, and the time of every run kept for the table of ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns; // name → ns per query

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (!r.error_occurred && r.run_type == Run::RT_Iteration)
                ns[r.benchmark_name()] = r.GetAdjustedRealTime() *
                                         benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                         benchmark::GetTimeUnitMultiplier(r.time_unit);
    }
};

void printRatios(const RatioReporter& r) {
    std::printf("\n%-9s %14s %14s %14s %14s %12s %12s\n", "vertices", "InsideTest", "GEOS contains",
                "GEOS prepared", "GEOS prep+1", "plain/ours", "prepared/ours");
    std::printf("%-9s %14s %14s %14s %14s %12s %12s\n", "", "ns/vertex", "ns/vertex", "ns/vertex",
                "ns/vertex", "", "");
    for (int n : {10, 1000, 100000}) {
        auto get = [&](const char* name) {
            auto it = r.ns.find(std::string(name) + "/" + std::to_string(n));
            return it == r.ns.end() ? NAN : it->second / n;
        };
        const double ours = get("BM_InsideTest"), plain = get("BM_GeosContains");
        const double prepared = get("BM_GeosPreparedContains"), once = get("BM_GeosPrepareAndContains");
        std::printf("%-9d %14.3f %14.3f %14.3f %14.3f %12.2f %12.2f\n", n, ours, plain, prepared, once,
                    plain / ours, prepared / ours);
    }
    std::printf("(ratio > 1: InsideTest is faster)\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    if (argc >= 3 && std::strcmp(argv[1], "memory") == 0) {
        const int n = argc >= 4 ? std::atoi(argv[3]) : 1'000'000;
        const int rc = memory(argv[2], n > 0 ? n : 1'000'000);
        if (rc == 2) std::fprintf(stderr, "usage: bench_geometry memory line|area [N]\n");
        return rc;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    GEOS_finish_r(geos());
    return 0;
}
