// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manual_clock.h"
#include "reading/delay_timer.h"

namespace testing_support {

// A periodic timer on the manual clock.
class FakeDelayTimer : public reading::DelayTimer
{
public:
    explicit FakeDelayTimer(ManualClock &clock)
        : m_clock(clock)
    {
    }

    void setInterval(int milliseconds) override { m_interval = milliseconds; }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }

    int ticks() const { return m_ticks; }

private:
    void scheduleNextTick();

    ManualClock &m_clock;
    int m_interval = 0;
    bool m_enabled = false;
    int m_ticks = 0;
    ManualClock::Id m_scheduled = 0;
};

} // namespace testing_support
