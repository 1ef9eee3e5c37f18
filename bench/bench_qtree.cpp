// The region quadtree: building it from 100,000 rectangle entities (time per element) and
// rectangle queries over it (time per query). Run: build/release/bench/bench_qtree
#include <benchmark/benchmark.h>

#include "startup/Init.h"
#include "topology/e_QTree.h"

#include <QCoreApplication>

#include <memory>
#include <random>
#include <vector>

using namespace zelto;

namespace {

constexpr int N = 100'000;

// Stand-sized boxes (10–300 m) scattered over a 30 km square at national-grid coordinates.
struct Boxes {
    TEntity owner; // holds the boxes; the tree only indexes them
    std::vector<TRectEntity*> all;
    Boxes() {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> pos(0, 30000), size(10, 300);
        all.reserve(N);
        for (int i = 0; i < N; ++i) {
            const double x = -760000 + pos(rng), y = -1060000 + pos(rng);
            auto* r = new TRectEntity;
            r->SetByDoubleRect({x, y, x + size(rng), y + size(rng)});
            owner.AddElement(r);
            all.push_back(r);
        }
    }
};

Boxes& boxes() {
    static Boxes b;
    return b;
}

void BM_QTreeBuild(benchmark::State& state) {
    Boxes& b = boxes();
    for (auto _ : state) {
        auto tree = std::make_unique<TRectEntityQTree>();
        for (TRectEntity* r : b.all) tree->Extend(r);
        benchmark::DoNotOptimize(tree->GetLeavesCount());
    }
    state.SetItemsProcessed(state.iterations() * N);
    state.counters["ns_per_element"] = benchmark::Counter(
        double(N), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_QTreeBuild)->Unit(benchmark::kMillisecond);

// A map-screen-sized window (500 m) at random places; each element met is counted once per leaf.
void BM_QTreeQuery(benchmark::State& state) {
    Boxes& b = boxes();
    TRectEntityQTree tree;
    for (TRectEntity* r : b.all) tree.Extend(r);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> pos(0, 29500);
    long long found = 0;
    for (auto _ : state) {
        const double x = -760000 + pos(rng), y = -1060000 + pos(rng);
        TQTreeWalker w;
        for (TElement* e = w.GetFirstElementForRectangle(&tree, x, y, x + 500, y + 500, 0); e;
             e = w.GetNextElement())
            ++found;
    }
    state.counters["elements_per_query"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_QTreeQuery)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
