// Shared by the map redraw benchmarks: a generated map directory (one level of 40 x 30 textured
// JPEG tiles named ".j", 256 x 256 pixels and 256 m each, from model (MinX, MinY)), a whole redraw,
// and the program's main.
#pragma once

#include "TiledMap.h"

#include "startup/Init.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <random>

namespace mapbench {

constexpr int TilePixels = 256;
constexpr int Columns = 40, Rows = 30;
constexpr int MinX = -600000, MinY = -1100000;

// A map directory with one level of textured JPEG tiles (seeded noise over a gradient, so that
// decoding costs what a real orthophoto tile costs).
struct TileSet {
    QTemporaryDir dir;
    TileSet() {
        const QString maps = dir.filePath(QStringLiteral("maps"));
        QDir().mkpath(maps + QStringLiteral("/ortofoto"));
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> noise(-40, 40);
        for (int c = 0; c < Columns; ++c)
            for (int r = 0; r < Rows; ++r) {
                QImage tile(TilePixels, TilePixels, QImage::Format_RGB32);
                for (int y = 0; y < TilePixels; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
                    for (int x = 0; x < TilePixels; ++x) {
                        const int g = 90 + (x + y + c * 7 + r * 11) % 80 + noise(rng);
                        line[x] =
                            qRgb(std::clamp(g / 2, 0, 255), std::clamp(g, 0, 255), std::clamp(g / 3, 0, 255));
                    }
                }
                QImageWriter writer(QStringLiteral("%1/ortofoto/T_%2-%3.j").arg(maps).arg(c).arg(r), "jpeg");
                writer.setQuality(80);
                writer.write(tile);
            }
        QFile xml(maps + QStringLiteral("/Tiles.xml"));
        xml.open(QIODevice::WriteOnly);
        xml.write(
            QStringLiteral("<Maps><Map><name>Ortofoto</name><ext>j</ext><dir>ortofoto</dir><TileMatrixSet>"
                           "<M><ID>T</ID><MinX>%1</MinX><MinY>%2</MinY><TileWidth>256</TileWidth>"
                           "<TileHeight>256</TileHeight><OverX>0</OverX><OverY>0</OverY>"
                           "<MatrixWidth>%3</MatrixWidth><MatrixHeight>%4</MatrixHeight></M>"
                           "</TileMatrixSet></Map></Maps>")
                .arg(MinX)
                .arg(MinY)
                .arg(Columns)
                .arg(Rows)
                .toUtf8());
    }
    QString mapDir() const { return dir.filePath(QStringLiteral("maps")); }
};

// A whole redraw: its first slice runs in Review, the rest from the event loop.
inline void reviewToTheEnd(zelto::TTiledMapController& map) {
    map.Review();
    while (map.Reviewing) QCoreApplication::processEvents();
}

// Runs the registered benchmarks offscreen (unless a platform is named); `beforeQuit` frees what
// must go before the application object.
inline int benchMain(int argc, char** argv, const std::function<void()>& beforeQuit) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zelto::init();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    beforeQuit();
    return 0;
}

} // namespace mapbench
