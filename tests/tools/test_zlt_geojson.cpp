#include <gtest/gtest.h>

#include "zlt_run.h"

#include "builders.h"
#include "framework/E_Type.h"
#include "framework/e_Props.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "persistence/T_Saver.h"
#include "projection/r_WGS84.h"
#include "stream_files.h"
#include "topobjects/e_TopolElements.h"
#include "zlt.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

QJsonObject parseJson(const QString& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << text.left(2000).toStdString();
    return doc.object();
}

using zelto::testing::pointAt;
using zelto::testing::Points;
using zelto::testing::poly;

TGeometryElement* element(const QString& name, TGeometry* geometry) {
    auto* e = new TGeometryElement;
    e->SetName(name);
    if (geometry) e->SetGeometry(geometry);
    return e;
}

// National-grid coordinates of a stand corner: large, negative and with fractions.
constexpr double X0 = -745000.1;
constexpr double Y0 = -1043000.3;

QJsonArray pos(double x, double y) {
    return QJsonArray{x, y};
}

QJsonArray ring(const Points& points) {
    QJsonArray out;
    for (auto [x, y] : points) out.append(pos(x, y));
    return out;
}

// Twice the signed area of a closed ring: positive counter-clockwise (X east, Y north).
double orientation(const QJsonArray& ring) {
    double sum = 0;
    for (qsizetype i = 0; i + 1 < ring.size(); ++i) {
        const QJsonArray a = ring[i].toArray(), b = ring[i + 1].toArray();
        sum +=
            (a[0].toDouble() - X0) * (b[1].toDouble() - Y0) - (b[0].toDouble() - X0) * (a[1].toDouble() - Y0);
    }
    return sum;
}

class ZltGeoJsonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString save(TElement* root, const char* name) const {
        zelto::testing::saveTo(root, path(name));
        return path(name);
    }
    QString saveLegacy(TElement* root, const char* name) const {
        zelto::testing::saveLegacyTo(root, path(name));
        return path(name);
    }
    // Runs the command on a saved graph; answers the features.
    QJsonArray features(TElement* root, Result* result = nullptr) {
        const Result r = run({"geojson", save(root, "f.zlt")});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        if (result) *result = r;
        return parseJson(r.out)["features"].toArray();
    }

    // A user layer as the field devices keep it, one object of each kind in its sub-layer.
    //  0 A: a stand with dynamic properties, its area written clockwise with a counter-clockwise hole
    //  1 A: a compartment whose area is made of three shared lines (a clockwise ring)
    //  2 A: a forest unit of two parts, the second with a hole
    //  3 L: a topology line, whose line is also the first member of the composite area
    //  4 P: a user point
    //  5 N: a note with a photo
    std::unique_ptr<TComplicatedGECollection> userLayer() {
        auto layer = std::make_unique<TComplicatedGECollection>();
        layer->SetName("Hranice");
        layer->FText = QString::fromUtf8("Hranice porostů");

        auto* stand = new TPropertyGeometryElement;
        stand->SetName("Porost 12A");
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName("Porost", "12A3");
        props->SetPropertyLongIntByName("Vek", 85);
        stand->SetProperties(props);
        auto* area = poly<TAreaElement>({{X0, Y0}, {X0, Y0 + 40}, {X0 + 40, Y0 + 40}, {X0 + 40, Y0}});
        area->AddHole(poly<TAreaElement>({{X0 + 10, Y0 + 10}, {X0 + 20, Y0 + 10}, {X0 + 20, Y0 + 20}}));
        stand->SetGeometry(area);
        layer->GetLayer("A")->AddElement(stand);

        auto* a = poly<TPolyLineElement>({{X0, Y0}, {X0, Y0 + 10}});
        auto* b = poly<TPolyLineElement>({{X0, Y0 + 10}, {X0 + 10, Y0 + 10}, {X0 + 10, Y0}});
        auto* c = poly<TPolyLineElement>({{X0, Y0}, {X0 + 10, Y0}});
        auto* composite = new TPolyLineAreaElement;
        composite->AddPolyLine(a, true);
        composite->AddPolyLine(b, true);
        composite->AddPolyLine(c, false);
        layer->GetLayer("A")->AddElement(element(QString::fromUtf8("Oddělení 7"), composite));

        auto* unit = new TMultiAreaElement;
        unit->AddAndUpdateRect(poly<TAreaElement>({{X0 + 50, Y0}, {X0 + 60, Y0}, {X0 + 60, Y0 + 10}}));
        auto* second =
            poly<TAreaElement>({{X0 + 70, Y0}, {X0 + 90, Y0}, {X0 + 90, Y0 + 20}, {X0 + 70, Y0 + 20}});
        second->AddHole(poly<TAreaElement>({{X0 + 75, Y0 + 5}, {X0 + 80, Y0 + 5}, {X0 + 80, Y0 + 10}}));
        unit->AddAndUpdateRect(second);
        layer->GetLayer("A")->AddElement(element("JPRL 3", unit));

        auto* line = new TTopolLineElement;
        line->SetName("Hranice 17");
        line->FCislo = 17;
        line->FDruh = 3;
        line->SetGeometry(a);
        layer->GetLayer("L")->AddElement(line);

        auto* point = pointAt<Tgis_PointElement>(X0 - 1.5, Y0 - 2.25);
        point->SetName("Mezník");
        point->FSymbol = 7;
        layer->GetLayer("P")->AddElement(point);

        auto* note = pointAt<Tgis_Note>(X0 - 10, Y0 - 10);
        note->SetText(QString::fromUtf8("Poškozená oplocenka, č. 5"));
        note->CheckImages();
        note->GetImages()->AddNameString("foto1.jpg", "Foto 1");
        note->GetImages()->AddNameString("foto2.jpg", "Foto 2");
        layer->GetLayer("N")->AddElement(note);
        return layer;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ZltGeoJsonTest, UserLayerBecomesFeatures) {
    // Numbers never follow the locale.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    auto layer = userLayer();
    Result r;
    const QJsonArray f = features(layer.get(), &r);
    QLocale::setDefault(before);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonObject doc = parseJson(r.out);
    EXPECT_EQ(doc["type"].toString(), "FeatureCollection");
    EXPECT_EQ(doc["crs"].toObject(),
              QJsonObject(
                  {{"type", "name"}, {"properties", QJsonObject({{"name", "urn:ogc:def:crs:EPSG::5514"}})}}));

    ASSERT_EQ(f.size(), 6) << r.out.toStdString();
    const char* types[] = {"Polygon", "Polygon", "MultiPolygon", "LineString", "Point", "Point"};
    const char* classes[] = {"TPropertyGeometryElement", "TGeometryElement",  "TGeometryElement",
                             "TTopolLineElement",        "Tgis_PointElement", "Tgis_Note"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(f[i]["type"].toString(), "Feature");
        EXPECT_EQ(f[i]["geometry"]["type"].toString(), types[i]) << i;
        EXPECT_EQ(f[i]["properties"]["class"].toString(), classes[i]) << i;
    }

    // The stand: the clockwise outer ring comes out reversed and closed, the hole clockwise.
    const QJsonArray stand = f[0]["geometry"]["coordinates"].toArray();
    ASSERT_EQ(stand.size(), 2);
    EXPECT_EQ(stand[0].toArray(),
              ring({{X0, Y0}, {X0 + 40, Y0}, {X0 + 40, Y0 + 40}, {X0, Y0 + 40}, {X0, Y0}}));
    EXPECT_EQ(stand[1].toArray(),
              ring({{X0 + 10, Y0 + 10}, {X0 + 20, Y0 + 20}, {X0 + 20, Y0 + 10}, {X0 + 10, Y0 + 10}}));
    EXPECT_GT(orientation(stand[0].toArray()), 0);
    EXPECT_LT(orientation(stand[1].toArray()), 0);
    const QJsonObject standProps = f[0]["properties"].toObject();
    EXPECT_EQ(standProps["name"].toString(), "Porost 12A");
    EXPECT_EQ(standProps["Porost"].toString(), "12A3");
    EXPECT_EQ(standProps["Vek"].toString(), "85");

    // The composite: one ring over the three lines, each vertex once, counter-clockwise.
    EXPECT_EQ(f[1]["geometry"]["coordinates"].toArray(),
              QJsonArray({ring({{X0, Y0}, {X0 + 10, Y0}, {X0 + 10, Y0 + 10}, {X0, Y0 + 10}, {X0, Y0}})}));
    EXPECT_EQ(f[1]["properties"]["name"].toString(), QString::fromUtf8("Oddělení 7"));

    // The forest unit: two polygons, the second with its hole.
    const QJsonArray parts = f[2]["geometry"]["coordinates"].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0].toArray(),
              QJsonArray({ring({{X0 + 50, Y0}, {X0 + 60, Y0}, {X0 + 60, Y0 + 10}, {X0 + 50, Y0}})}));
    ASSERT_EQ(parts[1].toArray().size(), 2);
    EXPECT_EQ(parts[1][0].toArray(),
              ring({{X0 + 70, Y0}, {X0 + 90, Y0}, {X0 + 90, Y0 + 20}, {X0 + 70, Y0 + 20}, {X0 + 70, Y0}}));
    EXPECT_EQ(parts[1][1].toArray(),
              ring({{X0 + 75, Y0 + 5}, {X0 + 80, Y0 + 10}, {X0 + 80, Y0 + 5}, {X0 + 75, Y0 + 5}}));

    // The topology line: exact coordinates, in the shortest form that reads back the same.
    EXPECT_EQ(f[3]["geometry"]["coordinates"].toArray(), ring({{X0, Y0}, {X0, Y0 + 10}}));
    EXPECT_TRUE(r.out.contains("[[-745000.1, -1043000.3], [-745000.1, -1042990.3]]")) << r.out.toStdString();
    const QJsonObject lineProps = f[3]["properties"].toObject();
    EXPECT_EQ(lineProps["name"].toString(), "Hranice 17");
    EXPECT_EQ(lineProps["Cislo"], QJsonValue(17));
    EXPECT_EQ(lineProps["Druh"], QJsonValue(3));
    EXPECT_FALSE(lineProps.contains("Barva")); // 0: not stored
    EXPECT_FALSE(lineProps.contains("Name"));

    EXPECT_EQ(f[4]["geometry"]["coordinates"].toArray(), pos(X0 - 1.5, Y0 - 2.25));
    EXPECT_EQ(f[4]["properties"]["name"].toString(), QString::fromUtf8("Mezník"));
    EXPECT_EQ(f[4]["properties"]["Symbol"], QJsonValue(7));

    EXPECT_EQ(f[5]["geometry"]["coordinates"].toArray(), pos(X0 - 10, Y0 - 10));
    const QJsonObject noteProps = f[5]["properties"].toObject();
    EXPECT_EQ(noteProps["Text"].toString(), QString::fromUtf8("Poškozená oplocenka, č. 5"));
    EXPECT_EQ(noteProps["Images"].toArray(), QJsonArray({"foto1.jpg", "foto2.jpg"}));
    EXPECT_FALSE(noteProps.contains("Audios")); // none
}

