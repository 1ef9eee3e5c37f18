#include "TiledMap.h"

#include "BitmapCodecs.h"
#include "MapCanvas.h"
#include "lock/ProgressController.h"

#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/TextLocale.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPainter>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace zelto {

namespace {

constexpr int MaxTilePagePixels = 500;
// A level whose tiles advance by fewer pixels than this on the page is not drawn: a view would
// need more tiles than a redraw can read (a fine level seen from afar, overlaps almost as large
// as the tiles).
constexpr int MinTileStepPixels = 16;
// The most maps a map directory may describe; the rest is left out with a message.
constexpr size_t MaxMaps = 1000;
constexpr qint64 ScreenFrameMs = 40;

QString childText(const QDomElement& element, const char* name) {
    return element.firstChildElement(QLatin1String(name)).text().trimmed();
}

QString withDelimiter(const QString& dir) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(dir));
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

// A subdirectory named by the data: relative and staying below its parent.
bool staysInside(const QString& relative) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(relative));
    return !QDir::isAbsolutePath(clean) && clean != QLatin1String("..") &&
           !clean.startsWith(QLatin1String("../"));
}

} // namespace

// ---- tile cache ------------------------------------------------------------------------------

const QImage* TTileCache::Find(const QString& fileName) {
    const auto it = m_index.constFind(fileName.toCaseFolded());
    if (it == m_index.constEnd()) return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it.value());
    return &it.value()->bitmap;
}

bool TTileCache::Contains(const QString& fileName) const {
    return m_index.contains(fileName.toCaseFolded());
}

const QImage& TTileCache::Add(const QString& fileName, const QImage& bitmap) {
    const QString key = fileName.toCaseFolded();
    if (const auto it = m_index.constFind(key); it != m_index.constEnd()) {
        m_bytes -= it.value()->bytes;
        m_entries.erase(it.value());
        m_index.erase(it);
    }
    // A picture shared with others (the placeholder) costs only its entry.
    const qint64 bytes = 256 + (bitmap.isDetached() ? bitmap.sizeInBytes() : 0);
    EvictTo(m_budget - bytes);
    m_entries.push_front(Entry{key, bitmap, bytes});
    m_index.insert(key, m_entries.begin());
    m_bytes += bytes;
    return m_entries.front().bitmap;
}

void TTileCache::EvictTo(qint64 bytes) {
    while (!m_entries.empty() && m_bytes > bytes) {
        m_bytes -= m_entries.back().bytes;
        m_index.remove(m_entries.back().key);
        m_entries.pop_back();
    }
}

void TTileCache::SetBudget(qint64 bytes) {
    m_budget = bytes;
    EvictTo(bytes);
}

void TTileCache::Clear() {
    m_entries.clear();
    m_index.clear();
    m_bytes = 0;
}

// ---- controller ------------------------------------------------------------------------------

// The tiles of one redraw, walked column by column (bottom to top in each) and resumed in the next
// slice where the budget ran out.
// A tile of the running redraw read and decoded off the UI thread. Whoever comes first does the
// work: a pool thread, or the UI thread when it needs the tile before a pool thread took it.
struct TTiledMapController::TileRead {
    QString fileName;
    QString mapDir;
    std::shared_ptr<std::atomic<bool>> cancelled;
    std::atomic<int> state{Queued};
    enum { Queued, Taken, Done };
    // The outcome (written before state becomes Done).
    QImage bitmap;
    QString error;
    bool exists = false, outside = false;
    std::mutex mutex;
    std::condition_variable done;

    // Does the read unless somebody else took it; false when it was taken.
    bool TryRun() {
        int expected = Queued;
        if (!state.compare_exchange_strong(expected, Taken)) return false;
        if (!cancelled->load()) {
            exists = QFileInfo(fileName).isFile();
            outside = exists && !TProjectPath::StaysInside(fileName, mapDir);
            if (exists && !outside) bitmap = TBitmapCodecManager::Load(fileName, &error);
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            state = Done;
        }
        done.notify_all();
        return true;
    }
    // The outcome, read here if nobody took the tile yet, else awaited.
    void Finish() {
        if (TryRun()) return;
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [this] { return state.load() == Done; });
    }
};

