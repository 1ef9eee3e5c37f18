// Progress bookkeeping: processes in "Processes", the bar following the process that reported
// last, unknown and repeated reports, and reports that come from real tools through the world.
#include "lock/ProgressController.h"

#include "framework/Tools.h"
#include "framework/Worlds.h"
#include "world_scope.h"

#include <QLabel>
#include <QProgressBar>
#include <gtest/gtest.h>

#include <QHash>

#include <memory>

using namespace zelto;

namespace {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar = std::make_unique<QProgressBar>();
        label = std::make_unique<QLabel>();
        indicator = std::make_unique<QWidget>();
        progress = std::make_unique<TProgressController>(bar.get(), label.get(), indicator.get());
    }

    QStringList processNames() {
        QStringList names;
        for (TElement* e : progress->Proc()->FElements) names << e->GetName();
        return names;
    }
    void expectBar(int min, int max, int value) {
        EXPECT_EQ(bar->minimum(), min);
        EXPECT_EQ(bar->maximum(), max);
        EXPECT_EQ(bar->value(), value);
    }

    std::unique_ptr<QProgressBar> bar;
    std::unique_ptr<QLabel> label;
    std::unique_ptr<QWidget> indicator;
    std::unique_ptr<TProgressController> progress;
};

TEST_F(ProgressTest, StartFilesTheProcessAndSetsTheBar) {
    const qint64 id = 0x7f12'3456'7890; // a sender's address needs more than 32 bits
    progress->OnProgress(id, tm_StartProgress, QStringLiteral("Tvorba ploch"), QString(), 5, 70, 33);
    EXPECT_EQ(progress->Proc()->GetName(), QStringLiteral("Processes"));
    EXPECT_EQ(processNames(), QStringList{QString::number(id)});
    TProgressElem* e = progress->FindProcess(id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetPropertyStringByName("_Name"), QStringLiteral("Tvorba ploch"));
    EXPECT_EQ(e->GetPropertyStringByName("_ID"), QString::number(id));
    EXPECT_EQ(e->FMin, 5);
    EXPECT_EQ(e->FMax, 70);
    EXPECT_EQ(e->FProgress, 5); // a start begins at the minimum
    EXPECT_EQ(progress->ActiveProgress(), id);
    expectBar(5, 70, 5);

    progress->OnProgress(id, tm_ProgressText, QString(), QStringLiteral("Lin 4"), 0, 0, 0);
    EXPECT_EQ(e->FText, QStringLiteral("Lin 4"));
    progress->OnProgress(id, 99, QString(), QStringLiteral("any other"), 0, 0, 0);
    EXPECT_EQ(e->FText, QStringLiteral("any other"));
    progress->OnProgress(id, tm_Progress, QString(), QString(), 0, 0, 40);
    expectBar(5, 70, 40);
    progress->OnProgress(id, tm_EndProgress, QString(), QString(), 0, 0, 0);
    EXPECT_TRUE(processNames().isEmpty());
    EXPECT_EQ(progress->ActiveProgress(), 0);
}