// The older layout is read through the same loader. Its records carry less (no holes, no property
// sets, no topology numbers), so only what they carry is compared.
TEST_F(ZltGeoJsonTest, OlderLayoutIsReadThroughTheLoader) {
    auto layer = userLayer();
    const Result r = run({"geojson", saveLegacy(layer.get(), "older.zlt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray f = parseJson(r.out)["features"].toArray();
    ASSERT_EQ(f.size(), 6) << r.out.toStdString();
    const char* types[] = {"Polygon", "Polygon", "MultiPolygon", "LineString", "Point", "Point"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f[i]["geometry"]["type"].toString(), types[i]) << i;
    EXPECT_EQ(f[0]["geometry"]["coordinates"][0].toArray(),
              ring({{X0, Y0}, {X0 + 40, Y0}, {X0 + 40, Y0 + 40}, {X0, Y0 + 40}, {X0, Y0}}));
    EXPECT_EQ(f[3]["geometry"]["coordinates"].toArray(), ring({{X0, Y0}, {X0, Y0 + 10}}));
    EXPECT_EQ(f[4]["geometry"]["coordinates"].toArray(), pos(X0 - 1.5, Y0 - 2.25));
    EXPECT_EQ(f[3]["properties"]["name"].toString(), "Hranice 17");
}

TEST_F(ZltGeoJsonTest, RingsAreClosedOnceAndOrientedByTheRightHandRule) {
    const Points ccw = {{X0, Y0}, {X0 + 10, Y0}, {X0 + 10, Y0 + 10}, {X0, Y0 + 10}};
    const Points cw = {{X0, Y0}, {X0, Y0 + 10}, {X0 + 10, Y0 + 10}, {X0 + 10, Y0}};
    const Points holeCcw = {{X0 + 2, Y0 + 2}, {X0 + 4, Y0 + 2}, {X0 + 4, Y0 + 4}};
    const Points holeCw = {{X0 + 2, Y0 + 2}, {X0 + 4, Y0 + 4}, {X0 + 4, Y0 + 2}};
    auto closed = [](Points p) {
        p.push_back(p.front());
        return p;
    };
    struct Case {
        const char* what;
        Points outer, hole;
    };
    const Case cases[] = {
        {"counter-clockwise, hole clockwise", ccw, holeCw},
        {"clockwise, hole counter-clockwise", cw, holeCcw},
        {"closed already", closed(cw), closed(holeCcw)},
        // A ring whose first vertex is a reflex corner: the direction is the ring's, not the corner's.
        {"concave", {{X0, Y0}, {X0 + 5, Y0 + 1}, {X0 + 10, Y0}, {X0 + 10, Y0 + 10}, {X0, Y0 + 10}}, holeCcw},
    };
    TOwnerEntity root;
    for (const Case& c : cases) {
        auto* area = poly<TAreaElement>(c.outer);
        area->AddHole(poly<TAreaElement>(c.hole));
        root.AddElement(element(c.what, area));
    }
    const QJsonArray f = features(&root);
    ASSERT_EQ(f.size(), int(std::size(cases)));
    for (const QJsonValue& feature : f) {
        SCOPED_TRACE(feature["properties"]["name"].toString().toStdString());
        const QJsonArray rings = feature["geometry"]["coordinates"].toArray();
        ASSERT_EQ(rings.size(), 2);
        for (qsizetype i = 0; i < rings.size(); ++i) {
            const QJsonArray ring = rings[i].toArray();
            ASSERT_GE(ring.size(), 4);
            EXPECT_EQ(ring.first(), ring.last());
            EXPECT_NE(ring[ring.size() - 2], ring.last()) << "closed twice";
            if (i == 0)
                EXPECT_GT(orientation(ring), 0);
            else
                EXPECT_LT(orientation(ring), 0);
        }
    }
    EXPECT_EQ(f[2]["geometry"]["coordinates"][0].toArray().size(), 5);
}

// Composite lines and geometry strings become multi-geometries of their members.
TEST_F(ZltGeoJsonTest, CompositesAndStrings) {
    auto line = [](const Points& p) { return poly<TPolyLineElement>(p); };
    TOwnerEntity root;
    // Members that meet: one line, the shared vertex once; the second member runs backwards.
    auto* joined = new TMultiPolyLineElement;
    joined->AddPolyLine(line({{0, 0}, {10, 0}}), true);
    joined->AddPolyLine(line({{10, 5}, {10, 0}}), false);
    root.AddElement(element("joined", joined));
    // Members with a gap: one line per member, the last vertex of the last member included.
    auto* gap = new TMultiPolyLineElement;
    gap->AddPolyLine(line({{0, 0}, {10, 0}}), true);
    gap->AddPolyLine(line({{20, 0}, {20, 5}}), false);
    root.AddElement(element("gap", gap));
    auto* points = new TPointString;
    points->AddElement(pointAt<TPointElement>(1, 2));
    points->AddElement(pointAt<TTextElement>(3, 4));
    root.AddElement(element("points", points));
    auto* lines = new TPolyLineString;
    lines->AddElement(line({{0, 0}, {1, 1}}));
    lines->AddElement(line({{2, 2}, {3, 3}, {4, 2}}));
    root.AddElement(element("lines", lines));
    auto* areas = new TAreaString;
    areas->AddElement(poly<TAreaElement>({{0, 0}, {1, 0}, {1, 1}}));
    auto* multi = new TMultiAreaElement;
    multi->AddElement(poly<TAreaElement>({{5, 0}, {6, 0}, {6, 1}}));
    multi->AddElement(poly<TAreaElement>({{7, 0}, {8, 0}, {8, 1}}));
    areas->AddElement(multi);
    root.AddElement(element("areas", areas));
    auto* mixed = new TGeometryString;
    mixed->AddElement(pointAt<TPointElement>(1, 2));
    mixed->AddElement(line({{0, 0}, {1, 1}}));
    root.AddElement(element("mixed", mixed));

    const QJsonArray f = features(&root);
    ASSERT_EQ(f.size(), 6);
    auto geometry = [&](int i) { return f[i]["geometry"].toObject(); };
    EXPECT_EQ(geometry(0),
              QJsonObject({{"type", "LineString"}, {"coordinates", ring({{0, 0}, {10, 0}, {10, 5}})}}));
    EXPECT_EQ(geometry(1), QJsonObject({{"type", "MultiLineString"},
                                        {"coordinates",
                                         QJsonArray({ring({{0, 0}, {10, 0}}), ring({{20, 5}, {20, 0}})})}}));
    EXPECT_EQ(geometry(2), QJsonObject({{"type", "MultiPoint"}, {"coordinates", ring({{1, 2}, {3, 4}})}}));
    EXPECT_EQ(
        geometry(3),
        QJsonObject({{"type", "MultiLineString"},
                     {"coordinates", QJsonArray({ring({{0, 0}, {1, 1}}), ring({{2, 2}, {3, 3}, {4, 2}})})}}));
    EXPECT_EQ(geometry(4)["type"].toString(), "MultiPolygon");
    EXPECT_EQ(geometry(4)["coordinates"].toArray().size(), 3); // the multi-area's parts join the others
    EXPECT_EQ(geometry(5)["type"].toString(), "GeometryCollection");
    const QJsonArray members = geometry(5)["geometries"].toArray();
    ASSERT_EQ(members.size(), 2);
    EXPECT_EQ(members[0].toObject(), QJsonObject({{"type", "Point"}, {"coordinates", pos(1, 2)}}));
    EXPECT_EQ(members[1]["type"].toString(), "LineString");
}

// Which elements become features: geometry elements and free geometries, each once, found at any
// depth of plain entities; nothing inside them.
TEST_F(ZltGeoJsonTest, WalkFindsEachFeatureOnce) {
    TOwnerEntity root;
    auto* outer = new TOwnerEntity;
    auto* inner = new TOwnerEntity;
    auto* shared = pointAt<Tgis_PointElement>(5, 5);
    shared->SetName("shared");
    inner->AddElement(shared);
    outer->AddElement(inner);
    outer->AddElement(shared); // listed twice in the graph
    root.AddElement(outer);
    // A geometry element holding further elements: one feature, its children are not looked into.
    auto* holder = element("holder", pointAt<TPointElement>(1, 1));
    holder->AddElement(element("inside", pointAt<TPointElement>(2, 2)));
    root.AddElement(holder);
    root.AddElement(new TStringEntity); // neither a geometry nor holding one

    const QJsonArray f = features(&root);
    ASSERT_EQ(f.size(), 2);
    EXPECT_EQ(f[0]["properties"]["name"].toString(), "shared");
    EXPECT_EQ(f[1]["properties"]["name"].toString(), "holder");
    EXPECT_EQ(f[1]["geometry"]["coordinates"].toArray(), pos(1, 1));

    // A root that is itself a geometry is the one feature.
    auto note = std::unique_ptr<Tgis_Note>(pointAt<Tgis_Note>(3, 4));
    EXPECT_EQ(features(note.get()).size(), 1);
}

TEST_F(ZltGeoJsonTest, PropertiesByKind) {
    TOwnerEntity root;
    auto* text = new TTopolTextElement;
    text->SetName("popis");
    auto* label = pointAt<TTextElement>(10, 20);
    label->SetText("Lesy");
    text->SetGeometry(label);
    text->FVyber = true;
    text->FCodePage = TCodePage::cpKamenickych;
    text->FTextAtrib = 0b1010; // OkT, T30
    text->FHeight = std::numeric_limits<double>::quiet_NaN();
    text->FDirection = -std::numeric_limits<double>::infinity();
    text->FSlope = 0.1;
    text->FCislo = 5;
    text->SetUUID("{u}");
    // Dynamic values whose names clash with the feature's keys.
    auto* props = new TDynamicProperties;
    props->SetPropertyStringByName("Cislo", "dynamic");
    props->SetPropertyStringByName("NAME", "x\"y");
    text->SetProperties(props);
    root.AddElement(text);

    const QJsonArray f = features(&root);
    ASSERT_EQ(f.size(), 1);
    const QJsonObject p = f[0]["properties"].toObject();
    EXPECT_EQ(p["class"].toString(), "TTopolTextElement");
    EXPECT_EQ(p["name"].toString(), "popis");
    EXPECT_EQ(p["Vyber"], QJsonValue(true));
    EXPECT_EQ(p["CodePage"], QJsonValue("cpKamenickych"));
    EXPECT_EQ(p["TextAtrib"], QJsonArray({"OkT", "T30"}));
    EXPECT_EQ(p["Height"], QJsonValue("NaN"));
    EXPECT_EQ(p["Direction"], QJsonValue("-Infinity"));
    EXPECT_EQ(p["Slope"], QJsonValue(0.1));
    EXPECT_EQ(p["Cislo"], QJsonValue(5));
    EXPECT_EQ(p["UUID"], QJsonValue("{u}"));
    EXPECT_EQ(p["StartPoint"], QJsonValue("T2DCoordinate")); // an element by its class
    EXPECT_EQ(p["Cislo#2"], QJsonValue("dynamic"));
    EXPECT_EQ(p["NAME#2"], QJsonValue("x\"y"));
    EXPECT_FALSE(p.contains("Presnost")); // 0
    EXPECT_FALSE(p.contains("MinX"));     // stored only without a geometry
    EXPECT_FALSE(p.contains("Text"));     // not stored
    EXPECT_EQ(f[0]["geometry"]["coordinates"].toArray(), pos(10, 20));
}

TEST_F(ZltGeoJsonTest, UnusableGeometriesAreNull) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        TGeometry* geometry;
        const char* warning;
    };
    const Case cases[] = {
        {"no geometry", nullptr, "no geometry"},
        {"one-point line", poly<TPolyLineElement>({{1, 1}}), "line has fewer than 2 positions"},
        {"flat ring", poly<TAreaElement>({{0, 0}, {1, 1}, {0, 0}, {1, 1}}),
         "outer ring has fewer than 3 distinct"},
        {"flat hole",
         [] {
             auto* a = poly<TAreaElement>({{0, 0}, {9, 0}, {9, 9}});
             a->AddHole(poly<TAreaElement>({{1, 1}, {2, 1}}));
             return a;
         }(),
         "hole has fewer than 3 distinct"},
        {"not finite", poly<TPolyLineElement>({{0, 0}, {nan, 1}}), "not finite"},
        {"empty string", new TPolyLineString, "holds no geometry"},
        {"empty multi-area", new TMultiAreaElement, "has no parts"},
        {"point never placed", new TPointElement, "point has no position"},
    };
    TOwnerEntity root;
    for (const Case& c : cases) root.AddElement(element(c.what, c.geometry));
    root.AddElement(element("fine", pointAt<TPointElement>(1, 1)));

    Result r;
    const QJsonArray f = features(&root, &r);
    ASSERT_EQ(f.size(), int(std::size(cases)) + 1);
    const QStringList warnings = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(warnings.size(), int(std::size(cases))) << r.err.toStdString();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_TRUE(f[i].toObject().contains("geometry"));
        EXPECT_TRUE(f[i]["geometry"].isNull());
        EXPECT_EQ(f[i]["properties"]["name"].toString(), cases[i].what);
        EXPECT_TRUE(warnings[i].contains(QStringLiteral("feature %1 (TGeometryElement").arg(i)))
            << warnings[i].toStdString();
        EXPECT_TRUE(warnings[i].contains(cases[i].warning)) << warnings[i].toStdString();
    }
    EXPECT_EQ(f.last()["geometry"]["type"].toString(), "Point");
}

