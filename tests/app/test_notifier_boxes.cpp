// The message-box notifier: boxes only on the UI thread, one box per burst, no nested event loop,
// texts as plain text.
#include "AppNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

using namespace zelto;

namespace {

QList<QMessageBox*> openBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes << box;
    return boxes;
}

class NotifierBoxes : public ::testing::Test {
protected:
    void TearDown() override {
        for (QMessageBox* box : openBoxes()) box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    MessageBoxNotifier notifier;
};

} // namespace

TEST_F(NotifierBoxes, ABurstBecomesOneBoxWithTheCountAndTheFirstLines) {
    const int n = 300;
    for (int i = 0; i < n; ++i) notifier.message(QStringLiteral("řádek %1 poškozen").arg(i));
    EXPECT_TRUE(openBoxes().isEmpty()) << "a box before the event loop ran";
    QCoreApplication::processEvents();
    const QList<QMessageBox*> boxes = openBoxes();
    ASSERT_EQ(boxes.size(), 1);
    const QString text = boxes[0]->text();
    EXPECT_TRUE(text.contains(QString::number(n))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("řádek 0 poškozen"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("řádek 9 poškozen"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("řádek 10 poškozen"))) << text.toStdString();
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::Information);
    // Every text is still recorded.
    EXPECT_EQ(notifier.messages().size(), n);

    // Texts arriving while that box is open join it.
    notifier.message(QStringLiteral("pozdní"));
    QCoreApplication::processEvents();
    ASSERT_EQ(openBoxes().size(), 1);
    EXPECT_TRUE(openBoxes()[0]->text().contains(QString::number(n + 1)));
}

TEST_F(NotifierBoxes, OneTextIsShownAsItIsAndAsPlainText) {
    const QString text = QStringLiteral("<b>Soubor</b> <img src=x> nelze přečíst");
    notifier.message(text);
    QCoreApplication::processEvents();
    const QList<QMessageBox*> boxes = openBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->text(), text);
    EXPECT_EQ(boxes[0]->textFormat(), Qt::PlainText);
}

TEST_F(NotifierBoxes, AnErrorIsAWindowModalBoxWithoutANestedEventLoop) {
    // A box run by exec() would spin this timer inside the call; it closes the box, so the box
    // would no longer be open when the call returns. (Posted events do not fire timers.)
    bool timerRanInside = false;
    QTimer closer; // dies with the test
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        timerRanInside = true;
        for (QMessageBox* box : openBoxes()) box->close();
    });
    closer.start();
    notifier.error(QStringLiteral("chyba 1"));
    notifier.error(QStringLiteral("chyba 2"));
    notifier.message(QStringLiteral("zpráva"));
    EXPECT_FALSE(timerRanInside);
    EXPECT_TRUE(openBoxes().isEmpty());
    QCoreApplication::sendPostedEvents(); // runs the queued showing, not the timer
    EXPECT_FALSE(timerRanInside);
    const QList<QMessageBox*> boxes = openBoxes();
    ASSERT_EQ(boxes.size(), 2); // one per kind
    QMessageBox* errorBox = boxes[0]->icon() == QMessageBox::Critical ? boxes[0] : boxes[1];
    EXPECT_EQ(errorBox->icon(), QMessageBox::Critical);
    EXPECT_EQ(errorBox->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(errorBox->text().contains(QStringLiteral("chyba 1")));
    EXPECT_TRUE(errorBox->text().contains(QStringLiteral("chyba 2")));
    EXPECT_FALSE(errorBox->text().contains(QStringLiteral("zpráva")));
    EXPECT_EQ(notifier.errors(), (QStringList{"chyba 1", "chyba 2"}));
}

TEST_F(NotifierBoxes, TextsFromAWorkerThreadAreShownOnTheUiThread) {
    std::thread worker([this] {
        for (int i = 0; i < 200; ++i) notifier.error(QStringLiteral("vlákno %1").arg(i));
    });
    worker.join();
    EXPECT_TRUE(openBoxes().isEmpty());
    QCoreApplication::processEvents();
    const QList<QMessageBox*> boxes = openBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->thread(), QCoreApplication::instance()->thread());
    EXPECT_TRUE(boxes[0]->text().contains(QStringLiteral("200")));
    EXPECT_EQ(notifier.errors().size(), 200);
}

TEST_F(NotifierBoxes, AQueuedBurstOfAGoneNotifierShowsNothing) {
    {
        MessageBoxNotifier gone;
        gone.message(QStringLiteral("zapomenuto"));
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(openBoxes().isEmpty());
}
