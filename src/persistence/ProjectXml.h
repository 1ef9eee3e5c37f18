// The XML files of a project: the project file (".opx"), the map descriptions ("Tiles.xml" and the
// "MapTiles.xml" of map subdirectories) and the layer definitions ("USERLAYERS_*.xml"). They are
// read only from regular files of a sane size (see SafeFile.h) and refused, before a document is
// built, when their elements nest deeper or are more than any of them needs: a damaged or hostile
// file costs its size, never the device's memory or minutes of parsing.
#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringList>

#include <vector>

namespace zelto {

// The deepest nesting of elements a project file may have (the map descriptions need five).
constexpr int MaxProjectXmlDepth = 64;
// The most elements a project file may have.
constexpr qint64 MaxProjectXmlElements = 500'000;

// Parses the text into doc; false with a readable reason (line and column included) when it is
// malformed, nests too deep, has too many elements or no root element.
bool parseProjectXml(const QByteArray& data, QDomDocument& doc, QString& reason);
// The same for a file, opened safely.
bool readProjectXml(const QString& fileName, QDomDocument& doc, QString& reason);

// The text of the named child of the last project file entry whose "Layer" is `layer`; empty when
// there is none.
QString projectEntryValue(const QDomDocument& project, const QString& layer, const QString& child);

// One zoom level of a tiled map: a grid of equally sized, possibly overlapping tiles.
struct RTileMatrix {
    QString ID;                // prefix of the level's tile file names
    double MinX = 0, MinY = 0; // lower-left corner of tile (0, 0)
    double MaxX = 0, MaxY = 0; // upper-right corner of the grid (computed)
    double TileWidth = 0, TileHeight = 0;
    double OverX = 0, OverY = 0;
    int MatrixWidth = 0, MatrixHeight = 0;

    // MaxX and MaxY from the other fields.
    void ComputeExtent();
    // Whether the grid can be walked: tiles larger than their overlap and at least one of them.
    bool IsUsable() const;
    // Whether every corner of the grid lies within the coordinates a map can have.
    bool IsWithinLimits() const;
    // Left, bottom, right and top model coordinates of tile (c, r).
    double TileMinX(int c) const { return MinX + c * (TileWidth - OverX); }
    double TileMinY(int r) const { return MinY + r * (TileHeight - OverY); }
};

// One tiled map.
struct RMap {
    double MinX = 1e27, MinY = 1e27, MaxX = -1e27, MaxY = -1e27;
    QString MapName;
    QString Ext;    // tile extension without the dot
    QString MapDir; // directory of the tiles, with a trailing "/"
    std::vector<RTileMatrix> TileMatrixSet;

    bool HasExtent() const { return MinX <= MaxX && MinY <= MaxY; }
    // MapDir + ID + "_" + column + "-" + row + "." + Ext.
    QString TileFileName(const RTileMatrix& m, int column, int row) const;
};

// The most levels one map description may list; the rest is left out with a problem.
constexpr size_t MaxMapLevels = 64;

// Reads a map element (an entry of Tiles.xml, or a MapTiles.xml's root) whose tiles lie in mapDir.
// Levels that cannot be walked or whose file names would lead out of mapDir are left out with a
// line in `notes` (the protocol); levels reaching beyond any coordinate and levels beyond the
// limit with a line in `problems` (shown to the user).
RMap readMapDescription(const QDomElement& mapElement, const QString& mapDir, QStringList& problems,
                        QStringList& notes);

} // namespace zelto
