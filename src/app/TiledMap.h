// The tiled background map: the maps of the project's map directory (each a set of tile
// matrices, one per zoom level, read from "Tiles.xml" and from the "MapTiles.xml" of map
// subdirectories), the choice of the shown map, the tile cache and the redraw Review, which
// picks the level that suits the scale and paints the visible tiles as the first pass of the
// map canvas.
#pragma once

#include "persistence/ProjectXml.h"

#include <QHash>
#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <list>
#include <memory>
#include <vector>

class QComboBox;
class QDomElement;
class QListWidget;
class QThreadPool;

namespace zelto {

class TMapCanvas;
class TPaintBudget;
class TProgressController;

// Decoded tile pictures by full file name; lookups ignore letter case. A name keeps the picture
// it got when it was first looked up (the placeholder for a missing file included) while it stays
// in the cache. The pictures together stay within a memory budget: adding one lets go of the
// least recently used others until it fits (the newest one is always kept).
class TTileCache {
public:
    static constexpr qint64 DefaultBudgetBytes = 64ll << 20;

    // A hit counts as a use.
    const QImage* Find(const QString& fileName);
    // Whether the name is cached (not a use).
    bool Contains(const QString& fileName) const;
    // The returned picture stays valid until the next Add or Clear.
    const QImage& Add(const QString& fileName, const QImage& bitmap);
    int Count() const { return int(m_index.size()); }
    qint64 Bytes() const { return m_bytes; }
    qint64 Budget() const { return m_budget; }
    void SetBudget(qint64 bytes);
    void Clear();

private:
    struct Entry {
        QString key;
        QImage bitmap;
        qint64 bytes = 0;
    };
    void EvictTo(qint64 bytes);
    std::list<Entry> m_entries;                         // most recently used first
    QHash<QString, std::list<Entry>::iterator> m_index; // by the case-folded name
    qint64 m_bytes = 0;
    qint64 m_budget = DefaultBudgetBytes;
};

// The redraw slots: the model keeps a table of redraws so that a newer one can tell an older one
// to stop. Redraws run one at a time on the map canvas; a slot is taken while one runs.
enum class TReviewSlot { Free, Running, Superseded };

// The controls the tiled map fills and follows: the map combo of the view tab and the map list of
// the menu tab.
struct TTiledMapWidgets {
    QComboBox* MapCombo = nullptr;
    QListWidget* MapListBox = nullptr;
};

class TTiledMapController {
public:
    // The progress display reports the reading of map descriptions.
    TTiledMapController(TMapCanvas& canvas, const TTiledMapWidgets& widgets, TProgressController& progress);
    ~TTiledMapController();

    // ---- state ----
    QString MapDirectory; // with a trailing "/"
    std::vector<RMap> Maps;
    int ActualMap = 0;
    int ActualTileMatrix = 0;
    bool MapChangeActive = false;
    TTileCache Tiles;
    bool Reviewing = false; // a redraw is running (between its slices)
    std::array<TReviewSlot, 20> Reviews{};
    int LastReview = 0;
    // Counts finished redraws (the picture was completed): lets hosts and tests wait for one.
    int ReviewsDone = 0;

    // ---- what the rest of the window provides ----
    std::function<bool()> InBackground;   // the application is in the background: no redraws
    std::function<void()> CloseDrawer;    // a map chosen from the drawer's list closes it
    std::function<void()> ReviewStarting; // a redraw begins (the forest highlight is gone)

    // ---- operations ----
    // Builds the map table from the map directory; nothing for an empty name.
    void LoadMap(const QString& aFileName, const QString& aExt = QString());
    bool MapsDirExists(const QString& aDir, int& MapIndex) const;
    void ChangeProjectionByFirstMapTile();
    // Starts the redraw (tiles of the level that suits the scale, then the other passes); it
    // finishes at once when it fits one slice, else from the event loop.
    void Review();
    // Stops the running redraw; answers the first free slot.
    int StopReviews();
    void MapComboChange();
    void MapListBoxItemClick(int index);
    // The map picture changed size: new bitmaps and a redraw.
    void ImageResize();
    // Shows the map of the index in the map combo without switching to it.
    void SetMapComboIndex(int index);
    // The names in the map list, in order.
    QStringList MapNames() const;
    // Forgets maps and lists (opening another project).
    void ClearMaps();

    // The picture of a missing or unreadable tile.
    void SetPlaceholder(const QImage& picture) { m_placeholder = picture; }
    const QImage& Placeholder() const { return m_placeholder; }
    TMapCanvas& Canvas() { return m_canvas; }

private:
    struct Job;
    struct TileRead;
    // Reads the map element into entry k (appended when k equals the count).
    void ReadMap(const QDomElement& mapElement, size_t k, bool isNew, const QString& mapDir,
                 QStringList& problems);
    // The level of the map to draw at the current scale, or -1 when every level's tiles would be
    // too small on the page to draw.
    int ChooseLevel(const RMap& map) const;
    void SwitchMap(int index);
    const QImage& TileBitmap(const QString& fileName);
    // The tiles pass: paints tiles of the running redraw until the budget is spent.
    bool PaintTiles(const TPaintBudget& budget);
    void PrepareJob();
    void ReleaseSlot();

    TMapCanvas& m_canvas;
    TTiledMapWidgets m_widgets;
    TProgressController& m_progress;
    QImage m_placeholder;
    std::unique_ptr<Job> m_job;
    std::unique_ptr<QThreadPool> m_pool; // reads and decodes the tiles of a redraw
    int m_slot = -1;
};

} // namespace zelto
