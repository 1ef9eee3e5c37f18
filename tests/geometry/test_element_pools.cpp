// Element pools across threads: memory freed on another thread than the one that allocated it is
// used again, and cells are never handed out twice while frees and allocations race.
#include <gtest/gtest.h>

#include "framework/Elements.h"
#include "geometry/G_Elems.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

using namespace zelto;

namespace {

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

void runOnNewThread(const std::function<void()>& work) {
    std::unique_ptr<QThread> t(QThread::create(work));
    t->start();
    ASSERT_TRUE(t->wait(QDeadlineTimer(120'000)));
}

// Coordinates in lists of a thousand, like lines' vertices: one list of millions would be a
// block that the C library maps afresh or keeps after the first round, which the figures would
// count as well.
TQuickEntity* buildCoordinates(int n) {
    auto* all = new TQuickEntity;
    for (int i = 0; i < n; i += 1000) {
        auto* line = new TQuickEntity;
        for (int j = i; j < i + 1000; ++j) line->AddElement(new T2DCoordinate(j, -j));
        all->AddElement(line);
    }
    return all;
}

struct Direction {
    const char* name;
    bool buildOnWorker; // else the worker frees what the main thread built
};

} // namespace

TEST(ElementPoolsTest, ResidentSizeStaysFlatWhenAnotherThreadFrees) {
#if defined(__SANITIZE_ADDRESS__) || ZELTO_HAS_ASAN
    GTEST_SKIP() << "sanitizer builds take elements from the global heap, whose quarantine keeps "
                    "freed memory resident on purpose";
#endif
    constexpr int Coordinates = 1'000'000;
    constexpr int Rounds = 5;
    // Main first: the other direction leaves free cells in the main thread's pool, which would
    // serve the main thread's rounds whatever happens to the cells the workers free.
    for (const Direction d : {Direction{"built on main, freed on a new thread", false},
                              Direction{"built on a new thread, freed on main", true}}) {
        SCOPED_TRACE(d.name);
        long afterFirst = 0, afterLast = 0;
        for (int round = 0; round < Rounds; ++round) {
            TQuickEntity* built = nullptr;
            if (d.buildOnWorker) {
                runOnNewThread([&built] { built = buildCoordinates(Coordinates); });
                ASSERT_EQ(built->ElementsCount(), Coordinates / 1000);
                delete built;
            } else {
                built = buildCoordinates(Coordinates);
                runOnNewThread([built] { delete built; });
            }
            afterLast = residentKb();
            if (round == 0) afterFirst = afterLast;
        }
        ASSERT_GT(afterFirst, 0);
        EXPECT_LE(afterLast, afterFirst + afterFirst / 10) << "kB after the first round " << afterFirst;
    }
}

TEST(ElementPoolsTest, CellsFreedWhileTheirThreadAllocatesAreNeverHandedOutTwice) {
    // A worker builds batches while the main thread checks and frees the earlier ones, so frees
    // into the worker's pool race with its allocations. A cell handed out twice would show as a
    // coordinate whose values another one overwrote.
    constexpr int Batches = 40;
    constexpr int PerBatch = 25'000;
    QMutex mutex;
    std::deque<std::vector<T2DCoordinate*>> ready;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int b = 0; b < Batches; ++b) {
            std::vector<T2DCoordinate*> batch;
            batch.reserve(PerBatch);
            for (int i = 0; i < PerBatch; ++i) batch.push_back(new T2DCoordinate(b, i));
            QMutexLocker lock(&mutex);
            ready.push_back(std::move(batch));
        }
    }));
    worker->start();
    int checked = 0, wrong = 0;
    for (int b = 0; b < Batches;) {
        std::vector<T2DCoordinate*> batch;
        {
            QMutexLocker lock(&mutex);
            if (!ready.empty()) {
                batch = std::move(ready.front());
                ready.pop_front();
            }
        }
        if (batch.empty()) {
            QThread::yieldCurrentThread();
            continue;
        }
        for (int i = 0; i < PerBatch; ++i) {
            if (batch[i]->FX != b || batch[i]->FY != i) ++wrong;
            delete batch[i];
            ++checked;
        }
        ++b;
    }
    ASSERT_TRUE(worker->wait(QDeadlineTimer(120'000)));
    EXPECT_EQ(checked, Batches * PerBatch);
    EXPECT_EQ(wrong, 0);
}
