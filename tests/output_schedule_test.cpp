// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/output_schedule.h"

#include <gtest/gtest.h>

using platform::OutputSchedule;

namespace {

constexpr int kRate = 1000; // one frame a millisecond keeps the arithmetic readable
constexpr int kBuffer = 10;

std::shared_ptr<const OutputSchedule::Samples> sound(int frames, float level)
{
    return std::make_shared<const OutputSchedule::Samples>(std::vector<float>(static_cast<size_t>(frames), level));
}

// A mono device that takes one buffer per call; what it wrote is kept frame by frame.
struct Device
{
    OutputSchedule schedule{kRate, 1, 2 * kBuffer};
    std::vector<float> written;
    std::vector<std::uint64_t> endsTaken;

    void take(double now)
    {
        float buffer[kBuffer];
        const std::uint64_t taken = schedule.fill(buffer, kBuffer, now);
        written.insert(written.end(), buffer, buffer + kBuffer);
        if (taken != 0)
            endsTaken.push_back(taken);
    }
};

} // namespace

// A device that starts late (a sound server that has not started our stream yet, a
// headset waking up) must not have the sounds played meanwhile mixed into one noise.
TEST(OutputSchedule, SoundsPlayedBeforeTheDeviceStartsAreQueuedWholeAndInOrder)
{
    Device device;
    device.take(0.0); // the one buffer a device asks for when it opens
    device.schedule.place(sound(35, 0.25f), 1, 0.01);
    device.schedule.place(sound(20, 0.5f), 2, 0.02);
    device.schedule.place(sound(15, 1.0f), 3, 0.03);

    for (double now = 1.8; device.written.size() < 120; now += 0.01)
        device.take(now);

    // Each sound whole, after the one before, never added to another.
    std::vector<float> heard;
    for (float sample : device.written) {
        EXPECT_TRUE(sample == 0.0f || sample == 0.25f || sample == 0.5f || sample == 1.0f) << sample;
        if (sample != 0.0f)
            heard.push_back(sample);
    }
    std::vector<float> expected(35, 0.25f);
    expected.insert(expected.end(), 20, 0.5f);
    expected.insert(expected.end(), 15, 1.0f);
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(device.endsTaken, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_FALSE(device.schedule.isSteady());
}

TEST(OutputSchedule, ASoundCutShortFreesItsPlaceAndIsNeverTakenToItsEnd)
{
    Device device;
    device.take(0.0);
    device.schedule.place(sound(50, 0.5f), 1, 0.001);
    device.take(0.01);
    device.schedule.cancel(1);
    const OutputSchedule::Placement next = device.schedule.place(sound(5, 1.0f), 2, 0.011);
    // Right after what the device has written, plus the lead: not after the cut sound.
    EXPECT_EQ(next.startFrame, 2 * kBuffer + 2 * kBuffer);
    for (double now = 0.02; device.written.size() < 100; now += 0.01)
        device.take(now);
    EXPECT_EQ(device.endsTaken, (std::vector<std::uint64_t>{2}));
}

// Once the device consumes in real time, a sound is placed by the clock, ahead of what
// the device may have written, and its end comes the sound's length after it is played.
TEST(OutputSchedule, SteadyDevicePlacesBySoundLengthFromTheMomentOfPlaying)
{
    Device device;
    double now = 0.0;
    for (; now < 1.0; now += 0.01)
        device.take(now);
    ASSERT_TRUE(device.schedule.isSteady());
    const OutputSchedule::Placement placement = device.schedule.place(sound(40, 1.0f), 7, now + 0.003);
    EXPECT_NEAR(placement.secondsToEnd, 0.040, 0.0011);
    const auto writtenBefore = static_cast<std::int64_t>(device.written.size());
    EXPECT_GE(placement.startFrame, writtenBefore);
    EXPECT_LE(placement.startFrame, writtenBefore + 3 * kBuffer);
}

// A long sound is placed while it is still being decoded: what has arrived is mixed,
// what has not arrived in time is silence, and the sound keeps its place and its end.
TEST(OutputSchedule, ASoundStillArrivingIsMixedAsFarAsItHasArrived)
{
    Device device;
    device.take(0.0);
    auto arriving = std::make_shared<platform::OutputSound>(std::size_t{30});
    const auto arrive = [&](float level) {
        const std::vector<float> piece(10, level);
        arriving->append(piece.data(), piece.size());
    };
    arrive(0.5f);
    device.schedule.place(arriving, 1, 0.001); // from frame 30
    while (device.written.size() < 50)
        device.take(0.01);
    arrive(0.25f); // too late for frames 40 to 49
    arrive(1.0f);
    while (device.written.size() < 100)
        device.take(0.02);

    std::vector<float> expected(100, 0.0f);
    std::fill(expected.begin() + 30, expected.begin() + 40, 0.5f);
    std::fill(expected.begin() + 50, expected.begin() + 60, 1.0f);
    EXPECT_EQ(device.written, expected);
    EXPECT_EQ(device.endsTaken, (std::vector<std::uint64_t>{1}));
}
