#pragma once

#include "reading/delay_timer.h"

#include <QTimer>

namespace platform {

// The reading delay on a precise Qt timer: coarse timers may fire 5% early or late,
// which the learner hears as uneven pacing.
class QtDelayTimer : public reading::DelayTimer
{
public:
    QtDelayTimer();

    void setInterval(int milliseconds) override;
    int interval() const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;

private:
    QTimer m_timer;
};

} // namespace platform
