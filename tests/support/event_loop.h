#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace testing_support {

// Runs the event loop for `ms` milliseconds (real players and timers need it).
inline void spinFor(int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Runs the event loop until `done()` holds, at most `timeoutMs`; returns `done()`.
template <typename Condition>
bool spinUntil(Condition done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

} // namespace testing_support
