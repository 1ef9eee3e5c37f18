// zlt geojson: the geometry-carrying objects of a stream file as a GeoJSON FeatureCollection.
//
// The file is read with the program's loader into a live element graph, which is walked from the
// root through the children. A geometry element is one feature; a geometry outside any geometry
// element (the user points and notes of a layer) is one feature; anything else is looked into. A
// forest unit is a feature that is looked into as well, so that a forest model gives every unit
// (with its unit label) in hierarchy order.
// Coordinates stay in the model's S-JTSK (EPSG:5514, X east, Y north), or with --wgs84 become WGS84
// longitude and latitude.
#include "persistence/T_Saver.h"
#include "zlt.h"

#include "forest/e_LHCElements.h"
#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/e_Props.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "persistence/t_Loader.h"
#include "projection/r_WGS84.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

using namespace zelto;

namespace zlt {

namespace {

// The deepest nesting of geometries inside geometries (strings of strings, parts of parts).
constexpr int MaxGeometryDepth = 64;

// ---- geometry ------------------------------------------------------------------------------------

struct Pos {
    double x = 0, y = 0;
    bool operator==(const Pos&) const = default;
};
using Ring = std::vector<Pos>;
using Line = std::vector<Pos>;
using PolygonRings = std::vector<Ring>; // the exterior ring first, then the holes

struct Shape {
    enum Kind { Point, LineString, Polygon, MultiPoint, MultiLineString, MultiPolygon, Collection };
    Kind kind = Point;
    std::vector<Pos> points;            // Point (one), MultiPoint
    std::vector<Line> lines;            // LineString (one), MultiLineString
    std::vector<PolygonRings> polygons; // Polygon (one), MultiPolygon
    std::vector<Shape> members;         // Collection
};

// A geometry that GeoJSON cannot carry: the feature gets "geometry": null.
struct Unusable {
    QString why;
};

Pos position(const T2DCoordinate& c) {
    const Pos p{c.GetX(), c.GetY()};
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        throw Unusable{QStringLiteral("a coordinate is not finite")};
    return p;
}

// The positions of a vertex list in the order ForEachCoord walks them (a composite area: its ring);
// positions without a coordinate are left out.
std::vector<Pos> walkPositions(const TPolyElement& poly) {
    std::vector<Pos> out;
    out.reserve(size_t(std::max(0, poly.GetCoordsCount())));
    poly.ForEachCoord([&](const T2DCoordinate* c) {
        if (c) out.push_back(position(*c));
        return true;
    });
    return out;
}

// Twice the signed area of a closed ring: positive when it runs counter-clockwise (X east, Y
// north). Measured from the first position, so that national-grid offsets do not drown it.
double doubleSignedArea(const Ring& ring) {
    double sum = 0;
    const Pos o = ring.front();
    for (size_t i = 0; i + 1 < ring.size(); ++i)
        sum += (ring[i].x - o.x) * (ring[i + 1].y - o.y) - (ring[i + 1].x - o.x) * (ring[i].y - o.y);
    return sum;
}

// A closed ring with the orientation of the right-hand rule: exterior counter-clockwise, holes
// clockwise.
Ring makeRing(std::vector<Pos> positions, bool exterior, const char* what) {
    std::vector<Pos> distinct = positions;
    std::sort(distinct.begin(), distinct.end(),
              [](const Pos& a, const Pos& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3)
        throw Unusable{QStringLiteral("%1 has fewer than 3 distinct positions").arg(QLatin1String(what))};
    if (!(positions.front() == positions.back())) positions.push_back(positions.front());
    const double area = doubleSignedArea(positions);
    if (exterior ? area < 0 : area > 0) std::reverse(positions.begin(), positions.end());
    return positions;
}

Line makeLine(std::vector<Pos> positions) {
    if (positions.size() < 2) throw Unusable{QStringLiteral("a line has fewer than 2 positions")};
    return positions;
}

// An area with its holes (a hole's own holes are no part of the shape).
PolygonRings polygonOf(const TAreaElement& area) {
    PolygonRings polygon;
    polygon.push_back(makeRing(walkPositions(area), true, "an outer ring"));
    if (const THolesEntity* holes = area.GetHoles())
        for (TElement* e : holes->FElements)
            if (auto* hole = zelto_cast<TAreaElement>(e))
                polygon.push_back(makeRing(walkPositions(*hole), false, "a hole"));
    return polygon;
}

void appendPolygons(const TAreaElement& area, std::vector<PolygonRings>& out, int depth);

// A composite area through its plain copy, which the caller of CreateAreaElement owns.
PolygonRings compositePolygon(const TPolyLineAreaElement& area) {
    const std::unique_ptr<TAreaElement> plain(area.CreateAreaElement());
    return polygonOf(*plain);
}

void appendParts(const TMultiAreaElement& multi, std::vector<PolygonRings>& out, int depth) {
    if (depth > MaxGeometryDepth)
        throw Unusable{QStringLiteral("geometries are nested deeper than %1 levels").arg(MaxGeometryDepth)};
    const size_t before = out.size();
    for (TElement* e : multi.FElements)
        if (auto* part = zelto_cast<TAreaElement>(e)) appendPolygons(*part, out, depth + 1);
    if (out.size() == before) throw Unusable{QStringLiteral("a multi-area has no parts")};
}

void appendPolygons(const TAreaElement& area, std::vector<PolygonRings>& out, int depth) {
    if (auto* multi = zelto_cast<TMultiAreaElement>(&area))
        appendParts(*multi, out, depth);
    else if (auto* composite = zelto_cast<TPolyLineAreaElement>(&area))
        out.push_back(compositePolygon(*composite));
    else
        out.push_back(polygonOf(area));
}

// A line of member lines: each member in its direction. Members that continue where the previous
// one ended make one line with the shared position once; a gap starts a further line.
std::vector<Line> memberLines(const TMultiPolyLineElement& multi) {
    std::vector<Line> lines;
    bool open = false; // the last line may be continued
    for (int j = 0; j < multi.FElements.count(); ++j) {
        auto* member = zelto_cast<TPolyElement>(multi.FElements.at(j));
        if (!member) continue;
        const bool forward = multi.GetOrigin(j);
        std::vector<Pos> positions;
        const int n = member->GetCoordsCount();
        for (int i = 0; i < n; ++i)
            if (const T2DCoordinate* c = member->GetOrientedCoordElement(i, forward))
                positions.push_back(position(*c));
        if (positions.empty()) continue;
        if (open && lines.back().back() == positions.front())
            lines.back().insert(lines.back().end(), positions.begin() + 1, positions.end());
        else
            lines.push_back(std::move(positions));
        open = true;
    }
    if (lines.empty()) throw Unusable{QStringLiteral("a line has fewer than 2 positions")};
    for (Line& line : lines) line = makeLine(std::move(line));
    return lines;
}

Shape shapeOf(const TGeometry& g, int depth);

// The members of a geometry string as one multi-geometry, or as a collection when their kinds
// differ.
Shape stringShape(const TGeometryString& string, int depth) {
    if (depth > MaxGeometryDepth)
        throw Unusable{QStringLiteral("geometries are nested deeper than %1 levels").arg(MaxGeometryDepth)};
    std::vector<Shape> members;
    for (TElement* e : string.FElements)
        if (auto* g = zelto_cast<TGeometry>(e)) members.push_back(shapeOf(*g, depth + 1));
    if (members.empty()) throw Unusable{QStringLiteral("a geometry string holds no geometry")};
    auto family = [](Shape::Kind k) {
        switch (k) {
        case Shape::Point:
        case Shape::MultiPoint:
            return Shape::MultiPoint;
        case Shape::LineString:
        case Shape::MultiLineString:
            return Shape::MultiLineString;
        case Shape::Polygon:
        case Shape::MultiPolygon:
            return Shape::MultiPolygon;
        default:
            return Shape::Collection;
        }
    };
    Shape out;
    out.kind = family(members.front().kind);
    for (const Shape& m : members)
        if (family(m.kind) != out.kind) out.kind = Shape::Collection;
    if (out.kind == Shape::Collection) {
        // Flat: a collection inside a collection says nothing more.
        for (Shape& m : members) {
            if (m.kind == Shape::Collection)
                for (Shape& inner : m.members) out.members.push_back(std::move(inner));
            else
                out.members.push_back(std::move(m));
        }
        return out;
    }
    for (Shape& m : members) {
        out.points.insert(out.points.end(), m.points.begin(), m.points.end());
        out.lines.insert(out.lines.end(), m.lines.begin(), m.lines.end());
        out.polygons.insert(out.polygons.end(), m.polygons.begin(), m.polygons.end());
    }
    return out;
}

Shape shapeOf(const TGeometry& g, int depth) {
    Shape s;
    if (g.Is<TPointElement>() || g.Is<TTextElement>()) {
        const Pos p{g.GetRefX(), g.GetRefY()};
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            throw Unusable{QStringLiteral("a coordinate is not finite")};
        // A point never placed keeps the empty rectangle, whose corners are ±1e30.
        if (!g.GetRect()->IsValid()) throw Unusable{QStringLiteral("a point has no position")};
        s.kind = Shape::Point;
        s.points.push_back(p);
    } else if (auto* multi = zelto_cast<TMultiAreaElement>(&g)) {
        s.kind = Shape::MultiPolygon;
        appendParts(*multi, s.polygons, depth);
    } else if (auto* area = zelto_cast<TAreaElement>(&g)) {
        s.kind = Shape::Polygon;
        appendPolygons(*area, s.polygons, depth);
    } else if (auto* multiLine = zelto_cast<TMultiPolyLineElement>(&g)) {
        s.lines = memberLines(*multiLine);
        s.kind = s.lines.size() == 1 ? Shape::LineString : Shape::MultiLineString;
    } else if (auto* line = zelto_cast<TPolyLineElement>(&g)) {
        s.kind = Shape::LineString;
        s.lines.push_back(makeLine(walkPositions(*line)));
    } else if (auto* string = zelto_cast<TGeometryString>(&g)) {
        s = stringShape(*string, depth);
    } else {
        throw Unusable{QStringLiteral("geometries of class %1 are not supported").arg(g.ClassName())};
    }
    return s;
}

// Model positions (x = -Y, y = -X of S-JTSK) to WGS84 longitude and latitude, vertex by vertex.
// Rings keep their orientation and distinct positions stay distinct: the conversion is conformal
// and keeps the sense of rotation (x east, y north to longitude east, latitude north).
void convertToWgs84(Pos& p) {
    double lat = 0, lon = 0;
    if (!jtskToWgs84Refined(TMapCoord{-p.x, -p.y}, lat, lon))
        throw Unusable{QStringLiteral("a position has no WGS84 equivalent in the accepted area")};
    p = {lon, lat};
}

void convertToWgs84(Shape& s) {
    for (Pos& p : s.points) convertToWgs84(p);
    for (Line& line : s.lines)
        for (Pos& p : line) convertToWgs84(p);
    for (PolygonRings& polygon : s.polygons)
        for (Ring& ring : polygon)
            for (Pos& p : ring) convertToWgs84(p);
    for (Shape& member : s.members) convertToWgs84(member);
}

void appendPosition(QString& out, const Pos& p) {
    out += QLatin1Char('[');
    appendJsonNumber(out, p.x);
    out += QLatin1String(", ");
    appendJsonNumber(out, p.y);
    out += QLatin1Char(']');
}

void appendPositions(QString& out, const std::vector<Pos>& positions) {
    out += QLatin1Char('[');
    for (size_t i = 0; i < positions.size(); ++i) {
        if (i > 0) out += QLatin1String(", ");
        appendPosition(out, positions[i]);
    }
    out += QLatin1Char(']');
}

void appendPolygonCoordinates(QString& out, const PolygonRings& polygon) {
    out += QLatin1Char('[');
    for (size_t i = 0; i < polygon.size(); ++i) {
        if (i > 0) out += QLatin1String(", ");
        appendPositions(out, polygon[i]);
    }
    out += QLatin1Char(']');
}

void appendShape(QString& out, const Shape& s) {
    static const char* const names[] = {"Point",           "LineString",   "Polygon",           "MultiPoint",
                                        "MultiLineString", "MultiPolygon", "GeometryCollection"};
    out += QLatin1String("{\"type\": \"") + QLatin1String(names[s.kind]) + QLatin1String("\", ");
    if (s.kind == Shape::Collection) {
        out += QLatin1String("\"geometries\": [");
        for (size_t i = 0; i < s.members.size(); ++i) {
            if (i > 0) out += QLatin1String(", ");
            appendShape(out, s.members[i]);
        }
        out += QLatin1String("]}");
        return;
    }
    out += QLatin1String("\"coordinates\": ");
    switch (s.kind) {
    case Shape::Point:
        appendPosition(out, s.points.front());
        break;
    case Shape::MultiPoint:
        appendPositions(out, s.points);
        break;
    case Shape::LineString:
        appendPositions(out, s.lines.front());
        break;
    case Shape::MultiLineString:
        out += QLatin1Char('[');
        for (size_t i = 0; i < s.lines.size(); ++i) {
            if (i > 0) out += QLatin1String(", ");
            appendPositions(out, s.lines[i]);
        }
        out += QLatin1Char(']');
        break;
    case Shape::Polygon:
        appendPolygonCoordinates(out, s.polygons.front());
        break;
    case Shape::MultiPolygon:
        out += QLatin1Char('[');
        for (size_t i = 0; i < s.polygons.size(); ++i) {
            if (i > 0) out += QLatin1String(", ");
            appendPolygonCoordinates(out, s.polygons[i]);
        }
        out += QLatin1Char(']');
        break;
    case Shape::Collection:
        break;
    }
    out += QLatin1Char('}');
}

// ---- properties ----------------------------------------------------------------------------------

bool isBoolean(const TPropInfo& p) {
    return p.kind == tkEnumeration &&
           p.enumNames == QStringList{QStringLiteral("False"), QStringLiteral("True")};
}

// The file names of an attachment list of a note: the names of its entries.
void appendEntryNames(QString& out, const TStringListElement* list) {
    out += QLatin1Char('[');
    bool first = true;
    for (TElement* e : list->FElements) {
        if (!zelto_cast<TStringElement>(e)) continue;
        if (!first) out += QLatin1String(", ");
        first = false;
        appendJsonString(out, e->GetName());
    }
    out += QLatin1Char(']');
}

// The properties object of a feature, with keys kept distinct ignoring letter case (readers such as
// GDAL take field names that way): a repeated key gets "#2", "#3", ...
class PropertiesWriter {
public:
    explicit PropertiesWriter(QString& out) : m_out(out) { m_out += QLatin1Char('{'); }

    // Starts a member; the caller appends its value.
    void key(const QString& name) {
        QString k = name;
        for (int n = 2; m_keys.contains(k.toCaseFolded()); ++n)
            k = name + QLatin1Char('#') + QString::number(n);
        m_keys.insert(k.toCaseFolded());
        if (m_keys.size() > 1) m_out += QLatin1String(", ");
        appendJsonString(m_out, k);
        m_out += QLatin1String(": ");
    }
    void string(const QString& name, const QString& value) {
        key(name);
        appendJsonString(m_out, value);
    }
    void finish() { m_out += QLatin1Char('}'); }

private:
    QString& m_out;
    QSet<QString> m_keys;
};

// Every property the stream writer stores for the element, by the writer's rule: readable,
// writable, stored for this instance, of a kind the stream carries, and not at its empty value
// (0, empty text, no element). The name is the feature's "name".
void appendStoredProperties(PropertiesWriter& w, QString& out, TElement* e) {
    const auto* note = zelto_cast<Tgis_Note>(e);
    for (const TPropInfo& p : e->ClassType().properties()) {
        if (!p.readable() || !p.writable() || !isStreamWrittenKind(p.kind) || !p.storedFor(e)) continue;
        if (p.name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) continue;
        TValue v;
        bool failed = false;
        try {
            v = p.get(e);
        } catch (...) {
            failed = true;
        }
        if (failed) {
            // The writer stores a reference it cannot read as none; other values not at all.
            if (p.kind == tkClass) {
                w.key(p.name);
                out += QLatin1String("null");
            }
            continue;
        }
        switch (p.kind) {
        case tkInteger:
            if (v.ord == 0) break;
            w.key(p.name);
            out += QString::number(v.ord);
            break;
        case tkEnumeration:
            if (v.ord == 0) break; // false included
            w.key(p.name);
            if (isBoolean(p))
                out += v.ord == 1 ? QLatin1String("true") : QString::number(v.ord);
            else if (v.ord >= 0 && v.ord < p.enumNames.size())
                appendJsonString(out, p.enumNames.at(int(v.ord)));
            else
                out += QString::number(v.ord);
            break;
        case tkSet: {
            if (v.ord == 0) break;
            w.key(p.name);
            out += QLatin1Char('[');
            bool first = true;
            const quint32 bits = quint32(v.ord);
            for (int bit = 0; bit < 32; ++bit) {
                if (!(bits & (1u << bit))) continue;
                if (!first) out += QLatin1String(", ");
                first = false;
                if (bit < p.enumNames.size())
                    appendJsonString(out, p.enumNames.at(bit));
                else
                    out += QString::number(bit); // a member the class does not name
            }
            out += QLatin1Char(']');
            break;
        }
        case tkChar:
            w.key(p.name);
            appendJsonString(out, QString(QChar(char16_t(v.ord & 0xFF))));
            break;
        case tkWChar:
            w.key(p.name);
            appendJsonString(out, QString(QChar(char16_t(v.ord & 0xFFFF))));
            break;
        case tkFloat:
            if (v.real == 0) break;
            w.key(p.name);
            appendJsonReal(out, v.real);
            break;
        case tkClass: {
            if (!v.obj) break;
            auto* target = zelto_cast<TElement>(v.obj);
            w.key(p.name);
            auto* list = zelto_cast<TStringListElement>(target);
            if (note && list && (list == note->GetImages() || list == note->GetAudios()))
                appendEntryNames(out, list);
            else if (target)
                appendJsonString(out, target->ClassName());
            else
                out += QLatin1String("null");
            break;
        }
        default: // the string kinds
            if (v.str.isEmpty()) break;
            w.key(p.name);
            appendJsonString(out, v.str);
        }
    }
}

// ---- the walk ------------------------------------------------------------------------------------

class FeatureWriter {
public:
    FeatureWriter(QTextStream& err, bool wgs84) : m_err(err), m_wgs84(wgs84) {}

    QString run(TElement* root) {
        m_out = QStringLiteral("{\n\"type\": \"FeatureCollection\",\n");
        // WGS84 longitude and latitude is what GeoJSON means without a "crs" member.
        if (!m_wgs84)
            m_out += QLatin1String("\"crs\": {\"type\": \"name\", \"properties\": {\"name\": "
                                   "\"urn:ogc:def:crs:EPSG::5514\"}},\n");
        m_out += QLatin1String("\"features\": [");
        walk(root);
        if (m_count > 0) m_out += QLatin1Char('\n');
        m_out += QLatin1String("]\n}\n");
        return m_out;
    }

private:
    // Whether an entity is part of the forest hierarchy (the model, a unit, a unit's collection).
    static bool inHierarchy(const TElement* e) {
        return zelto_cast<Tgis_ForestModel>(e) || zelto_cast<Tgis_ForestUnit>(e) ||
               zelto_cast<Tgis_ForestModelCollection>(e);
    }

    // Depth first, children in order, each element once: a shared child or a cycle is not
    // followed again, and the stack lives on the heap however deep the graph goes. A forest unit
    // that a taxator or a parcel group holds besides its place in the hierarchy is taken in the
    // hierarchy (so the units come in hierarchy order, the order of the unit selector); one whose
    // hierarchy the walk never reached follows at the end.
    void walk(TElement* root) {
        struct Frame {
            TEntity* entity;
            int next;
        };
        std::vector<Frame> stack;
        std::vector<TElement*> later;
        auto enter = [&](TElement* e, const TEntity* parent) {
            if (!e || m_seen.contains(e)) return;
            if (auto* unit = zelto_cast<Tgis_ForestUnit>(e)) {
                if (parent && !inHierarchy(parent) &&
                    (unit->FindOwnerClass(Tgis_ForestModelCollection::StaticClass()) ||
                     unit->FindOwnerClass(Tgis_ForestModel::StaticClass()))) {
                    later.push_back(unit);
                    return;
                }
                m_seen.insert(e);
                // A forest unit is a feature and holds further units (sub-units, user and felling
                // areas): its children but its geometry are looked into, right after it.
                TGeometry* geometry = unit->GetGeometry();
                feature(unit, geometry);
                if (geometry) m_seen.insert(geometry);
                stack.push_back({unit, 0});
                return;
            }
            m_seen.insert(e);
            if (auto* ge = zelto_cast<TGeometryElement>(e))
                feature(ge, ge->GetGeometry());
            else if (auto* g = zelto_cast<TGeometry>(e))
                feature(g, g);
            else if (auto* entity = zelto_cast<TEntity>(e))
                stack.push_back({entity, 0});
        };
        auto run = [&](TElement* from) {
            enter(from, nullptr);
            while (!stack.empty()) {
                Frame& top = stack.back();
                if (top.next < top.entity->FElements.count())
                    enter(top.entity->FElements.at(top.next++), top.entity);
                else
                    stack.pop_back();
            }
        };
        run(root);
        // Grows while it is walked: a unit taken here may lead to further such units.
        for (size_t i = 0; i < later.size(); ++i) run(later[i]);
    }

    void warn(TElement* e, const QString& why) {
        m_err << "zlt: geojson: warning: feature " << m_count << " (" << e->ClassName();
        if (!e->GetName().isEmpty()) m_err << " \"" << e->GetName() << '"';
        m_err << "): " << why << ", geometry null\n";
    }

    // One feature: `e` gives the properties, `g` the geometry (none for a geometry element
    // without one).
    void feature(TElement* e, TGeometry* g) {
        QString geometry;
        if (!g) {
            // A forest unit with sub-units often has no shape of its own: its sub-units carry it.
            if (!zelto_cast<Tgis_ItemsForestUnit>(e)) warn(e, QStringLiteral("no geometry"));
        } else {
            try {
                Shape shape = shapeOf(*g, 0);
                if (m_wgs84) convertToWgs84(shape);
                appendShape(geometry, shape);
            } catch (const Unusable& u) {
                geometry.clear();
                warn(e, u.why);
            }
        }
        if (geometry.isEmpty()) geometry = QStringLiteral("null");

        m_out += m_count > 0 ? QLatin1String(",\n") : QLatin1String("\n");
        m_out += QLatin1String("{\"type\": \"Feature\", \"geometry\": ");
        m_out += geometry;
        m_out += QLatin1String(", \"properties\": ");
        PropertiesWriter w(m_out);
        w.string(QStringLiteral("class"), e->ClassName());
        w.string(QStringLiteral("name"), e->GetName());
        if (auto* unit = zelto_cast<Tgis_ForestUnit>(e))
            w.string(QStringLiteral("unit"), ForestUnitLabel(unit));
        appendStoredProperties(w, m_out, e);
        if (auto* pe = zelto_cast<TPropertyGeometryElement>(e))
            if (TProperties* set = pe->GetProperties())
                for (TElement* v : set->FElements)
                    if (auto* value = zelto_cast<TTypeElement>(v))
                        w.string(value->GetName(), value->GetAsString());
        w.finish();
        m_out += QLatin1Char('}');
        ++m_count;
    }

    QTextStream& m_err;
    bool m_wgs84;
    QString m_out;
    QSet<const TElement*> m_seen;
    qsizetype m_count = 0;
};

} // namespace

int runGeoJson(const QStringList& args, QTextStream& out, QTextStream& err) {
    QStringList files;
    bool wgs84 = false, optionsEnd = false;
    for (const QString& a : args) {
        if (optionsEnd || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-"))
            files << a;
        else if (a == QLatin1String("--"))
            optionsEnd = true;
        else if (a == QLatin1String("--wgs84"))
            wgs84 = true;
        else
            throw ZltError(QStringLiteral("geojson: unknown option \"%1\"").arg(a));
    }
    const LoadedStream file(fileArgument("geojson", files));
    // Built completely first, so that a failure leaves nothing on the output.
    const QString json = FeatureWriter(err, wgs84).run(file.root());
    out << json;
    return 0;
}

} // namespace zlt
