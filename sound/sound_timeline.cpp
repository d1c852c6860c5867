// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sound_timeline.h"

#include <algorithm>

namespace platform {

SoundTimeline::Placed SoundTimeline::placeFirst(std::int64_t frames, std::uint64_t generation,
                                                std::int64_t firstWritable)
{
    return place(frames, generation, std::max(firstWritable, m_lastEnd));
}

SoundTimeline::Placed SoundTimeline::placeAfter(std::int64_t frames, std::uint64_t generation,
                                                std::int64_t gapFrames, std::int64_t firstWritable)
{
    return place(frames, generation, std::max(m_lastEnd + std::max<std::int64_t>(gapFrames, 0), firstWritable));
}

SoundTimeline::Placed SoundTimeline::place(std::int64_t frames, std::uint64_t generation, std::int64_t start)
{
    const Placed placed{generation, start, start + std::max<std::int64_t>(frames, 0), m_lastEnd};
    m_placed.push_back(placed);
    m_lastEnd = placed.end;
    return placed;
}

std::optional<SoundTimeline::Placed> SoundTimeline::withdraw(std::uint64_t generation)
{
    const auto found = std::find_if(m_placed.begin(), m_placed.end(),
                                    [generation](const Placed &placed) { return placed.generation == generation; });
    if (found == m_placed.end())
        return std::nullopt;
    const Placed withdrawn = *found;
    // Only the last sound placed can be due no more; the chain steps back over it.
    if (withdrawn.end == m_lastEnd)
        m_lastEnd = withdrawn.previousEnd;
    m_placed.erase(found);
    return withdrawn;
}

std::optional<SoundTimeline::Placed> SoundTimeline::find(std::uint64_t generation) const
{
    const auto found = std::find_if(m_placed.begin(), m_placed.end(),
                                    [generation](const Placed &placed) { return placed.generation == generation; });
    if (found == m_placed.end())
        return std::nullopt;
    return *found;
}

void SoundTimeline::forgetHeard(std::int64_t heardFrame)
{
    m_placed.erase(std::remove_if(m_placed.begin(), m_placed.end(),
                                  [heardFrame](const Placed &placed) { return placed.end < heardFrame; }),
                   m_placed.end());
}

} // namespace platform
