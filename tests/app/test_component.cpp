// The host component: what it answers without a form, its property table, and DoIt's order.
#include "app_fixture.h"
#include "wait_until.h"

#include <QTest>

#include "Component_MiniZelto.h"
#include "Forest.h"
#include "Kordlin_MainTool.h"
#include "SecondaryWindows.h"

#include "forest/e_LHCModel.h"
#include "framework/Worlds.h"
#include "projection/e_Proje.h"

#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>

namespace apptest {
namespace {

using namespace zelto;

class ComponentTest : public AppTest {
protected:
    void TearDown() override {
        // The forms belong to the application; the tests let theirs go.
        for (TMiniZelto* c : m_components) delete c->Form();
        qDeleteAll(m_components);
        AppTest::TearDown();
    }
    TMiniZelto* component() {
        m_components.push_back(new TMiniZelto);
        return m_components.back();
    }
    std::vector<TMiniZelto*> m_components;
};

TEST_F(ComponentTest, WithoutAFormFormValuesAnswerDefaultsAndSettersAreDropped) {
    TMiniZelto* c = component();
    c->SetOddeleni(QStringLiteral("12"));
    c->SetDilec(QStringLiteral("b"));
    c->SetPorost(QStringLiteral("3"));
    c->SetSkupina(QStringLiteral("1a"));
    c->SetMapVisible(true);
    c->SetMapCloseIsVisible(true);
    c->SetActualMapIndex(2);
    EXPECT_EQ(c->GetOddeleni(), QString());
    EXPECT_EQ(c->GetDilec(), QString());
    EXPECT_EQ(c->GetPorost(), QString());
    EXPECT_EQ(c->GetSkupina(), QString());
    EXPECT_FALSE(c->GetMapVisible());
    EXPECT_FALSE(c->GetMapCloseIsVisible());
    EXPECT_EQ(c->GetActualMapIndex(), -1);
    EXPECT_EQ(c->GetSelectedSkupina(), nullptr);
    EXPECT_EQ(c->Form(), nullptr) << "no setter may create the form";

    // Values that the component keeps itself survive without a form.
    c->SetGPS_Active(true);
    c->SetUser(QStringLiteral("lesnik"));
    c->SetDataOnBackGround(true);
    c->SetOpenButtonVisible(true);
    EXPECT_TRUE(c->GetGPS_Active());
    EXPECT_EQ(c->GetUser(), QStringLiteral("lesnik"));
    EXPECT_TRUE(c->GetDataOnBackGround());
    EXPECT_TRUE(c->GetOpenButtonVisible());

    c->SetErrCode(7);
    c->ShowTheForest(true);
    EXPECT_EQ(c->GetErrCode(), 0);

    QStringList list{QStringLiteral("keep")};
    EXPECT_FALSE(c->RetrieveMapList(&list));
    EXPECT_EQ(list, QStringList{QStringLiteral("keep")});
    c->Import(QStringLiteral("x.zlt"), true, 1, QStringLiteral("L"));
    EXPECT_EQ(c->Form(), nullptr);
}

TEST_F(ComponentTest, PropertyTableInOrderWithTypesAndPalettePage) {
    struct Expected {
        const char* name;
        QMetaType type;
    };
    const QMetaType event = QMetaType::fromType<TZeltoEvent>();
    const Expected table[] = {
        {"Oddeleni", QMetaType::fromType<QString>()},
        {"Dilec", QMetaType::fromType<QString>()},
        {"Porost", QMetaType::fromType<QString>()},
        {"Skupina", QMetaType::fromType<QString>()},
        {"MapVisible", QMetaType::fromType<bool>()},
        {"MapCloseIsVisible", QMetaType::fromType<bool>()},
        {"AutoOpenProject", QMetaType::fromType<bool>()},
        {"AutoOpenProjectFile", QMetaType::fromType<QString>()},
        {"OnSelectJPRL", event},
        {"OnMapReady", event},
        {"OnDataReady", event},
        {"ErrCode", QMetaType::fromType<int>()},
        {"DataOnBackGround", QMetaType::fromType<bool>()},
        {"MapOnBackground", QMetaType::fromType<bool>()},
        {"OpenButtonVisible", QMetaType::fromType<bool>()},
        {"GPS_Active", QMetaType::fromType<bool>()},
        {"ActualMapIndex", QMetaType::fromType<int>()},
        {"User", QMetaType::fromType<QString>()},
    };
    const QMetaObject& mo = TMiniZelto::staticMetaObject;
    ASSERT_EQ(mo.propertyCount() - mo.propertyOffset(), int(std::size(table)));
    for (int i = 0; i < int(std::size(table)); ++i) {
        const QMetaProperty p = mo.property(mo.propertyOffset() + i);
        EXPECT_STREQ(p.name(), table[i].name);
        EXPECT_EQ(p.metaType(), table[i].type) << table[i].name;
        EXPECT_TRUE(p.isStored() && p.isWritable()) << table[i].name;
    }

    // The field-backed properties hold what was written; a fresh component holds the defaults.
    TMiniZelto* c = component();
    EXPECT_EQ(c->property("AutoOpenProjectFile").toString(), QString());
    EXPECT_EQ(c->property("ErrCode").toInt(), 0);
    for (const char* name : {"AutoOpenProject", "DataOnBackGround", "MapOnBackground", "OpenButtonVisible"}) {
        EXPECT_FALSE(c->property(name).toBool()) << name;
        c->setProperty(name, true);
        EXPECT_TRUE(c->property(name).toBool()) << name;
    }
    int calls = 0;
    c->setProperty("OnMapReady", QVariant::fromValue(TZeltoEvent([&](TElement*) { ++calls; })));
    c->GetOnMapReady()(nullptr);
    EXPECT_EQ(calls, 1);

    EXPECT_EQ(TMiniZelto::PalettePage(QStringLiteral("TMiniZelto")), QString());
    TMiniZelto::Register();
    EXPECT_EQ(TMiniZelto::PalettePage(QStringLiteral("TMiniZelto")), QStringLiteral("ZeltoM"));
}

TEST_F(ComponentTest, DoItSharesSecondaryWindowsAndGivesEachComponentItsForm) {
    // The windows are made first, each by its factory, before the component's form exists.
    destroySecondaryWindows();
    TMiniZelto* first = component();
    QStringList made;
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer,
                              SecondaryWindow::ImageViewer, SecondaryWindow::MediaPlayer})
        setSecondaryWindowFactory(w, [&made, first, w] {
            EXPECT_EQ(first->Form(), nullptr);
            made << secondaryWindowName(w);
            return new QWidget;
        });
    first->SetMapOnBackground(true);
    first->SetUser(QStringLiteral("prvni"));
    first->DoIt();
    ASSERT_NE(first->Form(), nullptr);
    EXPECT_EQ(made,
              (QStringList{QStringLiteral("xFileDialog"), QStringLiteral("ImportLayer_Form"),
                           QStringLiteral("Kordlin_ImageViewer"), QStringLiteral("Kordlin_MediaPlayer")}));
    std::vector<QWidget*> windows;
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer,
                              SecondaryWindow::ImageViewer, SecondaryWindow::MediaPlayer}) {
        windows.push_back(secondaryWindow(w));
        ASSERT_NE(windows.back(), nullptr);
        EXPECT_EQ(windows.back()->objectName(), secondaryWindowName(w));
        EXPECT_FALSE(windows.back()->isVisible());
    }
    EXPECT_EQ(MainForm, first->Form());
    EXPECT_EQ(first->Form()->GetUser(), QStringLiteral("prvni")) << "DoIt overwrites the creation's 12345";

    TMiniZelto* second = component();
    second->SetMapOnBackground(true);
    second->DoIt();
    EXPECT_NE(second->Form(), first->Form());
    EXPECT_EQ(MainForm, second->Form());
    EXPECT_EQ(secondaryWindow(SecondaryWindow::FileDialog), windows[0]);
    EXPECT_EQ(secondaryWindow(SecondaryWindow::ImportLayer), windows[1]);
    EXPECT_EQ(secondaryWindow(SecondaryWindow::ImageViewer), windows[2]);
    EXPECT_EQ(secondaryWindow(SecondaryWindow::MediaPlayer), windows[3]);

    EXPECT_EQ(made.size(), 4) << "once per process";

    // A second DoIt keeps the form.
    TMainForm* form = first->Form();
    first->SetUser(QStringLiteral("druhy"));
    first->DoIt();
    EXPECT_EQ(first->Form(), form);
    EXPECT_EQ(form->GetUser(), QStringLiteral("druhy"));
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer,
                              SecondaryWindow::ImageViewer, SecondaryWindow::MediaPlayer})
        setSecondaryWindowFactory(w, nullptr);
}

