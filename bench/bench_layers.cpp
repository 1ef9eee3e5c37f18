// The user layers over the map: a full redraw (warm tiles, then the layer passes and the GPS
// marker) of a 1920 x 1080 view at 1 m per pixel holding 5,000 user areas (stand-like rings of 24
// to 48 vertices, every seventh with a hole), 2,000 lines of 50 vertices, 1,000 points and 1,000
// notes in five layers; and a view zoomed out over 50,000 such areas. The layers are generated
// from a seeded generator before timing; the layer passes are also timed alone.
// Run: build/release/bench/bench_layers
#include <benchmark/benchmark.h>

#include "Kordlin_Main.h"
#include "LayerPainter.h"
#include "MapCanvas.h"
#include "TiledMap.h"

#include "colors/e_Color.h"
#include "forest/e_LHCElements.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "projection/e_Proje.h"
#include "topobjects/e_TopolElements.h"

#include "map_bench.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

using namespace zelto;

namespace {

using mapbench::reviewToTheEnd;

constexpr double MetrePerPixel = 5333; // the scale at which a model metre is one pixel
constexpr int Width = 1920, Height = 1080;
constexpr int LayerCount = 5;

// A ring around (cx, cy) with radii (rx, ry) whose radius wanders by up to a sixth, as stand
// boundaries do; `n` vertices, clockwise with Y up.
template <class T> T* ring(std::mt19937& rng, double cx, double cy, double rx, double ry, int n) {
    std::uniform_real_distribution<double> wobble(-1.0 / 6, 1.0 / 6);
    auto* r = new T;
    double k = 1;
    for (int i = 0; i < n; ++i) {
        k = std::clamp(k + wobble(rng) / 2, 5.0 / 6, 7.0 / 6);
        const double a = -2 * std::numbers::pi * i / n;
        r->AddXY(cx + rx * k * std::cos(a), cy + ry * k * std::sin(a));
    }
    r->RecalculateRect();
    return r;
}

// Five visible layers with their four sub-layers.
struct Layers {
    std::unique_ptr<TOwnerEntity> root = std::make_unique<TOwnerEntity>();
    TComplicatedGECollection* sub[LayerCount][4] = {};

    Layers() {
        static const char* const kinds[] = {"A", "L", "P", "N"};
        for (int i = 0; i < LayerCount; ++i) {
            auto* layer = new TComplicatedGECollection;
            layer->SetName(QStringLiteral("Vrstva %1").arg(i));
            layer->SetColor(qint32(0xFF000000u | (0x3355AAu * quint32(i + 1) & 0xFFFFFFu)));
            layer->SetVisible(true);
            root->AddElement(layer);
            for (int k = 0; k < 4; ++k) sub[i][k] = layer->GetLayer(QLatin1String(kinds[k]));
        }
    }

    // User areas in a grid of columns x rows cells of (w, h) from (x0, y0): one per cell, reaching
    // a little over its neighbours.
    void addAreas(std::mt19937& rng, double x0, double y0, int columns, int rows, double w, double h) {
        std::uniform_int_distribution<int> vertices(24, 48);
        std::uniform_int_distribution<int> colour(1, 15);
        int n = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c, ++n) {
                const double cx = x0 + (c + 0.5) * w, cy = y0 + (r + 0.5) * h;
                auto* shape = ring<TAreaElement>(rng, cx, cy, w * 0.55, h * 0.55, vertices(rng));
                if (n % 7 == 0) shape->AddHole(ring<TAreaElement>(rng, cx, cy, w * 0.2, h * 0.2, 16));
                auto* area = new Tgis_UserAreaElement;
                area->SetGeometry(shape);
                area->SetBarva(colour(rng));
                sub[n % LayerCount][0]->AddElement(area);
            }
    }

    // Lines, points and notes scattered over the rectangle.
    void addObjects(std::mt19937& rng, double x0, double y0, double w, double h, int lines, int points) {
        std::uniform_real_distribution<double> x(x0, x0 + w), y(y0, y0 + h), turn(-0.6, 0.6), angle(0, 6.28);
        std::uniform_int_distribution<int> colour(1, 15);
        for (int i = 0; i < lines; ++i) {
            auto* geometry = new TPolyLineElement;
            double px = x(rng), py = y(rng), a = angle(rng);
            for (int v = 0; v < 50; ++v) {
                geometry->AddXY(px, py);
                a += turn(rng);
                px += 12 * std::cos(a);
                py += 12 * std::sin(a);
            }
            geometry->RecalculateRect();
            auto* line = new TTopolLineElement;
            line->SetGeometry(geometry);
            sub[i % LayerCount][1]->AddElement(line);
        }
        for (int i = 0; i < points; ++i) {
            auto* point = new Tgis_PointElement;
            const double px = x(rng), py = y(rng);
            point->SetByDoubleRect({px, py, px, py});
            point->FSymbol = 1;
            point->FColor = colour(rng);
            sub[i % LayerCount][2]->AddElement(point);
            auto* note = new Tgis_Note;
            const double nx = x(rng), ny = y(rng);
            note->SetByDoubleRect({nx, ny, nx, ny});
            sub[i % LayerCount][3]->AddElement(note);
        }
    }
};

