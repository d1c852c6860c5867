// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// The sounds placed on one output stream, in the stream's own frames.
//
// A sound that follows another starts exactly its gap after that one's end, wherever the
// thread that hands it over stands; a sound that follows none starts at the first frame
// the server has not read yet. No sound ever starts before the end of one placed earlier,
// nor where the server has already read: a sound handed over too late starts late, never
// early, and is never cut.
class SoundTimeline
{
public:
    struct Placed
    {
        std::uint64_t generation = 0;
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::int64_t previousEnd = 0; // where the chain stood before it
    };

    // `firstWritable`: the first frame the server has not read yet.
    Placed placeFirst(std::int64_t frames, std::uint64_t generation, std::int64_t firstWritable);
    Placed placeAfter(std::int64_t frames, std::uint64_t generation, std::int64_t gapFrames,
                      std::int64_t firstWritable);
    // A sound taken back: the chain goes on from the sound before it. Returns where it
    // was, to be silenced.
    std::optional<Placed> withdraw(std::uint64_t generation);
    std::optional<Placed> find(std::uint64_t generation) const;
    // Sounds heard to their end are no longer looked after.
    void forgetHeard(std::int64_t heardFrame);
    std::int64_t lastEnd() const { return m_lastEnd; }

private:
    Placed place(std::int64_t frames, std::uint64_t generation, std::int64_t start);

    std::vector<Placed> m_placed; // in order
    std::int64_t m_lastEnd = 0;
};

} // namespace platform