TEST_F(ZltGeoJsonTest, FailuresGoToErrWithStatusOne) {
    TOwnerEntity root;
    root.AddElement(pointAt<Tgis_PointElement>(1, 1));
    const QString file = save(&root, "ok.zlt");
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"geojson", path("missing.zlt")}, "zlt: Soubor " + path("missing.zlt") + " neexistuje!"},
        {{"geojson", "--wgs84", path("missing.zlt")}, "zlt: Soubor " + path("missing.zlt") + " neexistuje!"},
        {{"geojson", file, "--utm"}, "zlt: geojson: unknown option \"--utm\""},
        {{"geojson"}, "zlt: geojson: missing argument FILE"},
        {{"geojson", file, file}, "zlt: geojson: unexpected argument"},
        {{"geojson", dir.path()}, "is a directory"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("zlt: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    // Every cut of a valid file fails cleanly, naming the file.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    for (qsizetype n = 0; n < good.size(); ++n) {
        QFile cut(path("cut.zlt"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(good.left(n));
        cut.close();
        const Result r = run({"geojson", cut.fileName()});
        EXPECT_EQ(r.status, 1) << n;
        EXPECT_TRUE(r.out.isEmpty()) << n;
        EXPECT_TRUE(r.err.contains(cut.fileName())) << r.err.toStdString();
    }

    const Result help = run({"help", "geojson"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("zlt geojson FILE [--wgs84]"));
    EXPECT_TRUE(help.out.contains("EPSG:5514"));
}

// A damaged file holding a note with attachments fails like any other damaged file (the reader's
// clean-up clears the note's list property, which frees the list it still has to walk past).
TEST_F(ZltGeoJsonTest, DamagedFileWithANoteFailsCleanly) {
    std::unique_ptr<Tgis_Note> note(pointAt<Tgis_Note>(1, 1));
    note->CheckImages();
    note->GetImages()->AddNameString("foto1.jpg", "Foto 1");
    QFile f(save(note.get(), "note.zlt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    for (qsizetype n = good.size() - 8; n < good.size(); ++n) {
        QFile cut(path("cut.zlt"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(good.left(n));
        cut.close();
        const Result r = run({"geojson", cut.fileName()});
        EXPECT_EQ(r.status, 1) << n;
        EXPECT_TRUE(r.out.isEmpty()) << n;
    }
}

// --wgs84: every vertex converted, longitude first; the rings keep the right-hand rule.
TEST_F(ZltGeoJsonTest, Wgs84CoordinatesLongitudeFirst) {
    auto layer = userLayer();
    const QString file = save(layer.get(), "layer.zlt");
    const Result grid = run({"geojson", file});
    const Result wgs = run({"geojson", file, "--wgs84"});
    ASSERT_EQ(wgs.status, 0) << wgs.err.toStdString();
    EXPECT_TRUE(wgs.err.isEmpty()) << wgs.err.toStdString();
    const QJsonObject doc = parseJson(wgs.out);
    EXPECT_FALSE(doc.contains("crs")); // WGS84 longitude and latitude is the default
    const QJsonArray f = doc["features"].toArray(), g = parseJson(grid.out)["features"].toArray();
    ASSERT_EQ(f.size(), g.size());

    // Each position is the conversion of the national-grid one; all properties are the same.
    auto expectConverted = [](const QJsonValue& wgsValue, const QJsonValue& gridValue, auto&& self) -> void {
        const QJsonArray w = wgsValue.toArray(), m = gridValue.toArray();
        ASSERT_EQ(w.size(), m.size());
        if (!m.isEmpty() && m[0].isDouble()) {
            double lat = 0, lon = 0;
            ASSERT_TRUE(jtskToWgs84Refined(TMapCoord{-m[0].toDouble(), -m[1].toDouble()}, lat, lon));
            EXPECT_EQ(w[0].toDouble(), lon);
            EXPECT_EQ(w[1].toDouble(), lat);
            EXPECT_NEAR(lon, 14.39, 0.01); // X0, Y0 lie by Prague
            EXPECT_NEAR(lat, 50.09, 0.01);
            return;
        }
        for (qsizetype i = 0; i < m.size(); ++i) self(w[i], m[i], self);
    };
    for (qsizetype i = 0; i < f.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(f[i]["geometry"]["type"], g[i]["geometry"]["type"]);
        EXPECT_EQ(f[i]["properties"], g[i]["properties"]);
        expectConverted(f[i]["geometry"]["coordinates"], g[i]["geometry"]["coordinates"], expectConverted);
    }
    // The stand's rings in longitude and latitude: outer counter-clockwise, hole clockwise.
    auto area = [](const QJsonArray& ring) {
        double sum = 0;
        const QJsonArray o = ring[0].toArray();
        for (qsizetype i = 0; i + 1 < ring.size(); ++i) {
            const QJsonArray a = ring[i].toArray(), b = ring[i + 1].toArray();
            sum += (a[0].toDouble() - o[0].toDouble()) * (b[1].toDouble() - o[1].toDouble()) -
                   (b[0].toDouble() - o[0].toDouble()) * (a[1].toDouble() - o[1].toDouble());
        }
        return sum;
    };
    const QJsonArray stand = f[0]["geometry"]["coordinates"].toArray();
    EXPECT_GT(area(stand[0].toArray()), 0);
    EXPECT_LT(area(stand[1].toArray()), 0);

    // A vertex that no WGS84 position in the accepted area maps to: that geometry is null.
    TOwnerEntity root;
    root.AddElement(element("origin", pointAt<TPointElement>(0, 0)));
    root.AddElement(element("east", poly<TPolyLineElement>({{X0, Y0}, {745000, Y0}})));
    root.AddElement(element("fine", pointAt<TPointElement>(X0, Y0)));
    const Result r = run({"geojson", "--wgs84", save(&root, "far.zlt")});
    EXPECT_EQ(r.status, 0);
    const QJsonArray far = parseJson(r.out)["features"].toArray();
    ASSERT_EQ(far.size(), 3);
    EXPECT_TRUE(far[0]["geometry"].isNull());
    EXPECT_TRUE(far[1]["geometry"].isNull());
    EXPECT_EQ(far[2]["geometry"]["type"].toString(), "Point");
    const QStringList warnings = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(warnings.size(), 2) << r.err.toStdString();
    EXPECT_TRUE(warnings[0].contains("feature 0 (TGeometryElement \"origin\"): a position has no WGS84"))
        << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains("feature 1 (TGeometryElement \"east\")")) << warnings[1].toStdString();
}

// The built program's output as GDAL reads it.
TEST_F(ZltGeoJsonTest, TheBuiltProgramWritesWhatGdalReads) {
    auto layer = userLayer();
    layer->AddElement(element("bez geometrie", nullptr)); // after the sub-layers: feature 6
    const QString file = save(layer.get(), "layer.zlt");
    const QString geojson = path("layer.geojson");
    QProcess p;
    p.setStandardOutputFile(geojson);
    p.start(QStringLiteral(ZLT_BINARY), {"geojson", file});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                    .contains("feature 6 (TGeometryElement \"bez geometrie\"): no geometry"));

    const QString wgsJson = path("layer-wgs84.geojson");
    p.setStandardOutputFile(wgsJson);
    p.start(QStringLiteral(ZLT_BINARY), {"geojson", "--wgs84", file});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);

    const QString ogrinfo = QStandardPaths::findExecutable("ogrinfo");
    if (ogrinfo.isEmpty()) GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
    auto ogr = [&](const QStringList& args) {
        QProcess o;
        o.start(ogrinfo, args);
        EXPECT_TRUE(o.waitForFinished(60000));
        EXPECT_EQ(o.exitCode(), 0) << o.readAllStandardError().toStdString();
        const QString text = QString::fromUtf8(o.readAllStandardOutput() + o.readAllStandardError());
        EXPECT_FALSE(text.contains("ERROR")) << text.toStdString();
        return text;
    };
    const QString summary = ogr({"-ro", "-al", "-so", geojson});
    EXPECT_TRUE(summary.contains("\nFeature Count: 7\n")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nGeometry: Unknown (any)\n")) << summary.toStdString(); // mixed kinds
    EXPECT_TRUE(summary.contains("PROJCRS[\"S-JTSK / Krovak East North\"")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("ID[\"EPSG\",5514]]")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\nCislo: Integer")) << summary.toStdString();

    // Each feature's geometry as GDAL sees it, in order.
    const QString each = ogr({"-ro", "-al", "-geom=SUMMARY", geojson});
    static const QRegularExpression geometryLine(QStringLiteral("^  ([A-Z]+) :"),
                                                 QRegularExpression::MultilineOption);
    QStringList kinds;
    for (auto it = geometryLine.globalMatch(each); it.hasNext();) kinds << it.next().captured(1);
    EXPECT_EQ(kinds, QStringList({"POLYGON", "POLYGON", "MULTIPOLYGON", "LINESTRING", "POINT", "POINT"}))
        << each.toStdString();
    EXPECT_TRUE(each.contains("POLYGON : 5 points, 1 inner rings (4 points)")) << each.toStdString();

    // In WGS84 GDAL takes the default of GeoJSON, longitude and latitude, and finds the layer where
    // the national grid put it.
    const QString wgsSummary = ogr({"-ro", "-al", "-so", wgsJson});
    EXPECT_TRUE(wgsSummary.contains("\nFeature Count: 7\n")) << wgsSummary.toStdString();
    EXPECT_TRUE(wgsSummary.contains("GEOGCRS[\"WGS 84\"")) << wgsSummary.toStdString();
    EXPECT_TRUE(wgsSummary.contains("ID[\"EPSG\",4326]]")) << wgsSummary.toStdString();
    static const QRegularExpression extentLine(
        QStringLiteral("\nExtent: \\(([-0-9.]+), ([-0-9.]+)\\) - \\(([-0-9.]+), ([-0-9.]+)\\)\n"));
    const QRegularExpressionMatch extent = extentLine.match(wgsSummary);
    ASSERT_TRUE(extent.hasMatch()) << wgsSummary.toStdString();
    double lat = 0, lon = 0;
    ASSERT_TRUE(jtskToWgs84Refined(TMapCoord{-(X0 - 10), -(Y0 - 10)}, lat, lon)); // the note, south-west
    EXPECT_NEAR(extent.captured(1).toDouble(), lon, 1e-6);
    EXPECT_NEAR(extent.captured(2).toDouble(), lat, 1e-6);
    EXPECT_GT(extent.captured(3).toDouble(), lon);
    EXPECT_GT(extent.captured(4).toDouble(), lat);
    EXPECT_LT(extent.captured(3).toDouble() - lon, 0.01);
    const QString wgsEach = ogr({"-ro", "-al", "-geom=SUMMARY", wgsJson});
    EXPECT_TRUE(wgsEach.contains("POLYGON : 5 points, 1 inner rings (4 points)")) << wgsEach.toStdString();

    // A layer of lines only: GDAL names the one geometry type.
    TComplicatedGECollection lines;
    auto* line = new TTopolLineElement;
    line->SetGeometry(poly<TPolyLineElement>({{X0, Y0}, {X0 + 1, Y0 + 1}}));
    lines.GetLayer("L")->AddElement(line);
    const QString linesFile = save(&lines, "lines.zlt");
    const QString linesJson = path("lines.geojson");
    p.setStandardOutputFile(linesJson);
    p.start(QStringLiteral(ZLT_BINARY), {"geojson", linesFile});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString lineSummary = ogr({"-ro", "-al", "-so", linesJson});
    EXPECT_TRUE(lineSummary.contains("\nGeometry: Line String\n")) << lineSummary.toStdString();
    EXPECT_TRUE(lineSummary.contains("\nFeature Count: 1\n")) << lineSummary.toStdString();
}
