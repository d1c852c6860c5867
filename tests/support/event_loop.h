// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace testing_support {

// Runs the event loop until `done()` holds, at most `timeoutMs`; returns `done()`.
// The loop sleeps between events (processEvents with a time limit would spin, and a
// spinning test starves the very sound path it measures); a coarse timer wakes it to
// look at the condition and the clock (a benchmark that measures the program's own
// wake-ups looks less often).
template <typename Condition>
bool spinUntil(Condition done, int timeoutMs, int lookEveryMs = 5)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wakeUp;
    wakeUp.start(lookEveryMs);
    while (!done() && elapsed.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Runs the event loop for `ms` milliseconds (real players and timers need it).
inline void spinFor(int ms)
{
    spinUntil([] { return false; }, ms);
}

} // namespace testing_support
