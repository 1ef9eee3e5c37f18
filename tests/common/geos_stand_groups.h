// The stand groups of a `zlt geojson` export as GEOS polygons, for checking the map's stand-group
// search: prepared polygons (their indexes built up front) in an STRtree, in export (hierarchy)
// order, with their unit labels. Used by tests and benchmarks as the independent answer.
#pragma once

#include <geos_c.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <vector>

namespace zelto::testing {

class GeosStandGroups {
public:
    // The features of type Tgis_PorostniSkupina of the export; others are skipped.
    explicit GeosStandGroups(const QJsonArray& features) {
        GEOSGeoJSONReader* reader = GEOSGeoJSONReader_create_r(m_ctx);
        for (const QJsonValue& v : features) {
            const QJsonObject feature = v.toObject();
            const QJsonObject props = feature.value("properties").toObject();
            if (props.value("class").toString() != QLatin1String("Tgis_PorostniSkupina")) continue;
            const QByteArray json =
                QJsonDocument(feature.value("geometry").toObject()).toJson(QJsonDocument::Compact);
            GEOSGeometry* g = GEOSGeoJSONReader_readGeometry_r(m_ctx, reader, json.constData());
            if (!g) {
                ++m_unreadable;
                continue;
            }
            double x0, y0, x1, y1;
            GEOSGeom_getXMin_r(m_ctx, g, &x0);
            GEOSGeom_getYMin_r(m_ctx, g, &y0);
            GEOSGeom_getXMax_r(m_ctx, g, &x1);
            GEOSGeom_getYMax_r(m_ctx, g, &y1);
            XMin = std::min(XMin, x0), YMin = std::min(YMin, y0), XMax = std::max(XMax, x1),
            YMax = std::max(YMax, y1);
            m_groups.push_back({props.value("unit").toString(), g, GEOSPrepare_r(m_ctx, g)});
        }
        GEOSGeoJSONReader_destroy_r(m_ctx, reader);
        m_tree = GEOSSTRtree_create_r(m_ctx, 10);
        std::vector<GEOSGeometry*> boundaries;
        for (size_t i = 0; i < m_groups.size(); ++i) {
            GEOSSTRtree_insert_r(m_ctx, m_tree, m_groups[i].geometry, reinterpret_cast<void*>(i));
            boundaries.push_back(GEOSBoundary_r(m_ctx, m_groups[i].geometry));
            // The first test builds a prepared polygon's index; done here, not in the queries.
            if (GEOSGeometry* probe = GEOSPointOnSurface_r(m_ctx, m_groups[i].geometry)) {
                GEOSPreparedContains_r(m_ctx, m_groups[i].prepared, probe);
                GEOSGeom_destroy_r(m_ctx, probe);
            }
        }
        m_boundaries = GEOSGeom_createCollection_r(m_ctx, GEOS_GEOMETRYCOLLECTION, boundaries.data(),
                                                   unsigned(boundaries.size()));
        m_nearBoundary = GEOSPrepare_r(m_ctx, m_boundaries);
    }
    ~GeosStandGroups() {
        GEOSSTRtree_destroy_r(m_ctx, m_tree);
        GEOSPreparedGeom_destroy_r(m_ctx, m_nearBoundary);
        GEOSGeom_destroy_r(m_ctx, m_boundaries); // owns the boundaries
        for (Group& g : m_groups) {
            GEOSPreparedGeom_destroy_r(m_ctx, g.prepared);
            GEOSGeom_destroy_r(m_ctx, g.geometry);
        }
        GEOS_finish_r(m_ctx);
    }
    GeosStandGroups(const GeosStandGroups&) = delete;
    GeosStandGroups& operator=(const GeosStandGroups&) = delete;

    int count() const { return int(m_groups.size()); }
    int unreadable() const { return m_unreadable; }
    // The label of the first group in export order that contains the point; empty for none.
    QString labelAt(double x, double y) const {
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(m_ctx, x, y);
        Query q{this, point, m_groups.size()};
        GEOSSTRtree_query_r(m_ctx, m_tree, point, &GeosStandGroups::visit, &q);
        GEOSGeom_destroy_r(m_ctx, point);
        return q.first < m_groups.size() ? m_groups[q.first].label : QString();
    }
    // The point lies within `distance` of a group's boundary.
    bool nearBoundary(double x, double y, double distance) const {
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(m_ctx, x, y);
        const bool near = GEOSPreparedDistanceWithin_r(m_ctx, m_nearBoundary, point, distance) == 1;
        GEOSGeom_destroy_r(m_ctx, point);
        return near;
    }

    // The extent of the groups.
    double XMin = 1e300, YMin = 1e300, XMax = -1e300, YMax = -1e300;

private:
    struct Group {
        QString label;
        GEOSGeometry* geometry;
        const GEOSPreparedGeometry* prepared;
    };
    struct Query {
        const GeosStandGroups* self;
        const GEOSGeometry* point;
        size_t first;
    };
    static void visit(void* item, void* data) {
        auto* q = static_cast<Query*>(data);
        const auto i = reinterpret_cast<size_t>(item);
        if (i < q->first &&
            GEOSPreparedContains_r(q->self->m_ctx, q->self->m_groups[i].prepared, q->point) == 1)
            q->first = i;
    }

    GEOSContextHandle_t m_ctx = GEOS_init_r();
    std::vector<Group> m_groups;
    int m_unreadable = 0;
    GEOSSTRtree* m_tree = nullptr;
    GEOSGeometry* m_boundaries = nullptr;
    const GEOSPreparedGeometry* m_nearBoundary = nullptr;
};

} // namespace zelto::testing
