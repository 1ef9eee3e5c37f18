// The area editor on a small forest: one stand group with a ragged boundary (many vertices), a
// user layer with its areas ("A") and construction lines ("L"). Built areas are checked against
// GEOS: the stand's polygon noded with the construction lines and polygonized, and the polygon
// holding the tap is the one expected.
#include <gtest/gtest.h>

#include <geos_c.h>

#include "builders.h"
#include "editing/AreaEditor.h"
#include "forest/e_LHCElements.h"
#include "framework/Notifier.h"
#include "framework/Worlds.h"
#include "framework/e_Props.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geos_lines.h"
#include "topobjects/e_TopolElements.h"
#include "topology/t_AreMak.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace zelto;
using zelto::testing::Points;

namespace {

// A stand of about 200 m x 120 m whose edges wiggle (a vertex every 4 m).
Points raggedStand() {
    Points ring;
    auto edge = [&ring](double x0, double y0, double x1, double y1) {
        const int n = int(std::hypot(x1 - x0, y1 - y0) / 4);
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / n;
            const double wiggle = 1.5 * std::sin(i * 0.7);
            // Across the edge: its normal.
            const double len = std::hypot(x1 - x0, y1 - y0);
            ring.push_back({x0 + t * (x1 - x0) - wiggle * (y1 - y0) / len,
                            y0 + t * (y1 - y0) + wiggle * (x1 - x0) / len});
        }
    };
    edge(1000, 2000, 1000, 2120);
    edge(1000, 2120, 1200, 2120);
    edge(1200, 2120, 1200, 2000);
    edge(1200, 2000, 1000, 2000);
    ring.push_back(ring.front());
    return ring;
}

class Geos : public zelto::testing::GeosLines {
public:
    // The polygon of the noded lines that contains (x, y), as a GEOS geometry (owned by the caller),
    // or none.
    GEOSGeometry* faceAt(const std::vector<Points>& lines, double x, double y) const {
        GEOSGeometry* all = this->lines(lines);
        GEOSGeometry* noded = GEOSNode_r(m_ctx, all);
        GEOSGeom_destroy_r(m_ctx, all);
        std::vector<const GEOSGeometry*> pieces;
        for (int i = 0; i < GEOSGetNumGeometries_r(m_ctx, noded); ++i)
            pieces.push_back(GEOSGetGeometryN_r(m_ctx, noded, i));
        GEOSGeometry* polygons = GEOSPolygonize_r(m_ctx, pieces.data(), unsigned(pieces.size()));
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(m_ctx, x, y);
        GEOSGeometry* found = nullptr;
        for (int i = 0; i < GEOSGetNumGeometries_r(m_ctx, polygons) && !found; ++i) {
            const GEOSGeometry* p = GEOSGetGeometryN_r(m_ctx, polygons, i);
            if (GEOSContains_r(m_ctx, p, point) == 1) found = GEOSGeom_clone_r(m_ctx, p);
        }
        GEOSGeom_destroy_r(m_ctx, point);
        GEOSGeom_destroy_r(m_ctx, polygons);
        GEOSGeom_destroy_r(m_ctx, noded);
        return found;
    }
    // A polygon of the area's outer ring and holes.
    GEOSGeometry* polygon(const TAreaElement* area) const {
        auto ring = [this](const TPolyElement* p) {
            Points pts;
            p->ForEachCoord([&pts](const T2DCoordinate* c) {
                if (c) pts.push_back({c->FX, c->FY});
                return true;
            });
            if (!pts.empty() && pts.front() != pts.back()) pts.push_back(pts.front());
            std::vector<double> xy;
            for (auto [x, y] : pts) xy.insert(xy.end(), {x, y});
            return GEOSGeom_createLinearRing_r(
                m_ctx, GEOSCoordSeq_copyFromBuffer_r(m_ctx, xy.data(), unsigned(pts.size()), 0, 0));
        };
        std::vector<GEOSGeometry*> holes;
        if (THolesEntity* h = area->GetHoles())
            for (TElement* e : h->FElements)
                if (auto* hole = zelto_cast<TAreaElement>(e)) holes.push_back(ring(hole));
        return GEOSGeom_createPolygon_r(m_ctx, ring(area), holes.data(), unsigned(holes.size()));
    }
    double area(const GEOSGeometry* g) const {
        double a = 0;
        GEOSArea_r(m_ctx, g, &a);
        return a;
    }
    // The area of the symmetric difference: how far two polygons are from being the same.
    double difference(const GEOSGeometry* a, const GEOSGeometry* b) const {
        GEOSGeometry* d = GEOSSymDifference_r(m_ctx, a, b);
        const double value = area(d);
        GEOSGeom_destroy_r(m_ctx, d);
        return value;
    }
    void destroy(GEOSGeometry* g) const { GEOSGeom_destroy_r(m_ctx, g); }
};

