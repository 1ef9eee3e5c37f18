// The display lock: locking, the unlock swipe's start and end regions (by mouse and by touch),
// the message and its timer, and that the shield keeps touches from the form while locked.
#include "lock/LockController.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointingDevice>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace zelto;

namespace {

const QString Locked = QStringLiteral("Displej je uzamčen !");

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(1024, 768);
        mapButton = new QPushButton(QStringLiteral("map"), host.get());
        mapButton->setGeometry(300, 300, 200, 200);
        drawer = new QWidget(host.get());
        drawer->setGeometry(0, 0, 320, 768);
        widgets = BuildLockWidgets(host.get());
        lock = std::make_unique<TLockController>(host.get(), widgets, drawer);
        lock->CloseDrawer = [this] {
            ++drawerClosed;
            drawer->hide();
        };
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }

    QWidget* shield() const { return widgets.LockPanel; }
    QString text() const { return widgets.Locktext->text(); }
    bool messageShown() const { return !widgets.LockLayout->isHidden(); }

    void mouseSwipe(QPoint from, QPoint to) {
        QTest::mousePress(shield(), Qt::LeftButton, {}, from);
        QTest::mouseMove(shield(), (from + to) / 2);
        QTest::mouseMove(shield(), to);
        QTest::mouseRelease(shield(), Qt::LeftButton, {}, to);
    }

    std::unique_ptr<QWidget> host;
    QPushButton* mapButton = nullptr;
    QWidget* drawer = nullptr;
    TLockWidgets widgets;
    std::unique_ptr<TLockController> lock;
    int drawerClosed = 0;
};

TEST_F(LockTest, LockingCoversTheFormAndShowsTheMessage) {
    EXPECT_EQ(shield()->objectName(), QStringLiteral("LockPanel"));
    EXPECT_EQ(widgets.LockLayout->objectName(), QStringLiteral("LockLayout"));
    EXPECT_EQ(text(), QStringLiteral("Displej je uzamčen!")); // the design text
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_FALSE(messageShown());
    auto* hint = widgets.LockLayout->findChild<QLabel*>("LockHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), QStringLiteral("Přejeďte prstem do levého horního rohu"));

    drawer->show();
    lock->LockDisplay();
    EXPECT_TRUE(lock->IsLocked());
    EXPECT_EQ(shield()->geometry(), host->rect());
    EXPECT_TRUE(messageShown());
    EXPECT_EQ(widgets.LockLayout->geometry(), QRect((1024 - 425) / 2, (768 - 249) / 2, 425, 249));
    EXPECT_EQ(text(), Locked);
    EXPECT_EQ(drawerClosed, 1);
    EXPECT_FALSE(drawer->isEnabled());
    EXPECT_TRUE(lock->LockTimer()->isActive());
    EXPECT_EQ(lock->LockTimer()->interval(), 2000);

    // The shield follows the form's size.
    host->resize(800, 600);
    EXPECT_EQ(shield()->geometry(), QRect(0, 0, 800, 600));
}

TEST_F(LockTest, SwipeUnlocksOnlyFromAwayFromTheEdgesIntoTheCorner) {
    struct Case {
        QPoint from, to;
        bool unlocks;
    };
    const Case cases[] = {
        {{512, 400}, {50, 50}, true},    {{201, 201}, {99, 99}, true},
        {{512, 400}, {150, 50}, false},  // ends too far right
        {{512, 400}, {50, 150}, false},  // ends too low
        {{512, 400}, {100, 50}, false},  // 100 is not inside the corner
        {{150, 400}, {50, 50}, false},   // starts too near the left edge
        {{400, 150}, {50, 50}, false},   // starts too near the top edge
        {{200, 400}, {50, 50}, false},   // 200 is not away from the edge
        {{512, 400}, {900, 700}, false}, // the wrong way
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "from " << c.from.x() << "," << c.from.y() << " to " << c.to.x() << "," << c.to.y());
        lock->LockDisplay();
        mouseSwipe(c.from, c.to);
        EXPECT_EQ(lock->IsLocked(), !c.unlocks);
        EXPECT_EQ(drawer->isEnabled(), c.unlocks);
        EXPECT_EQ(text(), c.unlocks ? QStringLiteral("Odemčeno !") : Locked);
        EXPECT_TRUE(messageShown());
        EXPECT_TRUE(lock->LockTimer()->isActive());
        EXPECT_FALSE(lock->Unlocking());
    }
}