TEST_F(ComponentTest, HandlersReachTheFormOnlyWhenDoItCreatesIt) {
    const QString opx = makeProject(QStringLiteral("data/Revir.opx"), {standMap()});
    int early = 0, late = 0;
    TMiniZelto* withHandler = component();
    withHandler->SetMapOnBackground(true);
    withHandler->SetOnMapReady([&](TElement* sender) {
        EXPECT_EQ(sender, nullptr);
        ++early;
    });
    withHandler->SetAutoOpenProject(true);
    withHandler->SetAutoOpenProjectFile(opx);
    withHandler->DoIt();
    // OnMapReady comes when the first redraw has completed.
    ASSERT_TRUE(waitUntil([&] { return early == 1; }, 10000));

    TMiniZelto* c = component();
    c->SetMapOnBackground(true);
    c->DoIt();
    c->SetOnMapReady([&](TElement*) { ++late; });
    c->SetAutoOpenProject(true);
    c->SetAutoOpenProjectFile(opx);
    c->DoIt();
    EXPECT_EQ(c->Form()->TiledMap().Maps.size(), 1u) << "the project was opened";
    EXPECT_EQ(late, 0);
}

TEST_F(ComponentTest, FormValuesFollowTheFormAfterDoIt) {
    TMiniZelto* c = component();
    c->SetOddeleni(QStringLiteral("lost"));
    c->SetMapOnBackground(true);
    c->SetDataOnBackGround(false);
    c->SetOpenButtonVisible(true);
    c->DoIt();
    TMainForm* form = c->Form();
    EXPECT_FALSE(form->isVisible()) << "MapOnBackground: created, not shown";
    EXPECT_EQ(c->GetOddeleni(), QString());
    c->SetOddeleni(QStringLiteral("12"));
    c->SetSkupina(QStringLiteral("1a"));
    EXPECT_EQ(form->Forest().S_Oddeleni, QStringLiteral("12"));
    EXPECT_EQ(c->GetSkupina(), QStringLiteral("1a"));
    EXPECT_FALSE(form->GetDataOnBackGround()) << "DoIt hands the component's value over";
    EXPECT_FALSE(ctl<ui::TTouchButton>(form, "kb_OpenProject")->isHidden());
    c->SetOpenButtonVisible(false);
    EXPECT_TRUE(ctl<ui::TTouchButton>(form, "kb_OpenProject")->isHidden());
    c->SetMapCloseIsVisible(true);
    EXPECT_TRUE(c->GetMapCloseIsVisible());
    EXPECT_FALSE(ctl<ui::TTouchButton>(form, "kb_Close")->isHidden());

    c->SetMapVisible(true);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(c->GetMapVisible());
    c->SetMapVisible(false);
    EXPECT_FALSE(c->GetMapVisible());
}

