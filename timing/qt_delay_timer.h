// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/delay_timer.h"

#include "timing/precise_deadline.h"

namespace platform {

// The reading delay on the event loop, due to the microsecond: coarse timers may fire 5%
// early or late, and even Qt's precise ones a millisecond or more late, which the
// learner hears as uneven pacing.
class QtDelayTimer : public reading::DelayTimer
{
public:
    QtDelayTimer();

    void setInterval(int milliseconds) override;
    int interval() const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;

private:
    void reached();

    PreciseDeadline m_deadline;
    int m_interval = 0;
    bool m_enabled = false;
    PreciseDeadline::Clock::time_point m_due;
};

} // namespace platform
