// zelto-sample: writes a complete demo forest project into a public (shared documents) folder.
//
//   DIR/map/system/            PSYMB.zlt (point symbols), Zn.zlt (kind catalogue),
//                              HicSuntLeones.png (the picture shown for a missing map tile)
//   DIR/map/project/NAME/      the project's working directory: USERLAYERS_<user>.xml, the
//                              user layers UDSML_NAME_<layer>.zlt and their local settings
//                              UDSM_NAME.zlt
//   DIR/NAME/                  NAME.opx, NAME_lhc.zlt (forest data), NAME.nmea (a GPS walk),
//                              maps/Tiles.xml with the JPEG tiles of the stand map in
//                              maps/porostni/, and maps/vekova/ with MapTiles.xml and PNG tiles
//
// Everything is a function of the seed: the same options give byte-identical files.
#pragma once

#include "framework/Errors.h"

#include <QRgb>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <vector>

namespace zsample {

// A failure the user can act on (bad option, unwritable folder); reported as "zelto-sample: " +
// message with a non-zero exit status.
class SampleError : public zelto::EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

struct Options {
    QString outDir;   // the public folder to fill
    int groups = 600; // stand groups of the forest
    std::uint64_t seed = 1;
    bool tiles = true; // render the two raster maps
    QString user = QStringLiteral("demo");
    QString project = QStringLiteral("demo");
    int userAreas = 300; // clearings in the clearing layer
    // Also write the stand-boundary line set here (every shared boundary once, as a text line
    // file "x1 y1 x2 y2 ..." in model metres); empty: none.
    QString linesPath;
};

inline constexpr int MinGroups = 1;
inline constexpr int MaxGroups = 100000;
inline constexpr int MinUserAreas = 0;
inline constexpr int MaxUserAreas = 10000;

struct Point {
    double x = 0, y = 0;
};
using Ring = std::vector<Point>; // closed: the last vertex repeats the first

// One connected piece of a stand group: its outer ring (clockwise, Y up) and its holes.
struct GroupPart {
    Ring outer;
    std::vector<Ring> holes;
    Point label; // where the part's label is drawn; well inside the part
};

// A stand group as written, with what the maps show of it.
struct GroupInfo {
    int division = 0;  // number of its division
    QString dilec;     // letter of its dílec
    QString stand;     // number of its stand, as text
    QString name;      // the group's own name ("1a")
    int vekSt = 0;     // age class
    double areaHa = 0; // area of the geometry, hectares
    std::vector<GroupPart> parts;
};

// One tile matrix of a map as written to its description file.
struct TileLevel {
    QString id;
    double pixelSize = 0; // model metres per pixel
    int minX = 0, minY = 0, tileWidth = 0, tileHeight = 0;
    double overX = 0, overY = 0;
    int matrixWidth = 0, matrixHeight = 0;
    int tilePixels = 0; // width and height of a tile picture
};

struct Result {
    QString opxPath;    // absolute
    QString forestPath; // the forest data file
    int lines = 0;      // boundary lines written to Options::linesPath
    QString mapsDir;    // the project's map directory
    QString nmeaPath;
    QString systemDir; // DIR/map/system
    QString workDir;   // DIR/map/project/NAME
    QString userLayersPath;
    QStringList layerPaths;  // the user layer files written
    QString localLayersPath; // the local settings of the user layers
    int clearings = 0;
    std::vector<GroupInfo> groups; // in the order of the hierarchy
    std::vector<TileLevel> standMapLevels, ageMapLevels;
    int tileFiles = 0;
    int fixes = 0; // GPS fixes in the NMEA log
    double totalHa = 0;
};

// Writes the project. Raises SampleError for bad options or files that cannot be written.
Result generate(const Options& options);

// The command line: `args` without the program name. Prints a short summary and, on its last
// line, the absolute path of the project file; answers the exit status (0, 1 failure, 2 usage).
int runSample(const QStringList& args, QTextStream& out, QTextStream& err);

// The fill colours of the two maps by age class (0 = clearing, 1..14 decades).
enum class MapStyle { Stand, Age };
QRgb ageClassColor(int vekSt, MapStyle style);
inline constexpr int MaxAgeClass = 14;

} // namespace zsample
