// Waiting in a test for what the event loop brings about. (Qt's QTRY_ macros return from a test
// function on a timeout without failing a googletest test, so a wait that ran out would pass.)
#pragma once

#include <QDeadlineTimer>
#include <QTest>

// Lets the event loop run until `done()` holds or `ms` milliseconds pass; answers whether it holds.
template <class F> bool waitUntil(F&& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}
