// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/stream_clock.h"

#include <algorithm>
#include <cmath>

namespace platform {

StreamClock::StreamClock(int rate, std::int64_t leadFrames)
    : m_rate(rate)
    , m_lead(leadFrames)
{
}

void StreamClock::observe(double wallSeconds, std::int64_t firstFrame)
{
    // A window counts as steady when the device took at least this share of real time.
    constexpr double kSteadyShare = 0.8;
    const double offset = wallSeconds - static_cast<double>(firstFrame) / m_rate;
    if (!m_started) {
        m_started = true;
        m_windowStart = wallSeconds;
        m_windowStartFrame = firstFrame;
        m_currentMin = m_previousMin = offset;
        return;
    }
    m_currentMin = std::min(m_currentMin, offset);
    const double windowLength = wallSeconds - m_windowStart;
    if (windowLength < kWindowSeconds)
        return;
    // Two windows, so the bound moves on with the device without ever forgetting the
    // last full window; a window in which the device stalled is not remembered at all.
    const double consumed = static_cast<double>(firstFrame - m_windowStartFrame) / m_rate;
    m_ready = consumed >= kSteadyShare * windowLength;
    m_previousMin = m_ready ? m_currentMin : offset;
    m_currentMin = offset;
    m_windowStart = wallSeconds;
    m_windowStartFrame = firstFrame;
}

double StreamClock::offset() const
{
    return std::min(m_currentMin, m_previousMin);
}

std::int64_t StreamClock::frameAt(double wallSeconds) const
{
    return static_cast<std::int64_t>(std::llround((wallSeconds - offset()) * m_rate)) + m_lead;
}

double StreamClock::wallAt(std::int64_t frame) const
{
    return static_cast<double>(frame - m_lead) / m_rate + offset();
}

} // namespace platform
