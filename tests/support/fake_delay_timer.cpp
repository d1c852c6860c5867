// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_delay_timer.h"

namespace testing_support {

void FakeDelayTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        scheduleNextTick();
    else
        m_clock.cancel(m_scheduled);
}

void FakeDelayTimer::scheduleNextTick()
{
    m_scheduled = m_clock.schedule(m_interval, [this] {
        ++m_ticks;
        scheduleNextTick(); // periodic, until a tick handler disables it
        tick();
    });
}

} // namespace testing_support
