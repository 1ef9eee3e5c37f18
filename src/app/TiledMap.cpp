#include "TiledMap.h"

#include "BitmapCodecs.h"
#include "Kordlin_Main.h"
#include "UiKit.h"

#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace zelto {

namespace {

constexpr int MaxTilePagePixels = 500;
constexpr qint64 ScreenFrameMs = 40;

QString childText(const QDomElement& element, const char* name) {
    return element.firstChildElement(QLatin1String(name)).text().trimmed();
}

int childInteger(const QDomElement& element, const char* name) {
    bool ok = false;
    const int v = childText(element, name).toInt(&ok);
    return ok ? v : 0;
}

double childReal(const QDomElement& element, const char* name) {
    const QString text = childText(element, name);
    if (text.isEmpty()) return 0;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok && std::isfinite(v)) return v;
    const double local = strToExtended(text, 0);
    return std::isfinite(local) ? local : 0;
}

QString withDelimiter(const QString& dir) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(dir));
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

// A name of the data that is put into a file name: one path component, no way up.
bool isPlainName(const QString& name) {
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String("..");
}

// A subdirectory named by the data: relative and staying below its parent.
bool staysInside(const QString& relative) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(relative));
    return !QDir::isAbsolutePath(clean) && clean != QLatin1String("..") &&
           !clean.startsWith(QLatin1String("../"));
}

// Loads an XML file; false with a readable reason when it is missing or malformed.
bool loadXml(const QString& path, QDomDocument& doc, QString& reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    QString message;
    int line = 0, column = 0;
    if (!doc.setContent(&file, &message, &line, &column)) {
        reason = QStringLiteral("%1 (řádek %2, sloupec %3)").arg(message).arg(line).arg(column);
        return false;
    }
    return true;
}

} // namespace

// ---- records ---------------------------------------------------------------------------------

void RTileMatrix::ComputeExtent() {
    MaxX = MatrixWidth * TileWidth - (MatrixWidth - 1) * OverX + MinX;
    MaxY = MatrixHeight * TileHeight - (MatrixHeight - 1) * OverY + MinY;
}

bool RTileMatrix::IsUsable() const {
    return MatrixWidth > 0 && MatrixHeight > 0 && TileWidth > 0 && TileHeight > 0 && TileWidth - OverX > 0 &&
           TileHeight - OverY > 0 && std::isfinite(OverX) && std::isfinite(OverY);
}

QString RMap::TileFileName(const RTileMatrix& m, int column, int row) const {
    return MapDir + m.ID + QLatin1Char('_') + QString::number(column) + QLatin1Char('-') +
           QString::number(row) + QLatin1Char('.') + Ext;
}

// ---- tile cache ------------------------------------------------------------------------------

const QImage* TTileCache::Find(const QString& fileName) const {
    const auto it = m_entries.constFind(fileName.toCaseFolded());
    return it == m_entries.constEnd() ? nullptr : &it.value();
}

const QImage& TTileCache::Add(const QString& fileName, const QImage& bitmap) {
    return m_entries.insert(fileName.toCaseFolded(), bitmap).value();
}

// ---- controller ------------------------------------------------------------------------------

TTiledMapController::TTiledMapController(TMainForm& form) : m_form(form) {}

QImage TTiledMapController::Placeholder() const {
    return m_form.Image_HicSuntLeones ? m_form.Image_HicSuntLeones->Bitmap() : QImage();
}

void TTiledMapController::ClearMaps() {
    Maps.clear();
    m_form.MapCombo->clear();
    m_form.MapListBox->clear();
}

