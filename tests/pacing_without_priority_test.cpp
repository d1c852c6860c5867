// SPDX-License-Identifier: GPL-3.0-or-later
#include "busy_cores.h"
#include "pulse_recorder.h"
#include "real_reading.h"
#include "recording_analysis.h"
#include "sox_sounds.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

// Run with VIROD_NO_PRIORITY_RAISE=1: the program as a desktop user gets it, whose
// threads may not raise their priority, on a machine whose two cores are busy. The
// pace may not depend on when a thread of ours wakes.
TEST(PacingWithoutRaisedPriority, HundredShortSoundsOnBusyCoresAreWholeAndExact)
{
    ASSERT_EQ(qgetenv("VIROD_NO_PRIORITY_RAISE"), "1");
    QString why;
    ASSERT_TRUE(PulseRecorder::serverAvailable(&why)) << qPrintable(why);
    constexpr double kSoundMs = 10.0;
    constexpr int kDelayMs = 20;
    constexpr int kSounds = 100;
    QTemporaryDir dir;
    ASSERT_TRUE(makeToneSet(dir.path(), {{'a', "short", 1000, kSoundMs / 1000.0}}));
    RealReading reading(dir, QByteArray(kSounds, 'a'), kDelayMs);
    ASSERT_TRUE(spinUntil([&] { return reading.player.isOutputSteady(); }, 5000));
    PulseRecorder recorder;
    const QString heard = dir.filePath(QStringLiteral("busy.wav"));
    ASSERT_TRUE(recorder.start(heard));
    {
        BusyCores busy;
        ASSERT_TRUE(reading.readToTheEnd(30000));
    }
    ASSERT_TRUE(recorder.stop());

    const Recording recording = loadRecording(heard);
    const std::vector<Burst> bursts = findReadingSounds(recording, kDelayMs);
    if (bursts.size() != static_cast<size_t>(kSounds)) {
        for (const Burst &burst : bursts)
            std::printf("sound at %.1f ms, %.1f ms long\n", 1000.0 * burst.onset / recording.rate, heardMs(burst, recording.rate));
    }
    ASSERT_EQ(bursts.size(), static_cast<size_t>(kSounds));
    std::vector<double> strays;
    for (size_t i = 0; i < bursts.size(); ++i) {
        EXPECT_NEAR(heardMs(bursts[i], recording.rate), kSoundMs, 2.0) << "sound " << i << " not whole";
        if (i > 0) {
            strays.push_back(onsetGapMs(bursts, i, recording.rate) - kSoundMs - kDelayMs);
            EXPECT_NEAR(strays.back(), 0.0, 2.0) << "gap before sound " << i;
        }
    }
    const Spread spread = spreadOf(strays);
    std::printf("gap strays |ms|: median %.2f, p95 %.2f, max %.2f\n", spread.median, spread.p95, spread.max);
}
