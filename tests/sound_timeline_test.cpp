// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sound_timeline.h"

#include <gtest/gtest.h>
#include <random>

using platform::SoundTimeline;

namespace {

constexpr std::int64_t kRate = 44100;
constexpr std::int64_t kGap = kRate / 10; // a 100 ms delay

// The sound server's stream as the timeline sees it: what the server has read, moved on
// by the test, and the margin a write needs to reach it.
struct FakeStream
{
    static constexpr std::int64_t kWriteMargin = kRate / 200;
    std::int64_t read = 0;
    std::int64_t firstWritable() const { return read + kWriteMargin; }
};

} // namespace

TEST(SoundTimeline, SoundsHandedAheadFollowEachOtherByExactlyTheirGap)
{
    FakeStream stream;
    stream.read = 1000;
    SoundTimeline timeline;
    SoundTimeline::Placed previous = timeline.placeFirst(kRate / 5, 1, stream.firstWritable());
    EXPECT_EQ(previous.start, stream.firstWritable()) << "a sound that follows none starts at once";
    std::mt19937 random(7);
    for (std::uint64_t generation = 2; generation < 50; ++generation) {
        // Handed over anywhere between the previous start and its end + gap.
        const auto span = static_cast<unsigned>(previous.end + kGap - FakeStream::kWriteMargin - previous.start);
        stream.read = previous.start + static_cast<std::int64_t>(random() % span);
        const std::int64_t frames = 100 + static_cast<std::int64_t>(random() % 20000);
        const SoundTimeline::Placed placed = timeline.placeAfter(frames, generation, kGap, stream.firstWritable());
        EXPECT_EQ(placed.start, previous.end + kGap) << generation;
        EXPECT_EQ(placed.end, placed.start + frames);
        previous = placed;
    }
}

TEST(SoundTimeline, SoundHandedLateStartsLateNeverEarlyNorOverTheSoundBefore)
{
    FakeStream stream;
    SoundTimeline timeline;
    const SoundTimeline::Placed first = timeline.placeFirst(kRate, 1, stream.firstWritable());
    // Handed after its moment: where the server can still take it, the gap longer.
    stream.read = first.end + kGap + 500;
    const SoundTimeline::Placed late = timeline.placeAfter(kRate, 2, kGap, stream.firstWritable());
    EXPECT_EQ(late.start, stream.firstWritable());
    // A sound that follows none, while one still plays, waits for its end.
    stream.read = late.start + 10;
    const SoundTimeline::Placed queued = timeline.placeFirst(kRate, 3, stream.firstWritable());
    EXPECT_EQ(queued.start, late.end);
    // Whatever the moment of handing, never a gap shorter than asked.
    std::mt19937 random(11);
    SoundTimeline::Placed previous = queued;
    for (std::uint64_t generation = 4; generation < 200; ++generation) {
        stream.read = previous.start + static_cast<std::int64_t>(random() % (3 * kRate));
        const SoundTimeline::Placed placed = timeline.placeAfter(2000, generation, kGap, stream.firstWritable());
        EXPECT_GE(placed.start, previous.end + kGap) << generation;
        EXPECT_GE(placed.start, stream.firstWritable()) << generation;
        previous = placed;
    }
}

TEST(SoundTimeline, WithdrawnSoundLeavesItsPlaceAndTheChainGoesOnFromTheSoundBefore)
{
    FakeStream stream;
    SoundTimeline timeline;
    const SoundTimeline::Placed a = timeline.placeFirst(kRate / 2, 1, stream.firstWritable());
    const SoundTimeline::Placed b = timeline.placeAfter(kRate / 3, 2, kGap, stream.firstWritable());
    ASSERT_EQ(b.start, a.end + kGap);

    const std::optional<SoundTimeline::Placed> withdrawn = timeline.withdraw(2);
    ASSERT_TRUE(withdrawn.has_value());
    EXPECT_EQ(withdrawn->start, b.start) << "the frames to silence";
    EXPECT_EQ(withdrawn->end, b.end);
    EXPECT_FALSE(timeline.find(2).has_value());
    EXPECT_FALSE(timeline.withdraw(2).has_value()) << "withdrawn once";
    EXPECT_EQ(timeline.lastEnd(), a.end);

    // Stop or Pause let the next sound come later, from the end of the sound before.
    const SoundTimeline::Placed c = timeline.placeAfter(kRate / 4, 3, 2 * kGap, stream.firstWritable());
    EXPECT_EQ(c.start, a.end + 2 * kGap);

    timeline.forgetHeard(a.end + 1);
    EXPECT_FALSE(timeline.find(1).has_value());
    EXPECT_TRUE(timeline.find(3).has_value());
}
