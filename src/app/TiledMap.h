// The tiled background map: the maps of the project's map directory (each a set of tile
// matrices, one per zoom level, read from "Tiles.xml" and from the "MapTiles.xml" of map
// subdirectories), the choice of the shown map, the tile cache and the redraw Review, which
// picks the level that suits the scale, draws the visible tiles and keeps a snapshot of the
// finished picture for the gestures.
#pragma once

#include <QImage>
#include <QMap>
#include <QString>

#include <array>
#include <vector>

class QDomElement;

namespace zelto {

class TMainForm;

// One zoom level: a grid of equally sized, possibly overlapping tiles.
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
    // Left, bottom, right and top model coordinates of tile (c, r).
    double TileMinX(int c) const { return MinX + c * (TileWidth - OverX); }
    double TileMinY(int r) const { return MinY + r * (TileHeight - OverY); }
};

// One map.
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

// Decoded tile pictures by full file name; lookups ignore letter case. A name keeps the picture
// it got when it was first looked up (the placeholder for a missing file included) until the
// cache is emptied.
class TTileCache {
public:
    const QImage* Find(const QString& fileName) const;
    const QImage& Add(const QString& fileName, const QImage& bitmap);
    int Count() const { return int(m_entries.size()); }
    void Clear() { m_entries.clear(); }

private:
    QMap<QString, QImage> m_entries; // keyed by the case-folded name (sorted: binary search)
};

class TTiledMapController {
public:
    explicit TTiledMapController(TMainForm& form);

    // ---- state ----
    QString MapDirectory; // with a trailing "/"
    std::vector<RMap> Maps;
    int ActualMap = 0;
    int ActualTileMatrix = 0;
    bool MapChangeActive = false;
    TTileCache Tiles;
    QImage Bm; // snapshot of the last finished picture
    bool Reviewing = false;
    std::array<int, 20> Reviews{}; // 0 free, 1 running, 2 running but superseded
    int LastReview = 0;
    // Counts finished redraws (the picture was completed): lets hosts and tests wait for one.
    int ReviewsDone = 0;

    // ---- operations ----
    // Builds the map table from the map directory; nothing for an empty name.
    void LoadMap(const QString& aFileName, const QString& aExt = QString());
    bool MapsDirExists(const QString& aDir, int& MapIndex) const;
    void ChangeProjectionByFirstMapTile();
    void Review();
    int StopReviews();
    void MapComboChange();
    void MapListBoxItemClick(int index);
    void ImageResize();
    // Forgets maps and lists (opening another project).
    void ClearMaps();

    // The placeholder picture of a missing or unreadable tile.
    QImage Placeholder() const;

private:
    // Reads the map element into entry k (appended when k equals the count).
    void ReadMap(const QDomElement& mapElement, size_t k, bool isNew, const QString& mapDir);
    void SwitchMap(int index);
    const QImage& TileBitmap(const QString& fileName);
    void ClearPicture();

    TMainForm& m_form;
    int m_depth = 0; // nested redraws running
};

} // namespace zelto