struct TTiledMapController::Job {
    RMap map; // a copy: the project may change while the redraw waits for its next slice
    RTileMatrix level;
    TDoubleRect view;
    int c = 0, r0 = 0, r = 0, cLast = -1, rLast = -1;
    QElapsedTimer screenFrame;
    // The view's tiles that were not in the cache, queued for the pool in the order of drawing.
    QHash<QString, std::shared_ptr<TileRead>> reads;
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    ~Job() { cancelled->store(true); } // reads not begun yet are dropped
};

TTiledMapController::TTiledMapController(TMapCanvas& canvas, const TTiledMapWidgets& widgets,
                                         TProgressController& progress)
    : m_canvas(canvas), m_widgets(widgets), m_progress(progress) {
    m_canvas.SetPass(TDrawPass::Tiles, [this](const TPaintBudget& budget) { return PaintTiles(budget); });
    m_canvas.OnCompleted = [this] {
        ReleaseSlot();
        ++ReviewsDone;
    };
    m_canvas.OnCancelled = [this] { ReleaseSlot(); };
    m_canvas.OnStart = [this] { PrepareJob(); };
    m_pool = std::make_unique<QThreadPool>();
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

TTiledMapController::~TTiledMapController() {
    m_job.reset();
    m_pool->waitForDone();
    m_canvas.SetPass(TDrawPass::Tiles, {});
    m_canvas.OnCompleted = nullptr;
    m_canvas.OnCancelled = nullptr;
    m_canvas.OnStart = nullptr;
}

void TTiledMapController::ClearMaps() {
    StopReviews();
    Maps.clear();
    m_widgets.MapCombo->clear();
    m_widgets.MapListBox->clear();
}

void TTiledMapController::LoadMap(const QString& aFileName, const QString&) {
    if (aFileName.isEmpty()) return;
    MapDirectory = withDelimiter(aFileName);
    const bool wasActive = MapChangeActive;
    MapChangeActive = false; // filling the lists must not switch maps
    StopReviews();
    m_widgets.MapCombo->clear();
    m_widgets.MapListBox->clear();
    QStringList problems;
    if (!QFileInfo(MapDirectory).isDir())
        problems
            << QStringLiteral("Mapová složka %1 neexistuje.").arg(QDir::toNativeSeparators(MapDirectory));

    const QString tilesXml = MapDirectory + QStringLiteral("Tiles.xml");
    if (QFileInfo::exists(tilesXml)) { // a pipe or a folder in its place is reported
        m_progress.ShowBusy(QStringLiteral("Čtení mapového souboru ..."));
        QDomDocument doc;
        QString reason;
        if (!readProjectXml(tilesXml, doc, reason)) {
            // The subdirectory maps are still read: the user sees what can be shown.
            problems << QStringLiteral("Mapový soubor %1 nelze přečíst: %2")
                            .arg(QDir::toNativeSeparators(tilesXml), reason);
            m_progress.HideBusy();
        } else {
            std::vector<QDomElement> elements;
            for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull();
                 e = e.nextSiblingElement()) {
                if (elements.size() == MaxMaps) {
                    problems << QStringLiteral(
                                    "Mapový soubor %1 popisuje víc než %2 map, další jsou vynechány")
                                    .arg(QDir::toNativeSeparators(tilesXml))
                                    .arg(MaxMaps);
                    break;
                }
                elements.push_back(e);
            }
            Maps.clear();
            Maps.reserve(elements.size());
            m_progress.SetBarRange(0, int(elements.size()) - 1);
            m_progress.HideBusy();
            for (size_t i = 0; i < elements.size(); ++i) {
                m_progress.SetBarValue(int(i));
                const QString dir = childText(elements[i], "dir");
                const QString mapDir = dir.isEmpty() ? MapDirectory : withDelimiter(MapDirectory + dir);
                // Named outside, or a link that leads outside.
                if (!staysInside(dir) || !TProjectPath::StaysInside(mapDir, MapDirectory)) {
                    problems << QStringLiteral(
                                    "Mapa %1: složka \"%2\" leží mimo mapovou složku, mapa je vynechána")
                                    .arg(childText(elements[i], "name"), dir);
                    continue;
                }
                ReadMap(elements[i], Maps.size(), true, mapDir, problems);
            }
        }
    }

    const QStringList subdirectories =
        QDir(MapDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    m_progress.ShowBusy(QStringLiteral("Kontrola mapových složek ..."));
    m_progress.SetBarRange(0, int(subdirectories.size()) - 1);
    for (int i = 0; i < subdirectories.size(); ++i) {
        m_progress.SetBarValue(i);
        const QString dir = withDelimiter(MapDirectory + subdirectories[i]);
        const QString mapTiles = dir + QStringLiteral("MapTiles.xml");
        if (!QFileInfo::exists(mapTiles)) continue;
        if (!TProjectPath::StaysInside(mapTiles, MapDirectory)) {
            problems << QStringLiteral("Mapová složka %1 vede mimo mapovou složku, mapa je vynechána")
                            .arg(QDir::toNativeSeparators(dir));
            continue;
        }
        QDomDocument doc;
        QString reason;
        if (!readProjectXml(mapTiles, doc, reason)) {
            problems << QStringLiteral("Mapový soubor %1 nelze přečíst: %2")
                            .arg(QDir::toNativeSeparators(mapTiles), reason);
            continue;
        }
        int index = -1;
        if (MapsDirExists(dir, index))
            ReadMap(doc.documentElement(), size_t(index), false, dir, problems);
        else if (Maps.size() < MaxMaps)
            ReadMap(doc.documentElement(), Maps.size(), true, dir, problems);
    }
    m_progress.HideBusy();

    m_widgets.MapCombo->setCurrentIndex(Maps.empty() ? -1 : 0);
    m_widgets.MapListBox->setCurrentRow(Maps.empty() ? -1 : 0);
    ActualMap = 0;
    ActualTileMatrix = 0;
    MapChangeActive = wasActive;
    if (!problems.isEmpty()) notifier().message(problems.join(QLatin1Char('\n')));
}

void TTiledMapController::ReadMap(const QDomElement& mapElement, size_t k, bool isNew, const QString& mapDir,
                                  QStringList& problems) {
    QStringList notes;
    RMap map = readMapDescription(mapElement, mapDir, problems, notes);
    m_progress.SetText((isNew ? QStringLiteral("Příprava mapy ") : QStringLiteral("Oprava mapy ")) +
                       map.MapName);
    if (isNew) {
        m_widgets.MapCombo->addItem(map.MapName);
        m_widgets.MapListBox->addItem(map.MapName);
    } else {
        m_widgets.MapCombo->setItemText(int(k), map.MapName);
        if (QListWidgetItem* item = m_widgets.MapListBox->item(int(k))) item->setText(map.MapName);
    }
    for (const QString& note : notes) notifier().protocol(note);
    if (k >= Maps.size())
        Maps.push_back(std::move(map));
    else
        Maps[k] = std::move(map);
}

bool TTiledMapController::MapsDirExists(const QString& aDir, int& MapIndex) const {
    for (size_t i = 0; i < Maps.size(); ++i)
        if (Maps[i].MapDir.compare(aDir, Qt::CaseInsensitive) == 0) {
            MapIndex = int(i);
            return true;
        }
    MapIndex = -1;
    return false;
}

void TTiledMapController::ChangeProjectionByFirstMapTile() {
    if (Maps.empty() || !Maps[0].HasExtent()) return;
    const RMap& m = Maps[0];
    if (TPageProjection* p = m_canvas.Projection()) p->ChangeProjectionByRect(m.MinX, m.MinY, m.MaxX, m.MaxY);
}

int TTiledMapController::StopReviews() {
    for (TReviewSlot& slot : Reviews)
        if (slot == TReviewSlot::Running) slot = TReviewSlot::Superseded;
    m_canvas.Cancel();
    for (size_t i = 0; i < Reviews.size(); ++i)
        if (Reviews[i] == TReviewSlot::Free) return int(i);
    return -1;
}

void TTiledMapController::ReleaseSlot() {
    // A cancelled redraw is over as well: its slot is free again.
    if (m_slot >= 0) Reviews[size_t(m_slot)] = TReviewSlot::Free;
    m_slot = -1;
    m_job.reset();
    Reviewing = false;
}

const QImage& TTiledMapController::TileBitmap(const QString& fileName) {
    if (const QImage* cached = Tiles.Find(fileName)) return *cached;
    std::shared_ptr<TileRead> read = m_job ? m_job->reads.take(fileName) : nullptr;
    if (!read) {
        // Not prepared for this redraw: read here.
        read = std::make_shared<TileRead>();
        read->fileName = fileName;
        read->mapDir = MapDirectory;
        read->cancelled = std::make_shared<std::atomic<bool>>(false);
    }
    read->Finish();
    QImage bitmap = std::move(read->bitmap);
    if (read->outside) {
        notifier().protocol(
            QStringLiteral("Dlaždice %1 vede mimo mapovou složku").arg(QDir::toNativeSeparators(fileName)));
    } else if (read->exists && bitmap.isNull()) {
        notifier().protocol(QStringLiteral("Dlaždici %1 nelze přečíst: %2")
                                .arg(QDir::toNativeSeparators(fileName), read->error));
    }
    if (bitmap.isNull()) bitmap = Placeholder();
    return Tiles.Add(fileName, bitmap);
}

void TTiledMapController::Review() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if ((InBackground && InBackground()) || Maps.empty() || ActualMap < 0 || ActualMap >= int(Maps.size()))
        return;
    if (!m_canvas.Projection() || !m_canvas.Canvas()) return;
    if (ReviewStarting) ReviewStarting();
    const int slot = StopReviews();
    if (slot < 0) return;
    Reviews[size_t(slot)] = TReviewSlot::Running;
    m_slot = LastReview = slot;
    Reviewing = true;
    m_canvas.Redraw(); // prepares the tiles of the view (OnStart)
}

