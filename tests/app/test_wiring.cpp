// The display lock, the bars, the progress display and the generic dialog as parts of the real
// map form: the menu row locks the form and only the corner swipe opens it, the hide and restore
// buttons and the switches act on the form's bars, the tools' progress reports keep the form's
// progress widgets, and the embedded dialog answers in the form's style and gets the keyboard.
#include "app_fixture.h"
#include "wait_until.h"

#include "dialogs/fr_Kordlin_SuperDialog.h"
#include "lock/BarsController.h"
#include "lock/LockController.h"
#include "lock/ProgressController.h"

#include "framework/Tools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

namespace apptest {
namespace {

using namespace zelto;

// Counts the mouse presses and wheel turns that reach a widget.
class InputCounter : public QObject {
public:
    explicit InputCounter(QWidget* w) { w->installEventFilter(this); }
    int presses = 0, wheels = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) ++presses;
        if (e->type() == QEvent::Wheel) ++wheels;
        return false;
    }
};

class WiringTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = newForm();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }

    // Input as the window system delivers it: to whatever widget lies at the point.
    QWindow* window() const { return form->windowHandle(); }
    void tap(QPoint p) { QTest::mouseClick(window(), Qt::LeftButton, {}, p); }
    void swipe(QPoint from, QPoint to) {
        QTest::mousePress(window(), Qt::LeftButton, {}, from);
        QTest::mouseMove(window(), (from + to) / 2);
        QTest::mouseMove(window(), to);
        QTest::mouseRelease(window(), Qt::LeftButton, {}, to);
    }
    void wheel(QPoint p) {
        QWheelEvent e(p, form->mapToGlobal(p), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(form->childAt(p), &e);
    }
    bool shown(QWidget* w) const { return w->isVisibleTo(form.get()); }
    bool locked() const { return shown(ctl<QWidget>(form, "LockPanel")); }

    std::unique_ptr<TMainForm> form;
};

// ---- display lock ----------------------------------------------------------------------------

TEST_F(WiringTest, MenuRowLocksTheFormAndOnlyTheCornerSwipeUnlocksIt) {
    InputCounter map(ctl<ui::TImageControl>(form, "Image_edit"));
    const QPoint middle(form->width() / 2, form->height() / 2);
    tap(middle);
    ASSERT_EQ(map.presses, 1) << "unlocked, a tap reaches the map";

    form->b_MenuClick();
    ASSERT_TRUE(form->IsDrawerOpen());
    form->MainListBoxItemClick(4); // "  Zamknout displej"
    EXPECT_TRUE(locked());
    EXPECT_TRUE(shown(ctl<QWidget>(form, "LockLayout")));
    EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Displej je uzamčen !"));
    EXPECT_TRUE(ctl<QTimer>(form, "LockTimer")->isActive());
    EXPECT_EQ(form->Lock().LockTimer(), ctl<QTimer>(form, "LockTimer")) << "the form's own timer";
    EXPECT_FALSE(form->IsDrawerOpen()) << "locking closes the drawer";
    EXPECT_FALSE(ctl<ui::TPanel>(form, "MultiView")->isEnabled());
    EXPECT_EQ(ctl<QWidget>(form, "LockPanel")->geometry(), form->rect());

    // Nothing reaches the map or the bars' buttons, and the drawer does not open.
    tap(middle);
    wheel(middle);
    const QPoint menuButton =
        ctl<ui::TTouchButton>(form, "ks_InfoLayout_MenuRect")
            ->mapTo(form.get(), ctl<ui::TTouchButton>(form, "ks_InfoLayout_MenuRect")->rect().center());
    tap(menuButton);
    EXPECT_EQ(map.presses, 1);
    EXPECT_EQ(map.wheels, 0);
    EXPECT_FALSE(form->IsDrawerOpen());
    form->b_SettingsClick();
    EXPECT_FALSE(form->IsDrawerOpen()) << "not even when asked by the program";

    // The message goes with the form's timer; the shield stays, and a tap brings it back.
    ctl<QTimer>(form, "LockTimer")->setInterval(10);
    ctl<QTimer>(form, "LockTimer")->start();
    ASSERT_TRUE(waitUntil([&] { return !shown(ctl<QWidget>(form, "LockLayout")); }));
    EXPECT_FALSE(ctl<QTimer>(form, "LockTimer")->isActive());
    EXPECT_TRUE(locked());
    tap(middle);
    EXPECT_TRUE(shown(ctl<QWidget>(form, "LockLayout")));

    struct Swipe {
        QPoint from, to;
        bool unlocks;
    };
    const Swipe swipes[] = {
        {{600, 400}, {150, 50}, false}, // ends outside the corner
        {{150, 400}, {50, 50}, false},  // starts within 200 pixels of the left edge
        {{600, 150}, {50, 50}, false},  // ... of the top edge
        {{600, 400}, {50, 50}, true},
    };
    for (const Swipe& s : swipes) {
        SCOPED_TRACE(testing::Message()
                     << s.from.x() << "," << s.from.y() << " -> " << s.to.x() << "," << s.to.y());
        swipe(s.from, s.to);
        EXPECT_EQ(locked(), !s.unlocks);
        if (!s.unlocks) {
            EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Displej je uzamčen !"));
        }
    }
    EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Odemčeno !"));
    EXPECT_TRUE(shown(ctl<QWidget>(form, "LockLayout")));
    EXPECT_TRUE(ctl<QTimer>(form, "LockTimer")->isActive());
    EXPECT_TRUE(ctl<ui::TPanel>(form, "MultiView")->isEnabled());
    tap(middle);
    EXPECT_EQ(map.presses, 2) << "the map takes taps again";
    form->b_SettingsClick();
    EXPECT_TRUE(form->IsDrawerOpen());
}

