// Forest data against GDAL and GEOS, on a generated forest (bench/forest.sh makes the files).
//
//   bench_forest load --zlt F.zlt --fgb F.fgb --gpkg F.gpkg [--reps 3]
//     Loading the forest data: our object stream into the forest model, against GDAL reading the
//     same polygons from FlatGeobuf and from GeoPackage into OGRGeometry objects it keeps. Every
//     engine runs in a forked child of its own: wall and CPU time of the load, the child's peak
//     resident size above its size at the start (the peak is reset there), and that per vertex
//     (vertices counted by GDAL over the stand-group polygons). Median of the repetitions by CPU.
//     With --warm-zlt/--warm-fgb/--warm-gpkg (a small forest in each format), the child first
//     reads the engine's small file and frees it, before the peak is reset: its growth is then
//     the data's, without the few MiB of library code pages a first read touches (a forked child
//     maps its parent's code afresh), which weigh heavily per vertex on a small forest.
//
//   bench_forest find --zlt F.zlt --geojson F.geojson [--points 10000] [--seed 1]
//     Unit lookup by point: the map's stand-group search (the forest unit selector as zlt find runs
//     it) against a GEOS STRtree over the stand groups' prepared polygons (prepared indexes built
//     before timing), first group in file order that contains the point. Random points over the
//     groups' extent; µs per query, and how many answers agree.
#include <gdal.h>
#include <geos_c.h>
#include <ogr_geometry.h>
#include <ogrsf_frmts.h>

#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "startup/Init.h"
#include "zlt.h"

#include "../tests/common/geos_stand_groups.h"
#include "bench_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace zelto;

namespace {

using benchproc::cpuNow;
using benchproc::now;
using benchproc::resetPeak;
using benchproc::statusKb;

struct LoadReport {
    double wall = 0, cpu = 0;
    long extraKb = -1;
    long heldKb = -1;       // resident size after the load, less the size at the start
    long long vertices = 0; // counted by the engine over what it loaded
    long long items = 0;    // polygons (GDAL) or elements (zelto)
    long long runs = 0;     // zelto: lists held as runs, and the elements they hold
    long long inRuns = 0;
};

// Elements reachable from `e` (each once) and the vertices of the poly elements among them.
void countGraph(TElement* root, long long& elements, long long& vertices, long long& runs,
                long long& inRuns) {
    std::vector<TElement*> stack{root};
    QSet<TElement*> seen;
    while (!stack.empty()) {
        TElement* e = stack.back();
        stack.pop_back();
        if (!e || seen.contains(e)) continue;
        seen.insert(e);
        ++elements;
        if (auto* p = zelto_cast<TPolyElement>(e)) vertices += p->GetCoordsCount();
        if (auto* owner = zelto_cast<TEntity>(e)) {
            if (owner->FElements.isRun()) {
                ++runs;
                inRuns += owner->FElements.count();
            }
            for (TElement* c : owner->FElements) stack.push_back(c);
        }
    }
}

LoadReport loadZelto(const char* file) {
    LoadReport r;
    const double t0 = now(), c0 = cpuNow();
    auto* loaded = new zlt::LoadedStream(QString::fromLocal8Bit(file));
    r.wall = now() - t0;
    r.cpu = cpuNow() - c0;
    r.extraKb = statusKb("VmHWM:"); // corrected by the caller
    r.heldKb = statusKb("VmRSS:");
    if (!zelto_cast<Tgis_ForestModel>(loaded->root())) {
        std::fprintf(stderr, "%s: no forest model\n", file);
        std::_Exit(3);
    }
    countGraph(loaded->root(), r.items, r.vertices, r.runs, r.inRuns);
    // Kept on purpose: the child ends without freeing, as a loaded model stays in memory.
    return r;
}

long long pointsOf(const OGRGeometry* g) {
    if (!g) return 0;
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPolygon: {
        auto* p = g->toPolygon();
        long long n = p->getExteriorRing() ? p->getExteriorRing()->getNumPoints() : 0;
        for (int i = 0; i < p->getNumInteriorRings(); ++i) n += p->getInteriorRing(i)->getNumPoints();
        return n;
    }
    case wkbMultiPolygon:
    case wkbGeometryCollection: {
        long long n = 0;
        for (const OGRGeometry* part : *g->toGeometryCollection()) n += pointsOf(part);
        return n;
    }
    case wkbLineString:
        return g->toLineString()->getNumPoints();
    default:
        return 0;
    }
}