TEST_F(ComponentTest, GpsIsToggledOnlyWhenTheWantedStateDiffers) {
    TMiniZelto* c = component();
    c->SetMapOnBackground(true);
    c->SetGPS_Active(true);
    c->DoIt(); // the form is created and the wanted GPS switched on
    TMainForm* form = c->Form();
    auto* source = zelto::platform::locationSource();
    EXPECT_TRUE(form->GetGpsOn());
    EXPECT_TRUE(source->active());
    c->SetGPS_Active(false);
    EXPECT_FALSE(form->GetGpsOn());
    EXPECT_FALSE(source->active());
    c->SetGPS_Active(false);
    EXPECT_FALSE(form->GetGpsOn());
    c->DoIt(); // wanted and real state agree
    EXPECT_FALSE(form->GetGpsOn());
    form->Button4Click(); // switched on on the form itself
    EXPECT_TRUE(c->GetGPS_Active()) << "reading reports the form's real state";
    c->SetGPS_Active(true);
    EXPECT_TRUE(form->GetGpsOn()) << "not toggled off again";
}

TEST_F(ComponentTest, MapIndexSwitchesTheMapAndMapListIsRetrieved) {
    MapDesc second = standMap();
    second.name = QStringLiteral("Věková mapa");
    second.dir = QStringLiteral("vekova");
    const QString opx = makeProject(QStringLiteral("data/Dvě.opx"), {standMap(), second});
    TMiniZelto* c = component();
    c->SetMapOnBackground(true);
    c->SetAutoOpenProject(true);
    c->SetAutoOpenProjectFile(opx);
    c->DoIt();
    TMainForm* form = c->Form();
    EXPECT_EQ(c->GetActualMapIndex(), 0);
    QStringList names;
    EXPECT_FALSE(c->RetrieveMapList(&names));
    EXPECT_EQ(names, (QStringList{QStringLiteral("Porostní mapa"), QStringLiteral("Věková mapa")}));

    const double centerX = form->Projection()->GetCenterX(), scale = form->Projection()->GetScale();
    const int drawn = form->TiledMap().ReviewsDone;
    c->SetActualMapIndex(1);
    ASSERT_TRUE(waitUntil([&] { return !form->TiledMap().Reviewing; }, 10000));
    EXPECT_EQ(c->GetActualMapIndex(), 1);
    EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->currentRow(), 1);
    EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->currentIndex(), 1);
    EXPECT_EQ(form->TiledMap().ReviewsDone, drawn + 1);
    EXPECT_EQ(form->Projection()->GetCenterX(), centerX);
    EXPECT_EQ(form->Projection()->GetScale(), scale);
}