TEST_F(WiringTest, SwipeMessageFollowsTheFinger) {
    form->LockDisplay();
    QTest::mousePress(window(), Qt::LeftButton, {}, QPoint(700, 500));
    QTest::mouseMove(window(), QPoint(680, 480)); // within 50 pixels: nothing yet
    EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Displej je uzamčen !"));
    QTest::mouseMove(window(), QPoint(620, 480));
    EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Odemykání ..."));
    QTest::mouseRelease(window(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_EQ(ctl<QLabel>(form, "Locktext")->text(), QStringLiteral("Displej je uzamčen !"));
    EXPECT_TRUE(locked());
}

// ---- bars ------------------------------------------------------------------------------------

TEST_F(WiringTest, HideAndRestoreButtonsActOnTheFormsBars) {
    // The alternative style starts with both bars hidden: restore them first.
    QTest::mouseClick(ctl<ui::TTouchButton>(form, "topbarvisible"), Qt::LeftButton);
    QTest::mouseClick(ctl<ui::TTouchButton>(form, "botbarvisible"), Qt::LeftButton);
    struct Step {
        QAbstractButton* button;
        QWidget *hides, *shows;
    };
    const Step steps[] = {
        {ctl<ui::TTouchButton>(form, "ktopbarunvisible"), ctl<ui::TPanel>(form, "ktopbar"),
         ctl<ui::TTouchButton>(form, "topbarvisible")},
        {ctl<ui::TTouchButton>(form, "topbarvisible"), ctl<ui::TTouchButton>(form, "topbarvisible"),
         ctl<ui::TPanel>(form, "ktopbar")},
        {ctl<ui::TTouchButton>(form, "botbarunvisible"), ctl<ui::TPanel>(form, "botbar"),
         ctl<ui::TTouchButton>(form, "botbarvisible")},
        {ctl<ui::TTouchButton>(form, "botbarvisible"), ctl<ui::TTouchButton>(form, "botbarvisible"),
         ctl<ui::TPanel>(form, "botbar")},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.button->objectName().toStdString());
        ASSERT_TRUE(shown(s.button));
        QTest::mouseClick(s.button, Qt::LeftButton);
        EXPECT_FALSE(shown(s.hides));
        EXPECT_TRUE(shown(s.shows));
    }
}

TEST_F(WiringTest, BarSwitchesActOnlyWhileTheGuardIsOn) {
    struct Case {
        QAbstractButton* sw;
        QWidget *bar, *restore;
    };
    const Case cases[] = {
        {ctl<ui::TSwitch>(form, "cb_topbar"), ctl<ui::TPanel>(form, "ktopbar"),
         ctl<ui::TTouchButton>(form, "topbarvisible")},
        {ctl<ui::TSwitch>(form, "cb_botbar"), ctl<ui::TPanel>(form, "botbar"),
         ctl<ui::TTouchButton>(form, "botbarvisible")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sw->objectName().toStdString());
        c.sw->setChecked(false);
        c.sw->setChecked(true);
        EXPECT_TRUE(shown(c.bar));
        EXPECT_FALSE(shown(c.restore));
        c.sw->setChecked(false);
        EXPECT_FALSE(shown(c.bar));
        EXPECT_TRUE(shown(c.restore));
        internals(*form).cbActive = false;
        c.sw->setChecked(true);
        EXPECT_FALSE(shown(c.bar)) << "the form is setting its switches";
        internals(*form).cbActive = true;
    }
    // Opening the view tab shows the bottom bar's state in its switch and changes no bar.
    ctl<ui::TSwitch>(form, "cb_botbar")->setChecked(true);
    QTest::mouseClick(ctl<ui::TTouchButton>(form, "botbarunvisible"), Qt::LeftButton);
    ASSERT_TRUE(ctl<ui::TSwitch>(form, "cb_botbar")->isChecked());
    form->MainListBoxItemClick(1);
    EXPECT_FALSE(ctl<ui::TSwitch>(form, "cb_botbar")->isChecked());
    EXPECT_FALSE(shown(ctl<ui::TPanel>(form, "botbar")));
    EXPECT_TRUE(shown(ctl<ui::TTouchButton>(form, "botbarvisible")));
}

TEST_F(WiringTest, OptionSwitchesMarginAndLogo) {
    // The top margin: half the bar's height, also for the laid-out bar after a resize.
    ctl<ui::TSwitch>(form, "cb_TopBarMargin")->setChecked(true);
    EXPECT_EQ(form->TopBarMargin(), 24);
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 24);
    form->resize(form->width() - 10, form->height());
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 24);
    ctl<ui::TSwitch>(form, "cb_TopBarMargin")->setChecked(false);
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 0);

    // Which objects a tap looks for.
    ctl<ui::TSwitch>(form, "cb_Line")->setChecked(false);
    ctl<ui::TSwitch>(form, "cb_Note")->setChecked(false);
    EXPECT_FALSE(internals(*form).CheckLines);
    EXPECT_FALSE(internals(*form).CheckNotes);
    ctl<ui::TSwitch>(form, "cb_Note")->setChecked(true);
    EXPECT_FALSE(internals(*form).CheckLines);
    EXPECT_TRUE(internals(*form).CheckNotes);

    // The logo toggles the top bar, which moves the information and action bars.
    ctl<QWidget>(form, "Image_Logo")->show();
    QTest::mouseClick(ctl<QWidget>(form, "Image_Logo"), Qt::LeftButton);
    EXPECT_TRUE(form->GetTopBar_Visible());
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_InfoLayout")->y(), internals(*form).InfoY + 48);
    QTest::mouseClick(ctl<QWidget>(form, "Image_Logo"), Qt::LeftButton);
    EXPECT_FALSE(form->GetTopBar_Visible());
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_InfoLayout")->y(), internals(*form).InfoY);
    // The menu button hides a shown top bar.
    form->SetTopBar_Visible(true);
    QTest::mouseClick(ctl<ui::TTouchButton>(form, "ks_InfoLayout_MenuRect"), Qt::LeftButton);
    EXPECT_FALSE(form->GetTopBar_Visible());
    EXPECT_TRUE(form->IsDrawerOpen());
}