LoadReport loadGdal(const char* file) {
    LoadReport r;
    GDALAllRegister();
    const double t0 = now(), c0 = cpuNow();
    GDALDataset* ds = GDALDataset::Open(file, GDAL_OF_VECTOR | GDAL_OF_READONLY);
    if (!ds) {
        std::fprintf(stderr, "GDAL cannot open %s\n", file);
        std::_Exit(3);
    }
    auto* kept = new std::vector<OGRGeometry*>;
    std::vector<int> groups; // which of them are stand groups
    for (OGRLayer* layer : ds->GetLayers()) {
        const int classField = layer->GetLayerDefn()->GetFieldIndex("class");
        for (auto& feature : *layer) {
            OGRGeometry* g = feature->StealGeometry();
            if (!g) continue;
            if (classField >= 0 &&
                std::strcmp(feature->GetFieldAsString(classField), "Tgis_PorostniSkupina") == 0)
                groups.push_back(int(kept->size()));
            kept->push_back(g);
        }
    }
    r.wall = now() - t0;
    r.cpu = cpuNow() - c0;
    r.extraKb = statusKb("VmHWM:");
    r.heldKb = statusKb("VmRSS:");
    r.items = (long long)groups.size();
    for (int i : groups) r.vertices += pointsOf((*kept)[size_t(i)]);
    return r; // the dataset and geometries stay alive until the child ends
}

// Reads a small file with the engine in this process and frees what it read.
void warmUp(const char* engine, const char* file) {
    if (std::strcmp(engine, "zelto") == 0) {
        delete new zlt::LoadedStream(QString::fromLocal8Bit(file));
        return;
    }
    GDALAllRegister();
    GDALDataset* ds = GDALDataset::Open(file, GDAL_OF_VECTOR | GDAL_OF_READONLY);
    if (!ds) {
        std::fprintf(stderr, "GDAL cannot open %s\n", file);
        std::_Exit(3);
    }
    for (OGRLayer* layer : ds->GetLayers())
        for (auto& feature : *layer) pointsOf(feature->GetGeometryRef());
    GDALClose(ds);
}

bool inChild(const char* engine, const char* file, const char* warm, LoadReport& report) {
    return benchproc::inChild(
        [&] {
            if (warm) warmUp(engine, warm);
            const bool peakReset = resetPeak();
            const long startKb = statusKb("VmRSS:");
            LoadReport r = std::strcmp(engine, "zelto") == 0 ? loadZelto(file) : loadGdal(file);
            r.extraKb = peakReset ? r.extraKb - startKb : -1;
            r.heldKb -= startKb;
            return r;
        },
        report);
}