TEST_F(ProgressTest, BarFollowsWhicheverProcessReportedLast) {
    const qint64 a = 1000, b = 2000;
    progress->Zelto_ProgressStart(a, QStringLiteral("A"), 0, 100, 0);
    progress->Zelto_ProgressStart(b, QStringLiteral("B"), 10, 20, 10);
    expectBar(10, 20, 10);
    progress->Zelto_Progress(a, 40);
    EXPECT_EQ(progress->ActiveProgress(), a);
    expectBar(0, 100, 40);
    progress->Zelto_Progress(b, 15);
    EXPECT_EQ(progress->ActiveProgress(), b);
    expectBar(10, 20, 15);
    // A new maximum brings its process's whole range and position back.
    progress->Zelto_ProgressMax(a, 200);
    EXPECT_EQ(progress->ActiveProgress(), a);
    expectBar(0, 200, 40);
    progress->Zelto_ProgressMax(a, 300);
    expectBar(0, 300, 40);

    // B ends while A runs on: nothing is followed until A reports again.
    progress->Zelto_ProgressEnd(b);
    EXPECT_EQ(progress->ActiveProgress(), 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(processNames(), QStringList{QStringLiteral("1000")});
    progress->Zelto_Progress(a, 50);
    EXPECT_EQ(progress->ActiveProgress(), a);
    expectBar(0, 300, 50);
    // Values beyond the range show at its end rather than being dropped.
    progress->Zelto_Progress(a, 400);
    EXPECT_EQ(bar->value(), 300);
    EXPECT_EQ(progress->FindProcess(a)->FProgress, 400);
}

TEST_F(ProgressTest, ReportsOfUnknownProcessesAreIgnored) {
    progress->Zelto_ProgressStart(7, QStringLiteral("A"), 0, 10, 0);
    progress->Zelto_Progress(7, 3);
    for (int event : {int(tm_Progress), int(tm_MaxProgress), int(tm_ProgressText), int(tm_EndProgress)})
        progress->OnProgress(8, event, QStringLiteral("x"), QStringLiteral("y"), 50, 60, 55);
    EXPECT_EQ(progress->ActiveProgress(), 7);
    EXPECT_EQ(processNames(), QStringList{QStringLiteral("7")});
    expectBar(0, 10, 3);
    EXPECT_TRUE(progress->FindProcess(7)->FText.isEmpty());

    // An ended process is unknown from then on: its second end leaves the next process alone.
    progress->Zelto_ProgressEnd(7);
    progress->Zelto_ProgressStart(9, QStringLiteral("B"), 0, 5, 0);
    progress->Zelto_ProgressEnd(7);
    progress->Zelto_Progress(7, 2);
    EXPECT_EQ(progress->ActiveProgress(), 9);
    EXPECT_EQ(processNames(), QStringList{QStringLiteral("9")});

    // Reports without a sender cannot be told apart: none is filed.
    progress->Zelto_ProgressStart(0, QStringLiteral("none"), 0, 5, 0);
    EXPECT_EQ(processNames(), QStringList{QStringLiteral("9")});
    EXPECT_EQ(progress->ActiveProgress(), 9);
}

TEST_F(ProgressTest, ProcessStartedAgainKeepsOneElement) {
    progress->Zelto_ProgressStart(5, QStringLiteral("Spojování linií"), 0, 100, 0);
    progress->Zelto_ProgressText(5, QStringLiteral("Lin 3"));
    progress->Zelto_Progress(5, 60);
    progress->Zelto_ProgressStart(5, QStringLiteral("Dělení"), 0, 10, 0);
    EXPECT_EQ(processNames(), QStringList{QStringLiteral("5")});
    TProgressElem* e = progress->FindProcess(5);
    EXPECT_EQ(e->F_Name, QStringLiteral("Dělení"));
    EXPECT_EQ(e->FProgress, 0);
    EXPECT_TRUE(e->FText.isEmpty());
    expectBar(0, 10, 0);
    progress->Zelto_ProgressEnd(5);
    EXPECT_TRUE(processNames().isEmpty());
}

TEST_F(ProgressTest, BusyIndicatorShowsAndHidesWithItsText) {
    std::vector<bool> animation;
    progress->AnimateIndicator = [&](bool on) { animation.push_back(on); };
    label->hide();
    indicator->hide();
    progress->ShowBusy(QStringLiteral("Čtení Tras z /data"));
    EXPECT_TRUE(progress->IsBusy());
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(label->text(), QStringLiteral("Čtení Tras z /data"));
    progress->HideBusy();
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_TRUE(label->isHidden());
    EXPECT_EQ(animation, (std::vector<bool>{true, false}));
    // Without a text the label is left as it is.
    progress->ShowBusy();
    EXPECT_TRUE(label->isHidden());
}

TEST_F(ProgressTest, AnotherProcessesEntityReplacesAndFreesTheOldOne) {
    TOwnerEntity* first = progress->Proc();
    progress->Zelto_ProgressStart(3, QStringLiteral("A"), 0, 1, 0);
    TElement* element = progress->FindProcess(3);
    TDestructionWatch watch;
    watch.watch(first);
    watch.watch(element);
    auto* second = new TOwnerEntity;
    second->SetName(QStringLiteral("Processes"));
    progress->SetProc(second);
    EXPECT_FALSE(watch.alive(first));
    EXPECT_FALSE(watch.alive(element));
    EXPECT_EQ(progress->Proc(), second);
    EXPECT_EQ(progress->FindProcess(3), nullptr);
}

// The form's main tool as far as progress goes: the world hands it every message without a
// receiver, and it reports progress with the sending tool's address as its identity.
class ProgressMainTool : public TTechnology {
    ZELTO_CLASS(ProgressMainTool, TTechnology)
public:
    TProgressController* target = nullptr;
    void HandleMessage(TZeltoMessage& message, bool& handled) override {
        TTechnology::HandleMessage(message, handled);
        const qint64 id = qint64(reinterpret_cast<quintptr>(message.FSender));
        const int event = message.FMessage;
        if (event < tm_StartProgress || event > tm_ProgressText) return;
        if (auto* p = zelto_cast<TProgressMessage>(&message))
            target->OnProgress(id, event, p->FProcessName, QString(), p->FMinProgress, p->FMaxProgress,
                               p->FProgress);
        else if (auto* t = zelto_cast<TZeltoTextMessage>(&message))
            target->OnProgress(id, event, QString(), t->FMessageText, 0, 0, 0);
        else
            target->OnProgress(id, event, QString(), QString(), 0, 0, 0);
        handled = true;
    }
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(ProgressMainTool, TTechnology, "test")

TEST_F(ProgressTest, NestedToolsReportThroughTheWorld) {
    zelto::testing::WorldScope scope;
    TWorld* world = &scope.world();
    auto* mainTool = new ProgressMainTool;
    mainTool->target = progress.get();
    world->SetMainTool(mainTool);
    world->SubscribeToMessages();

    auto outer = std::make_unique<TTool>();
    auto inner = std::make_unique<TTool>();
    const qint64 outerId = qint64(reinterpret_cast<quintptr>(outer.get()));
    const qint64 innerId = qint64(reinterpret_cast<quintptr>(inner.get()));
    outer->StartProgress(QStringLiteral("Ukládání"), 0, 1000);
    outer->SetProgress(100);
    inner->StartProgress(QStringLiteral("Tvorba QTree"), 0, 50);
    inner->SetProgressText(QStringLiteral("Lin 1"));
    inner->SetProgress(25);
    EXPECT_EQ(progress->Proc()->ElementsCount(), 2);
    EXPECT_EQ(progress->ActiveProgress(), innerId);
    EXPECT_EQ(progress->FindProcess(innerId)->FText, QStringLiteral("Lin 1"));
    expectBar(0, 50, 25);
    inner->EndProgress();
    EXPECT_EQ(progress->ActiveProgress(), 0);
    outer->SetProgress(600);
    EXPECT_EQ(progress->ActiveProgress(), outerId);
    expectBar(0, 1000, 600);

    // A tool destroyed while its progress runs ends it.
    inner->StartProgress(QStringLiteral("Holes"), 0, 9);
    inner.reset();
    outer.reset();
    EXPECT_EQ(progress->Proc()->ElementsCount(), 0);
    EXPECT_EQ(progress->ActiveProgress(), 0);
}

} // namespace
