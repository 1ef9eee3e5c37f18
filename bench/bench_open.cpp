// Opening a project with a large forest as the user does: the map must be there at once and the
// window must keep answering while the forest data are read in the background; opening it again
// must not grow the process; and the stand group under a tap must be found at once.
//
//   bench_open [--groups N] [--runs R] [--lookups L]
//
// Writes a demo project of N stand groups (default 50,000) without raster maps and gives it the
// textured tile map of the redraw benchmarks, then opens it R times (default 5) in one map window
// (1280 x 800, offscreen), each time measuring: the wall time from the opening until OnMapReady
// and until OnDataReady, and the longest gap between the ticks of a 10 ms timer from the opening
// until the data are there (the window's longest stall, the opening's own work included); then
// the resident size once the previous model has been freed. Last, L lookups (default 10,000) of
// the stand group at points inside the groups, once cold and once warm.
#include "map_bench.h"

#include "Forest.h"
#include "Kordlin_Main.h"

#include "bench_process.h"
#include "forest/e_LHCModel.h"
#include "platform/Location.h"
#include "platform/StorageFolders.h"
#include "sample.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace zelto;

struct Options {
    int groups = 50000;
    int runs = 5;
    int lookups = 10000;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (i + 1 >= argc) return false;
        const int v = QString::fromLocal8Bit(argv[++i]).toInt();
        if (v <= 0) return false;
        if (a == QLatin1String("--groups"))
            o.groups = v;
        else if (a == QLatin1String("--runs"))
            o.runs = v;
        else if (a == QLatin1String("--lookups"))
            o.lookups = v;
        else
            return false;
    }
    return true;
}

// Lets the event loop run for `ms` milliseconds.
void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: bench_open [--groups N] [--runs R] [--lookups L]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zelto::init();

    QTemporaryDir dir;
    zsample::Options so;
    so.outDir = dir.filePath(QStringLiteral("public"));
    so.groups = o.groups;
    so.tiles = false;
    std::printf("writing a project of %d stand groups ...\n", o.groups);
    std::fflush(stdout);
    const zsample::Result sample = zsample::generate(so);
    // The redraw benchmarks' tile map with an overview level over it (5 x 4 tiles of 2048 m), as
    // a real map's pyramid has: the whole map in view decodes the overview, not 1,200 tiles.
    mapbench::TileSet tiles;
    {
        QImage overview(mapbench::TilePixels, mapbench::TilePixels, QImage::Format_RGB32);
        overview.fill(QColor(60, 110, 50));
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 4; ++r)
                overview.save(QStringLiteral("%1/ortofoto/O_%2-%3.j").arg(tiles.mapDir()).arg(c).arg(r),
                              "jpeg");
        QFile xml(tiles.mapDir() + QStringLiteral("/Tiles.xml"));
        xml.open(QIODevice::WriteOnly);
        const QString matrix =
            QStringLiteral("<M><ID>%1</ID><MinX>%2</MinX><MinY>%3</MinY><TileWidth>%4</TileWidth>"
                           "<TileHeight>%4</TileHeight><OverX>0</OverX><OverY>0</OverY>"
                           "<MatrixWidth>%5</MatrixWidth><MatrixHeight>%6</MatrixHeight></M>");
        xml.write(
            (QStringLiteral(
                 "<Maps><Map><name>Ortofoto</name><ext>j</ext><dir>ortofoto</dir><TileMatrixSet>") +
             matrix.arg(QStringLiteral("O")).arg(mapbench::MinX).arg(mapbench::MinY).arg(2048).arg(5).arg(4) +
             matrix.arg(QStringLiteral("T"))
                 .arg(mapbench::MinX)
                 .arg(mapbench::MinY)
                 .arg(256)
                 .arg(mapbench::Columns)
                 .arg(mapbench::Rows) +
             QStringLiteral("</TileMatrixSet></Map></Maps>"))
                .toUtf8());
    }
    const QString opx = QFileInfo(sample.forestPath).absolutePath() + QStringLiteral("/bench.opx");
    {
        QFile f(opx);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project>"
                               "<Entry><Layer>Map</Layer><File>%1</File></Entry>"
                               "<Entry><Layer>Det</Layer><File>%2</File></Entry></Project>\n")
                    .arg(tiles.mapDir(), QFileInfo(sample.forestPath).fileName())
                    .toUtf8());
    }
    std::printf("forest data: %s, %.1f MB\n", qPrintable(QFileInfo(sample.forestPath).fileName()),
                double(QFileInfo(sample.forestPath).size()) / 1e6);
    platform::setStorageFolders(
        std::make_unique<platform::FakeStorageFolders>(so.outDir, dir.filePath(QStringLiteral("downloads"))));
    platform::setLocationSource(std::make_unique<platform::InjectedLocationSource>());

    auto form = std::make_unique<TMainForm>();
    form->resize(1280, 800);
    form->show();
    form->SetDataOnBackGround(true);
    form->SetUser(QStringLiteral("demo"));
    double mapAt = -1, dataAt = -1;
    QElapsedTimer clock;
    form->SetOnMapReady([&](TElement*) { mapAt = double(clock.nsecsElapsed()) / 1e6; });
    form->SetOnDataReady([&](TElement*) { dataAt = double(clock.nsecsElapsed()) / 1e6; });

    std::printf("%4s %12s %12s %12s %14s %10s\n", "run", "call_ms", "map_ms", "data_ms", "longest_gap_ms",
                "rss_MB");
    std::vector<double> rss;
    for (int run = 1; run <= o.runs; ++run) {
        mapAt = dataAt = -1;
        double last = 0, gap = 0;
        QTimer tick;
        tick.setInterval(10);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            if (dataAt < 0) gap = std::max(gap, now - last);
            last = now;
        });
        tick.start();
        clock.start();
        form->LoadProject(opx);
        const double call = double(clock.nsecsElapsed()) / 1e6;
        while (dataAt < 0 || mapAt < 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        gap = std::max(gap, dataAt - last);
        tick.stop();
        // The previous project's model is freed on a worker thread meanwhile.
        spin(3000);
        rss.push_back(double(benchproc::statusKb("VmRSS:")) / 1024);
        std::printf("%4d %12.1f %12.1f %12.1f %14.1f %10.1f\n", run, call, mapAt, dataAt, gap, rss.back());
        std::fflush(stdout);
    }
    if (rss.size() > 1)
        std::printf("resident size, last run against the first: %+.1f %%\n",
                    (rss.back() / rss.front() - 1) * 100);

    // The stand group at points inside the groups (where a forester taps).
    std::vector<zsample::Point> points;
    std::mt19937 rng(3);
    std::uniform_int_distribution<size_t> pick(0, sample.groups.size() - 1);
    for (int i = 0; i < o.lookups; ++i) {
        const zsample::GroupInfo& g = sample.groups[pick(rng)];
        points.push_back(g.parts.front().label);
    }
    TForestController& forest = form->Forest();
    for (const char* pass : {"cold", "warm"}) {
        int found = 0;
        QElapsedTimer t;
        t.start();
        for (const zsample::Point& p : points)
            if (forest.FindForestSimple(p.x, p.y)) ++found;
        const double us = double(t.nsecsElapsed()) / 1e3 / double(points.size());
        std::printf("lookup %s: %.2f us per point, %d of %zu found\n", pass, us, found, points.size());
    }
    form.reset();
    platform::setStorageFolders(nullptr);
    platform::setLocationSource(nullptr);
    return 0;
}
