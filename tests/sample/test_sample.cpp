// The demo project generator: a small project (40 groups) is generated once and its files are
// read back the way the map application will read them: the forest file with the core's loader,
// the map descriptions as XML with every tile decoded, the NMEA log with Qt's NMEA parser. The
// partition is checked against GEOS, and so is the stand-group search on a larger forest.
#include <gtest/gtest.h>

#include "geos_stand_groups.h"
#include "sample.h"
#include "zlt.h"

#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "forest/t_ForestModelSelector.h"
#include "framework/ProjectPath.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "persistence/t_Loader.h"
#include "projection/r_WGS84.h"
#include "topology/e_TopolDruhy.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNmeaPositionInfoSource>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>
#include <QXmlStreamReader>

#include <geos_c.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>

using namespace zelto;
using zsample::MapStyle;

namespace {

constexpr int kGroups = 40;
constexpr std::uint64_t kSeed = 7;

// ---- Reading back ----------------------------------------------------------------------------

struct Loaded {
    std::unique_ptr<TElement> root;
    Tgis_ForestModel* model() const { return zelto_cast<Tgis_ForestModel>(root.get()); }
};

Loaded loadStream(const QString& path) {
    TLoad load(path);
    load.SetNoProgress(true);
    load.DoIt();
    return {std::unique_ptr<TElement>(load.FOutput)};
}

std::vector<Tgis_ForestUnit*> itemsOf(const Tgis_ItemsForestUnit* unit) {
    std::vector<Tgis_ForestUnit*> out;
    for (int i = 0; i < unit->ItemsCount(); ++i) out.push_back(unit->GetItem(i));
    return out;
}

// Every stand group in hierarchy order.
std::vector<Tgis_PorostniSkupina*> groupsOf(Tgis_ForestModel* model) {
    std::vector<Tgis_PorostniSkupina*> out;
    for (TElement* e : model->FElements)
        if (auto* lhc = zelto_cast<Tgis_LHC>(e))
            for (auto* ls : itemsOf(lhc))
                for (auto* odd : itemsOf(static_cast<Tgis_ItemsForestUnit*>(ls)))
                    for (auto* dil : itemsOf(static_cast<Tgis_ItemsForestUnit*>(odd)))
                        for (auto* por : itemsOf(static_cast<Tgis_ItemsForestUnit*>(dil)))
                            for (auto* g : itemsOf(static_cast<Tgis_ItemsForestUnit*>(por)))
                                out.push_back(static_cast<Tgis_PorostniSkupina*>(g));
    return out;
}

using Ring = std::vector<std::pair<double, double>>;
struct Piece {
    Ring outer;
    std::vector<Ring> holes;
    std::pair<double, double> label;
};

Ring ringOf(const TPolyElement* p) {
    Ring r;
    for (int i = 0; i < p->GetCoordsCount(); ++i) r.push_back({p->GetX(i), p->GetY(i)});
    return r;
}

std::vector<Piece> piecesOf(const Tgis_PorostniSkupina* g) {
    std::vector<TAreaElement*> areas;
    TGeometry* geometry = g->GetGeometry();
    if (auto* multi = zelto_cast<TMultiAreaElement>(geometry)) {
        for (TElement* e : multi->FElements) areas.push_back(zelto_cast<TAreaElement>(e));
    } else {
        areas.push_back(zelto_cast<TAreaElement>(geometry));
    }
    std::vector<Piece> out;
    for (TAreaElement* a : areas) {
        if (!a) continue;
        Piece p;
        p.outer = ringOf(a);
        if (THolesEntity* holes = a->GetHoles())
            for (TElement* h : holes->FElements) p.holes.push_back(ringOf(static_cast<TPolyElement*>(h)));
        p.label = {a->GetRefX(), a->GetRefY()};
        out.push_back(std::move(p));
    }
    return out;
}

// ---- GEOS ------------------------------------------------------------------------------------

class Geos {
public:
    Geos() : m_ctx(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(m_ctx); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    struct Deleter {
        GEOSContextHandle_t ctx;
        void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(ctx, g); }
    };
    using Ptr = std::unique_ptr<GEOSGeometry, Deleter>;
    Ptr own(GEOSGeometry* g) const { return Ptr(g, Deleter{m_ctx}); }
    GEOSContextHandle_t ctx() const { return m_ctx; }

    GEOSGeometry* ring(const Ring& r) const {
        std::vector<double> xy;
        for (auto [x, y] : r) xy.insert(xy.end(), {x, y});
        return GEOSGeom_createLinearRing_r(
            m_ctx, GEOSCoordSeq_copyFromBuffer_r(m_ctx, xy.data(), unsigned(r.size()), 0, 0));
    }
    Ptr polygon(const std::vector<Piece>& pieces) const {
        std::vector<GEOSGeometry*> polys;
        for (const Piece& p : pieces) {
            std::vector<GEOSGeometry*> holes;
            for (const Ring& h : p.holes) holes.push_back(ring(h));
            polys.push_back(
                GEOSGeom_createPolygon_r(m_ctx, ring(p.outer), holes.data(), unsigned(holes.size())));
        }
        if (polys.size() == 1) return own(polys.front());
        return own(
            GEOSGeom_createCollection_r(m_ctx, GEOS_MULTIPOLYGON, polys.data(), unsigned(polys.size())));
    }
    // The union of clones of the given geometries.
    Ptr unionOf(const std::vector<const GEOSGeometry*>& parts) const {
        std::vector<GEOSGeometry*> clones;
        for (const GEOSGeometry* g : parts) clones.push_back(GEOSGeom_clone_r(m_ctx, g));
        Ptr all = own(GEOSGeom_createCollection_r(m_ctx, GEOS_GEOMETRYCOLLECTION, clones.data(),
                                                  unsigned(clones.size())));
        return own(GEOSUnaryUnion_r(m_ctx, all.get()));
    }
    double area(const GEOSGeometry* g) const {
        double a = 0;
        GEOSArea_r(m_ctx, g, &a);
        return a;
    }

private:
    GEOSContextHandle_t m_ctx;
};

// ---- Map descriptions ------------------------------------------------------------------------

struct Matrix {
    QString id;
    int minX = 0, minY = 0, tileWidth = 0, tileHeight = 0, matrixWidth = 0, matrixHeight = 0;
    double overX = 0, overY = 0;
};
struct MapDescription {
    QString name, ext, dir;
    std::vector<Matrix> matrices;
};

// Reads a map element (the reader stands on its start tag) as the map application does.
MapDescription readMap(QXmlStreamReader& xml) {
    MapDescription m;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("name"))
            m.name = xml.readElementText();
        else if (xml.name() == QLatin1String("ext"))
            m.ext = xml.readElementText();
        else if (xml.name() == QLatin1String("dir"))
            m.dir = xml.readElementText();
        else if (xml.name() == QLatin1String("TileMatrixSet")) {
            while (xml.readNextStartElement()) {
                Matrix t;
                while (xml.readNextStartElement()) {
                    const QString name = xml.name().toString();
                    const QString text = xml.readElementText();
                    if (name == "ID") t.id = text;
                    if (name == "MinX") t.minX = text.toInt();
                    if (name == "MinY") t.minY = text.toInt();
                    if (name == "TileWidth") t.tileWidth = text.toInt();
                    if (name == "TileHeight") t.tileHeight = text.toInt();
                    if (name == "OverX") t.overX = text.toDouble();
                    if (name == "OverY") t.overY = text.toDouble();
                    if (name == "MatrixWidth") t.matrixWidth = text.toInt();
                    if (name == "MatrixHeight") t.matrixHeight = text.toInt();
                }
                m.matrices.push_back(t);
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return m;
}

QString tilePath(const QString& dir, const Matrix& t, int c, int r, const QString& ext) {
    return QDir(dir).filePath(QStringLiteral("%1_%2-%3.%4").arg(t.id).arg(c).arg(r).arg(ext));
}

QImage readImage(const QString& path, QByteArray* format = nullptr) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (format) *format = reader.format(); // what the content is, whatever the file's suffix
    return reader.read();
}

// ---- The generated project -------------------------------------------------------------------

class SampleProject : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        zsample::Options o;
        o.outDir = s_dir->path();
        o.groups = kGroups;
        o.seed = kSeed;
        s_result = new zsample::Result(zsample::generate(o));
        s_forest = new Loaded(loadStream(s_result->forestPath));
    }
    static void TearDownTestSuite() {
        delete s_forest;
        delete s_result;
        delete s_dir;
    }
    static QString root() { return s_dir->path(); }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline zsample::Result* s_result = nullptr;
    static inline Loaded* s_forest = nullptr;
};