TEST_F(LockTest, TouchSwipeUnlocksAndAStrayOneDoesNot) {
    // One touch screen for the process: Qt keeps every registered input device.
    static QPointingDevice* screen = QTest::createTouchDevice();
    lock->LockDisplay();
    // Starts at the left edge: never unlocks.
    QTest::touchEvent(host.get(), screen).press(0, QPoint(150, 400));
    QTest::touchEvent(host.get(), screen).move(0, QPoint(100, 200));
    QTest::touchEvent(host.get(), screen).move(0, QPoint(40, 40));
    QTest::touchEvent(host.get(), screen).release(0, QPoint(40, 40));
    EXPECT_TRUE(lock->IsLocked());
    EXPECT_EQ(text(), Locked);

    // From the middle into the corner, with a second finger that does not count.
    QTest::touchEvent(host.get(), screen).press(0, QPoint(600, 500));
    QTest::touchEvent(host.get(), screen).move(0, QPoint(500, 420)).press(1, QPoint(700, 700));
    EXPECT_EQ(text(), QStringLiteral("Odemykání ..."));
    QTest::touchEvent(host.get(), screen).move(0, QPoint(60, 60)).move(1, QPoint(720, 720));
    QTest::touchEvent(host.get(), screen).release(0, QPoint(60, 60)).stationary(1);
    EXPECT_FALSE(lock->IsLocked());
    EXPECT_EQ(text(), QStringLiteral("Odemčeno !"));
    QTest::touchEvent(host.get(), screen).release(1, QPoint(720, 720));
    EXPECT_FALSE(lock->IsLocked());
}

TEST_F(LockTest, MovingAwayFromTheStartShowsThatTheSwipeIsFollowed) {
    lock->LockDisplay();
    lock->LockTimerTimer();
    ASSERT_FALSE(messageShown());
    QTest::mousePress(shield(), Qt::LeftButton, {}, QPoint(500, 500));
    EXPECT_TRUE(lock->Unlocking());
    EXPECT_EQ(lock->UnlockStart(), QPointF(500, 500));
    QTest::mouseMove(shield(), QPoint(540, 450)); // within 50 on both axes
    EXPECT_FALSE(messageShown());
    QTest::mouseMove(shield(), QPoint(500, 449));
    EXPECT_TRUE(messageShown());
    EXPECT_EQ(text(), QStringLiteral("Odemykání ..."));
    QTest::mouseRelease(shield(), Qt::LeftButton, {}, QPoint(500, 449));
    EXPECT_EQ(text(), Locked);
    EXPECT_FALSE(lock->Unlocking());

    // A press that starts no swipe does not follow moves either.
    lock->LockTimerTimer();
    QTest::mousePress(shield(), Qt::LeftButton, {}, QPoint(100, 500));
    QTest::mouseMove(shield(), QPoint(400, 500));
    EXPECT_FALSE(lock->Unlocking());
    EXPECT_FALSE(messageShown());
    QTest::mouseRelease(shield(), Qt::LeftButton, {}, QPoint(400, 500));
}

TEST_F(LockTest, MessageGoesAfterItsTimeAndATapBringsItBack) {
    lock->LockTimer()->setInterval(20);
    lock->LockDisplay();
    QElapsedTimer waited;
    waited.start();
    while (messageShown() && waited.elapsed() < 5000) QTest::qWait(10);
    EXPECT_FALSE(messageShown());
    EXPECT_FALSE(lock->LockTimer()->isActive());
    EXPECT_TRUE(lock->IsLocked()); // the shield stays

    QTest::mouseClick(shield(), Qt::LeftButton, {}, QPoint(600, 600));
    EXPECT_TRUE(messageShown());
    EXPECT_EQ(text(), Locked);
    EXPECT_TRUE(lock->LockTimer()->isActive());
    EXPECT_TRUE(lock->IsLocked());
}

TEST_F(LockTest, ShieldKeepsTouchesFromTheFormUntilUnlocked) {
    int clicks = 0;
    QObject::connect(mapButton, &QPushButton::clicked, [&] { ++clicks; });
    const QPoint onButton = mapButton->geometry().center();
    lock->LockDisplay();
    QTest::mouseClick(host->childAt(onButton), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(host->childAt(onButton), shield());
    EXPECT_EQ(clicks, 0);

    mouseSwipe({700, 600}, {20, 20});
    ASSERT_FALSE(lock->IsLocked());
    QWidget* under = host->childAt(onButton);
    ASSERT_EQ(under, mapButton);
    QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(host.get(), onButton));
    EXPECT_EQ(clicks, 1);
}

} // namespace