const char* option(int argc, char** argv, const char* name, const char* fallback = nullptr) {
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

int runLoad(int argc, char** argv) {
    const char* zltFile = option(argc, argv, "--zlt");
    const char* fgb = option(argc, argv, "--fgb");
    const char* gpkg = option(argc, argv, "--gpkg");
    const int reps = std::max(1, std::atoi(option(argc, argv, "--reps", "3")));
    if (!zltFile || !fgb || !gpkg) {
        std::fprintf(stderr, "usage: bench_forest load --zlt F.zlt --fgb F.fgb --gpkg F.gpkg [--reps N]\n"
                             "       [--warm-zlt W.zlt --warm-fgb W.fgb --warm-gpkg W.gpkg]\n");
        return 2;
    }
    struct Engine {
        const char* name;
        const char* file;
        const char* warm;
        LoadReport median;
    } engines[] = {{"zelto", zltFile, option(argc, argv, "--warm-zlt"), {}},
                   {"gdal-fgb", fgb, option(argc, argv, "--warm-fgb"), {}},
                   {"gdal-gpkg", gpkg, option(argc, argv, "--warm-gpkg"), {}}};
    for (Engine& e : engines) {
        std::vector<LoadReport> runs;
        for (int i = 0; i < reps; ++i) {
            LoadReport r;
            if (!inChild(e.name, e.file, e.warm, r)) {
                std::fprintf(stderr, "%s failed\n", e.name);
                return 1;
            }
            runs.push_back(r);
        }
        std::sort(runs.begin(), runs.end(),
                  [](const LoadReport& a, const LoadReport& b) { return a.cpu < b.cpu; });
        e.median = runs[runs.size() / 2];
        for (const LoadReport& r : runs) {
            e.median.extraKb = std::max(e.median.extraKb, r.extraKb);
            e.median.heldKb = std::max(e.median.heldKb, r.heldKb);
        }
    }
    // Bytes per vertex over the stand groups' vertices as GDAL counts them (the same polygons).
    const long long vertices = engines[1].median.vertices;
    std::printf("%-10s %10s %10s %10s %12s %10s %12s %12s %14s\n", "engine", "wall s", "cpu s", "RSS +MB",
                "bytes/vertex", "held MB", "held b/vtx", "zelto/this", "items");
    for (const Engine& e : engines) {
        const double mb = e.median.extraKb / 1024.0;
        const double perVertex = vertices > 0 ? e.median.extraKb * 1024.0 / double(vertices) : 0;
        const double heldPerVertex = vertices > 0 ? e.median.heldKb * 1024.0 / double(vertices) : 0;
        std::printf("%-10s %10.3f %10.3f %10.1f %12.1f %10.1f %12.1f ", e.name, e.median.wall, e.median.cpu,
                    mb, perVertex, e.median.heldKb / 1024.0, heldPerVertex);
        if (&e == &engines[0])
            std::printf("%12s", "");
        else
            std::printf("%12.2f", engines[0].median.cpu / e.median.cpu);
        std::printf(" %14lld\n", e.median.items);
    }
    std::printf("stand-group vertices (GDAL): %lld; vertices of all poly elements (zelto): %lld\n", vertices,
                engines[0].median.vertices);
    std::printf("zelto lists held as runs: %lld, holding %lld elements\n", engines[0].median.runs,
                engines[0].median.inRuns);
    return 0;
}

// ---- find ----------------------------------------------------------------------------------------

// The stand group under a point as a GIS engineer writes it with GEOS alone: an STRtree over the
// groups' envelopes, each polygon prepared and warmed by one test, a point made per query, the
// candidates tested in index (hierarchy) order until the first that contains the point.
class PlainGeosLookup {
public:
    explicit PlainGeosLookup(const QJsonArray& features) {
        GEOSGeoJSONReader* reader = GEOSGeoJSONReader_create_r(m_ctx);
        for (const QJsonValue& v : features) {
            const QJsonObject feature = v.toObject();
            if (feature.value("properties").toObject().value("class").toString() !=
                QLatin1String("Tgis_PorostniSkupina"))
                continue;
            const QByteArray json =
                QJsonDocument(feature.value("geometry").toObject()).toJson(QJsonDocument::Compact);
            if (GEOSGeometry* g = GEOSGeoJSONReader_readGeometry_r(m_ctx, reader, json.constData())) {
                m_geometries.push_back(g);
                m_prepared.push_back(GEOSPrepare_r(m_ctx, g));
            }
        }
        GEOSGeoJSONReader_destroy_r(m_ctx, reader);
        m_tree = GEOSSTRtree_create_r(m_ctx, 10);
        for (size_t i = 0; i < m_geometries.size(); ++i) {
            GEOSSTRtree_insert_r(m_ctx, m_tree, m_geometries[i], reinterpret_cast<void*>(i));
            if (GEOSGeometry* probe = GEOSPointOnSurface_r(m_ctx, m_geometries[i])) {
                GEOSPreparedContains_r(m_ctx, m_prepared[i], probe);
                GEOSGeom_destroy_r(m_ctx, probe);
            }
        }
        // The tree is built by its first query.
        GEOSGeometry* p = GEOSGeom_createPointFromXY_r(m_ctx, 0, 0);
        GEOSSTRtree_query_r(
            m_ctx, m_tree, p, [](void*, void*) {}, nullptr);
        GEOSGeom_destroy_r(m_ctx, p);
    }
    ~PlainGeosLookup() {
        GEOSSTRtree_destroy_r(m_ctx, m_tree);
        for (size_t i = 0; i < m_geometries.size(); ++i) {
            GEOSPreparedGeom_destroy_r(m_ctx, m_prepared[i]);
            GEOSGeom_destroy_r(m_ctx, m_geometries[i]);
        }
        GEOS_finish_r(m_ctx);
    }
    PlainGeosLookup(const PlainGeosLookup&) = delete;
    PlainGeosLookup& operator=(const PlainGeosLookup&) = delete;

    // The index of the first group containing the point, -1 for none.
    long at(double x, double y) {
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(m_ctx, x, y);
        m_candidates.clear();
        GEOSSTRtree_query_r(
            m_ctx, m_tree, point,
            [](void* item, void* data) {
                static_cast<std::vector<size_t>*>(data)->push_back(reinterpret_cast<size_t>(item));
            },
            &m_candidates);
        std::sort(m_candidates.begin(), m_candidates.end());
        long found = -1;
        for (size_t i : m_candidates)
            if (GEOSPreparedContains_r(m_ctx, m_prepared[i], point) == 1) {
                found = long(i);
                break;
            }
        GEOSGeom_destroy_r(m_ctx, point);
        return found;
    }

private:
    GEOSContextHandle_t m_ctx = GEOS_init_r();
    std::vector<GEOSGeometry*> m_geometries;
    std::vector<const GEOSPreparedGeometry*> m_prepared;
    GEOSSTRtree* m_tree = nullptr;
    std::vector<size_t> m_candidates;
};

int runFind(int argc, char** argv) {
    const char* zltFile = option(argc, argv, "--zlt");
    const char* geojson = option(argc, argv, "--geojson");
    const int points = std::max(1, std::atoi(option(argc, argv, "--points", "10000")));
    const unsigned seed = unsigned(std::atoi(option(argc, argv, "--seed", "1")));
    if (!zltFile || !geojson) {
        std::fprintf(stderr,
                     "usage: bench_forest find --zlt F.zlt --geojson F.geojson [--points N] [--seed S]\n");
        return 2;
    }
    // The stand groups of the exported file, in file (hierarchy) order.
    QFile f(QString::fromLocal8Bit(geojson));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", geojson);
        return 1;
    }
    const QJsonArray features = QJsonDocument::fromJson(f.readAll()).object().value("features").toArray();
    // GEOS: STRtree of the groups, prepared polygons with their indexes built before timing.
    const double b0 = now();
    const zelto::testing::GeosStandGroups groups(features);
    const double geosBuild = now() - b0;
    if (groups.count() == 0) {
        std::fprintf(stderr, "%s has no stand groups\n", geojson);
        return 1;
    }

    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> ux(groups.XMin, groups.XMax), uy(groups.YMin, groups.YMax);
    std::vector<std::pair<double, double>> queries(static_cast<size_t>(points));
    for (auto& q : queries) q = {ux(rng), uy(rng)};

    std::vector<QString> geosAnswers(queries.size());
    double t0 = now(), c0 = cpuNow();
    for (size_t q = 0; q < queries.size(); ++q)
        geosAnswers[q] = groups.labelAt(queries[q].first, queries[q].second);
    const double geosWall = now() - t0, geosCpu = cpuNow() - c0;

    // The plain use of GEOS (the yardstick), two passes; its answers must be the test helper's.
    PlainGeosLookup plain(features);
    std::vector<long> plainAnswers(queries.size());
    double plainCpu[2];
    for (int pass = 0; pass < 2; ++pass) {
        c0 = cpuNow();
        for (size_t q = 0; q < queries.size(); ++q)
            plainAnswers[q] = plain.at(queries[q].first, queries[q].second);
        plainCpu[pass] = cpuNow() - c0;
    }
    long plainAgree = 0;
    for (size_t q = 0; q < queries.size(); ++q)
        if ((plainAnswers[q] < 0) == geosAnswers[q].isEmpty()) ++plainAgree;

    // The map's search.
    t0 = now();
    zlt::LoadedStream loaded{QString::fromLocal8Bit(zltFile)};
    auto* model = zelto_cast<Tgis_ForestModel>(loaded.root());
    if (!model) {
        std::fprintf(stderr, "%s: no forest model\n", zltFile);
        return 1;
    }
    const double zeltoLoad = now() - t0;
    zlt::UnitFinder finder(model);
    std::vector<Tgis_ForestUnit*> found(queries.size());
    double passWall[2], passCpu[2];
    quint64 passBuilds[2];
    for (int pass = 0; pass < 2; ++pass) {
        const quint64 builds = finder.indexBuilds();
        t0 = now();
        c0 = cpuNow();
        for (size_t q = 0; q < queries.size(); ++q)
            found[q] = finder.unitAt(queries[q].first, queries[q].second);
        passWall[pass] = now() - t0;
        passCpu[pass] = cpuNow() - c0;
        passBuilds[pass] = finder.indexBuilds() - builds;
    }
    long agree = 0, hits = 0;
    for (size_t q = 0; q < queries.size(); ++q) {
        const QString label = found[q] ? ForestUnitLabel(found[q]) : QString();
        if (found[q]) ++hits;
        if (label == geosAnswers[q]) ++agree;
    }
    const double n = double(queries.size());
    std::printf("groups %d, points %d (seed %u), points inside a group %ld, answers agreeing %ld\n",
                groups.count(), points, seed, hits, agree);
    std::printf("zelto  load %.3f s; first pass %.2f us/query wall, %.2f us cpu; second pass %.2f us wall, "
                "%.2f us cpu\n",
                zeltoLoad, passWall[0] / n * 1e6, passCpu[0] / n * 1e6, passWall[1] / n * 1e6,
                passCpu[1] / n * 1e6);
    std::printf("zelto  point indexes over a unit's children built: first pass %llu, second pass %llu\n",
                static_cast<unsigned long long>(passBuilds[0]),
                static_cast<unsigned long long>(passBuilds[1]));
    std::printf(
        "geos   polygons read, tree and prepared indexes built %.3f s; %.2f us/query wall, %.2f us cpu\n",
        geosBuild, geosWall / n * 1e6, geosCpu / n * 1e6);
    std::printf("zelto/geos (cpu, first pass) %.2f, (second pass) %.2f\n", passCpu[0] / geosCpu,
                passCpu[1] / geosCpu);
    std::printf("plain geos  %.2f us/query cpu (first pass), %.2f (second); found/none agreeing with the "
                "helper %ld\n",
                plainCpu[0] / n * 1e6, plainCpu[1] / n * 1e6, plainAgree);
    std::printf("zelto/plain geos (cpu, second passes) %.2f\n", passCpu[1] / plainCpu[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    if (argc >= 2 && std::strcmp(argv[1], "load") == 0) return runLoad(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "find") == 0) return runFind(argc, argv);
    std::fprintf(stderr, "usage: bench_forest load|find ... (see the head of bench/bench_forest.cpp)\n");
    return 2;
}