std::map<QString, QByteArray> filesUnder(const QString& dir) {
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        files[QDir(dir).relativeFilePath(path)] = f.readAll();
    }
    return files;
}

TEST_F(SampleProject, TheSameSeedWritesTheSameFilesAndAnotherSeedAnotherForest) {
    QTemporaryDir again, other;
    zsample::Options o;
    o.outDir = again.path();
    o.groups = kGroups;
    o.seed = kSeed;
    zsample::generate(o);
    const auto first = filesUnder(root()), second = filesUnder(again.path());
    ASSERT_GT(first.size(), 20u);
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first) {
        ASSERT_TRUE(second.count(name)) << name.toStdString();
        EXPECT_TRUE(bytes == second.at(name)) << name.toStdString();
    }
    o.outDir = other.path();
    o.seed = kSeed + 1;
    o.tiles = false;
    const zsample::Result r = zsample::generate(o);
    QFile a(s_result->forestPath), b(r.forestPath);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_NE(a.readAll(), b.readAll());
}

TEST_F(SampleProject, TheForestFileHoldsThePlanAreaDownToTheGroups) {
    Tgis_ForestModel* model = s_forest->model();
    ASSERT_NE(model, nullptr) << "the root is not a forest model";
    Tgis_LHC* lhc = model->GetFirstLHC();
    ASSERT_NE(lhc, nullptr);
    EXPECT_FALSE(lhc->FNazev.isEmpty());
    EXPECT_GT(lhc->FCislo, 0);
    EXPECT_GT(lhc->FROK, 2000);
    const auto districts = itemsOf(lhc);
    ASSERT_EQ(districts.size(), 2u);
    EXPECT_NEAR(lhc->GetPlocha(), s_result->totalHa, 1e-6) << "the plan area is its groups' sum";

    // Divisions count from 1 across the plan area, dílce are a, b, c…, stands 1, 2…, groups 1a, 2b…
    int division = 0;
    std::size_t g = 0;
    for (auto* ls : districts)
        for (auto* odd : itemsOf(static_cast<Tgis_ItemsForestUnit*>(ls))) {
            EXPECT_EQ(static_cast<Tgis_Oddeleni*>(odd)->FCislo, ++division);
            char letter = 'a';
            for (auto* dil : itemsOf(static_cast<Tgis_ItemsForestUnit*>(odd))) {
                EXPECT_EQ(dil->GetName(), QString(QChar(letter++)));
                int standNumber = 0;
                for (auto* por : itemsOf(static_cast<Tgis_ItemsForestUnit*>(dil))) {
                    EXPECT_EQ(por->GetName(), QString::number(++standNumber));
                    int k = 0;
                    for (auto* unit : itemsOf(static_cast<Tgis_ItemsForestUnit*>(por))) {
                        ++k;
                        auto* group = zelto_cast<Tgis_PorostniSkupina>(unit);
                        ASSERT_NE(group, nullptr);
                        EXPECT_EQ(group->GetName(), QString::number(k) + QChar('a' + k - 1));
                        // The group's place in the hierarchy is the one the maps label.
                        ASSERT_LT(g, s_result->groups.size());
                        const zsample::GroupInfo& info = s_result->groups[g++];
                        EXPECT_EQ(group->GetOddeleni(), info.division);
                        EXPECT_EQ(QString(group->GetDilec()), info.dilec);
                        EXPECT_EQ(group->Get_Porost()->GetName(), info.stand);
                        EXPECT_EQ(group->GetName(), info.name);
                        EXPECT_EQ(int(group->GetVEK_ST()), info.vekSt);
                    }
                }
            }
        }
    EXPECT_EQ(g, std::size_t(kGroups));
}

TEST_F(SampleProject, GroupsHaveRealisticAreasHolesAndSeveralPieces) {
    const auto groups = groupsOf(s_forest->model());
    ASSERT_EQ(groups.size(), std::size_t(kGroups));
    int withHoles = 0, inPieces = 0;
    for (Tgis_PorostniSkupina* g : groups) {
        const double ha = g->GetPlocha();
        EXPECT_GE(ha, 0.3) << g->GetName().toStdString();
        EXPECT_LE(ha, 8.0) << g->GetName().toStdString();
        // The recorded area is the area rounded to the hundredth of a hectare (per piece).
        EXPECT_NEAR(g->GetVymera(), ha, 0.005 * piecesOf(g).size() + 1e-9);
        EXPECT_LE(g->FVEK_ST, zsample::MaxAgeClass);
        EXPECT_FALSE(g->GetPropertyStringByName("DR").isEmpty());
        EXPECT_FALSE(g->GetPropertyStringByName("KATS").isEmpty()) << "the stand's category";
        const auto pieces = piecesOf(g);
        inPieces += pieces.size() > 1;
        for (const Piece& p : pieces) {
            withHoles += !p.holes.empty();
            EXPECT_GE(p.outer.size(), 24u) << "an outline of dozens of vertices";
            EXPECT_EQ(p.outer.front(), p.outer.back()) << "a closed ring";
        }
    }
    EXPECT_GE(withHoles, 1);
    EXPECT_GE(inPieces, 1);
}

