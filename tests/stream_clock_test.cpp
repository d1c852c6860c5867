// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/stream_clock.h"

#include <gtest/gtest.h>

using platform::StreamClock;

namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kBuffer = 256;
constexpr std::int64_t kLead = 2 * kBuffer;

// A device asking for one buffer each period, `late` seconds after the ideal moment.
struct Device
{
    StreamClock clock{kRate, kLead};
    double wall = 0.0;
    std::int64_t frame = 0;

    void callback(double late = 0.0)
    {
        clock.observe(wall + late, frame);
        frame += kBuffer;
        wall += static_cast<double>(kBuffer) / kRate;
    }
    void run(double seconds, double jitter = 0.0)
    {
        for (int i = 0; wall < seconds; ++i)
            callback(i % 3 == 0 ? jitter : 0.0);
    }
    // Everything up to `frame` has been written by now.
    std::int64_t head() const { return frame; }
};

} // namespace

TEST(StreamClock, ReadyOnlyAfterAWholeSteadyWindow)
{
    Device device;
    device.run(0.2);
    EXPECT_FALSE(device.clock.isReady());
    device.run(0.6);
    EXPECT_TRUE(device.clock.isReady());
}

TEST(StreamClock, PlacesSoundsBeyondWhatTheDeviceCanHaveWritten)
{
    Device device;
    device.run(1.0, 0.002);
    for (int i = 0; i < 200; ++i) {
        device.callback(i % 3 == 0 ? 0.002 : 0.0);
        // Between two callbacks, at any moment.
        for (double within : {0.0, 0.001, 0.0057}) {
            const std::int64_t placed = device.clock.frameAt(device.wall + within);
            EXPECT_GE(placed, device.head());
            EXPECT_LE(placed, device.head() + kLead + 2 * kBuffer) << "not needlessly far ahead";
        }
    }
}

TEST(StreamClock, FrameAndMomentAreInverse)
{
    Device device;
    device.run(1.0);
    for (double wall : {1.0, 1.2345, 3.0}) {
        const std::int64_t frame = device.clock.frameAt(wall);
        EXPECT_NEAR(device.clock.wallAt(frame), wall, 1.0 / kRate);
        EXPECT_EQ(device.clock.frameAt(device.clock.wallAt(frame)), frame);
    }
}

TEST(StreamClock, StallIsForgottenOnceTheDeviceRunsAgain)
{
    Device device;
    device.run(1.0);
    device.wall += 1.5; // the device stops asking for data
    device.callback();
    EXPECT_FALSE(device.clock.isReady() && device.clock.frameAt(device.wall) > device.head() + kRate / 10)
        << "a stalled device must not have sounds placed far in the future";
    device.run(device.wall + 0.8);
    ASSERT_TRUE(device.clock.isReady());
    const std::int64_t placed = device.clock.frameAt(device.wall);
    EXPECT_GE(placed, device.head());
    EXPECT_LE(placed, device.head() + kLead + kBuffer);
}
