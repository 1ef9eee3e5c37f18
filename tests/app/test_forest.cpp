// The forest data on the map as the user and the host drive it: reading the data in the background
// and in the foreground, the cascading search lists, finding the stand group under a point, moving
// the view to a unit, the highlight, the flashing line and the hand-over to the host.
#include "app_fixture.h"
#include "wait_until.h"

#include "Forest.h"
#include "StreamRead.h"
#include "stream_files.h"

#include "forest/e_LHCModel.h"
#include "forest/t_ForestModelSelector.h"
#include "geometry/e_Geometry.h"
#include "projection/e_Proje.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <cmath>

namespace apptest {
namespace {

using namespace zelto;

constexpr double X0 = TestForest::X0, Y0 = TestForest::Y0;

class ForestTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = newForm();
        form->resize(800, 600);
        form->SetOnMapReady([this](TElement*) { events << QStringLiteral("map"); });
        form->SetOnDataReady([this](TElement* sender) {
            EXPECT_EQ(sender, nullptr);
            events << QStringLiteral("data");
        });
        opx = makeProject(QStringLiteral("data/Revír.opx"), {standMap()});
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    TForestController& forest() { return form->Forest(); }
    // Opens the project and waits for the forest data.
    void open(bool background = true) {
        form->SetDataOnBackGround(background);
        ASSERT_TRUE(form->LoadProject(opx));
        ASSERT_TRUE(waitUntil([&] { return forest().LHC() != nullptr; }, 10000));
    }
    QStringList entries(const char* combo) {
        QStringList list;
        auto* c = ctl<QComboBox>(form, combo);
        for (int i = 0; i < c->count(); ++i) list << c->itemText(i);
        return list;
    }
    QString label(const char* name) { return ctl<QLabel>(form, name)->text(); }
    QStringList unitLabels() { return {label("l_JPRL"), label("l_JPRLs"), label("ks_l_JPRLs")}; }
    QStringList names() {
        const TForestController& f = forest();
        return {f.S_LHC, f.S_Oddeleni, f.S_Dilec, f.S_Porost, f.S_Skupina};
    }
    TPageProjection& view() { return *form->Projection(); }
    QPoint page(double x, double y) { return {view().GetPageX(x), view().GetPageY(y)}; }