TEST_F(WiringTest, ClosingTheDrawerHighlightsTheHandForTheBrowsingTools) {
    int highlighted = 0;
    form->Bars().HighlightHand = [&] { ++highlighted; };
    for (int tool : {0, 2, 5, 6, 9}) {
        internals(*form).ActiveTool = tool;
        form->b_SettingsClick();
        form->CloseDrawer();
    }
    EXPECT_EQ(highlighted, 3) << "tools 0, 5 and 6";
}

// ---- progress --------------------------------------------------------------------------------

TEST_F(WiringTest, ToolProgressReportsKeepTheFormsProgressBar) {
    auto bar = [this] {
        return QStringLiteral("%1..%2 at %3")
            .arg(ctl<QProgressBar>(form, "ProgressBar")->minimum())
            .arg(ctl<QProgressBar>(form, "ProgressBar")->maximum())
            .arg(ctl<QProgressBar>(form, "ProgressBar")->value());
    };
    TTool reading, joining;
    reading.StartProgress(QStringLiteral("Čtení"), 0, 10);
    const qint64 readingId = form->ActiveProgress();
    ASSERT_NE(readingId, 0);
    TProgressElem* readingElem = form->Progress().FindProcess(readingId);
    ASSERT_NE(readingElem, nullptr);
    EXPECT_EQ(readingElem->GetName(), QString::number(readingId));
    EXPECT_EQ(readingElem->F_Name, QStringLiteral("Čtení"));
    EXPECT_EQ(form->Proc()->FindElementName(QString::number(readingId)), readingElem);
    reading.SetProgress(4);
    EXPECT_EQ(bar(), QStringLiteral("0..10 at 4"));
    // The bar is kept current without being shown: it shows while a project opens.
    EXPECT_FALSE(shown(ctl<QProgressBar>(form, "ProgressBar")));

    // Two tools reporting in turn: the bar follows the one that reported last.
    joining.StartProgress(QStringLiteral("Spojování"), 100, 200);
    const qint64 joiningId = form->ActiveProgress();
    EXPECT_NE(joiningId, readingId);
    EXPECT_EQ(bar(), QStringLiteral("100..200 at 100"));
    reading.SetProgress(5);
    EXPECT_EQ(form->ActiveProgress(), readingId);
    EXPECT_EQ(bar(), QStringLiteral("0..10 at 5"));
    joining.SetMaxProgress(400);
    EXPECT_EQ(form->ActiveProgress(), joiningId);
    EXPECT_EQ(bar(), QStringLiteral("100..400 at 100"));
    joining.SetProgressText(QStringLiteral("linie 7"));
    EXPECT_EQ(form->Progress().FindProcess(joiningId)->FText, QStringLiteral("linie 7"));

    // After an end no process is followed until the next report; the ended one is gone.
    joining.EndProgress();
    EXPECT_EQ(form->ActiveProgress(), 0);
    EXPECT_EQ(ctl<QProgressBar>(form, "ProgressBar")->value(),
              ctl<QProgressBar>(form, "ProgressBar")->minimum());
    EXPECT_EQ(form->Progress().FindProcess(joiningId), nullptr);
    EXPECT_EQ(form->Proc()->ElementsCount(), 1);
    joining.SetProgress(300); // a report of the ended process is ignored
    EXPECT_EQ(form->ActiveProgress(), 0);
    reading.SetProgress(9);
    EXPECT_EQ(form->ActiveProgress(), readingId);
    EXPECT_EQ(bar(), QStringLiteral("0..10 at 9"));
    reading.EndProgress();
    EXPECT_EQ(form->Proc()->ElementsCount(), 0);
}