// Records what the editor asks of the dialog and answers with what a user typed.
class FakeDialog : public TAreaDialogPort {
public:
    int shown = 0, closed = 0, colorChecks = 0;
    double hectares = -1;
    Tgis_PorostniSkupina* group = nullptr;
    bool holina = false, isNew = false, rokUpdate = false;
    qint32 barva = 13, rok = 0;
    QString etaz, index, pozn;
    std::function<void()> ok, cancel, del, close;

    void Show() override { ++shown; }
    void Close() override { ++closed; }
    void SetArea(double h) override { hectares = h; }
    void SetBigFrame(Tgis_PorostniSkupina* g) override { group = g; }
    void SetHolina(bool v) override { holina = v; }
    void SetNewObject(bool v) override { isNew = v; }
    void CheckColors() override { ++colorChecks; }
    void SetBarva(qint32 v) override { barva = v; }
    qint32 GetBarva() const override { return barva; }
    void SetRokUpdate(bool v) override { rokUpdate = v; }
    void SetRok(qint32 v) override { rok = v; }
    qint32 GetRok() const override { return rok; }
    void SetEtaz(const QString& v) override { etaz = v; }
    QString GetEtaz() const override { return etaz; }
    void SetIndex(const QString& v) override { index = v; }
    QString GetIndex() const override { return index; }
    void SetPozn(const QString& v) override { pozn = v; }
    QString GetPozn() const override { return pozn; }
    void SetOnOK(std::function<void()> h) override { ok = std::move(h); }
    void SetOnCancel(std::function<void()> h) override { cancel = std::move(h); }
    void SetOnDelete(std::function<void()> h) override { del = std::move(h); }
    void SetOnClose(std::function<void()> h) override { close = std::move(h); }
    // A button: its handler, dropped once called (as the dialog does).
    static void press(std::function<void()>& h) {
        auto run = std::move(h);
        h = nullptr;
        if (run) run();
    }
};

// The vertices of every line of a layer, to see that a build leaves the layer as it was.
std::vector<Points> layerLines(TComplicatedGECollection* layer) {
    std::vector<Points> out;
    for (TElement* e : layer->FElements) {
        auto* ge = zelto_cast<TGeometryElement>(e);
        auto* line = ge ? zelto_cast<TPolyElement>(ge->GetGeometry()) : nullptr;
        if (!line) continue;
        Points pts;
        line->ForEachCoord([&pts](const T2DCoordinate* c) {
            if (c) pts.push_back({c->FX, c->FY});
            return true;
        });
        out.push_back(pts);
    }
    return out;
}

class AreaEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The pieces of lines cut where they cross reach their line sets through the world's
        // message delivery, as in the running application.
        world.SubscribeToMessages();
        recordingNotifier()->clear();
        standRing = raggedStand();
        group.reset(new Tgis_PorostniSkupina);
        group->SetName(QStringLiteral("1A2b/3"));
        group->SetGeometry(zelto::testing::poly<TAreaElement>(standRing));
        group->Update();
        layer.reset(new TComplicatedGECollection);
        layer->SetName(QStringLiteral("Holiny"));
        areas = layer->GetLayer(QStringLiteral("A"));
        lines = layer->GetLayer(QStringLiteral("L"));
        editor.reset(new TKordlinAreaEditor);
        editor->SetName(QStringLiteral("AreaEditor"));
        editor->SetDialog(&dialog);
        editor->SetTargetLevel(areas);
        editor->SetConstructLevel(lines);
        editor->Hooks.FindForest = [this](double x, double y) -> Tgis_PorostniSkupina* {
            return group->IsHitByXY(x, y, 0) ? group.get() : nullptr;
        };
        editor->Hooks.User = [] { return QStringLiteral("les01"); };
        editor->Hooks.LayersChanged = [this] {
            ++saves;
            return true;
        };
        editor->Hooks.StartWaitingTool = [this] { ++waitingStarts; };
    }
    void TearDown() override {
        editor.reset(); // before the layer: its trees hold the layer's elements
    }

    TTopolLineElement* addLine(const Points& points, TPolyLineElement* geometry = nullptr) {
        auto* e = new TTopolLineElement;
        e->SetGeometry(geometry ? geometry : zelto::testing::line(points));
        e->Update();
        lines->AddAndUpdateRect(e);
        return e;
    }
    Tgis_UserAreaElement* tap(double x, double y) {
        bool handled = false;
        editor->On_tm_MouseUp(x, y, handled);
        return editor->GetGArea();
    }
    // GEOS's face of the stand boundary and the given lines at (x, y) against the editor's area.
    void expectGeosFace(const std::vector<Points>& construction, double x, double y) {
        ASSERT_NE(editor->GetArea(), nullptr);
        std::vector<Points> all{standRing};
        all.insert(all.end(), construction.begin(), construction.end());
        GEOSGeometry* expected = geos.faceAt(all, x, y);
        ASSERT_NE(expected, nullptr);
        GEOSGeometry* built = geos.polygon(editor->GetArea());
        const double a = geos.area(expected);
        EXPECT_NEAR(std::abs(editor->GetArea()->GetArea()), a, a * 1e-6);
        EXPECT_LT(geos.difference(expected, built), a * 1e-6);
        EXPECT_NEAR(dialog.hectares, a / 10000, 1e-6);
        geos.destroy(expected);
        geos.destroy(built);
    }

    TWorld world;
    Geos geos;
    Points standRing;
    std::unique_ptr<Tgis_PorostniSkupina> group;
    std::unique_ptr<TComplicatedGECollection> layer;
    TComplicatedGECollection* areas = nullptr;
    TComplicatedGECollection* lines = nullptr;
    FakeDialog dialog;
    std::unique_ptr<TKordlinAreaEditor> editor;
    int saves = 0, waitingStarts = 0;
};

TEST_F(AreaEditorTest, ATapInAStandWithoutLinesBuildsTheStandsPolygon) {
    editor->on_Activate();
    EXPECT_EQ(editor->GetEditorStatus(), gesSelect);
    tap(1100, 2060);
    EXPECT_EQ(editor->GetEditorStatus(), gesEdit);
    expectGeosFace({}, 1100, 2060);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_TRUE(dialog.isNew);
    EXPECT_EQ(dialog.group, group.get());
    EXPECT_EQ(dialog.colorChecks, 1);
    EXPECT_EQ(editor->LastCaption(), QStringLiteral("Editace ploch"));
}