TEST_F(SampleProject, TheGroupsPartitionTheAreaWithSharedBoundaries) {
    Geos geos;
    const auto groups = groupsOf(s_forest->model());
    std::vector<Geos::Ptr> polys;
    std::vector<const GEOSGeometry*> all;
    double sum = 0;
    std::map<std::pair<double, double>, std::set<std::size_t>> vertexGroups;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const auto pieces = piecesOf(groups[i]);
        polys.push_back(geos.polygon(pieces));
        EXPECT_EQ(GEOSisValid_r(geos.ctx(), polys.back().get()), 1) << groups[i]->GetName().toStdString();
        sum += geos.area(polys.back().get());
        all.push_back(polys.back().get());
        for (const Piece& p : pieces) {
            for (auto v : p.outer) vertexGroups[v].insert(i);
            for (const Ring& h : p.holes)
                for (auto v : h) vertexGroups[v].insert(i);
        }
    }
    // No overlaps: the areas add up to the union's. No gaps: the union is one polygon without
    // holes, so every hole of a group is filled by other groups.
    Geos::Ptr area = geos.unionOf(all);
    EXPECT_NEAR(sum, geos.area(area.get()), 1e-9 * sum);
    ASSERT_EQ(GEOSGeomTypeId_r(geos.ctx(), area.get()), GEOS_POLYGON);
    EXPECT_EQ(GEOSGetNumInteriorRings_r(geos.ctx(), area.get()), 0);

    // Shared boundaries have the same vertices: a vertex that only one group has lies on the
    // outline of the whole area.
    Geos::Ptr outline = geos.own(GEOSBoundary_r(geos.ctx(), area.get()));
    int own = 0;
    for (const auto& [v, owners] : vertexGroups) {
        if (owners.size() > 1) continue;
        ++own;
        Geos::Ptr point = geos.own(GEOSGeom_createPointFromXY_r(geos.ctx(), v.first, v.second));
        double d = 1;
        GEOSDistance_r(geos.ctx(), point.get(), outline.get(), &d);
        ASSERT_LT(d, 1e-6) << "a vertex of one group inside the area at " << v.first << " " << v.second;
    }
    EXPECT_GT(own, 0);

    // The hierarchy is made of contiguous blocks: every stand, dílec and division is one piece.
    std::map<QString, std::vector<const GEOSGeometry*>> blocks;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        Tgis_PorostniSkupina* g = groups[i];
        const QString division = QString::number(g->GetOddeleni());
        blocks["division " + division].push_back(all[i]);
        blocks["dilec " + division + g->GetDilec()].push_back(all[i]);
        blocks["stand " + division + g->GetDilec() + g->GetPorost()].push_back(all[i]);
    }
    EXPECT_GT(blocks.size(), 10u);
    for (const auto& [name, parts] : blocks) {
        Geos::Ptr u = geos.unionOf(parts);
        EXPECT_EQ(GEOSGeomTypeId_r(geos.ctx(), u.get()), GEOS_POLYGON)
            << name.toStdString() << " is not contiguous";
    }
}

TEST_F(SampleProject, TheCoreSelectorFindsEveryGroupAtItsLabelPoint) {
    TForestModelSelector selector;
    selector.SetForestModel(s_forest->model());
    selector.SetFrameClassName("Tgis_PorostniSkupina");
    selector.SetReferenceFrameClassName("Tgis_PorostniSkupina");
    for (Tgis_PorostniSkupina* g : groupsOf(s_forest->model()))
        for (const Piece& p : piecesOf(g)) {
            selector.SetX(p.label.first);
            selector.SetY(p.label.second);
            selector.DoIt();
            EXPECT_EQ(selector.GetActualFrame(), g) << g->GetName().toStdString();
        }
}

// Every tile the matrices name exists and decodes; matrices run from coarse to fine and cover the
// forest.
void checkMapFiles(const MapDescription& map, const QString& dir, const QByteArray& format,
                   const Tgis_ForestModel* model) {
    ASSERT_FALSE(map.name.isEmpty());
    for (std::size_t i = 1; i < map.matrices.size(); ++i)
        EXPECT_LT(map.matrices[i].tileWidth, map.matrices[i - 1].tileWidth) << "coarse to fine";
    for (const Matrix& t : map.matrices) {
        ASSERT_GT(t.matrixWidth, 0);
        ASSERT_GT(t.matrixHeight, 0);
        const double maxX = t.matrixWidth * t.tileWidth - (t.matrixWidth - 1) * t.overX + t.minX;
        const double maxY = t.matrixHeight * t.tileHeight - (t.matrixHeight - 1) * t.overY + t.minY;
        EXPECT_LE(t.minX, model->GetMinX());
        EXPECT_LE(t.minY, model->GetMinY());
        EXPECT_GE(maxX, model->GetMaxX());
        EXPECT_GE(maxY, model->GetMaxY());
        EXPECT_GT(t.overX, 0) << "tiles overlap";
        QSize size;
        for (int c = 0; c < t.matrixWidth; ++c)
            for (int r = 0; r < t.matrixHeight; ++r) {
                const QString path = tilePath(dir, t, c, r, map.ext);
                QByteArray seen;
                const QImage image = readImage(path, &seen);
                ASSERT_FALSE(image.isNull()) << path.toStdString();
                EXPECT_EQ(seen, format) << path.toStdString();
                if (size.isEmpty()) size = image.size();
                EXPECT_EQ(image.size(), size);
            }
    }
}

TEST_F(SampleProject, TheMapDirectoryHoldsTwoMapsWhoseTilesAllDecode) {
    const QString mapsDir = s_result->mapsDir;
    QFile tiles(QDir(mapsDir).filePath("Tiles.xml"));
    ASSERT_TRUE(tiles.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&tiles);
    ASSERT_TRUE(xml.readNextStartElement());
    std::vector<MapDescription> listed;
    while (xml.readNextStartElement()) listed.push_back(readMap(xml));
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(listed.size(), 1u);
    const MapDescription& stand = listed.front();
    EXPECT_EQ(stand.ext, "j");
    EXPECT_GE(stand.matrices.size(), 4u);
    checkMapFiles(stand, QDir(mapsDir).filePath(stand.dir), "jpeg", s_forest->model());

    // The second map lies in a subdirectory that describes itself.
    int described = 0;
    for (const QFileInfo& sub : QDir(mapsDir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QDir(sub.filePath()).filePath("MapTiles.xml"));
        if (!f.open(QIODevice::ReadOnly)) continue;
        ++described;
        QXmlStreamReader own(&f);
        ASSERT_TRUE(own.readNextStartElement());
        const MapDescription map = readMap(own);
        ASSERT_FALSE(own.hasError());
        EXPECT_EQ(map.ext, "png");
        EXPECT_GE(map.matrices.size(), 3u);
        checkMapFiles(map, sub.filePath(), "png", s_forest->model());
    }
    EXPECT_EQ(described, 1);
    EXPECT_FALSE(readImage(QDir(s_result->systemDir).filePath("HicSuntLeones.png")).isNull());
}