TEST_F(WiringTest, BusyIndicatorAndProgressDisplayOfTheForm) {
    // A long operation outside a project opening: indicator and text come and go together.
    form->Progress().ShowBusy(QStringLiteral("Kontrola mapových složek ..."));
    EXPECT_TRUE(shown(ctl<ui::TBusyIndicator>(form, "AniIndicator")));
    EXPECT_TRUE(ctl<ui::TBusyIndicator>(form, "AniIndicator")->isAnimating());
    EXPECT_TRUE(shown(ctl<QLabel>(form, "l_Progress")));
    EXPECT_EQ(ctl<QLabel>(form, "l_Progress")->text(), QStringLiteral("Kontrola mapových složek ..."));
    form->Progress().HideBusy();
    EXPECT_FALSE(shown(ctl<ui::TBusyIndicator>(form, "AniIndicator")));
    EXPECT_FALSE(ctl<ui::TBusyIndicator>(form, "AniIndicator")->isAnimating());
    EXPECT_FALSE(shown(ctl<QLabel>(form, "l_Progress")));

    // While a project opens, the label and the bar stay up across the busy phases inside.
    form->Progress().ShowProgress(true);
    form->Progress().ShowBusy(QStringLiteral("Čtení mapového souboru ..."));
    form->Progress().HideBusy();
    EXPECT_FALSE(shown(ctl<ui::TBusyIndicator>(form, "AniIndicator")));
    EXPECT_TRUE(shown(ctl<QLabel>(form, "l_Progress")));
    EXPECT_TRUE(shown(ctl<QProgressBar>(form, "ProgressBar")));
    form->Progress().SetText(QStringLiteral("Příprava mapy Porostní"));
    form->Progress().SetBarRange(0, 3);
    form->Progress().SetBarValue(7); // beyond the range: shown at its end, not dropped
    EXPECT_EQ(ctl<QLabel>(form, "l_Progress")->text(), QStringLiteral("Příprava mapy Porostní"));
    EXPECT_EQ(ctl<QProgressBar>(form, "ProgressBar")->value(), 3);
    TTool tool;
    tool.StartProgress(QStringLiteral("Čtení"), 0, 50);
    tool.SetProgress(20);
    EXPECT_EQ(ctl<QProgressBar>(form, "ProgressBar")->maximum(), 50);
    EXPECT_EQ(ctl<QProgressBar>(form, "ProgressBar")->value(), 20);
    tool.EndProgress();
    form->Progress().ShowProgress(false);
    EXPECT_FALSE(shown(ctl<QLabel>(form, "l_Progress")));
    EXPECT_FALSE(shown(ctl<QProgressBar>(form, "ProgressBar")));
}