TEST_F(AreaEditorTest, TwoLinesAcrossAStandSplitItAndTheTapPicksItsPiece) {
    // Two construction lines running out over the boundary on both sides; the second one is a
    // line made of two member lines.
    const Points first{{1060, 1990}, {1075, 2060}, {1065, 2130}};
    const Points second{{1140, 1985}, {1150, 2135}};
    addLine(first);
    auto* multi = new TMultiPolyLineElement;
    multi->AddPolyLine(zelto::testing::line({{1140, 1985}, {1145, 2060}}), true);
    multi->AddPolyLine(zelto::testing::line({{1145, 2060}, {1150, 2135}}), true);
    multi->RecalculateRect();
    addLine({}, multi);
    const std::vector<Points> before = layerLines(lines);
    const struct { double x, y; } taps[] = {{1020, 2060}, {1110, 2060}, {1180, 2010}};
    editor->on_Activate();
    for (auto t : taps) {
        SCOPED_TRACE(t.x);
        tap(t.x, t.y);
        expectGeosFace({first, {{1140, 1985}, {1145, 2060}, {1150, 2135}}}, t.x, t.y);
        FakeDialog::press(dialog.cancel);
        EXPECT_EQ(editor->GetEditorStatus(), gesSelect);
        EXPECT_EQ(editor->GetArea(), nullptr);
    }
    // The layer's lines are what they were: the pipeline worked on copies.
    EXPECT_EQ(layerLines(lines), before);
    EXPECT_EQ(areas->ElementsCount(), 0);
    EXPECT_EQ(saves, 0);
}

TEST_F(AreaEditorTest, ANewClearingIsStoredAndATapInItThenOpensItAsOld) {
    editor->SetHolina(true);
    addLine({{1100, 1990}, {1100, 2130}});
    editor->on_Activate();
    tap(1050, 2060);
    EXPECT_EQ(dialog.rok, 2020);
    EXPECT_EQ(dialog.etaz, QStringLiteral("1A2b"));
    dialog.index = QStringLiteral("7");
    dialog.pozn = QStringLiteral("Kůrovec");
    dialog.barva = 5;
    FakeDialog::press(dialog.ok);
    ASSERT_EQ(areas->ElementsCount(), 1);
    auto* stored = zelto_cast<Tgis_UserAreaElement>(areas->Get(0));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->FDruh, 42);
    EXPECT_EQ(stored->FZnacka, 1);
    EXPECT_EQ(stored->FBarva, 5);
    EXPECT_EQ(stored->FUID, QStringLiteral("les01"));
    EXPECT_EQ(stored->FUUID.size(), 38);
    EXPECT_GT(stored->FTimeStamp, 40000);
    EXPECT_NE(zelto_cast<TDynamicProperties>(stored->GetProperties()), nullptr);
    const std::pair<const char*, const char*> props[] = {
        {"ETAZ", "1A2b"}, {"INDEXHOLINY", "7"}, {"ROK", "2020"}, {"Poznamka", "Kůrovec"}};
    for (auto [name, value] : props)
        EXPECT_EQ(stored->GetPropertyStringByName(QString::fromLatin1(name)), QString::fromUtf8(value))
            << name;
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(waitingStarts, 1);
    EXPECT_EQ(editor->GetEditorStatus(), gesSelect);
    const double storedArea = std::abs(zelto_cast<TAreaElement>(stored->GetGeometry())->GetArea());

    // The same place again: the stored area opens as an old one, nothing is built.
    dialog = FakeDialog{};
    tap(1050, 2060);
    EXPECT_EQ(editor->GetGArea(), stored);
    EXPECT_FALSE(dialog.isNew);
    EXPECT_EQ(editor->GetLines(), nullptr);
    EXPECT_EQ(dialog.pozn, QStringLiteral("Kůrovec"));
    EXPECT_EQ(dialog.rok, 2020);
    EXPECT_EQ(dialog.barva, 5);
    EXPECT_NEAR(dialog.hectares, storedArea / 10000, 1e-9);

    // A new area beside it takes the stored one's boundary as its own.
    FakeDialog::press(dialog.cancel);
    tap(1150, 2060);
    expectGeosFace({{{1100, 1990}, {1100, 2130}}}, 1150, 2060);
    FakeDialog::press(dialog.cancel);
    EXPECT_EQ(areas->ElementsCount(), 1);
}