int TTiledMapController::ChooseLevel(const RMap& map) const {
    const TPageProjection* P = m_canvas.Projection();
    int chosen = -1;
    for (size_t i = 0; i < map.TileMatrixSet.size(); ++i) {
        const RTileMatrix& m = map.TileMatrixSet[i];
        if (P->GetPageLengthHoriz1(m.TileWidth - m.OverX) < MinTileStepPixels ||
            P->GetPageLengthVert1(m.TileHeight - m.OverY) < MinTileStepPixels)
            continue;
        chosen = int(i);
        if (P->GetPageLength(m.TileWidth) <= MaxTilePagePixels) break;
    }
    return chosen;
}

void TTiledMapController::PrepareJob() {
    m_job = std::make_unique<Job>();
    if (Maps.empty() || ActualMap < 0 || ActualMap >= int(Maps.size())) return;
    Job& job = *m_job;
    job.map = Maps[size_t(ActualMap)];
    if (job.map.TileMatrixSet.empty()) return; // nothing to choose from: the background alone
    TPageProjection* P = m_canvas.Projection();
    const int level = ChooseLevel(job.map);
    if (level < 0) {
        job.map.TileMatrixSet.clear(); // no level fits the scale: the background alone
        return;
    }
    ActualTileMatrix = level;
    const RTileMatrix& M = job.level = job.map.TileMatrixSet[size_t(ActualTileMatrix)];
    const TDoubleRect V = job.view = P->GetModelView();
    if (V.MaxX < M.MinX || V.MinX > M.MaxX || V.MaxY < M.MinY || V.MinY > M.MaxY) return;
    // The first and last column and row are computed, not searched; a view beyond the grid gives
    // an empty range, and so no tiles.
    const double stepX = M.TileWidth - M.OverX, stepY = M.TileHeight - M.OverY;
    const double firstColumn = V.MinX > M.MinX ? std::trunc((V.MinX - M.MinX) / stepX) : 0;
    const double firstRow = V.MinY > M.MinY ? std::trunc((V.MinY - M.MinY) / stepY) : 0;
    const double lastColumn = std::min<double>(M.MatrixWidth - 1, std::ceil((V.MaxX - M.MinX) / stepX) - 1);
    const double lastRow = std::min<double>(M.MatrixHeight - 1, std::ceil((V.MaxY - M.MinY) / stepY) - 1);
    if (firstColumn > lastColumn || firstRow > lastRow) return;
    job.c = int(firstColumn);
    job.r = job.r0 = int(firstRow);
    job.cLast = int(lastColumn);
    job.rLast = int(lastRow);
    // The tiles the cache lacks are read and decoded on the pool meanwhile, in the order the pass
    // draws them; the pass takes each one as it comes to it (painting stays on this thread).
    for (int c = job.c; c <= job.cLast; ++c) {
        const double x = M.TileMinX(c), x2 = x + M.TileWidth;
        for (int r = job.r0; r <= job.rLast; ++r) {
            const double y = M.TileMinY(r), y2 = y + M.TileHeight;
            if (!(x < V.MaxX && y < V.MaxY && x2 > V.MinX && y2 > V.MinY)) continue;
            const QString fileName = job.map.TileFileName(M, c, r);
            if (job.reads.contains(fileName) || Tiles.Contains(fileName)) continue;
            auto read = std::make_shared<TileRead>();
            read->fileName = fileName;
            read->mapDir = MapDirectory;
            read->cancelled = job.cancelled;
            job.reads.insert(fileName, read);
            m_pool->start([read] { read->TryRun(); });
        }
    }
}

