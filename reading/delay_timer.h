// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace reading {

// The reading delay's timer: a periodic timer that its own tick handler switches off,
// so that it acts as a one-shot delay.
class DelayTimer
{
public:
    using TickHandler = std::function<void()>;

    virtual ~DelayTimer() = default;

    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling a timer that is already enabled leaves its running interval alone.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    void setTickHandler(TickHandler handler) { m_onTick = std::move(handler); }

protected:
    void tick()
    {
        if (m_onTick)
            m_onTick();
    }

private:
    TickHandler m_onTick;
};

} // namespace reading
