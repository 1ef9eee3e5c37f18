// The generator's steps, shared by its modules (not part of the tool's interface).
#pragma once

#include "partition.h"
#include "sample.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace zelto {
class TElement;
}

namespace zsample {

// Attributes of a stand and of a stand group beyond what GroupInfo holds.
struct StandAttributes {
    QString kats;      // categories: "10" commercial forest, "21" protective, "32" special purpose
    QString zvlStatut; // special statuses
    QString hs;        // management set
    QString slt;       // forest type group
};

struct GroupAttributes {
    int age = 0;       // years
    QString species;   // main tree species
    int stocking = 10; // tenths
    int lvs = 4;       // forest vegetation zone
};

struct ForestData {
    Layout layout;
    std::vector<GroupInfo> groups; // parallel to layout.groups (whose rings have moved here)
    std::vector<GroupAttributes> groupAttributes;
    std::vector<StandAttributes> standAttributes; // parallel to layout.stands
    int lhcNumber = 0;
    int planYear = 0;
};

// The letter of dílec number n (1 = a).
QString dilecLetter(int n);
// The name of group number k of its stand: k followed by the k-th letter ("1a", "2b", …).
QString groupName(int k);

// Writes the forest data file (a Tgis_ForestModel stream).
void writeForestFile(const ForestData& data, const QString& path);

// Writes a map's tiles under `dir` and answers its matrices, coarse to fine; counts the files.
std::vector<TileLevel> renderMap(const ForestData& data, MapStyle style, const QString& dir, int& files);
// The description files of the two maps.
QByteArray tilesXml(const QString& name, const QString& ext, const QString& dir,
                    const std::vector<TileLevel>& levels);
QByteArray mapTilesXml(const QString& name, const QString& ext, const std::vector<TileLevel>& levels);
// The picture drawn in place of a missing tile.
QByteArray placeholderPicture();

// The NMEA log of a walk along `walk`; answers the number of fixes.
QByteArray nmeaLog(const std::vector<Point>& walk, std::uint64_t seed, int& fixes);

// The system folder's symbol sets and the project's description files (a project without maps
// names none).
void writePointSymbols(const QString& path);
void writePointKinds(const QString& path);
QByteArray projectXml(const QString& mapDir, const QString& forestFile);
QByteArray userLayersXml(int planYear);

// A kind of the catalogue: point kinds name the symbol they are drawn with.
struct KindRow {
    const char* name;
    qint32 code, colour, symbol;
    char type;
    const char* className;
};
const std::vector<KindRow>& kindCatalogue();

// The layers the user's definition file names, in its order.
struct LayerDefinition {
    QString name;
    QString lays; // the sub-layers it is meant to hold
    int restriction = 0;
    int group = 0;   // 42: a layer of clearings coloured by year
    QRgb colour = 0; // the layer's colour in the local settings
};
std::vector<LayerDefinition> layerDefinitions();
inline constexpr int ClearingGroup = 42;

// The clearing colour table: year -> colour number; the entry of year 0 colours a year not listed.
std::vector<std::pair<int, int>> clearingYearColours(int planYear);

struct UserLayerFiles {
    QStringList layerPaths; // the layer files written, in layer order
    QString localPath;      // the device-local settings of every layer
    int clearings = 0;
};

// Writes the layer files of the working folder `workDir`: one object stream per layer that holds
// objects (a stale file of a layer left empty is removed) and the local settings of all layers.
UserLayerFiles writeUserLayers(const ForestData& data, const Options& options, const QString& workDir);

// Writes an object stream of `root`; raises SampleError naming the file.
void saveStream(zelto::TElement* root, const QString& path);

// Writes bytes to a file, replacing it atomically; raises SampleError naming the file.
void writeFileOrFail(const QString& path, const QByteArray& data);

} // namespace zsample