// At the fine matrices, a point deep inside a group, away from labels, has the group's colour.
int checkColours(const MapDescription& map, const QString& dir, MapStyle style,
                 const std::vector<Tgis_PorostniSkupina*>& groups, int tolerance) {
    Geos geos;
    int checked = 0;
    for (const Matrix& t : map.matrices) {
        const QImage first = readImage(tilePath(dir, t, 0, 0, map.ext));
        const double metresPerPixel = double(t.tileWidth) / first.width();
        if (metresPerPixel > 2) continue; // coarse matrices carry large division labels
        for (Tgis_PorostniSkupina* g : groups) {
            const auto pieces = piecesOf(g);
            Geos::Ptr poly = geos.polygon(pieces);
            // 45 m inside the outline and 45 m from every label of the group.
            Geos::Ptr inner = geos.own(GEOSBuffer_r(geos.ctx(), poly.get(), -45, 8));
            for (const Piece& p : pieces) {
                Geos::Ptr at =
                    geos.own(GEOSGeom_createPointFromXY_r(geos.ctx(), p.label.first, p.label.second));
                Geos::Ptr disc = geos.own(GEOSBuffer_r(geos.ctx(), at.get(), 45, 8));
                inner = geos.own(GEOSDifference_r(geos.ctx(), inner.get(), disc.get()));
            }
            if (GEOSisEmpty_r(geos.ctx(), inner.get())) continue;
            Geos::Ptr point = geos.own(GEOSPointOnSurface_r(geos.ctx(), inner.get()));
            double x = 0, y = 0;
            GEOSGeomGetX_r(geos.ctx(), point.get(), &x);
            GEOSGeomGetY_r(geos.ctx(), point.get(), &y);
            const double stepX = t.tileWidth - t.overX, stepY = t.tileHeight - t.overY;
            const int c = std::min(t.matrixWidth - 1, int(std::floor((x - t.minX) / stepX)));
            const int r = std::min(t.matrixHeight - 1, int(std::floor((y - t.minY) / stepY)));
            const double x0 = t.minX + c * stepX, y1 = t.minY + r * stepY + t.tileHeight;
            const QImage tile = readImage(tilePath(dir, t, c, r, map.ext));
            const int u = int((x - x0) / t.tileWidth * tile.width());
            const int v = int((y1 - y) / t.tileHeight * tile.height());
            EXPECT_TRUE(tile.rect().contains(u, v)) << t.id.toStdString();
            if (!tile.rect().contains(u, v)) continue;
            const QRgb seen = tile.pixel(u, v), want = zsample::ageClassColor(g->FVEK_ST, style);
            EXPECT_LE(std::abs(qRed(seen) - qRed(want)), tolerance)
                << t.id.toStdString() << " group " << g->GetName().toStdString();
            EXPECT_LE(std::abs(qGreen(seen) - qGreen(want)), tolerance) << t.id.toStdString();
            EXPECT_LE(std::abs(qBlue(seen) - qBlue(want)), tolerance) << t.id.toStdString();
            ++checked;
        }
    }
    return checked;
}

TEST_F(SampleProject, TilesLineUpWithTheForestData) {
    const auto groups = groupsOf(s_forest->model());
    std::set<int> classes;
    for (auto* g : groups) classes.insert(g->FVEK_ST);
    ASSERT_GT(classes.size(), 4u) << "the colours tell groups apart";

    QFile tiles(QDir(s_result->mapsDir).filePath("Tiles.xml"));
    ASSERT_TRUE(tiles.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&tiles);
    xml.readNextStartElement();
    xml.readNextStartElement();
    const MapDescription stand = readMap(xml);
    EXPECT_GE(checkColours(stand, QDir(s_result->mapsDir).filePath(stand.dir), MapStyle::Stand, groups, 12),
              10);

    const QString ageDir = QDir(s_result->mapsDir).filePath("vekova");
    QFile f(QDir(ageDir).filePath("MapTiles.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader own(&f);
    own.readNextStartElement();
    EXPECT_GE(checkColours(readMap(own), ageDir, MapStyle::Age, groups, 0), 5);
}

class NmeaParser : public QNmeaPositionInfoSource {
public:
    NmeaParser() : QNmeaPositionInfoSource(QNmeaPositionInfoSource::SimulationMode) {}
    bool parse(const QByteArray& line, QGeoPositionInfo& info) {
        bool fix = false;
        return parsePosInfoFromNmeaData(line.constData(), int(line.size()), &info, &fix) && fix;
    }
};

TEST_F(SampleProject, TheGpsWalkIsValidNmeaInsideTheForest) {
    QFile file(s_result->nmeaPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    static const QRegularExpression shape(
        QStringLiteral("^\\$(GPRMC|GPGGA),([0-9]{6}\\.[0-9]{2}),[^*]*\\*([0-9A-F]{2})\\r$"));
    NmeaParser parser;
    TForestModelSelector selector;
    selector.SetForestModel(s_forest->model());
    selector.SetFrameClassName("Tgis_PorostniSkupina");
    selector.SetReferenceFrameClassName("Tgis_PorostniSkupina");
    QDateTime previous;
    double lastX = 0, lastY = 0;
    int fixes = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty()) {
            EXPECT_EQ(i, lines.size() - 1) << "only the last line is empty";
            continue;
        }
        const auto m = shape.match(QString::fromLatin1(line));
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        quint8 sum = 0;
        for (char c : line.mid(1, line.indexOf('*') - 1)) sum ^= quint8(c);
        EXPECT_EQ(sum, m.captured(3).toUInt(nullptr, 16)) << line.toStdString();
        // Each fix is an RMC followed by a GGA of the same time.
        EXPECT_EQ(m.captured(1), fixes % 2 == 0 ? QString("GPRMC") : QString("GPGGA"));
        QGeoPositionInfo info;
        ASSERT_TRUE(parser.parse(line, info)) << line.toStdString();
        ASSERT_TRUE(info.coordinate().isValid());
        if (m.captured(1) == "GPRMC") {
            ASSERT_TRUE(info.timestamp().isValid());
            if (previous.isValid()) {
                EXPECT_EQ(previous.secsTo(info.timestamp()), 1);
            }
            previous = info.timestamp();
            TMapCoord jtsk;
            ASSERT_TRUE(WGS84toJTSK(info.coordinate().latitude(), info.coordinate().longitude(), jtsk));
            const double x = -jtsk.Y, y = -jtsk.X;
            selector.SetX(x);
            selector.SetY(y);
            selector.DoIt();
            EXPECT_NE(selector.GetActualFrame(), nullptr) << "a fix outside the forest at " << x << " " << y;
            if (fixes > 0) {
                EXPECT_LT(std::hypot(x - lastX, y - lastY), 5.0) << "a walking pace";
            }
            lastX = x;
            lastY = y;
        }
        ++fixes;
    }
    EXPECT_EQ(fixes / 2, s_result->fixes);
    EXPECT_GE(s_result->fixes, 300) << "a walk of some length";
}

TEST_F(SampleProject, TheProjectFileNamesTheMapDirectoryAndTheForestFile) {
    const QFileInfo opx(s_result->opxPath);
    EXPECT_TRUE(opx.isAbsolute());
    EXPECT_EQ(opx.absolutePath(), QDir(root()).filePath("demo"));
    QFile f(s_result->opxPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    ASSERT_TRUE(xml.readNextStartElement());
    std::map<QString, QString> files; // by kind; the last entry of a kind wins
    while (xml.readNextStartElement()) {
        QString layer, file;
        while (xml.readNextStartElement()) {
            const QString name = xml.name().toString();
            const QString text = xml.readElementText();
            if (name == "Layer") layer = text;
            if (name == "File") file = text;
        }
        files[layer] = file;
    }
    ASSERT_FALSE(xml.hasError());
    ASSERT_TRUE(files.count("Map") && files.count("Det"));
    const QDir projectDir = opx.absoluteDir();
    EXPECT_TRUE(QFileInfo(files["Map"]).isRelative());
    EXPECT_TRUE(QFileInfo(projectDir.filePath(files["Map"]) + "/Tiles.xml").isFile());
    const Loaded forest = loadStream(projectDir.filePath(files["Det"]));
    EXPECT_NE(forest.model(), nullptr);
}

// The user's layer definitions read as the map application reads them: the names of the ordinary
// layers and the clearing colour table (year -> colour number).
struct Definitions {
    int ordinary = 0;
    std::map<int, int> yearColours;
};

Definitions readDefinitions(const QString& path) {
    Definitions d;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&f);
    EXPECT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name().toString().toUpper(), "USERLAYERS");
    while (xml.readNextStartElement()) {
        const auto a = xml.attributes();
        EXPECT_FALSE(a.value("Name").isEmpty());
        if (a.value("Group") == QLatin1String("42")) {
            while (xml.readNextStartElement()) {
                EXPECT_EQ(xml.attributes().value("Group"), QLatin1String("42"));
                while (xml.readNextStartElement()) {
                    bool okYear = false, okColour = false;
                    const int year = xml.attributes().value("Value").toInt(&okYear);
                    const int colour = xml.attributes().value("Color").toInt(&okColour);
                    EXPECT_TRUE(okYear && okColour);
                    d.yearColours[year] = colour;
                    xml.skipCurrentElement();
                }
            }
        } else {
            ++d.ordinary;
            xml.skipCurrentElement();
        }
    }
    EXPECT_FALSE(xml.hasError());
    return d;
}