TEST_F(AreaEditorTest, DeletingAnAreaRecordsItsUuidAndForgetsIt) {
    editor->on_Activate();
    tap(1100, 2060);
    FakeDialog::press(dialog.ok);
    ASSERT_EQ(areas->ElementsCount(), 1);
    const QString uuid = zelto_cast<Tgis_UserAreaElement>(areas->Get(0))->FUUID;
    tap(1100, 2060);
    ASSERT_NE(editor->GetGArea(), nullptr);
    FakeDialog::press(dialog.del);
    EXPECT_EQ(areas->ElementsCount(), 0);
    ASSERT_NE(layer->GetDeletedUUIDs(), nullptr);
    ASSERT_EQ(layer->GetDeletedUUIDs()->ElementsCount(), 1);
    EXPECT_EQ(layer->GetDeletedUUIDs()->Get(0)->GetName(), uuid);
    EXPECT_EQ(saves, 2);
    // Gone from the editor's index too: the place builds a new area again.
    tap(1100, 2060);
    EXPECT_TRUE(dialog.isNew);
    EXPECT_EQ(editor->GetGArea(), nullptr);
    FakeDialog::press(dialog.cancel);
}

TEST_F(AreaEditorTest, APolygonBecomesAnAreaAndOneOfTwoVerticesIsDiscarded) {
    editor->SetHolina(true);
    editor->on_Activate();
    EXPECT_FALSE(editor->OnQuickArea(zelto::testing::line({{1010, 2010}, {1050, 2050}})));
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(waitingStarts, 1);

    ASSERT_TRUE(
        editor->OnQuickArea(zelto::testing::line({{1010, 2010}, {1010, 2050}, {1050, 2050}, {1050, 2010}})));
    EXPECT_EQ(dialog.rok, 2019);
    EXPECT_NEAR(dialog.hectares, 0.16, 1e-9);
    EXPECT_EQ(dialog.group, group.get());
    EXPECT_EQ(dialog.colorChecks, 0);
    FakeDialog::press(dialog.ok);
    ASSERT_EQ(areas->ElementsCount(), 1);
    auto* stored = zelto_cast<Tgis_UserAreaElement>(areas->Get(0));
    EXPECT_EQ(stored->GetPropertyStringByName(QStringLiteral("ROK")), QStringLiteral("2019"));
    EXPECT_NEAR(std::abs(zelto_cast<TAreaElement>(stored->GetGeometry())->GetArea()), 1600, 1e-6);
}

TEST_F(AreaEditorTest, ATapOutsideEveryStandAndAreaDoesNothing) {
    editor->on_Activate();
    tap(900, 1900);
    EXPECT_EQ(editor->GetEditorStatus(), gesSelect);
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(editor->LastCaption(), QStringLiteral("Hledani ploch  a PSK"));
}

void throwingJoin(const TLineJoiningRequest&) {
    throw std::runtime_error("join failed");
}

TEST_F(AreaEditorTest, AFailedBuildLeavesTheLayersAsTheyWere) {
    addLine({{1100, 1990}, {1100, 2130}});
    const std::vector<Points> before = layerLines(lines);
    editor->on_Activate();
    const TLineJoiningStep join = GetLineJoiningStep();
    SetLineJoiningStep(&throwingJoin);
    tap(1050, 2060);
    SetLineJoiningStep(join);
    EXPECT_EQ(editor->GetEditorStatus(), gesSelect);
    EXPECT_EQ(editor->GetArea(), nullptr);
    EXPECT_EQ(editor->GetLines(), nullptr);
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(editor->LastCaption(), QStringLiteral("Tak nic "));
    EXPECT_TRUE(recordingNotifier()->messages().contains(QStringLiteral("Chyba při spojování linií")));
    EXPECT_EQ(layerLines(lines), before);
    // The editor goes on working.
    tap(1050, 2060);
    expectGeosFace({{{1100, 1990}, {1100, 2130}}}, 1050, 2060);
    FakeDialog::press(dialog.cancel);
}

} // namespace
