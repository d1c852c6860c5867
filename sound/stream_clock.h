// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace platform {

// Ties the output stream's frames to the wall clock, so a sound can be placed in the
// stream at the exact frame that matches the moment it is asked for, and its end told
// at the moment that matches its last frame, whatever the device's buffer size.
//
// Each device callback is observed with its time and its first frame. The smallest
// "time minus frame time" over the last quarter to half second bounds how far ahead the
// device can have written at any moment (a short memory, so that a device that stalled
// and caught up is soon followed again); `lead` frames beyond that bound are always still
// unwritten, so a sound placed there starts exactly where it was placed.
class StreamClock
{
public:
    StreamClock(int rate, std::int64_t leadFrames);

    void observe(double wallSeconds, std::int64_t firstFrame);
    // True once the device has consumed the stream in real time for a whole window: a
    // stream that has just started, or stalled, is not followed until then.
    bool isReady() const { return m_ready; }

    // The frame at which something asked for at `wallSeconds` is placed.
    std::int64_t frameAt(double wallSeconds) const;
    // The moment that matches `frame` (the inverse of frameAt).
    double wallAt(std::int64_t frame) const;

private:
    static constexpr double kWindowSeconds = 0.25;

    double offset() const;

    int m_rate;
    std::int64_t m_lead;
    bool m_started = false;
    bool m_ready = false;
    double m_windowStart = 0.0;
    std::int64_t m_windowStartFrame = 0;
    double m_currentMin = 0.0;
    double m_previousMin = 0.0;
};

} // namespace platform
