// WGS84 -> S-JTSK in one process: WGS84toJTSK against PROJ's proj_trans_generic running the same
// transformation as one pipeline, on the same 65,536 seeded random positions over the Czech
// Republic; then a table of ns per point and the ratio. The inverse conversions are timed too, for
// information.
//   bench_wgs84 [benchmark flags]
#include <benchmark/benchmark.h>

#include <proj.h>

#include "projection/r_WGS84.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace zelto;

namespace {

constexpr int N = 65536;

const char* const Pipeline = "+proj=pipeline +step +proj=axisswap +order=2,1"
                             " +step +proj=unitconvert +xy_in=deg +xy_out=rad"
                             " +step +proj=cart +ellps=WGS84"
                             " +step +proj=helmert +x=-570.69 +y=-85.69 +z=-462.84"
                             " +rx=4.99821 +ry=1.58676 +rz=5.2611 +s=-3.543 +convention=coordinate_frame"
                             " +step +inv +proj=cart +ellps=bessel"
                             " +step +proj=krovak +ellps=bessel";

struct Data {
    std::vector<double> lat, lon; // inputs, degrees
    std::vector<double> x, y;     // model coordinates of the inputs (EPSG:5514)
    PJ_CONTEXT* ctx = nullptr;
    PJ* pipeline = nullptr;
    std::string problem; // why the figures would mean nothing

    Data() : lat(N), lon(N), x(N), y(N) {
        std::mt19937_64 rng(5514);
        std::uniform_real_distribution<double> dLat(48.55, 51.05), dLon(12.1, 18.85);
        for (int i = 0; i < N; ++i) {
            lat[i] = dLat(rng);
            lon[i] = dLon(rng);
            TMapCoord c;
            if (!WGS84toJTSK(lat[i], lon[i], c)) problem = "a position was refused";
            x[i] = -c.Y;
            y[i] = -c.X;
        }
        ctx = proj_context_create();
        pipeline = proj_create(ctx, Pipeline);
        if (!pipeline) {
            problem = "PROJ does not take the pipeline";
            return;
        }
        // Both sides must compute the same thing before their times are compared.
        std::vector<double> px = lat, py = lon;
        proj_trans_generic(pipeline, PJ_FWD, px.data(), sizeof(double), N, py.data(), sizeof(double), N,
                           nullptr, 0, 0, nullptr, 0, 0);
        double worst = 0;
        for (int i = 0; i < N; ++i) worst = std::max(worst, std::hypot(px[i] - x[i], py[i] - y[i]));
        if (!(worst < 1e-4)) problem = "WGS84toJTSK and PROJ differ by " + std::to_string(worst) + " m";
    }
    ~Data() {
        proj_destroy(pipeline);
        proj_context_destroy(ctx);
    }
};

Data& data() {
    static Data d;
    return d;
}

bool usable(benchmark::State& state) {
    if (data().problem.empty()) return true;
    state.SkipWithError(data().problem.c_str());
    return false;
}

void perPoint(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * N);
}

void BM_WGS84toJTSK(benchmark::State& state) {
    if (!usable(state)) return;
    const Data& d = data();
    std::vector<TMapCoord> out(N);
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) WGS84toJTSK(d.lat[i], d.lon[i], out[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    perPoint(state);
}

// proj_trans_generic converts in place: each round starts from fresh copies of the inputs, copied
// outside the timed region.
void BM_ProjTransGeneric(benchmark::State& state) {
    if (!usable(state)) return;
    const Data& d = data();
    std::vector<double> x(N), y(N);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(d.lat.begin(), d.lat.end(), x.begin());
        std::copy(d.lon.begin(), d.lon.end(), y.begin());
        state.ResumeTiming();
        proj_trans_generic(d.pipeline, PJ_FWD, x.data(), sizeof(double), N, y.data(), sizeof(double), N,
                           nullptr, 0, 0, nullptr, 0, 0);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    perPoint(state);
}

void BM_JTSKtoWGS84Search(benchmark::State& state) {
    if (!usable(state)) return;
    const Data& d = data();
    double lat = 0, lon = 0;
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) {
            JTSKtoWGS84(TMapCoord{-d.x[i], -d.y[i]}, lat, lon);
            benchmark::DoNotOptimize(lat);
        }
    }
    perPoint(state);
}

void BM_JtskToWgs84Refined(benchmark::State& state) {
    if (!usable(state)) return;
    const Data& d = data();
    double lat = 0, lon = 0;
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) {
            jtskToWgs84Refined(TMapCoord{-d.x[i], -d.y[i]}, lat, lon);
            benchmark::DoNotOptimize(lat);
        }
    }
    perPoint(state);
}

void BM_ProjTransGenericInverse(benchmark::State& state) {
    if (!usable(state)) return;
    const Data& d = data();
    std::vector<double> x(N), y(N);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(d.x.begin(), d.x.end(), x.begin());
        std::copy(d.y.begin(), d.y.end(), y.begin());
        state.ResumeTiming();
        proj_trans_generic(d.pipeline, PJ_INV, x.data(), sizeof(double), N, y.data(), sizeof(double), N,
                           nullptr, 0, 0, nullptr, 0, 0);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    perPoint(state);
}

BENCHMARK(BM_WGS84toJTSK)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjTransGeneric)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JTSKtoWGS84Search)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JtskToWgs84Refined)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjTransGenericInverse)->Unit(benchmark::kMillisecond);

// The console report, and the wall and CPU time of every benchmark kept for the table: the median
// when repetitions are asked for, otherwise the one run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double wall = NAN, cpu = NAN; // ns per round
        bool median = false;
    };
    std::map<std::string, Times> ns;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            Times& t = ns[r.run_name.function_name];
            if (!(median || (r.run_type == Run::RT_Iteration && !t.median))) continue;
            const double unit = benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                benchmark::GetTimeUnitMultiplier(r.time_unit);
            t = {r.GetAdjustedRealTime() * unit, r.GetAdjustedCPUTime() * unit, median};
        }
    }
};

void printRatios(const RatioReporter& r) {
    auto get = [&](const char* name) {
        auto it = r.ns.find(name);
        return it == r.ns.end() ? RatioReporter::Times{}
                                : RatioReporter::Times{it->second.wall / N, it->second.cpu / N};
    };
    const auto ours = get("BM_WGS84toJTSK"), proj = get("BM_ProjTransGeneric");
    std::printf("\n%-34s %10s %10s\n", "ns per point", "wall", "CPU");
    auto row = [](const char* what, RatioReporter::Times t) {
        std::printf("%-34s %10.1f %10.1f\n", what, t.wall, t.cpu);
    };
    row("WGS84toJTSK", ours);
    row("proj_trans_generic (pipeline)", proj);
    std::printf("%-34s %10.2f %10.2f  (above 1: WGS84toJTSK is faster)\n", "ratio PROJ / ours",
                proj.wall / ours.wall, proj.cpu / ours.cpu);
    row("JTSKtoWGS84 (search)", get("BM_JTSKtoWGS84Search"));
    row("jtskToWgs84Refined", get("BM_JtskToWgs84Refined"));
    row("proj_trans_generic inverse", get("BM_ProjTransGenericInverse"));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return data().problem.empty() ? 0 : 1;
}