void TTiledMapController::LoadMap(const QString& aFileName, const QString&) {
    if (aFileName.isEmpty()) return;
    MapDirectory = withDelimiter(aFileName);
    const bool wasActive = MapChangeActive;
    MapChangeActive = false; // filling the lists must not switch maps
    m_form.MapCombo->clear();
    m_form.MapListBox->clear();
    QStringList problems;
    if (!QFileInfo(MapDirectory).isDir())
        problems
            << QStringLiteral("Mapová složka %1 neexistuje.").arg(QDir::toNativeSeparators(MapDirectory));

    const QString tilesXml = MapDirectory + QStringLiteral("Tiles.xml");
    if (QFileInfo(tilesXml).isFile()) {
        m_form.ShowBusy(QStringLiteral("Čtení mapového souboru ..."));
        QDomDocument doc;
        QString reason;
        if (!loadXml(tilesXml, doc, reason)) {
            // The subdirectory maps are still read: the user sees what can be shown.
            problems << QStringLiteral("Mapový soubor %1 nelze přečíst: %2")
                            .arg(QDir::toNativeSeparators(tilesXml), reason);
            m_form.HideBusy();
        } else {
            std::vector<QDomElement> elements;
            for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull();
                 e = e.nextSiblingElement())
                elements.push_back(e);
            Maps.clear();
            Maps.reserve(elements.size());
            m_form.SetProgressRange(0, int(elements.size()) - 1);
            m_form.HideBusy();
            for (size_t i = 0; i < elements.size(); ++i) {
                m_form.SetProgressValue(int(i));
                const QString dir = childText(elements[i], "dir");
                if (!staysInside(dir)) {
                    problems << QStringLiteral(
                                    "Mapa %1: složka \"%2\" leží mimo mapovou složku, mapa je vynechána")
                                    .arg(childText(elements[i], "name"), dir);
                    continue;
                }
                const QString mapDir = dir.isEmpty() ? MapDirectory : withDelimiter(MapDirectory + dir);
                ReadMap(elements[i], Maps.size(), true, mapDir);
            }
        }
    }

    const QStringList subdirectories =
        QDir(MapDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    m_form.ShowBusy(QStringLiteral("Kontrola mapových složek ..."));
    m_form.SetProgressRange(0, int(subdirectories.size()) - 1);
    for (int i = 0; i < subdirectories.size(); ++i) {
        m_form.SetProgressValue(i);
        const QString dir = withDelimiter(MapDirectory + subdirectories[i]);
        const QString mapTiles = dir + QStringLiteral("MapTiles.xml");
        if (!QFileInfo(mapTiles).isFile()) continue;
        QDomDocument doc;
        QString reason;
        if (!loadXml(mapTiles, doc, reason)) {
            problems << QStringLiteral("Mapový soubor %1 nelze přečíst: %2")
                            .arg(QDir::toNativeSeparators(mapTiles), reason);
            continue;
        }
        int index = -1;
        if (MapsDirExists(dir, index))
            ReadMap(doc.documentElement(), size_t(index), false, dir);
        else
            ReadMap(doc.documentElement(), Maps.size(), true, dir);
    }
    m_form.HideBusy();

    m_form.MapCombo->setCurrentIndex(Maps.empty() ? -1 : 0);
    m_form.MapListBox->setCurrentRow(Maps.empty() ? -1 : 0);
    ActualMap = 0;
    ActualTileMatrix = 0;
    MapChangeActive = wasActive;
    if (!problems.isEmpty()) notifier().message(problems.join(QLatin1Char('\n')));
}

void TTiledMapController::ReadMap(const QDomElement& mapElement, size_t k, bool isNew,
                                  const QString& mapDir) {
    RMap map;
    map.MapName = childText(mapElement, "name");
    m_form.SetProgressText((isNew ? QStringLiteral("Příprava mapy ") : QStringLiteral("Oprava mapy ")) +
                           map.MapName);
    m_form.ProcessPendingEvents();
    if (isNew) {
        m_form.MapCombo->addItem(map.MapName);
        m_form.MapListBox->addItem(map.MapName);
    } else {
        m_form.MapCombo->setItemText(int(k), map.MapName);
        if (QListWidgetItem* item = m_form.MapListBox->item(int(k))) item->setText(map.MapName);
    }
    map.Ext = childText(mapElement, "ext");
    map.MapDir = mapDir;
    const bool plainExt = isPlainName(map.Ext);
    const QDomElement set = mapElement.firstChildElement(QStringLiteral("TileMatrixSet"));
    for (QDomElement e = set.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        RTileMatrix m;
        m.ID = childText(e, "ID");
        m.MinX = childInteger(e, "MinX");
        m.MinY = childInteger(e, "MinY");
        m.TileWidth = childInteger(e, "TileWidth");
        m.TileHeight = childInteger(e, "TileHeight");
        m.OverX = childReal(e, "OverX");
        m.OverY = childReal(e, "OverY");
        m.MatrixWidth = childInteger(e, "MatrixWidth");
        m.MatrixHeight = childInteger(e, "MatrixHeight");
        m.ComputeExtent();
        // A level that cannot be walked (no tiles, tiles no larger than their overlap) or whose
        // file names would lead out of the map's directory is left out.
        if (!m.IsUsable() || !isPlainName(m.ID) || !plainExt) {
            notifier().protocol(QStringLiteral("Mapa %1: úroveň \"%2\" má neplatný popis a je vynechána")
                                    .arg(map.MapName, m.ID));
            continue;
        }
        map.TileMatrixSet.push_back(m);
        map.MinX = std::min(map.MinX, m.MinX);
        map.MinY = std::min(map.MinY, m.MinY);
        map.MaxX = std::max(map.MaxX, m.MaxX);
        map.MaxY = std::max(map.MaxY, m.MaxY);
    }
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
    if (TPageProjection* p = m_form.Projection()) p->ChangeProjectionByRect(m.MinX, m.MinY, m.MaxX, m.MaxY);
}

