// zlt find (the stand group under a model point, by its unit label), the "unit" property of the
// forest units in zlt geojson, and the selector checked against GEOS point-in-polygon on the
// polygons that zlt geojson exports.
#include <gtest/gtest.h>

#include <geos_c.h>

#include "../forest/forest_fixture.h"
#include "zlt_run.h"

#include "forest/e_LHCElements.h"
#include "persistence/T_Saver.h"
#include "stream_files.h"
#include "zlt.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace zelto;
using forest_test::area;
using forest_test::Ring;
using forest_test::square;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

// National-grid coordinates: large and negative.
constexpr double X0 = -745000;
constexpr double Y0 = -1043000;

QString number(double v) {
    return QString::number(v, 'g', 17);
}

QJsonArray featuresOf(const Result& r) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object()["features"].toArray();
}

Tgis_PorostniSkupina* group(Tgis_ForestModel* model, qint32 division, const char* dilec, const char* stand,
                            const char* name, TGeometry* geometry) {
    Tgis_PorostniSkupina* g = model->CreateSkupina(5, 1, division, dilec, stand, name);
    if (geometry) g->SetGeometry(geometry);
    return g;
}

// A plan area with the cases of the search: in stand 12b3 a plain group, a group with a hole, a
// group of two parts and two overlapping groups; a group in division 7 (created after 12, so later
// in hierarchy order); a user area on the first group.
std::unique_ptr<Tgis_ForestModel> smallForest() {
    auto model = std::make_unique<Tgis_ForestModel>();
    model->SetAutoCreate(true);
    Tgis_PorostniSkupina* first = group(model.get(), 12, "b", "3", "1a", square(X0, Y0, 100));
    TAreaElement* holed = square(X0 + 100, Y0, 100);
    holed->AddHole(square(X0 + 140, Y0 + 40, 20));
    group(model.get(), 12, "b", "3", "2", holed);
    Tgis_PorostniSkupina* parts = group(model.get(), 12, "b", "3", "3", square(X0 + 200, Y0, 100));
    parts->AddGeometry(square(X0 + 200, Y0 + 300, 50));
    group(model.get(), 12, "b", "3", "4", square(X0 + 300, Y0, 100));
    group(model.get(), 12, "b", "3", "5", square(X0 + 350, Y0, 100));
    group(model.get(), 7, "a", "1", "1", square(X0, Y0 + 150, 100));
    model->SetAutoCreate(false);
    auto* user = new Tgis_UserAreaElement;
    user->SetUserID(4);
    user->SetGeometry(square(X0 + 10, Y0 + 10, 20));
    user->Set_Skupina(first);
    model->UpdateAll();
    return model;
}

class ZltFindTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString save(TElement* root, const char* name) const {
        zelto::testing::saveTo(root, path(name));
        return path(name);
    }
    QString find(const QString& file, double x, double y) {
        const Result r = run({"find", file, number(x), number(y)});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.endsWith('\n')) << r.out.toStdString();
        return r.out.chopped(r.out.endsWith('\n') ? 1 : 0);
    }

    QTemporaryDir dir;
};

} // namespace

// ---- the unit label --------------------------------------------------------------------------------

TEST(ForestUnitLabel, EveryLevel) {
    auto model = smallForest();
    model->SetLHC_Cislo(5);
    model->SetOddeleni_Cislo(12);
    model->SetDilec_Name("b");
    model->SetPorost_Name("3");
    Tgis_PorostniSkupina* g = model->GetSkupinaName("1a");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ForestUnitLabel(g), "12b3 1a");
    EXPECT_EQ(ForestUnitLabel(g->Get_Porost()), "12b3");
    EXPECT_EQ(ForestUnitLabel(g->Get_Dilec()), "12b");
    EXPECT_EQ(ForestUnitLabel(g->Get_Oddeleni()), "12");
    EXPECT_EQ(ForestUnitLabel(g->Get_LS()), "");
    EXPECT_EQ(ForestUnitLabel(g->Get_LHC()), "");
    EXPECT_EQ(ForestUnitLabel(nullptr), "");
    // A user area answers for its stand group; on its own, for nothing.
    auto* users = zelto_cast<TEntity>(g->GetAreaCollection(Tgis_UserCollection::StaticClass()));
    ASSERT_NE(users, nullptr);
    auto* user = zelto_cast<Tgis_UserAreaElement>(users->Get(0));
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(ForestUnitLabel(user), "12b3 1a");
    Tgis_UserAreaElement alone;
    EXPECT_EQ(ForestUnitLabel(&alone), "");
    // A group outside any stand answers its name; a unit without a name contributes nothing.
    Tgis_PorostniSkupina loose;
    loose.SetName("9");
    EXPECT_EQ(ForestUnitLabel(&loose), "9");
    Tgis_Porost* stand = g->Get_Porost();
    Tgis_PorostniSkupina* unnamed = static_cast<Tgis_PorostniSkupina*>(stand->CreateItemName(""));
    EXPECT_EQ(ForestUnitLabel(unnamed), "12b3 ");
}