    std::unique_ptr<TMainForm> form;
    QString opx;
    QStringList events;
};

TEST_F(ForestTest, BackgroundReadLeavesTheMapUsableAndEndsWithOkAndDataReady) {
    form->SetDataOnBackGround(true);
    ASSERT_TRUE(form->LoadProject(opx));
    // The project is open and its map drawn before the data arrive.
    EXPECT_TRUE(forest().Loading());
    EXPECT_EQ(forest().LHC(), nullptr);
    EXPECT_EQ(unitLabels(), QStringList(3, QStringLiteral("Čtení...")));
    EXPECT_EQ(events, QStringList{QStringLiteral("map")});
    form->Review(); // the window answers meanwhile

    ASSERT_TRUE(waitUntil(
        [&] {
            return events == (QStringList{QStringLiteral("map"), QStringLiteral("data")});
        },
        10000));
    EXPECT_FALSE(forest().Loading());
    ASSERT_NE(forest().LHC(), nullptr);
    ASSERT_NE(form->GetSelector(), nullptr);
    EXPECT_EQ(unitLabels(), QStringList(3, QStringLiteral("OK")));
    EXPECT_EQ(entries("ed_odd"), (QStringList{"1", "2", "5"}));
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(ForestTest, ForegroundReadFillsTheListsAndTellsTheHost) {
    form->SetDataOnBackGround(false);
    ASSERT_TRUE(form->LoadProject(opx));
    ASSERT_NE(forest().LHC(), nullptr) << "read before LoadProject returns";
    EXPECT_FALSE(form->Progress().IsBusy());
    EXPECT_EQ(events, (QStringList{QStringLiteral("data"), QStringLiteral("map")}));
    EXPECT_EQ(entries("ed_odd"), (QStringList{"1", "2", "5"}));
    // Entry 0 was chosen, which filled the lists below down to the first group.
    EXPECT_EQ(entries("ed_Dil"), QStringList{"a"});
    EXPECT_EQ(entries("ed_PSK"), (QStringList{"1a", "2"}));
    EXPECT_EQ(names(), (QStringList{"612001", "1", "a", "1", "1a"}));
}

TEST_F(ForestTest, ChoosingADivisionOfTheSecondLsFillsEveryListAndTheNames) {
    open();
    auto* odd = ctl<QComboBox>(form, "ed_odd");
    odd->setCurrentIndex(1); // division 2 of the first LS
    EXPECT_EQ(names(), (QStringList{"612001", "2", "a", "1", "1"}));
    odd->setCurrentIndex(2); // division 5, in the second LS
    EXPECT_EQ(entries("ed_Dil"), QStringList{"b"});
    EXPECT_EQ(entries("ed_por"), QStringList{"3"});
    EXPECT_EQ(entries("ed_PSK"), (QStringList{"1", "2"}));
    EXPECT_EQ(ctl<QComboBox>(form, "ed_PSK")->currentIndex(), 0);
    EXPECT_EQ(names(), (QStringList{"612001", "5", "b", "3", "1"}));
    // A group chosen by hand; the view does not move.
    const double cx = view().GetCenterX(), cy = view().GetCenterY();
    ctl<QComboBox>(form, "ed_PSK")->setCurrentIndex(1);
    EXPECT_EQ(forest().S_Skupina, QStringLiteral("2"));
    EXPECT_EQ(view().GetCenterX(), cx);
    EXPECT_EQ(view().GetCenterY(), cy);
}

TEST_F(ForestTest, FindingAtAPointNamesTheGroupAndAMissKeepsThePreviousUnit) {
    open();
    struct Case {
        const char* what;
        double x, y;
        const char* label; // nullptr: nothing found
    } cases[] = {
        {"group 1a", X0 + 50, Y0 + 50, "1a1 1a"},
        {"the second part of a group of two parts", X0 + 575, Y0 + 25, "5b3 1"},
        {"the hole of that group", X0 + 400, Y0 + 100, nullptr},
        {"outside every group", X0 + 790, Y0 + 10, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form->Forest().FindForest(X0 + 50, Y0 + 250, false); // division 2 first
        const QStringList before = names();
        Tgis_PorostniSkupina* g = forest().FindForest(c.x, c.y, false);
        if (c.label) {
            ASSERT_NE(g, nullptr);
            EXPECT_EQ(unitLabels(), QStringList(3, QLatin1String(c.label)));
            EXPECT_EQ(forest().FindForestSimpleText(c.x, c.y), QLatin1String(c.label));
            EXPECT_EQ(forest().SelectedSkupina(), g);
        } else {
            EXPECT_EQ(g, nullptr);
            EXPECT_EQ(unitLabels(), QStringList(3, QStringLiteral("JPRL?")));
            EXPECT_EQ(names(), before);
            EXPECT_EQ(forest().FindForestSimpleText(c.x, c.y), QStringLiteral("???"));
        }
    }
    // After a miss, ShowTheForest goes back to the unit found before it.
    forest().FindForest(X0 + 790, Y0 + 10, false);
    form->ShowTheForest(false);
    EXPECT_EQ(unitLabels(), QStringList(3, QStringLiteral("2a1 1")));
    EXPECT_NEAR(view().GetCenterX(), X0 + 50, 1e-6);
    EXPECT_NEAR(view().GetCenterY(), Y0 + 250, 1e-6);
}

TEST_F(ForestTest, ShowTheForestZoomsToTheDeepestUnitFoundAndNeverCloserThan2000) {
    open();
    struct Case {
        const char* what;
        QString odd, dil, por, psk;
        double cx, cy;     // the view's centre afterwards
        const char* label; // the labels afterwards
    } cases[] = {
        // The division's rectangle: groups 5b3 1 (both parts) and 5b3 2.
        {"an unknown dílec: the division", "5", "x", "", "", X0 + 505, Y0 + 155, "5x "},
        {"an unknown division: the plan area", "99", "b", "3", "2", X0 + 355, Y0 + 155, "99b3 2"},
        {"a group smaller than the screen", "5", "b", "3", "2", X0 + 705, Y0 + 305, "5b3 2"},
        {"a group", "1", "a", "1", "2", X0 + 150, Y0 + 50, "1a1 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        forest().S_Oddeleni = c.odd;
        forest().S_Dilec = c.dil;
        forest().S_Porost = c.por;
        forest().S_Skupina = c.psk;
        form->ShowTheForest(false);
        EXPECT_NEAR(view().GetCenterX(), c.cx, 1e-6);
        EXPECT_NEAR(view().GetCenterY(), c.cy, 1e-6);
        EXPECT_GE(view().GetScale(), TForestController::ClosestUnitScale);
        EXPECT_EQ(unitLabels(), QStringList(3, QLatin1String(c.label)));
        EXPECT_EQ(form->GetFError(), 0);
    }
    // The 10 m group is shown at exactly 1 : 2000.
    forest().S_Oddeleni = "5";
    forest().S_Dilec = "b";
    forest().S_Porost = "3";
    forest().S_Skupina = "2";
    form->ShowTheForest(false);
    EXPECT_DOUBLE_EQ(view().GetScale(), TForestController::ClosestUnitScale);
}

TEST_F(ForestTest, ZoomButtonsFollowTheListsAndTheGroupButtonSaysWhenThereIsNone) {
    open();
    auto* panel = ctl<QWidget>(form, "p_Find_Layout");
    EXPECT_TRUE(panel->isHidden());
    ctl<QAbstractButton>(form, "b_FindLHC")->click();
    EXPECT_FALSE(panel->isHidden());
    ctl<QComboBox>(form, "ed_odd")->setCurrentIndex(2);
    ctl<QAbstractButton>(form, "Button9")->click(); // the division
    EXPECT_NEAR(view().GetCenterX(), X0 + 505, 1e-6);
    ctl<QAbstractButton>(form, "Button12")->click(); // the group 5b3 1, both parts
    EXPECT_NEAR(view().GetCenterX(), X0 + 450, 1e-6);
    EXPECT_NEAR(view().GetCenterY(), Y0 + 100, 1e-6);
    EXPECT_EQ(messages(), QStringList());

    // The host named a group that does not exist: the group button has nothing to show.
    forest().S_Oddeleni = "5";
    forest().S_Dilec = "b";
    forest().S_Porost = "3";
    forest().S_Skupina = "9z";
    form->ShowTheForest(false);
    ctl<QAbstractButton>(form, "Button12")->click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("PSK neni")});
    ctl<QAbstractButton>(form, "Button8")->click();
    EXPECT_TRUE(panel->isHidden());
}

// The highlight darkens the surroundings and the hole at 0.6 and outlines the group in red.
TEST_F(ForestTest, HighlightOfAGroupWithAHoleDarkensOutsideAndTheHole) {
    open();
    forest().S_Oddeleni = "5";
    forest().S_Dilec = "b";
    forest().S_Porost = "3";
    forest().S_Skupina = "1";
    form->ShowTheForest(false);
    const QImage plain = picture(*form).copy();
    form->ShowTheForest(true);
    ASSERT_TRUE(forest().AreaBlinked);
    const QImage lit = picture(*form);
    const auto darkened = [&](QPoint p) {
        const QColor a = plain.pixelColor(p), b = lit.pixelColor(p);
        return std::abs(b.red() - qRound(a.red() * 0.4)) <= 2 &&
               std::abs(b.green() - qRound(a.green() * 0.4)) <= 2 &&
               std::abs(b.blue() - qRound(a.blue() * 0.4)) <= 2;
    };
    const QPoint inside = page(X0 + 320, Y0 + 100), hole = page(X0 + 400, Y0 + 100),
                 outside = page(X0 + 250, Y0 + 100), secondPart = page(X0 + 575, Y0 + 25);
    EXPECT_EQ(lit.pixelColor(inside), plain.pixelColor(inside)) << "the group stays as it was";
    EXPECT_EQ(lit.pixelColor(secondPart), plain.pixelColor(secondPart));
    EXPECT_TRUE(darkened(hole)) << "the hole is not part of the group";
    EXPECT_TRUE(darkened(outside));
    const QPoint edge = page(X0 + 300, Y0 + 100);
    const QColor red = lit.pixelColor(edge);
    EXPECT_TRUE(red.red() >= 150 && red.green() <= 80 && red.blue() <= 80) << red.name().toStdString();
    // The next redraw takes it away.
    form->Review();
    EXPECT_FALSE(forest().AreaBlinked);
    EXPECT_EQ(picture(*form).pixelColor(outside), plain.pixelColor(outside));
}

TEST_F(ForestTest, HighlightAskedForDuringASlicedRedrawIsPaintedByIt) {
    open();
    form->MapCanvas().SetSliceBudgetMs(0); // one unit of work per slice
    forest().S_Oddeleni = "1";
    forest().S_Dilec = "a";
    forest().S_Porost = "1";
    forest().S_Skupina = "1a";
    form->ShowTheForest(true);
    ASSERT_TRUE(form->MapCanvas().Running()) << "the redraw continues from the event loop";
    ASSERT_TRUE(waitUntil([&] { return !form->MapCanvas().Running(); }, 10000));
    const QPoint outside = page(X0 + 150, Y0 + 50);
    const QColor out = picture(*form).pixelColor(outside);
    form->MapCanvas().SetSliceBudgetMs(WholeRedrawMs);
    form->Review();
    const QColor plain = picture(*form).pixelColor(outside);
    EXPECT_LT(out.lightness(), plain.lightness()) << "the surroundings were darkened by the redraw's pass";
}

TEST_F(ForestTest, TheLineFlashesForAboutTwoSecondsWithoutHoldingUpTheWindow) {
    open();
    auto* line = new TPolyLineElement;
    line->AddXY(X0 + 10, Y0 + 10);
    line->AddXY(X0 + 300, Y0 + 200);
    std::unique_ptr<TPolyLineElement> owned(line);
    QElapsedTimer clock;
    clock.start();
    forest().BlinkLine(line);
    EXPECT_LT(clock.elapsed(), 200) << "returns at once";
    EXPECT_TRUE(forest().LineFlashing());
    auto* gpath = ctl<QWidget>(form, "GPath");
    int shown = 0;
    bool wasShown = !gpath->isHidden();
    while (forest().LineFlashing() && clock.elapsed() < 10000) {
        QTest::qWait(5);
        if (!gpath->isHidden() && !wasShown) ++shown;
        wasShown = !gpath->isHidden();
    }
    EXPECT_FALSE(forest().LineFlashing());
    EXPECT_TRUE(gpath->isHidden());
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_GE(shown, 15) << "flashes seen";
    EXPECT_FALSE(forest().ImDrawing);
}

TEST_F(ForestTest, HandOverToTheHost) {
    open();
    // Nothing found yet: back to the host.
    form->show();
    ctl<QAbstractButton>(form, "b_HK")->click();
    EXPECT_FALSE(form->isVisible());

    form->show();
    Tgis_PorostniSkupina* g = forest().FindForest(X0 + 50, Y0 + 50, false);
    ASSERT_NE(g, nullptr);
    ctl<QAbstractButton>(form, "b_HK")->click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("OnSelectJPRL není obsazeno ")});
    TElement* handed = nullptr;
    form->SetOnSelectJPRL([&](TElement* sender) { handed = sender; });
    QTest::mouseClick(ctl<QLabel>(form, "l_JPRLs"), Qt::LeftButton);
    EXPECT_EQ(handed, g);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ForestTest, TheSwitchShowsTheBottomBarLabel) {
    auto* sw = ctl<QAbstractButton>(form, "cb_jprl");
    auto* l = ctl<QLabel>(form, "l_JPRL");
    sw->setChecked(false);
    EXPECT_FALSE(forest().CHeckJPRL);
    EXPECT_TRUE(l->isHidden());
    sw->setChecked(true);
    EXPECT_TRUE(forest().CHeckJPRL);
    EXPECT_FALSE(l->isHidden());
}