TEST_F(SampleProject, TheUserLayerDefinitionsHoldAClearingLayerWithYearColours) {
    const QString path = QDir(root()).filePath("map/project/demo/USERLAYERS_demo.xml");
    EXPECT_EQ(s_result->userLayersPath, path);
    const Definitions d = readDefinitions(path);
    EXPECT_GE(d.ordinary, 1);
    EXPECT_TRUE(d.yearColours.count(0)) << "the colour of an unlisted year";
    EXPECT_GE(d.yearColours.size(), 5u);
    for (auto [year, colour] : d.yearColours) {
        EXPECT_GE(colour, 0);
        EXPECT_LT(colour, 16);
        EXPECT_NE(colour, 6) << "the transparent colour";
    }
}

TEST_F(SampleProject, TheSystemFolderHoldsPointSymbolsAndKinds) {
    const Loaded symbols = loadStream(QDir(s_result->systemDir).filePath("PSYMB.zlt"));
    auto* psymb = zelto_cast<TOwnerEntity>(symbols.root.get());
    ASSERT_NE(psymb, nullptr);
    std::set<QString> numbers;
    for (TElement* e : psymb->FElements) {
        auto* symbol = zelto_cast<TEntity>(e);
        ASSERT_NE(symbol, nullptr);
        bool ok = false;
        symbol->GetName().toInt(&ok);
        EXPECT_TRUE(ok) << symbol->GetName().toStdString();
        numbers.insert(symbol->GetName());
        auto* g = zelto_cast<TRectEntity>(symbol->FindElementName("G"));
        ASSERT_NE(g, nullptr) << "symbol " << symbol->GetName().toStdString();
        EXPECT_TRUE(g->IsValid());
        EXPECT_GT(g->GetWidth(), 1);
        ASSERT_GT(g->ElementsCount(), 0);
        for (TElement* line : g->FElements) {
            auto* poly = zelto_cast<TPolyLineElement>(line);
            ASSERT_NE(poly, nullptr);
            EXPECT_GE(poly->GetCoordsCount(), 2);
        }
    }
    EXPECT_GE(numbers.size(), 4u);

    const Loaded kinds = loadStream(QDir(s_result->systemDir).filePath("Zn.zlt"));
    auto* zn = zelto_cast<TTopolDruhy>(kinds.root.get());
    ASSERT_NE(zn, nullptr);
    TTopolDruhCollection* points = zn->GetB();
    ASSERT_GE(points->ElementsCount(), 4);
    for (TElement* e : points->FElements) {
        auto* kind = zelto_cast<TTopolDruh>(e);
        ASSERT_NE(kind, nullptr);
        EXPECT_EQ(kind->FTyp, QChar('B'));
        EXPECT_TRUE(numbers.count(QString::number(kind->FZnacka)))
            << "kind " << kind->GetName().toStdString();
    }
}

// ---- User layers -----------------------------------------------------------------------------

TComplicatedGECollection* subLayer(TComplicatedGECollection* layer, const char* name) {
    return zelto_cast<TComplicatedGECollection>(layer->FindElementName(name));
}

struct ClearingCheck {
    int count = 0;
    int unlistedYears = 0;
};