// Symbol 1: a cross of two polylines, 4 m across.
std::unique_ptr<TOwnerEntity> symbols() {
    auto root = std::make_unique<TOwnerEntity>();
    auto* symbol = new TOwnerEntity;
    symbol->SetName(QStringLiteral("1"));
    auto* g = new TOwnerEntity;
    g->SetName(QStringLiteral("G"));
    for (int k : {-1, 1}) {
        auto* part = new TPolyLineElement;
        part->AddXY(-2, -2 * k);
        part->AddXY(2, 2 * k);
        part->RecalculateRect();
        g->AddElement(part);
    }
    symbol->AddElement(g);
    root->AddElement(symbol);
    return root;
}

struct Fixture {
    mapbench::TileSet tiles;
    std::unique_ptr<TMainForm> form;
    Layers full, zoomedOut;
    std::unique_ptr<TOwnerEntity> psymb = symbols();
    TOwnerEntity* shown = nullptr;
    std::unique_ptr<TLayerPainter> painter;
    // The view of the full layers (1 m per pixel) and of the 50,000 areas.
    const double cx = mapbench::MinX + 2000.5 + Width / 2.0, cy = mapbench::MinY + 1500.5 + Height / 2.0;
    const double zx = mapbench::MinX + 5000, zy = mapbench::MinY + 3000;

    Fixture() {
        form = std::make_unique<TMainForm>();
        form->resize(Width, Height);
        form->show();
        QCoreApplication::processEvents();
        TTiledMapController& map = form->TiledMap();
        map.LoadMap(tiles.mapDir());
        map.MapChangeActive = true;
        if (!SystemColorPalette) InitSystemColorPalette(); // the colours of the areas and points

        std::mt19937 rng(20261211);
        // 100 x 50 cells over the view: 5,000 areas of about 19 x 22 m.
        full.addAreas(rng, cx - Width / 2.0, cy - Height / 2.0, 100, 50, Width / 100.0, Height / 50.0);
        full.addObjects(rng, cx - Width / 2.0, cy - Height / 2.0, Width, Height, 2000, 1000);
        // 250 x 200 cells of 20 x 20 m: 5,000 x 4,000 m, all of it in the zoomed-out view.
        zoomedOut.addAreas(rng, zx - 2500, zy - 2000, 250, 200, 20, 20);

        TLayerPainterSource source;
        source.Layers = [this] { return shown; };
        source.PSYMB = [this] { return psymb.get(); };
        source.LayersVersion = [this] { return version; };
        painter =
            std::make_unique<TLayerPainter>(form->MapCanvas(), TLayerPainterWidgets::Find(*form), source);
        painter->Install();
    }

    // Counts the changes of the layers shown, as the layers controller does.
    quint64 version = 0;

