// The host's import of a layer from another device without the window: a layer file of 10,000
// objects (4,000 lines of 20 vertices, 3,000 points, 3,000 notes each naming a photo and a
// recording) read, checked, added to the open project and written into the project's layer file.
//
//   bench_import [--runs N]
//
// Writes the demo project (60 stand groups, no raster maps, no clearings), opens it in a map window
// (offscreen), writes the layer file with 100 photos and 100 recordings beside it (the other notes
// name files that are not there, as after a partial copy) and times N remote imports (default 10)
// of each mode: 1 (a new layer each time), 2 (replacing the layer's contents) and 3 (adding to
// them; the layer grows by 10,000 objects each time). Prints the median and the worst in ms.
#include "ImportLayer.h"
#include "Kordlin_Main.h"
#include "Layers.h"
#include "SecondaryWindows.h"

#include "framework/E_Type.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryEx.h"
#include "persistence/T_Saver.h"
#include "platform/Location.h"
#include "platform/StorageFolders.h"
#include "sample.h"
#include "startup/Init.h"
#include "topobjects/e_TopolElements.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace zelto;

constexpr int Lines = 4000, Points = 3000, Notes = 3000, Files = 100;

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// The layer file of the other device, with its note files.
bool writeLayer(const QString& file, double x0, double y0) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ux(0, 3000), uy(0, 3000), step(-20, 20);
    auto layer = std::make_unique<TComplicatedGECollection>();
    layer->SetName(QStringLiteral("Prevzato"));
    layer->SetText(QStringLiteral("Převzatá data"));
    layer->SetVisible(true);
    TComplicatedGECollection* l = layer->GetLayer(QStringLiteral("L"));
    for (int i = 0; i < Lines; ++i) {
        auto* line = new TPolyLineElement;
        double x = x0 + ux(rng), y = y0 + uy(rng);
        for (int v = 0; v < 20; ++v, x += step(rng), y += step(rng)) line->AddXY(x, y);
        line->RecalculateRect();
        auto* object = TLayersController::LineObjectOf(line);
        object->SetName(QStringLiteral("linie %1").arg(i));
        l->AddAndUpdateRect(object);
    }
    TComplicatedGECollection* p = layer->GetLayer(QStringLiteral("P"));
    for (int i = 0; i < Points; ++i) {
        auto* point = new Tgis_PointElement;
        const double x = x0 + ux(rng), y = y0 + uy(rng);
        point->SetByDoubleRect({x, y, x, y});
        p->AddAndUpdateRect(point);
    }
    TComplicatedGECollection* n = layer->GetLayer(QStringLiteral("N"));
    const QString dir = QFileInfo(file).path() + QLatin1Char('/');
    for (int i = 0; i < Notes; ++i) {
        auto* note = new Tgis_Note;
        const double x = x0 + ux(rng), y = y0 + uy(rng);
        note->SetByDoubleRect({x, y, x, y});
        note->SetText(QStringLiteral("poznámka %1").arg(i));
        note->CheckImages();
        note->CheckAudios();
        const QString photo = QStringLiteral("KLIMG_20261211_%1.jpg").arg(i, 6, 10, QLatin1Char('0'));
        const QString audio = QStringLiteral("KLAUD_20261211_%1.mp3").arg(i, 6, 10, QLatin1Char('0'));
        note->GetImages()->AddNameString(photo, QStringLiteral("Foto"));
        note->GetAudios()->AddNameString(audio, QStringLiteral("Hlas"));
        if (i < Files) {
            writeFile(dir + QStringLiteral("img/") + photo, QByteArray(20000, char('a' + i % 26)));
            writeFile(dir + QStringLiteral("audio/") + audio, QByteArray(40000, char('A' + i % 26)));
        }
        n->AddAndUpdateRect(note);
    }
    layer->ResetAndUpdate();
    TSave save(file);
    save.SetNoProgress(true);
    save.SetInput(layer.get());
    save.DoIt();
    return QFileInfo(file).size() > 0;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s median %8.1f ms   worst %8.1f ms   (%zu runs)\n", what, ms[ms.size() / 2], ms.back(),
                ms.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Imports per mode."),
                                        QStringLiteral("N"), QStringLiteral("10"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = parser.value(runsOption).toInt();
    if (runs <= 0) {
        std::fprintf(stderr, "bench_import: --runs wants a positive number\n");
        return 2;
    }
    zelto::init();

    // A small demo forest without maps or clearings: the import is what is timed.
    QTemporaryDir dir;
    zsample::Options demo;
    demo.outDir = dir.filePath(QStringLiteral("public"));
    demo.tiles = false;
    demo.groups = 60;
    demo.userAreas = 0;
    const zsample::Result sample = zsample::generate(demo);
    platform::setStorageFolders(std::make_unique<platform::FakeStorageFolders>(
        demo.outDir, dir.filePath(QStringLiteral("downloads"))));
    platform::setLocationSource(std::make_unique<platform::InjectedLocationSource>());

    registerImportWindow();
    createSecondaryWindows();
    auto form = std::make_unique<TMainForm>();
    form->resize(1280, 800);
    form->SetDataOnBackGround(false);
    form->SetUser(QStringLiteral("demo"));
    if (!form->LoadProject(sample.opxPath)) {
        std::fprintf(stderr, "the demo project did not open\n");
        return 1;
    }
    const zsample::Point corner = sample.groups.front().parts.front().outer.front();
    const QString file = dir.filePath(QStringLiteral("downloads/predani/prevzato.zlt"));
    if (!writeLayer(file, corner.x, corner.y)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("layer file: %d objects, %lld bytes\n", Lines + Points + Notes,
                static_cast<long long>(QFileInfo(file).size()));

    TImportLayer_Form* window = form->ImportWindow();
    QElapsedTimer t;
    for (int mode : {1, 2, 3}) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            t.start();
            const int result = window->RemoteStart(true, file, false, mode, QString());
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
            if (result != 0) {
                std::fprintf(stderr, "mode %d answered %d\n", mode, result);
                return 1;
            }
        }
        const char* what = mode == 1   ? "mode 1: a new layer of 10,000 objects"
                           : mode == 2 ? "mode 2: replace a layer by 10,000 objects"
                                       : "mode 3: add 10,000 objects to a layer";
        report(what, ms);
    }
    std::printf(
        "  layers: %d, objects in \"Prevzato\": %d lines\n", form->Layers().Layers()->ElementsCount(),
        form->Layers().Layers_Layer(QStringLiteral("Prevzato"), QStringLiteral("L"))->ElementsCount());
    form.reset();
    destroySecondaryWindows();
    platform::setStorageFolders(nullptr);
    platform::setLocationSource(nullptr);
    return 0;
}