// ---- generic dialog --------------------------------------------------------------------------

TEST_F(WiringTest, GenericDialogIsEmbeddedHiddenAndFillsTheForm) {
    TSuperdialog* dialog = form->Superdialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(form->Frame(QStringLiteral("Superdialog")), dialog);
    EXPECT_EQ(dialog->parentWidget(), ctl<QWidget>(form, "_Frames"));
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_FALSE(shown(ctl<QWidget>(form, "_Frames")));
    EXPECT_EQ(dialog->geometry(), form->rect());
    form->resize(1000, 700);
    EXPECT_EQ(dialog->geometry(), QRect(0, 0, 1000, 700));
}

TEST_F(WiringTest, GenericDialogAnswersInTheFormsStyleWithTheHandlerRules) {
    struct Case {
        bool kavint, edit;
        const char* control; // what the user presses; empty: the back key
        bool onOK, onCancel;
        std::vector<std::string> expected;
        const char* shownPanel;
        const char* hiddenPanel;
    };
    const Case cases[] = {
        {true, false, "ks_Rect_OK", true, false, {"ok"}, "ks_Layout_Message", "Panel_Message"},
        {true, true, "ks_b_edStorno", false, true, {"cancel"}, "ks_Layout_Edit", "Panel_Edit"},
        {true, false, "ks_b_OK", false, true, {"close"}, "ks_Layout_Message", "ks_Layout_Edit"},
        {false, false, "b_Storno", true, true, {"cancel"}, "Panel_Message", "ks_Layout_Message"},
        {false, true, "b_edOK", true, false, {"ok"}, "Panel_Edit", "ks_Layout_Edit"},
        {false, false, "Rectangle1", true, true, {"close"}, "Panel_Message", "Panel_Edit"},
        {true, true, "", true, true, {"close"}, "ks_Layout_Edit", "Panel_Edit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.kavint ? "alternative " : "classic ")
                                        << (c.edit ? "entry " : "question ") << c.control);
        internals(*form).KavintStyle = c.kavint;
        std::vector<std::string> calls;
        TSuperdialog* dialog = form->PrepareSuperdialog(c.edit, QStringLiteral("Smazat vrstvu?"));
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetaText(), QStringLiteral("Smazat vrstvu?"));
        dialog->Show();
        if (c.onOK) dialog->SetOnOK([&](QObject*) { calls.push_back("ok"); });
        if (c.onCancel) dialog->SetOnCancel([&](QObject*) { calls.push_back("cancel"); });
        dialog->SetOnClose([&](QObject*) { calls.push_back("close"); });
        EXPECT_TRUE(shown(ctl<QWidget>(form, "_Frames")));
        QWidget* panel = dialog->findChild<QWidget*>(QLatin1String(c.shownPanel));
        QWidget* other = dialog->findChild<QWidget*>(QLatin1String(c.hiddenPanel));
        ASSERT_TRUE(panel && other);
        EXPECT_TRUE(panel->isVisibleTo(dialog));
        EXPECT_FALSE(other->isVisibleTo(dialog));

        if (*c.control) {
            auto* w = dialog->findChild<QWidget*>(QLatin1String(c.control));
            ASSERT_NE(w, nullptr);
            ASSERT_TRUE(w->isVisible());
            // Pressed where it lies on the form, as the window system delivers it.
            const QPoint at = c.control == std::string("Rectangle1")
                                  ? QPoint(10, form->height() - 10)
                                  : w->mapTo(form.get(), w->rect().center());
            tap(at);
        } else {
            QKeyEvent back(QEvent::KeyRelease, Qt::Key_Back, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &back);
        }
        EXPECT_EQ(calls, c.expected);
        EXPECT_TRUE(dialog->isHidden());
        EXPECT_FALSE(shown(ctl<QWidget>(form, "_Frames"))) << "the map takes the input again";
        dialog->Close();
        EXPECT_EQ(calls, c.expected) << "a second close runs nothing";
    }
}