bool TTiledMapController::PaintTiles(const TPaintBudget& budget) {
    TPageProjection* P = m_canvas.Projection();
    TCanvas* canvas = m_canvas.Canvas();
    if (!m_job || !P || !canvas) return true;
    Job& job = *m_job;
    const RTileMatrix& M = job.level;
    const TDoubleRect& V = job.view;
    if (!job.screenFrame.isValid()) {
        // The first slice: the background where the level does not cover the view.
        job.screenFrame.start();
        if (job.map.TileMatrixSet.empty() || job.cLast < 0) {
            m_canvas.ClearPicture();
            return true;
        }
        if (canvas->BeginScene()) {
            const double W = canvas->Width(), H = canvas->Height();
            const quint32 back = m_canvas.BColor;
            if (V.MinX < M.MinX) canvas->ClearRect(QRectF(0, 0, P->GetPageX(M.MinX), H), back);
            if (V.MaxX > M.MaxX) {
                const double x = P->GetPageX(M.MaxX);
                canvas->ClearRect(QRectF(x, 0, W - x, H), back);
            }
            if (V.MinY < M.MinY) {
                const double y = P->GetPageY(M.MinY);
                canvas->ClearRect(QRectF(0, y, W, H - y), back);
            }
            if (V.MaxY > M.MaxY) canvas->ClearRect(QRectF(0, 0, W, P->GetPageY(M.MaxY)), back);
            canvas->EndScene();
        }
    }
    for (; job.c <= job.cLast; ++job.c, job.r = job.r0) {
        const double x = M.TileMinX(job.c), x2 = x + M.TileWidth;
        for (; job.r <= job.rLast; ++job.r) {
            const double y = M.TileMinY(job.r), y2 = y + M.TileHeight;
            if (!(x < V.MaxX && y < V.MaxY && x2 > V.MinX && y2 > V.MinY)) continue;
            const QImage& bitmap = TileBitmap(job.map.TileFileName(M, job.c, job.r));
            if (!bitmap.isNull() && canvas->BeginScene()) {
                QPainter* painter = canvas->Painter();
                painter->setOpacity(1);
                painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
                const int left = P->GetPageX(x), top = P->GetPageY(y2);
                const int right = P->GetPageX(x2), bottom = P->GetPageY(y);
                painter->drawImage(QRectF(left, top, right - left, bottom - top), bitmap);
                canvas->EndScene();
            }
            // The screen follows the picture as it fills in, a frame at a time: a repaint per
            // tile would cost more than the tiles themselves.
            if (job.screenFrame.elapsed() >= ScreenFrameMs) {
                m_canvas.Update();
                job.screenFrame.start();
            }
            if (budget.Exhausted()) {
                ++job.r;
                return false;
            }
        }
    }
    return true;
}

void TTiledMapController::SwitchMap(int index) {
    MapChangeActive = false;
    ActualMap = index;
    m_widgets.MapCombo->setCurrentIndex(index);
    m_widgets.MapListBox->setCurrentRow(index);
    if (CloseDrawer) CloseDrawer();
    MapChangeActive = true;
    Review();
}

void TTiledMapController::MapComboChange() {
    if (!MapChangeActive) return;
    SwitchMap(m_widgets.MapCombo->currentIndex());
}

void TTiledMapController::MapListBoxItemClick(int index) {
    if (!MapChangeActive) return;
    SwitchMap(index);
}

void TTiledMapController::SetMapComboIndex(int index) {
    m_widgets.MapCombo->setCurrentIndex(index);
}

QStringList TTiledMapController::MapNames() const {
    QStringList names;
    for (int i = 0; i < m_widgets.MapListBox->count(); ++i) names << m_widgets.MapListBox->item(i)->text();
    return names;
}

void TTiledMapController::ImageResize() {
    m_canvas.Resize();
    Review();
    // The edited line's overlays are redrawn here once the measuring and line tools exist; until
    // then the active tool is always the map browsing tool.
}

} // namespace zelto