TEST_F(ForestTest, ADamagedOrMissingFileOpensTheProjectWithoutForestDataAndSaysSoOnce) {
    open();
    ASSERT_NE(forest().LHC(), nullptr);
    const QString file = path(QStringLiteral("data/Revír_lhc.zlt"));
    TOwnerEntity other;
    other.SetName(QStringLiteral("jiná data"));
    const QByteArray otherStream = zelto::testing::saveTo(&other, path(QStringLiteral("other.zlt")));
    struct Case {
        const char* what;
        QByteArray bytes; // empty: the file is missing
        const char* message;
    } cases[] = {
        {"not a stream", QByteArray("this is not forest data\n"), "Čtení DET : "},
        {"a stream of something else", otherStream, "neobsahuje lesní data"},
        {"missing", QByteArray(), "neexistuje!"},
    };
    for (bool background : {true, false})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (background ? " (background)" : " (foreground)"));
            recordingNotifier()->clear();
            events.clear();
            QFile::remove(file);
            if (!c.bytes.isEmpty()) writeBytes(file, c.bytes);
            form->SetDataOnBackGround(background);
            ASSERT_TRUE(form->LoadProject(opx));
            if (!c.bytes.isEmpty()) {
                ASSERT_TRUE(waitUntil([&] { return events.contains(QStringLiteral("data")); }, 10000));
            }
            EXPECT_EQ(forest().LHC(), nullptr) << "the previous project's data are gone";
            EXPECT_EQ(form->GetSelector(), nullptr);
            EXPECT_EQ(entries("ed_odd"), QStringList());
            EXPECT_FALSE(form->Progress().IsBusy());
            ASSERT_EQ(messages().size(), 1) << messages().join('\n').toStdString();
            EXPECT_TRUE(messages().first().contains(QString::fromUtf8(c.message)))
                << messages().first().toStdString();
            EXPECT_EQ(forest().FindForest(X0 + 50, Y0 + 50, false), nullptr);
        }
    // A sound file again: the data are back.
    writeForest(file);
    open();
    EXPECT_EQ(entries("ed_odd"), (QStringList{"1", "2", "5"}));
}