TEST_F(WiringTest, WhileTheDialogShowsTheMapGetsNoInput) {
    InputCounter map(ctl<ui::TImageControl>(form, "Image_edit"));
    TSuperdialog* dialog = form->PrepareSuperdialog(true, QStringLiteral("Název linie"));
    dialog->SetEditText(QStringLiteral("Linie 1"));
    dialog->Show();
    QString entered;
    dialog->SetOnOK([&](QObject*) { entered = form->Superdialog()->GetEditText(); });
    tap(QPoint(form->width() / 2, 20)); // above the card: the dimmed background closes
    EXPECT_EQ(map.presses, 0);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_TRUE(entered.isEmpty());
    // Enter in the edit field answers yes with the text.
    dialog = form->PrepareSuperdialog(true, QStringLiteral("Název linie"));
    dialog->SetEditText(QStringLiteral("Linie 2"));
    dialog->Show();
    dialog->SetOnOK([&](QObject*) { entered = form->Superdialog()->GetEditText(); });
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("ks_Edit"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(entered, QStringLiteral("Linie 2"));
    EXPECT_TRUE(dialog->isHidden());
}

TEST_F(WiringTest, KeyboardEventsReachTheEmbeddedDialogThroughTheSharedInterface) {
    TSuperdialog* dialog = form->Superdialog();
    ASSERT_NE(dynamic_cast<TVirtualKeyboardClient*>(form->Frame(QStringLiteral("Superdialog"))), nullptr);
    QWidget* card = dialog->findChild<QWidget*>(QStringLiteral("ks_Layout_Edit"));
    ASSERT_NE(card, nullptr);

    // Hidden, the dialog is not told.
    form->FormVirtualKeyboardShown(form.get(), true, QRect(0, 400, form->width(), 400));
    EXPECT_FALSE(dialog->KeyboardVisible());

    form->PrepareSuperdialog(true, QStringLiteral("Název vrstvy"));
    dialog->Show();
    const QRect centred = card->geometry();
    ASSERT_GT(centred.bottom(), 400) << "the centred card reaches below the keyboard's top";
    form->FormVirtualKeyboardShown(form.get(), true, QRect(0, 400, form->width(), 400));
    EXPECT_TRUE(dialog->KeyboardVisible());
    EXPECT_EQ(dialog->KeyboardBounds(), QRect(0, 400, form->width(), 400));
    EXPECT_EQ(card->y() + card->height(), 400) << "the card ends at the keyboard's top edge";
    form->FormVirtualKeyboardHidden(form.get(), false, QRect());
    EXPECT_FALSE(dialog->KeyboardVisible());
    EXPECT_EQ(card->geometry(), centred);
}

} // namespace
} // namespace apptest