int TTiledMapController::StopReviews() {
    int free = -1;
    for (size_t i = 0; i < Reviews.size(); ++i) {
        if (Reviews[i] == 1) Reviews[i] = 2;
        if (Reviews[i] == 0 && free < 0) free = int(i);
    }
    m_form.ProcessPendingEvents();
    return free;
}

const QImage& TTiledMapController::TileBitmap(const QString& fileName) {
    if (const QImage* cached = Tiles.Find(fileName)) return *cached;
    QImage bitmap;
    if (QFileInfo(fileName).isFile()) {
        QString error;
        bitmap = TBitmapCodecManager::Load(fileName, &error);
        if (bitmap.isNull())
            notifier().protocol(QStringLiteral("Dlaždici %1 nelze přečíst: %2")
                                    .arg(QDir::toNativeSeparators(fileName), error));
    }
    if (bitmap.isNull()) bitmap = Placeholder();
    return Tiles.Add(fileName, bitmap);
}

void TTiledMapController::ClearPicture() {
    if (TCanvas* canvas = m_form.Canvas()) canvas->Clear(m_form.BColor);
}

void TTiledMapController::Review() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (m_form.Application_Background || Maps.empty() || ActualMap < 0 || ActualMap >= int(Maps.size()))
        return;
    TPageProjection* P = m_form.Projection();
    TCanvas* canvas = m_form.Canvas();
    if (!P || !canvas) return;
    m_form.AreaBlinked = false;
    Reviewing = true;
    const int slot = StopReviews();
    if (slot < 0) {
        // Twenty redraws nested: this one is dropped and the innermost running one completes
        // the picture.
        Reviews.back() = 1;
        return;
    }
    Reviews[size_t(slot)] = 1;
    LastReview = slot;
    ++m_depth;
    // Whether a newer redraw, started while this one let events run, has taken over; the
    // project may even have changed meanwhile.
    const RMap map = Maps[size_t(ActualMap)];
    const size_t mapIndex = size_t(ActualMap);
    auto superseded = [&] {
        return Reviews[size_t(slot)] != 1 || mapIndex >= Maps.size() || Maps[mapIndex].MapDir != map.MapDir;
    };
    auto finish = [&](bool completed) {
        Reviews[size_t(slot)] = 0;
        if (completed) {
            m_form.DrawLayers();
            m_form.Drawgps();
            Bm = m_form.Image->Bitmap().copy();
            ++ReviewsDone;
        }
        if (--m_depth == 0) Reviewing = false;
        m_form.Image->update();
    };
    m_form.ProcessPendingEvents();
    if (superseded()) return finish(false);

    if (map.TileMatrixSet.empty()) {
        // Nothing to choose from: the background alone, under the layers.
        ClearPicture();
        return finish(true);
    }
    for (size_t i = 0; i < map.TileMatrixSet.size(); ++i) {
        ActualTileMatrix = int(i);
        if (P->GetPageLength(map.TileMatrixSet[i].TileWidth) <= MaxTilePagePixels) break;
    }
    const RTileMatrix& M = map.TileMatrixSet[size_t(ActualTileMatrix)];
    const TDoubleRect V = P->GetModelView();
    const double W = canvas->Width(), H = canvas->Height();

    if (V.MaxX < M.MinX || V.MinX > M.MaxX || V.MaxY < M.MinY || V.MinY > M.MaxY) {
        ClearPicture();
    } else {
        if (canvas->BeginScene()) {
            if (V.MinX < M.MinX) canvas->ClearRect(QRectF(0, 0, P->GetPageX(M.MinX), H), m_form.BColor);
            if (V.MaxX > M.MaxX) {
                const double x = P->GetPageX(M.MaxX);
                canvas->ClearRect(QRectF(x, 0, W - x, H), m_form.BColor);
            }
            if (V.MinY < M.MinY) {
                const double y = P->GetPageY(M.MinY);
                canvas->ClearRect(QRectF(0, y, W, H - y), m_form.BColor);
            }
            if (V.MaxY > M.MaxY) canvas->ClearRect(QRectF(0, 0, W, P->GetPageY(M.MaxY)), m_form.BColor);
            canvas->EndScene();
        }
        const double stepX = M.TileWidth - M.OverX, stepY = M.TileHeight - M.OverY;
        // The first column and row are computed, not searched; a view beyond the grid gives a
        // first index past its end, and so no tiles.
        const double firstColumn = V.MinX > M.MinX ? std::trunc((V.MinX - M.MinX) / stepX) : 0;
        const double firstRow = V.MinY > M.MinY ? std::trunc((V.MinY - M.MinY) / stepY) : 0;
        if (firstColumn < M.MatrixWidth && firstRow < M.MatrixHeight) {
            const int c0 = int(firstColumn), r0 = int(firstRow);
            QElapsedTimer screenFrame;
            double x = M.MinX + c0 * stepX;
            double x2 = x + M.TileWidth;
            for (int c = c0; c < M.MatrixWidth; ++c) {
                double y = M.MinY + r0 * stepY;
                double y2 = y + M.TileHeight;
                for (int r = r0; r < M.MatrixHeight; ++r) {
                    if (x < V.MaxX && y < V.MaxY && x2 > V.MinX && y2 > V.MinY) {
                        const QImage& bitmap = TileBitmap(map.TileFileName(M, c, r));
                        if (!bitmap.isNull() && canvas->BeginScene()) {
                            QPainter* painter = canvas->Painter();
                            painter->setOpacity(1);
                            painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
                            const int left = P->GetPageX(x), top = P->GetPageY(y2);
                            const int right = P->GetPageX(x2), bottom = P->GetPageY(y);
                            painter->drawImage(QRectF(left, top, right - left, bottom - top), bitmap);
                            canvas->EndScene();
                        }
                        // The screen follows the picture as it fills in, a frame at a time:
                        // a repaint per tile would cost more than the tiles themselves.
                        if (!screenFrame.isValid() || screenFrame.elapsed() >= ScreenFrameMs) {
                            m_form.Image->update();
                            screenFrame.start();
                        }
                        m_form.ProcessPendingEvents();
                        if (superseded()) return finish(false);
                    }
                    y = y2 - M.OverY;
                    if (y > V.MaxY) break;
                    y2 = y + M.TileHeight;
                }
                x = x2 - M.OverX;
                if (x > V.MaxX) break;
                x2 = x + M.TileWidth;
            }
        }
    }
    finish(true);
}

