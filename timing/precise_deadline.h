// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <chrono>

class QSocketNotifier;
class QTimer;

namespace platform {

// A one-shot wake-up at an exact moment of the steady clock, with no busy waiting:
// Qt's timers count whole milliseconds, the end of a sound is wanted to the frame.
// On Linux a timerfd with nanosecond expiry wakes the event loop; elsewhere a precise
// Qt timer stands in.
class PreciseDeadline : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit PreciseDeadline(QObject *parent = nullptr);
    ~PreciseDeadline() override;

    // A moment already past is reached at the next turn of the event loop.
    void start(Clock::time_point at);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void reached();

private:
    void expire();

    bool m_active = false;
#ifdef Q_OS_LINUX
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
#else
    QTimer *m_timer = nullptr;
#endif
};

} // namespace platform
