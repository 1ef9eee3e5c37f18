// The bars: the top bar and the information bars below it, the hide and restore buttons, and the
// switches with the form's switch guard.
#include "lock/BarsController.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace zelto;

namespace {

class BarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(1024, 768);
        auto bar = [this](const char* name, QRect geometry, bool shown) {
            auto* w = new QWidget(host.get());
            w->setObjectName(QLatin1String(name));
            w->setGeometry(geometry);
            w->setVisible(shown);
            return w;
        };
        auto button = [this](QWidget* parent, const char* name, bool shown) {
            auto* b = new QPushButton(parent ? parent : host.get());
            b->setObjectName(QLatin1String(name));
            b->setGeometry(0, 0, 48, 48);
            b->setVisible(shown);
            return b;
        };
        auto sw = [this](const char* name, bool on) {
            auto* s = new QCheckBox(host.get());
            s->setObjectName(QLatin1String(name));
            s->setChecked(on);
            return s;
        };
        w.topBar = bar("topBar", QRect(0, 0, 1024, 48), false);
        w.ktopbar = bar("ktopbar", QRect(0, 0, 1024, 48), true);
        w.botbar = bar("botbar", QRect(0, 720, 1024, 48), true);
        w.ks_InfoLayout = bar("ks_InfoLayout", QRect(10, 60, 400, 56), true);
        w.ks_ActionLayout = bar("ks_ActionLayout", QRect(600, 60, 300, 56), true);
        w.ktopbarunvisible = button(w.ktopbar, "ktopbarunvisible", true);
        w.botbarunvisible = button(w.botbar, "botbarunvisible", true);
        w.topbarvisible = button(nullptr, "topbarvisible", false);
        w.botbarvisible = button(nullptr, "botbarvisible", false);
        w.cb_topbar = sw("cb_topbar", true);
        w.cb_botbar = sw("cb_botbar", true);
        w.cb_TopBarMargin = sw("cb_TopBarMargin", false);
        w.cb_Line = sw("cb_Line", true);
        w.cb_Note = sw("cb_Note", true);
        bars = std::make_unique<TBarsController>(w);
        bars->SwitchesActive = [this] { return cbActive; };
        bars->SaveParams = [this] { ++saved; };
        host->show();
    }

    static bool shown(QWidget* widget) { return !widget->isHidden(); }

    std::unique_ptr<QWidget> host;
    TBarWidgets w;
    std::unique_ptr<TBarsController> bars;
    bool cbActive = true;
    int saved = 0;
};

TEST_F(BarsTest, TopBarMovesTheInformationBarsBelowIt) {
    EXPECT_EQ(bars->InfoY(), 60);
    EXPECT_FALSE(bars->GetTopBar_Visible());
    bars->SetTopBar_Visible(true);
    EXPECT_TRUE(bars->GetTopBar_Visible());
    EXPECT_EQ(w.ks_InfoLayout->y(), 60 + 48);
    EXPECT_EQ(w.ks_ActionLayout->y(), 60 + 48);
    EXPECT_EQ(w.ks_InfoLayout->x(), 10);
    bars->SetTopBar_Visible(false);
    EXPECT_FALSE(shown(w.topBar));
    EXPECT_EQ(w.ks_InfoLayout->y(), 60);
    EXPECT_EQ(w.ks_ActionLayout->y(), 60);
}

TEST_F(BarsTest, HideAndRestoreButtonsSwapBarAndArrow) {
    QTest::mouseClick(w.ktopbarunvisible, Qt::LeftButton);
    EXPECT_FALSE(shown(w.ktopbar));
    EXPECT_TRUE(shown(w.topbarvisible));
    QTest::mouseClick(w.topbarvisible, Qt::LeftButton);
    EXPECT_TRUE(shown(w.ktopbar));
    EXPECT_FALSE(shown(w.topbarvisible));

    QTest::mouseClick(w.botbarunvisible, Qt::LeftButton);
    EXPECT_FALSE(shown(w.botbar));
    EXPECT_TRUE(shown(w.botbarvisible));
    QTest::mouseClick(w.botbarvisible, Qt::LeftButton);
    EXPECT_TRUE(shown(w.botbar));
    EXPECT_FALSE(shown(w.botbarvisible));
}

TEST_F(BarsTest, BarSwitchesActOnlyWhileTheGuardAllows) {
    struct Case {
        QAbstractButton* sw;
        QWidget *barWidget, *arrow;
    };
    for (const Case& c :
         {Case{w.cb_topbar, w.ktopbar, w.topbarvisible}, Case{w.cb_botbar, w.botbar, w.botbarvisible}}) {
        SCOPED_TRACE(c.sw->objectName().toStdString());
        cbActive = false; // the form sets the switch itself
        c.sw->setChecked(false);
        EXPECT_TRUE(shown(c.barWidget));
        EXPECT_FALSE(shown(c.arrow));
        c.sw->setChecked(true);
        cbActive = true;
        QTest::mouseClick(c.sw, Qt::LeftButton);
        EXPECT_FALSE(c.sw->isChecked());
        EXPECT_FALSE(shown(c.barWidget));
        EXPECT_TRUE(shown(c.arrow));
        QTest::mouseClick(c.sw, Qt::LeftButton);
        EXPECT_TRUE(shown(c.barWidget));
        EXPECT_FALSE(shown(c.arrow));
    }
}

TEST_F(BarsTest, MarginSwitchIndentsTheTopBarAndSavesOnlyWhileActive) {
    w.cb_TopBarMargin->setChecked(true);
    EXPECT_EQ(bars->TopBarMargin(), 24);
    EXPECT_EQ(w.topBar->y(), 24);
    EXPECT_EQ(saved, 1);
    cbActive = false; // the margin follows the switch, nothing is saved
    w.cb_TopBarMargin->setChecked(false);
    EXPECT_EQ(bars->TopBarMargin(), 0);
    EXPECT_EQ(w.topBar->y(), 0);
    EXPECT_EQ(saved, 1);
}

TEST_F(BarsTest, PickSwitchesSetWhatATapLooksFor) {
    int lineSignals = 0;
    QObject::connect(bars.get(), &TBarsController::checkLinesChanged, [&](bool) { ++lineSignals; });
    EXPECT_TRUE(bars->CheckLines());
    EXPECT_TRUE(bars->CheckNotes());
    cbActive = false; // these two do not wait for the guard
    w.cb_Line->setChecked(false);
    w.cb_Note->setChecked(false);
    EXPECT_FALSE(bars->CheckLines());
    EXPECT_FALSE(bars->CheckNotes());
    EXPECT_EQ(lineSignals, 1);
    w.cb_Note->setChecked(true);
    EXPECT_TRUE(bars->CheckNotes());
    EXPECT_FALSE(bars->CheckLines());
}

TEST_F(BarsTest, ClosingTheDrawerHighlightsTheHandForTheBrowsingTools) {
    std::vector<int> highlighted;
    int tool = 0;
    bars->HighlightHand = [&] { highlighted.push_back(tool); };
    for (tool = 0; tool <= 9; ++tool) bars->MultiViewHidden(tool);
    EXPECT_EQ(highlighted, (std::vector<int>{0, 5, 6}));
}

} // namespace
