// Shared set-up of the map application's tests: the platform seams point at a temporary public
// folder and a fake application event service, and small map directories and project files are
// written on demand (solid-coloured tiles, so that a tile's pixels can be found on the picture).
#pragma once

#include "Kordlin_Main.h"
#include "TiledMap.h"
#include "UiKit.h"

#include "framework/Notifier.h"
#include "platform/AppEvents.h"
#include "platform/StorageFolders.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <ostream>

// Readable test output for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << c.name(QColor::HexArgb).toStdString();
}

namespace apptest {

// One tile matrix as written into a map description.
struct Matrix {
    QString id;
    QString minX, minY, tileWidth, tileHeight, overX, overY, matrixWidth, matrixHeight;

    static Matrix grid(const QString& id, int minX, int minY, int tile, int columns, int rows,
                       double over = 0) {
        return {id,
                QString::number(minX),
                QString::number(minY),
                QString::number(tile),
                QString::number(tile),
                QString::number(over),
                QString::number(over),
                QString::number(columns),
                QString::number(rows)};
    }
};

struct MapDesc {
    QString name;
    QString ext = QStringLiteral("png");
    QString dir; // subdirectory of the map directory ("dir" of Tiles.xml)
    std::vector<Matrix> matrices;
};

// The colour of tile (c, r) of level `level`: distinct for small grids.
inline QColor tileColor(int level, int c, int r) {
    return QColor(30 + 40 * (c % 6), 30 + 40 * (r % 6), 40 + 70 * (level % 3));
}

// The description of one map (the element that Tiles.xml lists and that MapTiles.xml is).
QString mapElement(const MapDesc& map, bool withDir);
// Tiles.xml listing the maps.
QString tilesXml(const std::vector<MapDesc>& maps);
void writeText(const QString& path, const QString& text);
void writeBytes(const QString& path, const QByteArray& bytes);
// Writes the solid-coloured tiles of every level of the map into dir (16 x 16 pixels each).
void writeTiles(const QString& dir, const MapDesc& map, int pixels = 16);
// A project file with the entries (layer, file) in order.
QString projectXml(const std::vector<std::pair<QString, QString>>& entries);

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& relative) const { return m_temp.filePath(relative); }
    QString publicDir() const { return path(QStringLiteral("public")); }
    QString systemDir() const { return path(QStringLiteral("public/map/system")); }
    QStringList messages() const { return zelto::recordingNotifier()->messages(); }
    QStringList protocols() const { return zelto::recordingNotifier()->protocols(); }

    // A map directory with the maps of Tiles.xml (each in its "dir") and their tiles.
    QString makeMapDir(const QString& relative, const std::vector<MapDesc>& maps);
    // A subdirectory map with its MapTiles.xml and tiles.
    void addSubdirectoryMap(const QString& mapDir, const QString& sub, const MapDesc& map);
    // A project file next to a map directory "maps" (relative) holding the given maps.
    QString makeProject(const QString& relative, const std::vector<MapDesc>& maps);

    std::unique_ptr<zelto::TMainForm> newForm() { return std::make_unique<zelto::TMainForm>(); }

    zelto::platform::FakeStorageFolders* m_folders = nullptr;
    zelto::platform::FakeAppEventService* m_appEvents = nullptr;

private:
    QTemporaryDir m_temp;
};

// Two maps: "Porostní" (Tiles.xml, dir "porostni", 2 levels) and nothing else.
MapDesc standMap();

// The picture's pixel at page (x, y).
inline QColor pixel(zelto::TMainForm& form, int x, int y) {
    return form.Image->Bitmap().pixelColor(x, y);
}

} // namespace apptest
