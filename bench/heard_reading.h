// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "event_loop.h"
#include "recording_analysis.h"
#include "timed_recorder.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace testing_support {

// What the null sink played while a scenario ran, and when.
class HeardReading
{
public:
    bool start()
    {
        if (!m_recorder.start())
            return false;
        spinFor(150);
        return true;
    }
    // Keeps on recording `tailMs` for the last sound to come out.
    void stop(int tailMs, int delayMs)
    {
        spinFor(tailMs);
        m_recording = m_recorder.stop();
        m_bursts = findReadingSounds(m_recording, delayMs);
    }
    size_t count() const { return m_bursts.size(); }
    // Was sound i heard at its full length (within 3 ms), unbroken?
    bool whole(size_t i, double lengthMs) const { return std::abs(heardMs(m_bursts[i], m_recording.rate) - lengthMs) <= 3.0; }
    void describe() const
    {
        for (const Burst &burst : m_bursts)
            std::fprintf(stderr, "  sound at %.1f ms, %.1f ms long, %.0f Hz\n", 1000.0 * burst.onset / m_recording.rate,
                         heardMs(burst, m_recording.rate), burst.frequencyHz);
    }
    // Milliseconds from `askedAt` (steady clock seconds) to the onset of sound i.
    double sinceMs(double askedAt, size_t i) const { return 1000.0 * (m_recorder.momentOf(m_bursts[i].onset) - askedAt); }
    // The gap before sound i, due 0; sound i - 1 lasts `previousMs`.
    double gapBefore(size_t i, double previousMs, int delayMs) const
    {
        return onsetGapMs(m_bursts, i, m_recording.rate) - previousMs - delayMs;
    }

private:
    TimedRecorder m_recorder;
    Recording m_recording;
    std::vector<Burst> m_bursts;
};

} // namespace testing_support