// Every clearing of the clearing layer lies inside exactly one stand group of the forest (GEOS on
// the written rings), the group its "ETAZ" names and the one under its reference point, and has
// the colour of its year; "ROK" years the table does not list take the colour of entry 0.
ClearingCheck checkClearings(const QString& forestPath, const QString& layerPath,
                             const std::map<int, int>& yearColours) {
    ClearingCheck result;
    const Loaded forest = loadStream(forestPath);
    EXPECT_NE(forest.model(), nullptr);
    if (!forest.model()) return result;
    const std::vector<Tgis_PorostniSkupina*> groups = groupsOf(forest.model());
    Geos geos;
    std::vector<Geos::Ptr> polygons;
    for (Tgis_PorostniSkupina* g : groups) polygons.push_back(geos.polygon(piecesOf(g)));

    const Loaded stream = loadStream(layerPath);
    auto* layer = zelto_cast<TComplicatedGECollection>(stream.root.get());
    EXPECT_NE(layer, nullptr) << layerPath.toStdString();
    TComplicatedGECollection* areas = layer ? subLayer(layer, "A") : nullptr;
    EXPECT_NE(areas, nullptr);
    if (!areas) return result;
    std::set<std::pair<std::size_t, QString>> indexes;
    for (TElement* e : areas->FElements) {
        auto* clearing = zelto_cast<Tgis_UserAreaElement>(e);
        EXPECT_NE(clearing, nullptr) << e->ClassType().name().toStdString();
        if (!clearing) continue;
        ++result.count;
        const std::string id = clearing->GetName().toStdString();
        EXPECT_EQ(clearing->FDruh, 42) << id;
        auto* area = zelto_cast<TAreaElement>(clearing->GetGeometry());
        EXPECT_NE(area, nullptr) << id;
        if (!area) continue;
        const Ring ring = ringOf(area);
        EXPECT_GE(ring.size(), 4u) << id;
        EXPECT_EQ(ring.front(), ring.back()) << id << ": the ring is closed";
        EXPECT_GT(area->GetArea(), 50) << id << ": clockwise, and a real area";

        const Geos::Ptr shape = geos.polygon({Piece{ring, {}, {}}});
        const Geos::Ptr ref =
            geos.own(GEOSGeom_createPointFromXY_r(geos.ctx(), clearing->GetRefX(), clearing->GetRefY()));
        std::vector<std::size_t> holders;
        for (std::size_t g = 0; g < groups.size(); ++g)
            if (GEOSContains_r(geos.ctx(), polygons[g].get(), shape.get()) == 1) holders.push_back(g);
        EXPECT_EQ(holders.size(), 1u) << id << " lies in " << holders.size() << " groups";
        if (holders.size() != 1) continue;
        const std::size_t g = holders.front();
        EXPECT_EQ(GEOSContains_r(geos.ctx(), polygons[g].get(), ref.get()), 1) << id;
        EXPECT_EQ(clearing->GetPropertyStringByName("ETAZ"), groups[g]->GetName()) << id;
        const QString index = clearing->GetPropertyStringByName("INDEXHOLINY");
        EXPECT_FALSE(index.isEmpty()) << id;
        EXPECT_TRUE(indexes.insert({g, index}).second) << id << ": index " << index.toStdString() << " twice";
        EXPECT_TRUE(clearing->HasPropertyByName("Poznamka")) << id;

        bool isYear = false;
        const int year = clearing->GetPropertyStringByName("ROK").toInt(&isYear);
        EXPECT_TRUE(isYear) << id;
        const auto listed = yearColours.find(year);
        if (listed == yearColours.end()) {
            ++result.unlistedYears;
            EXPECT_EQ(clearing->FBarva, yearColours.at(0)) << id << " of " << year;
        } else {
            EXPECT_EQ(clearing->FBarva, listed->second) << id << " of " << year;
        }
    }
    return result;
}

TEST_F(SampleProject, EveryClearingLiesInsideTheStandGroupItNamesAndHasItsYearsColour) {
    const Definitions definitions = readDefinitions(s_result->userLayersPath);
    ASSERT_TRUE(definitions.yearColours.count(0));
    const ClearingCheck c =
        checkClearings(s_result->forestPath, QDir(s_result->workDir).filePath("UDSML_demo_Holiny.zlt"),
                       definitions.yearColours);
    EXPECT_EQ(c.count, 300) << "the default number of clearings";
    EXPECT_EQ(s_result->clearings, 300);
    EXPECT_GE(c.unlistedYears, 3) << "a few years the table does not list";
    EXPECT_LT(c.unlistedYears, c.count / 2);
}

// The map application's paths of the generated project for user "demo" (made as it makes them when
// it opens the project: this also creates the project's empty media folders).
struct ApplicationPaths {
    ApplicationPaths(const QString& publicFolder, const QString& opx) {
        TProjectPath::SetPublicFolder(publicFolder);
        TProjectPath::Project = opx;
        TProjectPath::UID = "demo";
        ok = TProjectPath::CheckDirectories();
    }
    ~ApplicationPaths() {
        TProjectPath::Clear();
        TProjectPath::SetPublicFolder(QString());
    }
    bool ok = false;
};

TEST_F(SampleProject, EachLayerThatHoldsObjectsHasItsFileOfSubLayers) {
    struct SubLayer {
        const char* name;
        const char* className;
        int count;
    };
    struct Expected {
        QString name, caption;
        QRgb colour;
        int group;
        std::vector<SubLayer> subLayers;
    };
    const Expected expected[] = {
        {"User", "Kreslení", 0xFFFF0000, 0, {{"L", "TTopolLineElement", 2}}},
        {"Pozorování",
         "Pozorování",
         0,
         0,
         {{"A", "Tgis_UserAreaElement", 3},
          {"L", "TTopolLineElement", 4},
          {"P", "Tgis_PointElement", 12},
          {"N", "Tgis_Note", 6}}},
        {"Holiny", "Holiny", 0, 42, {{"A", "Tgis_UserAreaElement", 300}}},
    };
    const ApplicationPaths app(root(), s_result->opxPath);
    ASSERT_TRUE(app.ok);
    QStringList paths;
    for (const Expected& x : expected) paths << TProjectPath::Layer(x.name);
    EXPECT_EQ(s_result->layerPaths, paths);
    for (const char* empty : {"Meas", "Log"})
        EXPECT_FALSE(QFileInfo::exists(TProjectPath::Layer(empty)))
            << empty << " holds nothing, so it has no file";

    std::set<QString> symbols;
    const Loaded psymb = loadStream(QDir(s_result->systemDir).filePath("PSYMB.zlt"));
    ASSERT_NE(psymb.root, nullptr);
    for (TElement* e : static_cast<TEntity*>(psymb.root.get())->FElements) symbols.insert(e->GetName());

    std::set<QString> uuids;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Expected& x = expected[i];
        SCOPED_TRACE(x.name.toStdString());
        const Loaded stream = loadStream(paths[qsizetype(i)]);
        auto* layer = zelto_cast<TComplicatedGECollection>(stream.root.get());
        ASSERT_NE(layer, nullptr);
        EXPECT_EQ(layer->GetName(), x.name);
        EXPECT_EQ(layer->FText, x.caption);
        EXPECT_TRUE(layer->FVisible);
        EXPECT_EQ(quint32(layer->FColor) >> 24, 0xFFu) << "an opaque colour";
        if (x.colour) {
            EXPECT_EQ(quint32(layer->FColor), x.colour);
        }
        EXPECT_EQ(layer->FGroup, x.group);
        ASSERT_EQ(layer->ElementsCount(), int(x.subLayers.size()));
        for (const SubLayer& sub : x.subLayers) {
            TComplicatedGECollection* objects = subLayer(layer, sub.name);
            ASSERT_NE(objects, nullptr) << sub.name;
            EXPECT_EQ(objects->FObjectType, sub.name);
            ASSERT_EQ(objects->ElementsCount(), sub.count) << sub.name;
            for (TElement* e : objects->FElements) {
                ASSERT_EQ(e->ClassType().name(), QString(sub.className)) << sub.name;
                auto* rect = static_cast<TRectEntity*>(e);
                EXPECT_TRUE(rect->IsInsideRegion(layer->GetMinX(), layer->GetMinY(), layer->GetMaxX(),
                                                 layer->GetMaxY()))
                    << "the layer's rectangle covers its objects";
                QString uuid;
                if (auto* ge = zelto_cast<TGeometryElement>(e)) {
                    uuid = ge->GetUUID();
                    EXPECT_EQ(ge->GetUID(), "demo");
                    EXPECT_GT(ge->GetTimeStamp(), 40000);
                } else {
                    auto* g = zelto_cast<TGeometry>(e);
                    ASSERT_NE(g, nullptr);
                    uuid = g->GetUUID();
                    EXPECT_EQ(g->GetUID(), "demo");
                    EXPECT_GT(g->GetTimeStamp(), 40000);
                }
                EXPECT_TRUE(QUuid::fromString(uuid).version() == QUuid::Random) << uuid.toStdString();
                EXPECT_TRUE(uuids.insert(uuid).second) << "UUID " << uuid.toStdString() << " twice";

                if (auto* line = zelto_cast<TTopolLineElement>(e)) {
                    EXPECT_FALSE(line->GetName().isEmpty());
                    EXPECT_EQ(line->FDruh, 1);
                    EXPECT_EQ(line->FBarva, 13);
                    EXPECT_EQ(line->FZnacka, 0);
                    auto* poly = zelto_cast<TPolyLineElement>(line->GetGeometry());
                    ASSERT_NE(poly, nullptr);
                    EXPECT_GE(poly->GetCoordsCount(), 2);
                    EXPECT_GT(poly->GetLength(), 10);
                } else if (auto* point = zelto_cast<Tgis_PointElement>(e)) {
                    EXPECT_TRUE(symbols.count(QString::number(point->FSymbol)))
                        << "symbol " << point->FSymbol << " is not in the symbol set";
                    EXPECT_GE(point->FColor, 0);
                    EXPECT_LT(point->FColor, 16);
                    EXPECT_EQ(point->FStatus, 0);
                } else if (auto* note = zelto_cast<Tgis_Note>(e)) {
                    EXPECT_FALSE(note->GetName().isEmpty());
                    EXPECT_FALSE(note->GetText().isEmpty());
                } else if (auto* area = zelto_cast<Tgis_UserAreaElement>(e); area && x.group != 42) {
                    EXPECT_EQ(area->FDruh, 1) << "an ordinary area";
                    EXPECT_FALSE(area->GetPropertyStringByName("Poznamka").isEmpty());
                    EXPECT_NE(zelto_cast<TAreaElement>(area->GetGeometry()), nullptr);
                }
            }
        }
    }
}