    void showFull() {
        shown = full.root.get();
        ++version;
        form->Projection()->ChangeProjection(cx, cy, MetrePerPixel);
    }
    void showZoomedOut() {
        shown = zoomedOut.root.get();
        ++version;
        // 4,000 m over the 1,080 pixels of the view's height.
        form->Projection()->ChangeProjection(zx, zy, MetrePerPixel * 4000.0 / Height * 1.02);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// A whole redraw of the view with the tiles in the cache. `paintLayers`: the layers changed before
// every redraw, so they are painted each time (cold); otherwise the layers' picture of the first
// redraw is reused (warm).
void review(benchmark::State& state, void (Fixture::*show)(), int sliceMs, bool paintLayers) {
    Fixture& f = fixture();
    (f.*show)();
    TTiledMapController& map = f.form->TiledMap();
    f.form->MapCanvas().SetSliceBudgetMs(60'000);
    reviewToTheEnd(map); // the tiles of the view in the cache
    f.form->MapCanvas().SetSliceBudgetMs(sliceMs);
    const int decoded = map.Tiles.Count();
    const int painted = f.painter->LayerPicturePainted();
    for (auto _ : state) {
        if (paintLayers) ++f.version;
        reviewToTheEnd(map);
    }
    const int paintedNow = f.painter->LayerPicturePainted() - painted;
    if (paintLayers ? paintedNow != int(state.iterations()) : paintedNow != 0)
        state.SkipWithError("the layers were not painted as the benchmark says");
    f.form->MapCanvas().SetSliceBudgetMs(12);
    if (map.Tiles.Count() != decoded) state.SkipWithError("a warm redraw decoded tiles");
}

// The redraw's work alone: one slice long enough for all of it. Warm: the view and the layers as at
// the last redraw; cold: the layers changed, so they are painted again.
void BM_ReviewLayersWarm(benchmark::State& state) {
    review(state, &Fixture::showFull, 60'000, false);
}
BENCHMARK(BM_ReviewLayersWarm)->Unit(benchmark::kMillisecond);

void BM_ReviewLayersCold(benchmark::State& state) {
    review(state, &Fixture::showFull, 60'000, true);
}
BENCHMARK(BM_ReviewLayersCold)->Unit(benchmark::kMillisecond);

// The cold redraw in the window's 12 ms slices, the event loop turning between them.
void BM_ReviewLayersColdSliced(benchmark::State& state) {
    review(state, &Fixture::showFull, 12, true);
}
BENCHMARK(BM_ReviewLayersColdSliced)->Unit(benchmark::kMillisecond);

void BM_ReviewZoomedOut50kWarm(benchmark::State& state) {
    review(state, &Fixture::showZoomedOut, 60'000, false);
}
BENCHMARK(BM_ReviewZoomedOut50kWarm)->Unit(benchmark::kMillisecond);

void BM_ReviewZoomedOut50kCold(benchmark::State& state) {
    review(state, &Fixture::showZoomedOut, 60'000, true);
}
BENCHMARK(BM_ReviewZoomedOut50kCold)->Unit(benchmark::kMillisecond);

// Input while a cold redraw runs in the window's 12 ms slices: another thread posts an event every
// 0–4 ms, as the window system hands over touches; each waits for the slice in progress. The
// counters give the longest and the median wait, from posting to handling, in milliseconds.
class TInputProbe : public QObject {
public:
    std::vector<qint64> waits; // ns
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        const qint64 posted = static_cast<TStamped*>(e)->at;
        waits.push_back(nowNs() - posted);
        return true;
    }
    struct TStamped : QEvent {
        explicit TStamped(qint64 t) : QEvent(QEvent::User), at(t) {}
        qint64 at;
    };
    static qint64 nowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

void inputDuringColdRedraw(benchmark::State& state, void (Fixture::*show)()) {
    Fixture& f = fixture();
    (f.*show)();
    TTiledMapController& map = f.form->TiledMap();
    f.form->MapCanvas().SetSliceBudgetMs(60'000);
    reviewToTheEnd(map);
    f.form->MapCanvas().SetSliceBudgetMs(12);
    TInputProbe probe;
    for (auto _ : state) {
        ++f.version;
        std::atomic<bool> running{true};
        std::thread poster([&] {
            std::mt19937 rng(7);
            while (running) {
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 4000));
                QCoreApplication::postEvent(&probe, new TInputProbe::TStamped(TInputProbe::nowNs()));
            }
        });
        reviewToTheEnd(map);
        running = false;
        poster.join();
        QCoreApplication::processEvents(); // the last ones posted
    }
    f.form->MapCanvas().SetSliceBudgetMs(12);
    std::vector<qint64> w = probe.waits;
    if (w.empty()) return state.SkipWithError("no input arrived during the redraws");
    std::sort(w.begin(), w.end());
    state.counters["inputs"] = double(w.size());
    state.counters["wait_max_ms"] = double(w.back()) / 1e6;
    state.counters["wait_median_ms"] = double(w[w.size() / 2]) / 1e6;
}

void BM_InputDuringColdRedraw(benchmark::State& state) {
    inputDuringColdRedraw(state, &Fixture::showFull);
}
BENCHMARK(BM_InputDuringColdRedraw)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_InputDuringColdRedrawZoomedOut50k(benchmark::State& state) {
    inputDuringColdRedraw(state, &Fixture::showZoomedOut);
}
BENCHMARK(BM_InputDuringColdRedrawZoomedOut50k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The two layer passes alone, over the picture as it is.
void layersOnly(benchmark::State& state, void (Fixture::*show)()) {
    Fixture& f = fixture();
    (f.*show)();
    for (auto _ : state) f.painter->DrawLayers();
}

void BM_LayerPasses(benchmark::State& state) {
    layersOnly(state, &Fixture::showFull);
}
BENCHMARK(BM_LayerPasses)->Unit(benchmark::kMillisecond);

void BM_LayerPassesZoomedOut50k(benchmark::State& state) {
    layersOnly(state, &Fixture::showZoomedOut);
}
BENCHMARK(BM_LayerPassesZoomedOut50k)->Unit(benchmark::kMillisecond);

// Each kind of object of the full layers on its own.
void kind(benchmark::State& state, int k) {
    Fixture& f = fixture();
    f.showFull();
    for (auto _ : state)
        for (int i = 0; i < LayerCount; ++i) {
            TComplicatedGECollection* sub = f.full.sub[i][k];
            const quint32 color = quint32(f.full.root->GetAs<TComplicatedGECollection>(i)->GetColor());
            switch (k) {
            case 0:
                f.painter->DrawAreas(sub, color);
                break;
            case 1:
                f.painter->DrawLines(sub, color);
                break;
            case 2:
                f.painter->DrawPoints(sub, color);
                break;
            default:
                f.painter->DrawNotes(sub, color);
                break;
            }
        }
}
BENCHMARK_CAPTURE(kind, Areas5000, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kind, Lines2000, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kind, Points1000, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kind, Notes1000, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The painter leaves the canvas, and the form goes, before the application object.
    return mapbench::benchMain(argc, argv, [] {
        fixture().painter.reset();
        fixture().form.reset();
    });
}