// ---- zlt find --------------------------------------------------------------------------------------

TEST_F(ZltFindTest, NamesTheStandGroupAtThePoint) {
    auto model = smallForest();
    const QString file = save(model.get(), "forest.zlt");
    struct Case {
        double x, y;
        const char* label;
    };
    const Case cases[] = {
        {X0 + 50, Y0 + 50, "12b3 1a"},
        {X0 + 15, Y0 + 15, "12b3 1a"}, // also on the user area, which is no stand group
        {X0 + 120, Y0 + 20, "12b3 2"},
        {X0 + 150, Y0 + 50, "none"}, // in the hole
        {X0 + 250, Y0 + 50, "12b3 3"},
        {X0 + 225, Y0 + 325, "12b3 3"}, // its second part
        {X0 + 250, Y0 + 200, "none"},   // between the parts, inside the stand's rectangle
        {X0 + 375, Y0 + 50, "12b3 4"},  // both overlapping groups: the first in the hierarchy
        {X0 + 425, Y0 + 50, "12b3 5"},
        {X0 + 50, Y0 + 200, "7a1 1"},
        {X0 + 100, Y0 + 50, "none"},    // on the boundary of two groups: inside neither
        {X0 + 1000, Y0 + 1000, "none"}, // outside everything
        {0, 0, "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find(file, c.x, c.y), QString::fromLatin1(c.label)) << c.x - X0 << " " << c.y - Y0;
    // The numbers may come in any form the C locale reads.
    const Result r = run({"find", file, "-7.4495e5", " -1042950.0 "});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "12b3 1a\n");
}

TEST_F(ZltFindTest, Failures) {
    auto model = smallForest();
    const QString file = save(model.get(), "forest.zlt");
    // A stream whose root is not the forest model, though it holds one.
    TOwnerEntity holder;
    holder.AddElement(smallForest().release());
    const QString wrapped = save(&holder, "wrapped.zlt");
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{"find"}, "find: missing argument FILE"},
        {{"find", file}, "find: missing argument X"},
        {{"find", file, "1"}, "find: missing argument Y"},
        {{"find", file, "1", "2", "3"}, "find: unexpected argument \"3\""},
        {{"find", file, "abc", "2"}, "find: X \"abc\" is not a finite number"},
        {{"find", file, "1", "1,5"}, "find: Y \"1,5\" is not a finite number"},
        {{"find", file, "", "1"}, "find: X \"\" is not a finite number"},
        {{"find", file, "nan", "1"}, "find: X \"nan\" is not a finite number"},
        {{"find", file, "1", "-inf"}, "find: Y \"-inf\" is not a finite number"},
        {{"find", file, "1e999", "1"}, "is not a finite number"},
        {{"find", path("missing.zlt"), "1", "2"}, "Soubor " + path("missing.zlt") + " neexistuje!"},
        {{"find", dir.path(), "1", "2"}, "is a directory"},
        {{"find", wrapped, "1", "2"},
         "find: " + wrapped +
             ": the stream holds no forest model (its root is TOwnerEntity, not Tgis_ForestModel)"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("zlt: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message))
            << r.err.toStdString() << "\nwanted: " << c.message.toStdString();
    }
    // Bad coordinates are refused before the file is read.
    const Result early = run({"find", path("missing.zlt"), "x", "2"});
    EXPECT_TRUE(early.err.contains("X \"x\"")) << early.err.toStdString();
    const Result help = run({"help", "find"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("zlt find FILE X Y"));
    EXPECT_TRUE(help.out.contains("12b3 1a"));
}

TEST_F(ZltFindTest, TheBuiltProgram) {
    auto model = smallForest();
    const QString file = save(model.get(), "forest.zlt");
    QProcess p;
    p.start(QStringLiteral(ZLT_BINARY), {"find", file, number(X0 + 225), number(Y0 + 325)});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "12b3 3\n");
    p.start(QStringLiteral(ZLT_BINARY), {"find", file, "x", "1"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("not a finite number"));
}

// ---- zlt geojson: the unit property ----------------------------------------------------------------

TEST_F(ZltFindTest, GeoJsonGivesEveryUnitItsLabel) {
    auto model = smallForest();
    const Result r = run({"geojson", save(model.get(), "forest.zlt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Units with sub-units and no shape of their own are no reason for a warning.
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonArray f = featuresOf(r);
    QStringList seen;
    for (const QJsonValue& v : f) {
        const QJsonObject props = v["properties"].toObject();
        ASSERT_TRUE(props.contains("unit")) << props["class"].toString().toStdString();
        seen << props["class"].toString() + " " + props["name"].toString() + " = " + props["unit"].toString();
    }
    // Every unit, in hierarchy order, the user area right after its group.
    const QStringList expected = {
        "Tgis_LHC 5 = ",
        "Tgis_LS 1 = ",
        "Tgis_Oddeleni 12 = 12",
        "Tgis_Dilec b = 12b",
        "Tgis_Porost 3 = 12b3",
        "Tgis_PorostniSkupina 1a = 12b3 1a",
        "Tgis_UserAreaElement 4 = 12b3 1a",
        "Tgis_PorostniSkupina 2 = 12b3 2",
        "Tgis_PorostniSkupina 3 = 12b3 3",
        "Tgis_PorostniSkupina 4 = 12b3 4",
        "Tgis_PorostniSkupina 5 = 12b3 5",
        "Tgis_Oddeleni 7 = 7",
        "Tgis_Dilec a = 7a",
        "Tgis_Porost 1 = 7a1",
        "Tgis_PorostniSkupina 1 = 7a1 1",
    };
    EXPECT_EQ(seen, expected) << seen.join('\n').toStdString();

    // Units that a taxator written before the plan area also holds still come in hierarchy order.
    {
        auto withTaxator = smallForest();
        auto* taxators = new Tgis_Taxator_Collection;
        withTaxator->InsertElement(0, taxators);
        auto* taxator = new Tgis_Taxator;
        taxator->SetName(QString::fromUtf8("Novák"));
        taxators->AddElement(taxator);
        withTaxator->SetLHC_Cislo(5);
        withTaxator->SetOddeleni_Cislo(7);
        taxator->AddElement(withTaxator->GetActualOddeleni());
        withTaxator->SetOddeleni_Cislo(12);
        withTaxator->SetDilec_Name("b");
        withTaxator->SetPorost_Name("3");
        taxator->AddElement(withTaxator->GetActualPorost());
        ASSERT_EQ(taxator->ElementsCount(), 2);
        const Result t = run({"geojson", save(withTaxator.get(), "taxator.zlt")});
        ASSERT_EQ(t.status, 0) << t.err.toStdString();
        QStringList order;
        for (const QJsonValue& v : featuresOf(t)) {
            const QJsonObject props = v["properties"].toObject();
            order << props["class"].toString() + " " + props["name"].toString() + " = " +
                         props["unit"].toString();
        }
        EXPECT_EQ(order, expected) << order.join('\n').toStdString();
    }
    for (const QJsonValue& v : f) {
        const QString cls = v["properties"]["class"].toString();
        const bool shaped = cls == "Tgis_PorostniSkupina" || cls == "Tgis_UserAreaElement";
        EXPECT_EQ(v["geometry"].isNull(), !shaped) << cls.toStdString();
    }
    // The group of two parts and the group with a hole.
    EXPECT_EQ(f[8]["geometry"]["type"].toString(), "MultiPolygon");
    EXPECT_EQ(f[7]["geometry"]["coordinates"].toArray().size(), 2);
    // Other geometry elements get no unit; a stand group without geometry is still warned about.
    model->SetAutoCreate(true);
    model->CreateSkupina(5, 1, 7, "a", "1", "2");
    const Result warned = run({"geojson", save(model.get(), "forest2.zlt")});
    EXPECT_EQ(warned.status, 0);
    EXPECT_TRUE(warned.err.contains("Tgis_PorostniSkupina \"2\"): no geometry")) << warned.err.toStdString();
    TOwnerEntity layer;
    auto* plain = new TGeometryElement;
    plain->SetGeometry(square(X0, Y0, 10));
    layer.AddElement(plain);
    const QJsonArray other = featuresOf(run({"geojson", save(&layer, "layer.zlt")}));
    ASSERT_EQ(other.size(), 1);
    EXPECT_FALSE(other[0]["properties"].toObject().contains("unit"));
}

// ---- the oracle --------------------------------------------------------------------------------------

namespace {

struct GeosContext {
    GEOSContextHandle_t ctx = GEOS_init_r();
    ~GeosContext() { GEOS_finish_r(ctx); }
};

// A planar forest of 8 x 6 jittered cells (50 m, shared edges) in two divisions, two dílce and two
// stands per dílec, one stand group per cell; a cell with an empty hole, a cell whose hole holds an
// island group of another stand, a group of two cells far apart, a group overlapping cells of later
// stands (it wins there) and one overlapping cells of earlier stands and reaching beyond the grid
// (it loses on the cells).
std::unique_ptr<Tgis_ForestModel> generatedForest(unsigned seed) {
    constexpr int NX = 8, NY = 6;
    constexpr double Cell = 50;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-12, 12);
    std::vector<std::pair<double, double>> vertex((NX + 1) * (NY + 1));
    for (int j = 0; j <= NY; ++j)
        for (int i = 0; i <= NX; ++i)
            vertex[size_t(j * (NX + 1) + i)] = {X0 + i * Cell + jitter(rng), Y0 + j * Cell + jitter(rng)};
    auto corner = [&](int i, int j) { return vertex[size_t(j * (NX + 1) + i)]; };
    auto cell = [&](int i, int j) -> Ring {
        return {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)};
    };
    auto centre = [&](int i, int j) {
        double x = 0, y = 0;
        for (auto [cx, cy] : cell(i, j)) {
            x += cx / 4;
            y += cy / 4;
        }
        return std::pair{x, y};
    };

    auto model = std::make_unique<Tgis_ForestModel>();
    model->SetAutoCreate(true);
    auto make = [&](int i, int j, const QString& name) {
        const QString dilec(QChar('a' + i / 4));
        const QString stand = QString::number(1 + (i % 4) / 2);
        return model->CreateSkupina(1, 1, 10 + j / 3, dilec, stand, name);
    };
    Tgis_PorostniSkupina* multi = nullptr;
    for (int j = 0; j < NY; ++j)
        for (int i = 0; i < NX; ++i) {
            if (i == NX - 1 && j == NY - 1) continue; // the second part of the first cell's group
            Tgis_PorostniSkupina* g = make(i, j, QString::number(j % 3 + 1) + QChar('a' + i % 2));
            TAreaElement* a = area(cell(i, j));
            if ((i == 2 && j == 1) || (i == 5 && j == 4)) {
                auto [cx, cy] = centre(i, j);
                a->AddHole(square(cx - 6, cy - 6, 12));
            }
            g->SetGeometry(a);
            if (i == 0 && j == 0) multi = g;
            if (i == 0 && j == 1) {
                // The first group of stand 10a1 (first in the hierarchy) overlaps four cells of
                // later stands, dílce and the other division.
                Tgis_PorostniSkupina* ov = make(0, 0, "ov");
                ov->SetGeometry(
                    area(forest_test::rect(X0 + 3.3 * Cell, Y0 + 1.4 * Cell, 1.5 * Cell, 1.9 * Cell)));
            }
        }
    multi->AddGeometry(area(cell(NX - 1, NY - 1)));
    // The island in the hole of cell (5, 4), in stand 10a2.
    {
        auto [cx, cy] = centre(5, 4);
        make(2, 0, "ostr")->SetGeometry(square(cx - 6, cy - 6, 12));
    }
    // The last group of the last stand (11b2): over cells of earlier stands and past the grid's top.
    make(7, 5, "zz")
        ->SetGeometry(area(forest_test::rect(X0 + 1.2 * Cell, Y0 + 4.5 * Cell, 1.7 * Cell, 2.5 * Cell)));
    model->SetAutoCreate(false);
    model->UpdateAll();
    return model;
}

} // namespace

TEST_F(ZltFindTest, AgreesWithGeosOnTheExportedPolygons) {
    const auto started = std::chrono::steady_clock::now();
    auto model = generatedForest(20240611);
    const QString file = save(model.get(), "generated.zlt");
    model.reset();

    // The polygons as zlt geojson exports them, in its (hierarchy) order, with their labels.
    const Result exported = run({"geojson", file});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    GeosContext geos;
    GEOSGeoJSONReader* reader = GEOSGeoJSONReader_create_r(geos.ctx);
    struct Group {
        QString label;
        GEOSGeometry* geometry;
        const GEOSPreparedGeometry* prepared;
    };
    std::vector<Group> groups;
    std::vector<GEOSGeometry*> boundaries;
    QStringList labels;
    for (const QJsonValue& v : featuresOf(exported)) {
        if (v["properties"]["class"].toString() != "Tgis_PorostniSkupina") continue;
        const QByteArray json = QJsonDocument(v["geometry"].toObject()).toJson(QJsonDocument::Compact);
        GEOSGeometry* g = GEOSGeoJSONReader_readGeometry_r(geos.ctx, reader, json.constData());
        ASSERT_NE(g, nullptr) << json.toStdString();
        ASSERT_EQ(GEOSisValid_r(geos.ctx, g), 1) << json.toStdString();
        groups.push_back({v["properties"]["unit"].toString(), g, GEOSPrepare_r(geos.ctx, g)});
        boundaries.push_back(GEOSBoundary_r(geos.ctx, g));
        labels << groups.back().label;
    }
    GEOSGeoJSONReader_destroy_r(geos.ctx, reader);
    ASSERT_EQ(groups.size(), size_t(8 * 6 - 1 + 3));
    EXPECT_EQ(labels.size(), QSet<QString>(labels.begin(), labels.end()).size()) << "labels are unique";
    GEOSGeometry* allBoundaries = GEOSGeom_createCollection_r(geos.ctx, GEOS_GEOMETRYCOLLECTION,
                                                              boundaries.data(), unsigned(boundaries.size()));
    const GEOSPreparedGeometry* nearBoundary = GEOSPrepare_r(geos.ctx, allBoundaries);

    // The search of zlt find on the file read as zlt find reads it.
    zlt::LoadedStream stream(file);
    auto* loaded = zelto_cast<Tgis_ForestModel>(stream.root());
    ASSERT_NE(loaded, nullptr);
    zlt::UnitFinder finder(loaded);

    std::mt19937 rng(77);
    std::uniform_real_distribution<double> px(X0 - 30, X0 + 8 * 50 + 30), py(Y0 - 30, Y0 + 6 * 50 + 90);
    int compared = 0, skipped = 0, none = 0, ovWins = 0, zzWins = 0, cellsOverZz = 0, island = 0,
        secondPart = 0;
    std::vector<std::pair<double, double>> viaCommand;
    for (int n = 0; n < 4000; ++n) {
        const double x = px(rng), y = py(rng);
        GEOSGeometry* p = GEOSGeom_createPointFromXY_r(geos.ctx, x, y);
        const bool near = GEOSPreparedDistanceWithin_r(geos.ctx, nearBoundary, p, 1e-6) == 1;
        QString expected = QStringLiteral("none");
        int containing = 0;
        if (!near)
            for (const Group& g : groups)
                if (GEOSPreparedContains_r(geos.ctx, g.prepared, p) == 1) {
                    if (containing++ == 0) expected = g.label;
                }
        GEOSGeom_destroy_r(geos.ctx, p);
        if (near) {
            ++skipped;
            continue;
        }
        ++compared;
        const QString got = finder.labelAt(x, y);
        ASSERT_EQ(got.toStdString(), expected.toStdString())
            << "point " << number(x).toStdString() << " " << number(y).toStdString() << " (in " << containing
            << " groups)";
        none += expected == "none";
        ovWins += expected.endsWith(" ov") && containing > 1;
        zzWins += expected.endsWith(" zz");
        cellsOverZz += containing > 1 && !expected.endsWith(" ov") && !expected.endsWith(" zz");
        island += expected.endsWith(" ostr");
        secondPart += expected == labels.first() && y > Y0 + 200;
        if (n % 200 == 0) viaCommand.emplace_back(x, y);
    }
    // Every case was met.
    EXPECT_GT(compared, 3900);
    EXPECT_LT(skipped, 10);
    EXPECT_GT(none, 100);
    EXPECT_GT(ovWins, 20);
    EXPECT_GT(zzWins, 20);
    EXPECT_GT(cellsOverZz, 20);
    EXPECT_GT(island, 0);
    EXPECT_GT(secondPart, 20);

    // The command itself answers the same (each run reads the file anew).
    for (auto [x, y] : viaCommand) EXPECT_EQ(find(file, x, y), finder.labelAt(x, y));

    GEOSPreparedGeom_destroy_r(geos.ctx, nearBoundary);
    GEOSGeom_destroy_r(geos.ctx, allBoundaries);
    for (Group& g : groups) {
        GEOSPreparedGeom_destroy_r(geos.ctx, g.prepared);
        GEOSGeom_destroy_r(geos.ctx, g.geometry);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 5.0);
    RecordProperty("seconds", std::to_string(seconds));
}
