// The map redraw Review of a full 1920 x 1080 view on generated tiles: cold (the tile cache empty,
// every tile decoded from its file) and warm (every tile in the cache, only drawn). The tiles are
// 256 x 256 JPEG pictures named ".j", 256 m each, at 1 m per pixel: 9 x 6 tiles touch the view.
// The same view also times one frame of each gesture through the navigation controller: a pan
// frame (the snapshot blitted at an offset over the background) and a pinch frame (the snapshot
// stretched, the cross drawn), each with and without the window repaint that shows it.
// Run: build/release/bench/bench_review
#include <benchmark/benchmark.h>

#include "Kordlin_Main.h"
#include "MapCanvas.h"
#include "Navigation.h"
#include "TiledMap.h"
#include "UiKit.h"

#include "projection/e_Proje.h"

#include "map_bench.h"

#include <QPainter>

#include <memory>

using namespace zelto;

namespace {

using mapbench::MinX;
using mapbench::MinY;
using mapbench::reviewToTheEnd;
using mapbench::TileSet;

struct Fixture {
    TileSet tiles;
    std::unique_ptr<TMainForm> form;
    Fixture() {
        form = std::make_unique<TMainForm>();
        form->resize(1920, 1080);
        form->show();
        QCoreApplication::processEvents();
        TTiledMapController& map = form->TiledMap();
        map.LoadMap(tiles.mapDir());
        map.MapChangeActive = true;
        // 1 m per pixel, the view's corner off the tile grid so that edge tiles are cut.
        form->Projection()->ChangeProjection(MinX + 2000.5 + 960, MinY + 1500.5 + 540, 5333);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The redraw's work alone: one slice long enough for all of it.
void BM_ReviewCold(benchmark::State& state) {
    Fixture& f = fixture();
    TTiledMapController& map = f.form->TiledMap();
    f.form->MapCanvas().SetSliceBudgetMs(60'000);
    for (auto _ : state) {
        map.Tiles.Clear();
        map.Review();
    }
    f.form->MapCanvas().SetSliceBudgetMs(12);
    if (map.Tiles.Count() == 0) state.SkipWithError("no tile was drawn");
    if (map.Reviewing) state.SkipWithError("the redraw did not finish in one slice");
    state.counters["tiles"] = map.Tiles.Count();
    const QImage& picture = f.form->MapCanvas().Picture();
    state.counters["bitmap_px"] = double(picture.width()) * picture.height();
}
BENCHMARK(BM_ReviewCold)->Unit(benchmark::kMillisecond);

// The same in the window's slices of 12 ms, the event loop turning between them.
void BM_ReviewColdSliced(benchmark::State& state) {
    Fixture& f = fixture();
    TTiledMapController& map = f.form->TiledMap();
    for (auto _ : state) {
        map.Tiles.Clear();
        reviewToTheEnd(map);
    }
    if (map.Tiles.Count() == 0) state.SkipWithError("no tile was drawn");
    state.counters["tiles"] = map.Tiles.Count();
}
BENCHMARK(BM_ReviewColdSliced)->Unit(benchmark::kMillisecond);

void BM_ReviewWarm(benchmark::State& state) {
    Fixture& f = fixture();
    TTiledMapController& map = f.form->TiledMap();
    reviewToTheEnd(map); // fills the cache
    const int decoded = map.Tiles.Count();
    for (auto _ : state) reviewToTheEnd(map);
    if (map.Tiles.Count() != decoded) state.SkipWithError("a warm redraw decoded tiles");
    state.counters["tiles"] = map.Tiles.Count();
}
BENCHMARK(BM_ReviewWarm)->Unit(benchmark::kMillisecond);

// One frame of a drag: the controller paints the snapshot shifted onto the map bitmap. The
// finger alternates between two places, so that no event repeats the previous location.
void panFrames(benchmark::State& state, bool repaint) {
    Fixture& f = fixture();
    TNavigationController& nav = f.form->Navigation();
    TPageProjection* P = f.form->Projection();
    const double cx = P->GetCenterX(), cy = P->GetCenterY(), scale = P->GetScale();
    reviewToTheEnd(f.form->TiledMap()); // the snapshot is the finished picture
    nav.ZoomTimerTimer();
    TGestureEventInfo e;
    e.GestureID = TGestureKind::Pan;
    bool handled = false;
    e.Location = QPointF(960, 540);
    e.Flags = gfBegin;
    nav.FormGesture(nullptr, e, handled);
    e.Flags = gfNone;
    const int before = nav.FramesPainted();
    int i = 0;
    for (auto _ : state) {
        e.Location = QPointF(++i % 2 ? 1003 : 987, 561);
        nav.FormGesture(nullptr, e, handled);
        if (repaint) QCoreApplication::processEvents();
    }
    if (nav.FramesPainted() - before != int(state.iterations()))
        state.SkipWithError("a frame was not painted");
    e.Flags = gfEnd;
    nav.FormGesture(nullptr, e, handled);
    P->ChangeProjection(cx, cy, scale); // the other benchmarks see the same view
}

void BM_PanFrame(benchmark::State& state) {
    panFrames(state, false);
}
BENCHMARK(BM_PanFrame)->Unit(benchmark::kMillisecond);

void BM_PanFrameShown(benchmark::State& state) {
    panFrames(state, true);
}
BENCHMARK(BM_PanFrameShown)->Unit(benchmark::kMillisecond);

// One frame of a pinch: new scale around the fingers' midpoint, the snapshot stretched into its
// model rectangle, the cross. The fingers alternate between spread (the snapshot enlarged over
// the whole picture) and closed (reduced, with background around it).
void pinchFrames(benchmark::State& state, bool repaint) {
    Fixture& f = fixture();
    TNavigationController& nav = f.form->Navigation();
    TPageProjection* P = f.form->Projection();
    const double cx = P->GetCenterX(), cy = P->GetCenterY(), scale = P->GetScale();
    f.form->TiledMap().Review();
    nav.ZoomTimerTimer();
    TGestureEventInfo e;
    e.GestureID = TGestureKind::Zoom;
    e.Location = QPointF(900, 500);
    e.Distance = 200;
    e.Flags = gfBegin;
    bool handled = false;
    nav.FormGesture(nullptr, e, handled);
    e.Flags = gfNone;
    const int before = nav.FramesPainted();
    int i = 0;
    for (auto _ : state) {
        e.Distance = ++i % 2 ? 300 : 150;
        nav.FormGesture(nullptr, e, handled);
        if (repaint) QCoreApplication::processEvents();
    }
    if (nav.FramesPainted() - before != int(state.iterations()))
        state.SkipWithError("a frame was not painted");
    e.Flags = gfEnd;
    nav.FormGesture(nullptr, e, handled);
    nav.ZoomTimerTimer();
    P->ChangeProjection(cx, cy, scale); // the other benchmarks see the same view
}

void BM_PinchFrame(benchmark::State& state) {
    pinchFrames(state, false);
}
BENCHMARK(BM_PinchFrame)->Unit(benchmark::kMillisecond);

void BM_PinchFrameShown(benchmark::State& state) {
    pinchFrames(state, true);
}
BENCHMARK(BM_PinchFrameShown)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The form goes before the application object.
    return mapbench::benchMain(argc, argv, [] { fixture().form.reset(); });
}
