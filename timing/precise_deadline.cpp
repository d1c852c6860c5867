// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/precise_deadline.h"

#ifdef Q_OS_LINUX
#include <QSocketNotifier>
#include <sys/timerfd.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#else
#include <QTimer>
#endif

namespace platform {

#ifdef Q_OS_LINUX

// libstdc++'s steady_clock is CLOCK_MONOTONIC, the clock the timerfd counts on.
PreciseDeadline::PreciseDeadline(QObject *parent)
    : QObject(parent)
    , m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd < 0) {
        qWarning("timerfd_create failed: %s", qPrintable(qt_error_string(errno)));
        return;
    }
    // Left enabled: the descriptor is readable only once the deadline is reached.
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PreciseDeadline::expire);
}

PreciseDeadline::~PreciseDeadline()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void PreciseDeadline::start(Clock::time_point at)
{
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
    itimerspec spec{};
    // Zero would disarm the timer: a moment already past is the first nanosecond.
    spec.it_value.tv_sec = static_cast<time_t>(sinceEpoch / 1000000000);
    spec.it_value.tv_nsec = static_cast<long>(sinceEpoch % 1000000000);
    if (spec.it_value.tv_sec <= 0 && spec.it_value.tv_nsec <= 0)
        spec.it_value.tv_nsec = 1;
    m_active = true;
    // Setting the timer again also clears an expiry that was not read yet.
    if (m_fd < 0 || ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &spec, nullptr) != 0)
        QMetaObject::invokeMethod(this, &PreciseDeadline::expire, Qt::QueuedConnection);
}

void PreciseDeadline::stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_fd < 0)
        return;
    const itimerspec disarmed{};
    ::timerfd_settime(m_fd, 0, &disarmed, nullptr);
}

void PreciseDeadline::expire()
{
    if (m_fd >= 0) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const ssize_t got = ::read(m_fd, &expirations, sizeof expirations);
    }
    if (!m_active)
        return;
    m_active = false;
    emit reached();
}

#else

PreciseDeadline::PreciseDeadline(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PreciseDeadline::expire);
}

PreciseDeadline::~PreciseDeadline() = default;

void PreciseDeadline::start(Clock::time_point at)
{
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(at - Clock::now()).count();
    m_active = true;
    m_timer->start(static_cast<int>(std::max<long long>(0, remaining)));
}

void PreciseDeadline::stop()
{
    m_active = false;
    m_timer->stop();
}

void PreciseDeadline::expire()
{
    if (!m_active)
        return;
    m_active = false;
    emit reached();
}

#endif

} // namespace platform
