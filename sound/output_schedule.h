// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/output_sound.h"
#include "sound/stream_clock.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// The sounds placed in one output stream, and the mixing of each device buffer.
//
// A sound is placed at the frame that matches the moment it is played (see StreamClock),
// so the pacing is exact to the frame. Two rules keep every sound whole and in order
// whatever the device does: a sound never starts before the last frame of a sound placed
// earlier, and while the device is not consuming in real time (not started yet, stalled,
// waking up) sounds are simply queued one after the other, and the end of a sound is
// known only once the device has taken its last frame.
//
// Not thread-safe: the player calls it with the device lock held.
class OutputSchedule
{
public:
    using Samples = OutputSound;

    struct Placement
    {
        std::int64_t startFrame = 0;
        // Seconds from the moment of playing to the sound's last frame.
        double secondsToEnd = 0.0;
    };

    OutputSchedule(int rate, int channels, std::int64_t leadFrames);

    // Places a sound asked for at `now` (seconds on the player's clock).
    Placement place(std::shared_ptr<const Samples> samples, std::uint64_t generation, double now);
    // Drops a sound that has not ended; the next one starts afresh.
    void cancel(std::uint64_t generation);
    // The end of the sound placed last was told exactly at `endTold`: the reading goes on
    // from there. An end told late (the device was not consuming) breaks the chain.
    void chainFrom(double endTold);
    void breakChain() { m_chained = false; }

    // Mixes the next device buffer of `count` samples into `out`, observed at `now`.
    // Returns the generation whose last frame this buffer took, or 0.
    std::uint64_t fill(float *out, int count, double now);

    bool isSteady() const { return m_clock.isReady(); }
    // The generation whose last frame the device took most recently.
    std::uint64_t lastEndTaken() const { return m_lastEndTaken; }

private:
    struct Scheduled
    {
        std::shared_ptr<const Samples> samples;
        std::int64_t startFrame = 0;
        std::uint64_t generation = 0;
        bool begun = false;
        bool endTaken = false;

        std::int64_t endFrame(int channels) const
        {
            return startFrame + static_cast<std::int64_t>(samples->size()) / channels;
        }
    };

    std::int64_t nominalFrame(double now) const;
    std::int64_t tailFrame() const;

    int m_rate;
    int m_channels;
    std::int64_t m_lead;
    StreamClock m_clock;
    std::vector<Scheduled> m_scheduled;
    std::int64_t m_streamFrame = 0; // first frame of the next device buffer
    std::uint64_t m_lastEndTaken = 0;

    // Where the last sound ended and when that end was told: the next sound is placed
    // from there, so a change in the device's write-ahead cannot bend the gap.
    bool m_chained = false;
    std::int64_t m_lastEndFrame = 0;
    double m_lastEndTold = 0.0;
};

} // namespace platform
