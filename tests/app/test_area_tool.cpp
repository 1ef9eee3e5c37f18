// The area tool in the map window: a tap in a stand group builds its area and the area dialog
// stores it in the active layer's file; a polygon drawn with "Plocha polygonem" becomes an area; a
// tool switch while the dialog is open drops what was built.
#include "app_fixture.h"

#include "Layers.h"
#include "Tools.h"

#include "editing/AreaEditor.h"
#include "forest/e_LHCElements.h"
#include "framework/ProjectPath.h"
#include "geometry/e_Geometry.h"
#include "projection/e_Proje.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>

namespace apptest {
namespace {

using namespace zelto;

constexpr double X0 = TestForest::X0, Y0 = TestForest::Y0;

class AreaToolTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        opx = makeProject(QStringLiteral("data/Revír.opx"), {standMap()});
        form = newForm();
        form->resize(800, 600);
        form->show();
        form->SetUser(QStringLiteral("lesnik"));
        form->SetDataOnBackGround(false);
        ASSERT_TRUE(form->LoadProject(opx));
        form->Projection()->SetScale(1000);
        form->Projection()->SetCenterPoint(X0 + 50, Y0 + 50);
        form->Review();
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    TToolsController& tools() { return form->Tools(); }
    void tapModel(double x, double y) {
        TPageProjection& P = *form->Projection();
        tools().ImageTap(float(P.GetPageX(x)), float(P.GetPageY(y)));
    }
    TComplicatedGECollection* areas() {
        return form->Layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("A"));
    }
    QWidget* areaDialog() { return ctl(form.get(), "fmx_AreaDialog"); }
    // The dialog's visible button of that text.
    void press(const QString& text) {
        for (QAbstractButton* b : areaDialog()->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(areaDialog()) && b->text() == text) {
                b->click();
                return;
            }
        ADD_FAILURE() << "no button " << text.toStdString();
    }
    QString label(const char* name) { return ctl<QLabel>(areaDialog(), name)->text(); }

    QString opx;
    std::unique_ptr<TMainForm> form;
};

TEST_F(AreaToolTest, ATapBuildsTheStandGroupsAreaAndUlozitStoresIt) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolAreas));
    ASSERT_NE(form->GetEditorAre(), nullptr);
    tapModel(X0 + 50, Y0 + 50);
    ASSERT_TRUE(areaDialog()->isVisibleTo(form.get()));
    EXPECT_EQ(label("l_Nova"), QStringLiteral("Nová plocha"));
    EXPECT_TRUE(label("l_Area").startsWith(QStringLiteral("1")));
    press(QStringLiteral("Uložit"));
    EXPECT_FALSE(areaDialog()->isVisibleTo(form.get()));
    ASSERT_EQ(areas()->ElementsCount(), 1);
    auto* stored = zelto_cast<Tgis_UserAreaElement>(areas()->Get(0));
    ASSERT_NE(stored, nullptr);
    EXPECT_NEAR(std::abs(zelto_cast<TAreaElement>(stored->GetGeometry())->GetArea()), 10000, 1e-6);
    EXPECT_EQ(stored->FUID, QStringLiteral("lesnik"));
    // Saved at once: the layer's file holds it.
    EXPECT_TRUE(QFileInfo(TProjectPath::Layer(QStringLiteral("User"))).isFile());
    EXPECT_FALSE(form->Layers().Layer(QStringLiteral("User"))->GetModified());

    // A tap in it again opens it as an old area; "Odstranit" deletes it.
    tapModel(X0 + 50, Y0 + 50);
    EXPECT_EQ(label("l_Nova"), QStringLiteral("Stará plocha"));
    press(QStringLiteral("Odstranit"));
    EXPECT_EQ(areas()->ElementsCount(), 0);
}

TEST_F(AreaToolTest, APolygonFromTheLineToolBecomesAnArea) {
    tools().l_QuickAreaClick();
    ASSERT_EQ(tools().ActiveTool, ToolLines);
    for (const QPointF& p : {QPointF(X0 + 10, Y0 + 10), QPointF(X0 + 90, Y0 + 10), QPointF(X0 + 90, Y0 + 90)})
        tapModel(p.x(), p.y());
    tools().b_NewLineClick();
    EXPECT_EQ(tools().ActiveTool, ToolAreas);
    ASSERT_TRUE(areaDialog()->isVisibleTo(form.get()));
    EXPECT_EQ(label("l_Nova"), QStringLiteral("Nová plocha"));
    press(QStringLiteral("Uložit"));
    ASSERT_EQ(areas()->ElementsCount(), 1);
    auto* stored = zelto_cast<Tgis_UserAreaElement>(areas()->Get(0));
    // The taps' page pixels round the vertices by a few centimetres.
    EXPECT_NEAR(std::abs(zelto_cast<TAreaElement>(stored->GetGeometry())->GetArea()), 3200, 50);
    // Nothing of the outline is left in the line tool or among the lines.
    EXPECT_EQ(tools().MLine, nullptr);
    EXPECT_EQ(form->Layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("L"))->ElementsCount(), 0);
    // The area tool goes on taking taps: the new area opens as an old one.
    tapModel(X0 + 80, Y0 + 20);
    EXPECT_EQ(label("l_Nova"), QStringLiteral("Stará plocha"));
    press(QStringLiteral("Storno"));
}

TEST_F(AreaToolTest, ASwitchToAnotherToolWhileTheDialogIsOpenDropsTheBuild) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolAreas));
    tapModel(X0 + 50, Y0 + 50);
    ASSERT_TRUE(areaDialog()->isVisibleTo(form.get()));
    ASSERT_TRUE(tools().ChangeActiveTool(ToolView));
    EXPECT_FALSE(areaDialog()->isVisibleTo(form.get()));
    EXPECT_EQ(form->GetEditorAre(), nullptr);
    EXPECT_EQ(areas()->ElementsCount(), 0);
    // The tool starts anew on the next use.
    ASSERT_TRUE(tools().ChangeActiveTool(ToolAreas));
    tapModel(X0 + 50, Y0 + 50);
    EXPECT_TRUE(areaDialog()->isVisibleTo(form.get()));
    press(QStringLiteral("Storno"));
    EXPECT_EQ(areas()->ElementsCount(), 0);
}

} // namespace
} // namespace apptest