void TTiledMapController::SwitchMap(int index) {
    MapChangeActive = false;
    ActualMap = index;
    m_form.MapCombo->setCurrentIndex(index);
    m_form.MapListBox->setCurrentRow(index);
    m_form.CloseDrawer();
    MapChangeActive = true;
    Review();
}

void TTiledMapController::MapComboChange() {
    if (!MapChangeActive) return;
    SwitchMap(m_form.MapCombo->currentIndex());
}

void TTiledMapController::MapListBoxItemClick(int index) {
    if (!MapChangeActive) return;
    SwitchMap(index);
}

void TTiledMapController::ImageResize() {
    ui::TImageControl* image = m_form.Image;
    if (!image || !m_form.Canvas()) return;
    const QSize size = image->DeviceSize();
    m_form.Canvas()->SetBitmap(nullptr); // no painter may stay on the old bitmap
    image->ResizeBitmap(size.width(), size.height());
    m_form.Image_edit->ResizeBitmap(size.width(), size.height());
    m_form.Image_Edit_Detail->ResizeBitmap(size.width(), size.height());
    Bm = QImage(size, QImage::Format_ARGB32_Premultiplied);
    Bm.fill(QColor::fromRgba(m_form.BColor));
    m_form.Canvas()->SetBitmap(&image->Bitmap());
    ClearPicture();
    m_form.Edit_Clear();
    m_form.Device()->SetCanvas(m_form.Canvas());
    Review();
    if (m_form.ks_ActionLayout && m_form.Layout_gps) {
        const int width =
            std::min(image->width() - m_form.ks_ActionLayout->x() - 10 - m_form.Layout_gps->width(), 400);
        m_form.ks_ActionLayout->resize(std::max(width, 0), m_form.ks_ActionLayout->height());
    }
    // The edited line's overlays are redrawn here once the measuring and line tools exist; until
    // then the active tool is always the map browsing tool.
}

} // namespace zelto
