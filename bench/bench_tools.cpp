// The tools under the finger: a tap in the line tool on a line of 10,000 vertices (the vertex pick
// and the redraw of the edit overlays), and a map-view tap that looks for notes, lines and areas
// among 5,000 user objects and then for the stand group under it, on the demo forest.
//
//   bench_tools [--taps N]
//
// Writes the demo project (600 stand groups, 3,000 clearings) without raster maps, adds 1,000
// lines of 20 vertices and 1,000 notes to the layer "User", opens it in a map window of 1280 x 800
// (offscreen) at 1 : 5000 over the forest, and times N taps (default 2,000) of each kind at seeded
// random points of the view. Prints the median, the 95th percentile and the worst tap in ms.
#include "Forest.h"
#include "Kordlin_Main.h"
#include "Layers.h"
#include "MapCanvas.h"
#include "Tools.h"
#include "demo_form.h"

#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryEx.h"
#include "projection/e_Proje.h"
#include "sample.h"
#include "startup/Init.h"
#include "topobjects/e_TopolElements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace zelto;

struct Figures {
    double median = 0, p95 = 0, worst = 0;
};

Figures figures(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    Figures f;
    if (ms.empty()) return f;
    f.median = ms[ms.size() / 2];
    f.p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    f.worst = ms.back();
    return f;
}

void report(const char* what, const std::vector<double>& ms) {
    const Figures f = figures(ms);
    std::printf("%-44s median %7.3f ms   p95 %7.3f ms   worst %7.3f ms   (%zu taps)\n", what, f.median, f.p95,
                f.worst, ms.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    int taps = 2000;
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--taps")) taps = std::atoi(argv[2]);
    if (taps <= 0 || (argc != 1 && argc != 3)) {
        std::fprintf(stderr, "usage: bench_tools [--taps N]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zelto::init();

    zsample::Options so;
    so.userAreas = 3000;
    benchdemo::DemoForm demo(so);
    if (!demo.Form()) return 1;
    TMainForm* form = demo.Form();
    const zsample::Result& sample = demo.Sample;
    TPageProjection& P = *form->Projection();
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const zsample::GroupInfo& g : sample.groups)
        for (const zsample::Point& p : g.parts.front().outer) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }

    // 1,000 lines and 1,000 notes more in "User"; with the clearings 5,000 user objects.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> ux(minX, maxX), uy(minY, maxY), step(-30, 30);
    TComplicatedGECollection* lines =
        form->Layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("L"));
    TComplicatedGECollection* notes =
        form->Layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("N"));
    for (int i = 0; i < 1000; ++i) {
        auto* line = new TPolyLineElement;
        double x = ux(rng), y = uy(rng);
        for (int v = 0; v < 20; ++v, x += step(rng), y += step(rng)) line->AddXY(x, y);
        line->RecalculateRect();
        lines->AddAndUpdateRect(TLayersController::LineObjectOf(line));
        auto* note = new Tgis_Note;
        const double nx = ux(rng), ny = uy(rng);
        note->SetByDoubleRect({nx, ny, nx, ny});
        note->SetName(QStringLiteral("Poznámka"));
        notes->AddAndUpdateRect(note);
    }
    int objects = 0;
    for (TElement* layer : form->Layers().Layers()->FElements)
        for (TElement* sub : static_cast<TEntity*>(layer)->FElements)
            objects += static_cast<TEntity*>(sub)->ElementsCount();
    form->Layers().Changed();
    P.SetScale(5000);
    P.SetCenterPoint((minX + maxX) / 2, (minY + maxY) / 2);
    form->Review();
    while (form->MapCanvas().Running()) QCoreApplication::processEvents();
    std::printf("user objects: %d; stand groups: %zu; view %d x %d at 1 : 5000\n", objects,
                sample.groups.size(), form->width(), form->height());

    TToolsController& tools = form->Tools();
    std::uniform_real_distribution<double> px(0, 1280 * form->devicePixelRatioF()),
        py(0, 800 * form->devicePixelRatioF());
    std::vector<double> ms;
    QElapsedTimer t;
    int callouts = 0;
    for (int i = 0; i < taps; ++i) {
        const float x = float(px(rng)), y = float(py(rng));
        t.start();
        tools.ImageTap(x, y);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (tools.CalloutVisible()) ++callouts;
        // What a tap asked to flash or darken goes with the next redraw, as it does for the user.
        form->Forest().AreaBlinked = false;
    }
    report("map-view tap (notes, lines, areas, stand group)", ms);
    std::printf("  callouts opened: %d of %d taps\n", callouts, taps);

    // A line of 10,000 vertices in the line tool, wandering over the view.
    if (!tools.ChangeActiveTool(ToolLines) || !tools.MLine) {
        std::fprintf(stderr, "the line tool did not start\n");
        return 1;
    }
    const double w = P.GetModelLength(1200), h = P.GetModelLength(700);
    const double x0 = P.GetModelX(40), y0 = P.GetModelY(760);
    for (int v = 0; v < 10000; ++v) {
        const double a = v / 10000.0;
        tools.MLine->AddXY(x0 + w * a, y0 + h * (0.5 + 0.45 * std::sin(a * 60)));
    }
    tools.MLine->RecalculateRect();
    tools.MLineActivePoint = 5000;
    ms.clear();
    for (int i = 0; i < std::min(taps, 50); ++i) {
        // Both edit overlays drawn anew, as after a pan or zoom.
        t.start();
        tools.RedrawOverlays();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("line tool: both overlays of 10,000 vertices", ms);
    ms.clear();
    std::vector<double> adds;
    std::uniform_int_distribution<int> vertex(0, 9999);
    for (int i = 0; i < taps; ++i) {
        // A tap on a vertex selects it (the pick and both overlays redrawn).
        const int k = vertex(rng);
        const float x = float(P.GetPageX(tools.MLine->GetX(k))), y = float(P.GetPageY(tools.MLine->GetY(k)));
        t.start();
        tools.ImageTap(x, y + 3);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("line tool: pick a vertex of 10,000", ms);
    const int before = tools.MLine->GetCoordsCount();
    for (int i = 0; i < std::min(taps, 200); ++i) {
        // A tap far from the line (and 60 pixels from the vertex added before) adds a vertex after
        // the last one.
        tools.MLineActivePoint = tools.MLine->GetCoordsCount() - 1;
        t.start();
        tools.ImageTap(20.0f + 60.0f * float(i), 10.0f);
        adds.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("line tool: add a vertex to 10,000", adds);
    std::printf("  vertices added: %d\n", tools.MLine->GetCoordsCount() - before);
    tools.ProjectClosing();
    return 0;
}