// The host names a unit and the map shows it; the stand group the map found is the host's
// selected one. The component reads the forest data in the foreground unless told otherwise.
TEST_F(ComponentTest, ShowTheForestAndTheSelectedStandGroup) {
    const QString opx = makeProject(QStringLiteral("data/Les.opx"), {standMap()});
    TMiniZelto* c = component();
    int dataReady = 0;
    c->SetOnDataReady([&](TElement*) { ++dataReady; });
    c->SetMapOnBackground(true);
    c->SetAutoOpenProject(true);
    c->SetAutoOpenProjectFile(opx);
    c->DoIt();
    EXPECT_EQ(dataReady, 1);
    EXPECT_EQ(c->GetSelectedSkupina(), nullptr);
    c->SetOddeleni(QStringLiteral("1"));
    c->SetDilec(QStringLiteral("a"));
    c->SetPorost(QStringLiteral("1"));
    c->SetSkupina(QStringLiteral("2"));
    c->ShowTheForest(false);
    EXPECT_EQ(c->GetErrCode(), 0);
    TPageProjection* P = c->Form()->Projection();
    EXPECT_NEAR(P->GetCenterX(), TestForest::X0 + 150, 1e-6);
    EXPECT_NEAR(P->GetCenterY(), TestForest::Y0 + 50, 1e-6);
    Tgis_PorostniSkupina* g =
        c->Form()->Forest().FindForest(TestForest::X0 + 150, TestForest::Y0 + 50, false);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(c->GetSelectedSkupina(), g);
    EXPECT_EQ(c->GetSkupina(), QStringLiteral("2"));
}

} // namespace
} // namespace apptest