TEST_F(SampleProject, TheLocalSettingsHoldEveryLayersColourAndVisibilityWithoutObjects) {
    {
        const ApplicationPaths app(root(), s_result->opxPath);
        ASSERT_TRUE(app.ok);
        EXPECT_EQ(s_result->localLayersPath, TProjectPath::UDSM);
        EXPECT_EQ(s_result->userLayersPath, TProjectPath::UserLayers);
    }
    const Loaded stream = loadStream(s_result->localLayersPath);
    auto* local = zelto_cast<TOwnerEntity>(stream.root.get());
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->GetName(), "LAYERSLOCAL");
    struct Entry {
        QString name, caption;
        bool visible;
        QRgb colour; // 0: any opaque colour
    };
    const Entry expected[] = {
        {"Meas", "Měření", false, 0xFF32CD32},  {"Log", "Trasy", true, 0xFFDA70D6},
        {"User", "Kreslení", true, 0xFFFF0000}, {"Pozorování", "Pozorování", true, 0},
        {"Holiny", "Holiny", true, 0},
    };
    ASSERT_EQ(local->ElementsCount(), int(std::size(expected)));
    for (int i = 0; i < local->ElementsCount(); ++i) {
        const Entry& x = expected[i];
        auto* entry = zelto_cast<TComplicatedGECollection>(local->Get(i));
        ASSERT_NE(entry, nullptr) << i;
        EXPECT_EQ(entry->GetName(), x.name);
        EXPECT_EQ(entry->FText, x.caption) << x.name.toStdString();
        EXPECT_EQ(entry->FVisible, x.visible) << x.name.toStdString();
        EXPECT_EQ(quint32(entry->FColor) >> 24, 0xFFu) << x.name.toStdString();
        if (x.colour) {
            EXPECT_EQ(quint32(entry->FColor), x.colour) << x.name.toStdString();
        }
        EXPECT_EQ(entry->ElementsCount(), 0) << x.name.toStdString();
    }
    // The copy keeps the layer's own colour.
    const Loaded holiny = loadStream(QDir(s_result->workDir).filePath("UDSML_demo_Holiny.zlt"));
    auto* layer = zelto_cast<TComplicatedGECollection>(holiny.root.get());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(static_cast<TComplicatedGECollection*>(local->Get(4))->FColor, layer->FColor);
}

// ---- The command line ------------------------------------------------------------------------

struct ToolRun {
    int status = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& args) {
    ToolRun r;
    QTextStream out(&r.out), err(&r.err);
    r.status = zsample::runSample(args, out, err);
    return r;
}

TEST(SampleCommandLine, RefusesBadArgumentsAndUnusableFolders) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath("file.txt");
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QDir().mkpath(dir.filePath("taken"));
    {
        QFile f(dir.filePath("taken/demo"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString out = dir.filePath("out");
    struct Case {
        QStringList args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--groups", "abc", "--out", out}, 2, "--groups"},
        {{"--groups", "0", "--out", out}, 2, "--groups"},
        {{"--groups", "-5", "--out", out}, 2, "--groups"},
        {{"--groups", "100001", "--out", out}, 2, "--groups"},
        {{"--groups", "12x", "--out", out}, 2, "--groups"},
        {{"--groups", "--out", out}, 2, "--groups"},
        {{"--seed", "seven", "--out", out}, 2, "--seed"},
        {{"--user-areas", "-1", "--out", out}, 2, "--user-areas"},
        {{"--user-areas", "10001", "--out", out}, 2, "--user-areas"},
        {{"--user-areas=some", "--out", out}, 2, "--user-areas"},
        {{"--out", out, "--user-areas"}, 2, "--user-areas"},
        {{"--groups", "5"}, 2, "--out"},
        {{"--out"}, 2, "--out"},
        {{"--out", out, "--colour"}, 2, "--colour"},
        {{"--out", out, "--user", "../escape"}, 1, "user name"},
        {{"--out", blocker + "/inside", "--groups", "3"}, 1, "inside"},
        {{"--out", blocker, "--groups", "3"}, 1, "file.txt"},
        {{"--out", dir.filePath("taken"), "--groups", "3", "--no-tiles"}, 1, "not a directory"},
    };
    for (const Case& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message))
            << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out + "/demo/demo.opx")) << "nothing written after a refusal";
}

TEST(SampleCommandLine, PrintsTheProjectFileLastAndWritesNoMapsWhenAskedNot) {
    QTemporaryDir dir;
    const ToolRun r =
        runTool({"--out", dir.path(), "--groups", "12", "--seed", "3", "--no-tiles", "--user", "forester"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split('\n');
    const QString opx = lines.last();
    EXPECT_TRUE(QFileInfo(opx).isAbsolute());
    EXPECT_EQ(QFileInfo(opx).canonicalFilePath(),
              QFileInfo(QDir(dir.path()).filePath("demo/demo.opx")).canonicalFilePath());
    EXPECT_TRUE(QFileInfo::exists(QDir(dir.path()).filePath("map/project/demo/USERLAYERS_forester.xml")));
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath("demo/maps")));
    QFile f(opx);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_FALSE(text.contains("<Layer>Map</Layer>")) << "no map to name";
    EXPECT_TRUE(text.contains("<Layer>Det</Layer>"));
    const Loaded forest = loadStream(QDir(dir.path()).filePath("demo/demo_lhc.zlt"));
    ASSERT_NE(forest.model(), nullptr);
    EXPECT_EQ(groupsOf(forest.model()).size(), 12u);
}