TEST_F(ForestTest, ANewerReadReplacesAnOlderOneStillRunning) {
    form->SetDataOnBackGround(true);
    ASSERT_TRUE(form->LoadProject(opx));
    ASSERT_TRUE(form->LoadProject(opx));
    ASSERT_TRUE(waitUntil([&] { return !forest().Loading(); }, 10000));
    QTest::qWait(50); // the older read ends too; its result must be dropped, not taken
    EXPECT_EQ(events.count(QStringLiteral("data")), 1);
    ASSERT_NE(forest().LHC(), nullptr);
    EXPECT_NE(forest().FindForest(X0 + 50, Y0 + 50, false), nullptr);
}

// A read whose root was taken frees an area's holes once: they belong to the area, which the
// root's tree frees.
TEST(StreamReadTest, ATakenRootFreesWhatItsElementsOwnThroughProperties) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("les.zlt"));
    writeForest(file);
    QString reason;
    std::unique_ptr<TStreamRead> read = TStreamRead::Read(file, reason);
    ASSERT_TRUE(read) << reason.toStdString();
    std::unique_ptr<TElement> root(read->TakeRoot());
    ASSERT_TRUE(root->Is<Tgis_ForestModel>());
    root.reset();
    read.reset(); // crashed here when the holes were also left to the read
}

} // namespace
} // namespace apptest
