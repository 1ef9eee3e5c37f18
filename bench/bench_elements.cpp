// Baseline of the element framework: creating, adding and freeing many elements, building on one
// thread and freeing on another, and class lookup by name. Run: build/release/bench/bench_elements
#include <benchmark/benchmark.h>

#include "bench_process.h"
#include "framework/Elements.h"
#include "framework/e_Class.h"
#include "geometry/G_Elems.h"
#include "startup/Init.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <malloc.h>

using namespace zelto;

namespace {

constexpr int N = 1'000'000;

size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Creates N children of type Child in a container of type Container, then frees them through the
// container; reports time per element and the heap bytes each element with its list slot costs.
template <class Container, class Child> void addAndFree(benchmark::State& state) {
    double bytesPerElement = 0;
    for (auto _ : state) {
        Container c;
        const size_t before = heapInUse();
        for (int i = 0; i < N; ++i) c.AddElement(new Child);
        bytesPerElement = double(heapInUse() - before) / N;
        c.FreeAll();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * N);
    state.counters["ns/element"] = benchmark::Counter(
        double(state.iterations()) * N, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["bytes/element"] = bytesPerElement;
}

void BM_OwnerKeeping(benchmark::State& state) {
    addAndFree<TOwnerEntity, TOwnerElement>(state);
}
void BM_OwnerKeepingEntities(benchmark::State& state) {
    addAndFree<TOwnerEntity, TOwnerEntity>(state);
}
void BM_Plain(benchmark::State& state) {
    addAndFree<TEntity, TElement>(state);
}
void BM_Quick(benchmark::State& state) {
    addAndFree<TQuickEntity, TElement>(state);
}

// One round: a new thread builds 2,000,000 coordinates, the main thread frees them. Five rounds;
// resident size after the first and the last round, and the growth in between. Argument 0: all in
// one container (one list block of 16 MB); otherwise in lines of that many vertices each, as a
// loaded layer holds them.
void BM_CrossThreadRounds(benchmark::State& state) {
    constexpr int Coordinates = 2'000'000;
    const int perLine = int(state.range(0));
    double firstMb = 0, lastMb = 0;
    for (auto _ : state) {
        TQuickEntity* built = nullptr;
        QThread* worker = QThread::create([&built, perLine] {
            auto* c = new TQuickEntity;
            if (perLine == 0) {
                for (int i = 0; i < Coordinates; ++i) c->AddElement(new T2DCoordinate(i, -i));
            } else {
                for (int i = 0; i < Coordinates; i += perLine) {
                    auto* line = new TQuickEntity;
                    for (int j = i; j < i + perLine; ++j) line->AddElement(new T2DCoordinate(j, -j));
                    c->AddElement(line);
                }
            }
            built = c;
        });
        worker->start();
        worker->wait();
        delete worker;
        delete built;
        lastMb = double(benchproc::statusKb("VmRSS:")) / 1024;
        if (firstMb == 0) firstMb = lastMb;
    }
    state.counters["rss_first_MB"] = firstMb;
    state.counters["rss_last_MB"] = lastMb;
    state.counters["growth_%"] = (lastMb - firstMb) / firstMb * 100;
}

void BM_RegistryLookup(benchmark::State& state) {
    QStringList names;
    for (int i = 0; i < ZeltoClasses()->ElementsCount(); ++i) names << ZeltoClasses()->Entry(i)->GetName();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetZeltoClass(names[i]));
        if (++i == names.size()) i = 0;
    }
    state.counters["classes"] = double(names.size());
}

void BM_CreateByName(benchmark::State& state) {
    for (auto _ : state) {
        TElement* e = CreateElementByName(QStringLiteral("TStringEntity"));
        benchmark::DoNotOptimize(e);
        delete e;
    }
}

} // namespace

BENCHMARK(BM_OwnerKeeping)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OwnerKeepingEntities)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrossThreadRounds)->Arg(0)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistryLookup);
BENCHMARK(BM_CreateByName);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