// A crowded forest (one group, many clearings) still keeps every clearing inside; a later run
// without clearings removes the earlier clearing file, which the map application would load again.
TEST(SampleCommandLine, UserAreasSetsTheNumberOfClearings) {
    QTemporaryDir dir;
    const QString work = QDir(dir.path()).filePath("map/project/demo");
    const QString holiny = QDir(work).filePath("UDSML_demo_Holiny.zlt");
    ToolRun r = runTool({"--out", dir.path(), "--groups", "1", "--no-tiles", "--user-areas", "150"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("clearings: 150\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("user layer: " + holiny + "\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("layer settings: " + QDir(work).filePath("UDSM_demo.zlt") + "\n"));
    const ClearingCheck c =
        checkClearings(QDir(dir.path()).filePath("demo/demo_lhc.zlt"), holiny,
                       readDefinitions(QDir(work).filePath("USERLAYERS_demo.xml")).yearColours);
    EXPECT_EQ(c.count, 150);

    r = runTool({"--out", dir.path(), "--groups", "1", "--no-tiles", "--user-areas=0"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("clearings: 0\n"));
    EXPECT_FALSE(r.out.contains(holiny));
    EXPECT_FALSE(QFileInfo::exists(holiny)) << "the clearings of the earlier run are gone";
    const Loaded local = loadStream(QDir(work).filePath("UDSM_demo.zlt"));
    ASSERT_NE(local.root, nullptr);
    ASSERT_NE(zelto_cast<TOwnerEntity>(local.root.get()), nullptr);
    EXPECT_NE(static_cast<TOwnerEntity*>(local.root.get())->FindElementName("Holiny"), nullptr)
        << "the empty layer keeps its settings";
    EXPECT_TRUE(QFileInfo::exists(QDir(work).filePath("UDSML_demo_Pozorování.zlt")));
}

TEST(SampleCommandLine, TheBuiltProgram) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral(ZELTO_SAMPLE_BINARY), {"--out", dir.path(), "--groups", "5", "--no-tiles"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString last = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split('\n').last();
    EXPECT_TRUE(last.endsWith("/demo/demo.opx")) << last.toStdString();
    EXPECT_TRUE(QFileInfo(last).isFile());

    p.start(QStringLiteral(ZELTO_SAMPLE_BINARY), {"--out", dir.path(), "--groups", "many"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("--groups"));
}

} // namespace

// ---- zlt find against GEOS on a generated forest ---------------------------------------------------

// The forest the oracle tests generate: 600 groups of seed 11, without maps.
zsample::Options oracleForest(const QString& dir) {
    zsample::Options o;
    o.outDir = dir;
    o.groups = 600;
    o.seed = 11;
    o.tiles = false;
    return o;
}

// 10,000 random points over a generated forest: the map's stand-group search (as zlt find runs it)
// names the group that GEOS finds in the polygons zlt geojson exports (the first in hierarchy order
// that contains the point, "none" outside every group); points within 1 mm of a boundary are left
// out, as either neighbour is right there. (The forest file, about 3 MB, is also large enough for the
// reader to hand back the pages of the file it has passed while it reads.)
TEST(SampleOracle, ZltFindNamesTheGroupGeosFindsInTheExportedPolygons) {
    QTemporaryDir dir;
    const zsample::Options o = oracleForest(dir.path());
    const zsample::Result generated = zsample::generate(o);

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ASSERT_EQ(zlt::runZlt({"geojson", generated.forestPath}, outStream, errStream), 0) << err.toStdString();
    outStream.flush();
    const zelto::testing::GeosStandGroups groups(
        QJsonDocument::fromJson(out.toUtf8()).object().value("features").toArray());
    ASSERT_EQ(groups.unreadable(), 0);
    ASSERT_EQ(groups.count(), 600);

    zlt::LoadedStream stream(generated.forestPath);
    auto* model = zelto_cast<Tgis_ForestModel>(stream.root());
    ASSERT_NE(model, nullptr);
    zlt::UnitFinder finder(model);

    std::mt19937_64 rng(5);
    // A margin around the groups so that some points fall outside the forest.
    const double mx = (groups.XMax - groups.XMin) * 0.05, my = (groups.YMax - groups.YMin) * 0.05;
    std::uniform_real_distribution<double> px(groups.XMin - mx, groups.XMax + mx),
        py(groups.YMin - my, groups.YMax + my);
    int compared = 0, outside = 0, skipped = 0;
    for (int n = 0; n < 10000; ++n) {
        const double x = px(rng), y = py(rng);
        if (groups.nearBoundary(x, y, 1e-3)) {
            ++skipped;
            continue;
        }
        QString expected = groups.labelAt(x, y);
        if (expected.isEmpty()) expected = QStringLiteral("none");
        ASSERT_EQ(finder.labelAt(x, y).toStdString(), expected.toStdString()) << "point " << x << " " << y;
        ++compared;
        outside += expected == "none";
    }
    EXPECT_GT(compared, 9900);
    EXPECT_GT(outside, 200); // the margin and the lobes of the outline
    EXPECT_LT(outside, compared - 5000);
}

// The boundary line set: every shared boundary once, and the areas the program's own pipeline
// makes from it are the groups' pieces (as many, the same total area).
TEST(SampleLines, TheBoundaryLinesMakeTheGroupsPieces) {
    QTemporaryDir dir;
    zsample::Options o = oracleForest(dir.path());
    o.linesPath = dir.filePath(QStringLiteral("lines.txt"));
    const zsample::Result generated = zsample::generate(o);
    QFile file(o.linesPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    EXPECT_EQ(lines.size(), generated.lines);
    // Each line twice as many numbers as vertices, at least two vertices, and no line twice.
    QSet<QByteArray> distinct;
    for (const QByteArray& l : lines) {
        const qsizetype numbers = l.split(' ').size();
        EXPECT_TRUE(numbers >= 4 && numbers % 2 == 0) << l.left(80).toStdString();
        distinct.insert(l);
    }
    EXPECT_EQ(distinct.size(), lines.size());

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ASSERT_EQ(zlt::runZlt({"areas", o.linesPath}, outStream, errStream), 0) << err.toStdString();
    outStream.flush();
    const QStringList areas = out.trimmed().split(QLatin1Char('\n'));
    size_t pieces = 0;
    double groupsM2 = 0;
    for (const zsample::GroupInfo& g : generated.groups) {
        pieces += g.parts.size();
        groupsM2 += g.areaHa * 10000;
    }
    EXPECT_EQ(size_t(areas.size()), pieces);
    double areasM2 = 0;
    for (const QString& a : areas) areasM2 += a.toDouble();
    EXPECT_NEAR(areasM2, groupsM2, groupsM2 * 1e-6);
}
