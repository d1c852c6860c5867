// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/qt_delay_timer.h"

namespace platform {

QtDelayTimer::QtDelayTimer()
{
    QObject::connect(&m_deadline, &PreciseDeadline::reached, &m_deadline, [this] { reached(); });
}

void QtDelayTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
}

int QtDelayTimer::interval() const
{
    return m_interval;
}

void QtDelayTimer::setEnabled(bool enabled)
{
    if (enabled && !m_enabled) {
        m_enabled = true;
        m_due = PreciseDeadline::Clock::now() + std::chrono::milliseconds(m_interval);
        m_deadline.start(m_due);
    } else if (!enabled) {
        m_enabled = false;
        m_deadline.stop();
    }
}

bool QtDelayTimer::isEnabled() const
{
    return m_enabled;
}

// A periodic timer: it ticks again an interval after it was due, until switched off.
void QtDelayTimer::reached()
{
    if (!m_enabled)
        return;
    tick();
    if (m_enabled) {
        m_due += std::chrono::milliseconds(m_interval);
        m_deadline.start(m_due);
    }
}

} // namespace platform
