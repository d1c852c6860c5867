// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/output_schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

OutputSchedule::OutputSchedule(int rate, int channels, std::int64_t leadFrames)
    : m_rate(rate)
    , m_channels(channels)
    , m_lead(leadFrames)
    , m_clock(rate, leadFrames)
{
    m_scheduled.reserve(16);
}

OutputSchedule::Placement OutputSchedule::place(std::shared_ptr<const Samples> samples, std::uint64_t generation,
                                                double now)
{
    const std::int64_t nominal = nominalFrame(now);
    // Never where the device has already written, never over a sound placed earlier.
    const std::int64_t start = std::max({nominal, m_streamFrame, tailFrame()});
    const std::int64_t frames = static_cast<std::int64_t>(samples->size()) / m_channels;
    m_scheduled.push_back(Scheduled{std::move(samples), start, generation, false, false});
    m_lastEndFrame = start + frames;
    return Placement{start, static_cast<double>(start - nominal + frames) / m_rate};
}

void OutputSchedule::cancel(std::uint64_t generation)
{
    m_scheduled.erase(std::remove_if(m_scheduled.begin(), m_scheduled.end(),
                                     [generation](const Scheduled &sound) { return sound.generation == generation; }),
                      m_scheduled.end());
    m_chained = false;
}

void OutputSchedule::chainFrom(double endTold)
{
    m_chained = true;
    m_lastEndTold = endTold;
}

std::uint64_t OutputSchedule::fill(float *out, int count, double now)
{
    const std::int64_t bufferStart = m_streamFrame;
    const std::int64_t bufferEnd = bufferStart + count / m_channels;
    m_clock.observe(now, bufferStart);
    std::fill(out, out + count, 0.0f);

    std::uint64_t taken = 0;
    for (Scheduled &sound : m_scheduled) {
        // A sound placed where the device has already written starts right away.
        if (!sound.begun && sound.startFrame < bufferStart)
            sound.startFrame = bufferStart;
        const std::int64_t end = sound.endFrame(m_channels);
        const std::int64_t from = std::max(sound.startFrame, bufferStart);
        const std::int64_t to = std::min(end, bufferEnd);
        if (from < to) {
            sound.begun = true;
            // What has not arrived from the decoder in time is silence.
            const std::int64_t arrived = sound.startFrame + static_cast<std::int64_t>(sound.samples->ready()) / m_channels;
            const float *source = sound.samples->data() + (from - sound.startFrame) * m_channels;
            float *target = out + (from - bufferStart) * m_channels;
            for (std::int64_t i = 0; i < (std::min(to, arrived) - from) * m_channels; ++i)
                target[i] += source[i];
        }
        if (sound.begun && !sound.endTaken && end <= bufferEnd) {
            sound.endTaken = true;
            taken = sound.generation;
            m_lastEndTaken = taken;
        }
    }
    m_scheduled.erase(std::remove_if(m_scheduled.begin(), m_scheduled.end(),
                                     [](const Scheduled &sound) { return sound.endTaken; }),
                      m_scheduled.end());
    m_streamFrame = bufferEnd;
    return taken;
}

// The frame matching `now`: from the end of the previous sound when the reading goes
// on from it, else from the stream clock; while the clock does not follow the device
// yet, just beyond what the device has taken.
//
// A chain of sounds is kept within reach of the clock: the device's clock and its
// buffering drift against the wall clock (a few hundred parts per million here), so
// the chain is eased towards the clock by at most kLargestStep per sound.
std::int64_t OutputSchedule::nominalFrame(double now) const
{
    constexpr double kLongestChainGapSeconds = 2.0;
    constexpr double kLargestChainDriftSeconds = 0.1;
    constexpr double kLargestStepSeconds = 0.0005;
    if (!m_clock.isReady())
        return m_streamFrame + m_lead;
    const std::int64_t fromClock = m_clock.frameAt(now);
    if (!m_chained || now - m_lastEndTold >= kLongestChainGapSeconds)
        return fromClock;

    const std::int64_t fromLastEnd =
        m_lastEndFrame + static_cast<std::int64_t>(std::llround((now - m_lastEndTold) * m_rate));
    const std::int64_t behind = fromClock - fromLastEnd;
    if (std::llabs(behind) >= static_cast<std::int64_t>(kLargestChainDriftSeconds * m_rate))
        return fromClock;
    const auto largestStep = static_cast<std::int64_t>(kLargestStepSeconds * m_rate);
    const std::int64_t halfLead = m_lead / 4; // half a device buffer
    if (behind > halfLead)
        return fromLastEnd + std::min(behind - halfLead, largestStep);
    if (behind < -2 * halfLead)
        return fromLastEnd + std::max(behind + 2 * halfLead, -largestStep);
    return fromLastEnd;
}

std::int64_t OutputSchedule::tailFrame() const
{
    std::int64_t tail = 0;
    for (const Scheduled &sound : m_scheduled)
        tail = std::max(tail, sound.endFrame(m_channels));
    return tail;
}

} // namespace platform
