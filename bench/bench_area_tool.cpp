// The area tool under the finger: a tap that builds a new area from the stand group's boundary,
// the construction lines and the existing areas around it (and shows it with its dialog), and a
// tap that opens an existing area, on a large forest. The quadtrees are built once, when the tool
// starts; that time is reported too.
//
//   bench_area_tool [--groups N] [--taps N]
//
// Writes the demo project with N stand groups (default 50,000) and 5,000 clearings in the layer
// "Holiny", without raster maps, adds 2,000 construction lines of 20 vertices (each crossing stand
// groups) to "Holiny", opens it in a map window of 1280 x 800 (offscreen) with "Holiny" as the
// active layer, starts the area tool and taps at seeded random points inside stand groups (default
// 300 taps) and on the reference points of a third as many clearings, answering each dialog with
// "Storno". Prints the median, the 95th percentile and the
// worst tap in ms, separately for taps that built an area and taps that opened one.
#include "Kordlin_Main.h"
#include "Layers.h"
#include "MapCanvas.h"
#include "Tools.h"
#include "demo_form.h"

#include "editing/AreaEditor.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "projection/e_Proje.h"
#include "sample.h"
#include "startup/Init.h"
#include "topobjects/e_TopolElements.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace zelto;

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("%-36s no taps\n", what);
        return;
    }
    std::printf("%-36s median %7.2f ms   p95 %7.2f ms   worst %7.2f ms   (%zu taps)\n", what,
                ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back(), ms.size());
    std::fflush(stdout);
}

bool insideRing(const zsample::Ring& ring, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        if ((ring[i].y > y) != (ring[j].y > y) &&
            x < (ring[j].x - ring[i].x) * (y - ring[i].y) / (ring[j].y - ring[i].y) + ring[i].x)
            in = !in;
    return in;
}

} // namespace

int main(int argc, char** argv) {
    int groups = 50000, taps = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString flag = QString::fromLocal8Bit(argv[i]);
        if (flag == QLatin1String("--groups"))
            groups = std::atoi(argv[i + 1]);
        else if (flag == QLatin1String("--taps"))
            taps = std::atoi(argv[i + 1]);
        else
            groups = 0;
    }
    if (groups <= 0 || taps <= 0 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: bench_area_tool [--groups N] [--taps N]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zelto::init();

    zsample::Options so;
    so.groups = groups;
    so.userAreas = 5000;
    benchdemo::DemoForm demo(so);
    if (!demo.Form()) return 1;
    TMainForm* form = demo.Form();
    const zsample::Result& sample = demo.Sample;
    TLayersController& layers = form->Layers();
    TComplicatedGECollection* holiny = layers.Layer(QStringLiteral("Holiny"));
    if (!holiny) {
        std::fprintf(stderr, "the demo project has no layer Holiny\n");
        return 1;
    }
    // 2,000 construction lines, each a 20-vertex line from inside a stand group out over its edge.
    std::mt19937 rng(17);
    std::uniform_int_distribution<size_t> anyGroup(0, sample.groups.size() - 1);
    std::uniform_real_distribution<double> step(-12, 12), unit(0, 1);
    TComplicatedGECollection* lines = holiny->GetLayer(QStringLiteral("L"));
    for (int i = 0; i < 2000; ++i) {
        const zsample::Ring& ring = sample.groups[anyGroup(rng)].parts.front().outer;
        const zsample::Point a = ring[size_t(unit(rng) * double(ring.size() - 1))];
        const zsample::Point b = ring[size_t(unit(rng) * double(ring.size() - 1))];
        auto* line = new TPolyLineElement;
        for (int v = 0; v < 20; ++v) {
            const double t = -0.1 + 1.2 * v / 19.0;
            line->AddXY(a.x + t * (b.x - a.x) + (v % 19 ? step(rng) : 0),
                        a.y + t * (b.y - a.y) + (v % 19 ? step(rng) : 0));
        }
        line->RecalculateRect();
        lines->AddAndUpdateRect(TLayersController::LineObjectOf(line));
    }
    layers.Changed();
    layers.NextActualSuperLayer = holiny;
    TPageProjection& P = *form->Projection();
    P.SetScale(5000);

    TToolsController& tools = form->Tools();
    QElapsedTimer t;
    t.start();
    if (!tools.ChangeActiveTool(ToolAreas) || !form->GetEditorAre()) {
        std::fprintf(stderr, "the area tool did not start\n");
        return 1;
    }
    const double activation = double(t.nsecsElapsed()) / 1e6;
    std::printf("stand groups: %zu; clearings: %d; construction lines: %d; view %d x %d at 1 : 5000\n",
                sample.groups.size(), holiny->GetLayer(QStringLiteral("A"))->ElementsCount(),
                lines->ElementsCount(), form->width(), form->height());
    std::printf("area tool started (quadtrees of the areas and the lines) in %.1f ms\n", activation);

    TKordlinAreaEditor* editor = form->GetEditorAre();
    std::vector<double> built, opened;
    int nothing = 0;
    // The view centred on the model point and drawn, then a timed tap there; its dialog answered
    // "Storno" outside the timing.
    const auto tapAt = [&](double x, double y) {
        P.SetCenterPoint(x, y);
        form->Review();
        while (form->MapCanvas().Running()) QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        tools.ImageTap(float(P.GetPageX(x)), float(P.GetPageY(y)));
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (editor->GetEditorStatus() != gesEdit) {
            ++nothing;
            return;
        }
        (editor->GetGArea() ? opened : built).push_back(ms);
        editor->OnDialogCancel();
    };
    for (int i = 0; i < taps; ++i) {
        const zsample::GroupInfo& g = sample.groups[anyGroup(rng)];
        const zsample::Ring& ring = g.parts.front().outer;
        double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
        for (const zsample::Point& p : ring) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        double x = 0, y = 0;
        do {
            x = minX + unit(rng) * (maxX - minX);
            y = minY + unit(rng) * (maxY - minY);
        } while (!insideRing(ring, x, y));
        tapAt(x, y);
    }
    // Taps on existing clearings (their reference points), which open them.
    TComplicatedGECollection* clearings = holiny->GetLayer(QStringLiteral("A"));
    std::uniform_int_distribution<int> anyClearing(0, clearings->ElementsCount() - 1);
    for (int i = 0; i < taps / 3; ++i) {
        auto* area = zelto_cast<TGeometryElement>(clearings->Get(anyClearing(rng)));
        TGeometry* shape = area ? area->GetGeometry() : nullptr;
        if (!shape) continue;
        tapAt(shape->GetRefX(), shape->GetRefY());
    }
    report("tap that builds an area", built);
    report("tap that opens an existing area", opened);
    std::printf("  taps without an area: %d\n", nothing);
    tools.ProjectClosing();
    return 0;
}
