// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_rig.h"

#include <gtest/gtest.h>

using testing_support::ReadingRig;

namespace {

constexpr int kSound = 300;

// The delay the timer will apply after the next sound, once Text5 holds `text`.
int intervalAfterTick(const QString &text)
{
    ReadingRig rig;
    rig.window.Text5 = text;
    rig.start();
    return rig.timer.interval();
}

} // namespace

TEST(DelayTick, StartupTickComesAfterHalfASecondAndTakesTheField)
{
    ReadingRig rig;
    rig.run.loadSoundTable();
    rig.run.preparePlayer();
    EXPECT_TRUE(rig.timer.isEnabled());
    EXPECT_EQ(rig.timer.interval(), 500);
    rig.clock.advance(499);
    EXPECT_EQ(rig.timer.ticks(), 0);
    rig.clock.advance(1);
    EXPECT_EQ(rig.timer.ticks(), 1);
    EXPECT_FALSE(rig.timer.isEnabled());
    EXPECT_EQ(rig.timer.interval(), 100);
}

// A sound that ends before the start-up tick is followed by the whole delay of the
// field, not by what is left of the start-up interval, nor by a fresh start-up interval.
TEST(DelayTick, SoundEndingBeforeTheStartupTickIsFollowedByTheWholeDelay)
{
    for (const bool handsAhead : {true, false}) {
        ReadingRig rig;
        rig.player.setHandsAhead(handsAhead);
        rig.window.Text5 = QStringLiteral("250");
        rig.run.loadSoundTable();
        rig.run.preparePlayer();
        rig.clock.advance(100);
        rig.readCorrection("abc");
        rig.clock.advance(2000);
        const auto &starts = rig.player.starts();
        ASSERT_EQ(starts.size(), 3u) << handsAhead;
        EXPECT_EQ(starts[0].at, 100) << handsAhead;
        EXPECT_EQ(starts[1].at - starts[0].at, kSound + 250) << handsAhead;
        EXPECT_EQ(starts[2].at - starts[1].at, kSound + 250) << handsAhead;
        EXPECT_EQ(rig.timer.interval(), 250) << handsAhead;
    }
}

TEST(DelayTick, FieldBelowOneOrNotANumberBecomesOne)
{
    for (const char *text : {"abc", "0", "-3", "0.5", "", "  "}) {
        ReadingRig rig;
        rig.window.Text5 = QString::fromLatin1(text);
        rig.start();
        EXPECT_EQ(rig.window.Text5, QStringLiteral("1")) << text;
        EXPECT_EQ(rig.timer.interval(), 1) << text;
    }
}

TEST(DelayTick, FieldIsReadAsItsLeadingNumberRoundedHalfToEven)
{
    EXPECT_EQ(intervalAfterTick(QStringLiteral("2.5")), 2);
    EXPECT_EQ(intervalAfterTick(QStringLiteral("3.5")), 4);
    EXPECT_EQ(intervalAfterTick(QStringLiteral("250ms")), 250);
    EXPECT_EQ(intervalAfterTick(QStringLiteral("1.5")), 2);
}

TEST(DelayTick, ValueTooLargeForTheTimerIsHeldToTheLongestDelay)
{
    EXPECT_EQ(intervalAfterTick(QStringLiteral("65535")), 65535);
    EXPECT_EQ(intervalAfterTick(QStringLiteral("65536")), 65535);
    EXPECT_EQ(intervalAfterTick(QStringLiteral("1e99")), 65535);
    EXPECT_EQ(intervalAfterTick(QString(300, QLatin1Char('9'))), 65535);
}

TEST(DelayTick, UnderflowAndBeyondAnyNumberBecomeOne)
{
    // Too small or too large for a double: read as zero or as infinity, both "1".
    for (const QString &text : {QStringLiteral("1e-400"), QStringLiteral("0.5e-99999999999"),
                                QStringLiteral("1e400"), QString(5000, QLatin1Char('9')), QStringLiteral("-1e400")}) {
        ReadingRig rig;
        rig.window.Text5 = text;
        rig.start();
        EXPECT_EQ(rig.window.Text5, QStringLiteral("1")) << qPrintable(text.left(20));
        EXPECT_EQ(rig.timer.interval(), 1) << qPrintable(text.left(20));
    }
}

TEST(DelayTick, ValidFieldIsLeftAsTyped)
{
    ReadingRig rig;
    rig.window.Text5 = QStringLiteral("250ms");
    rig.start();
    EXPECT_EQ(rig.window.Text5, QStringLiteral("250ms"));
}

TEST(Pacing, DelayChangeDuringASoundAppliesFromTheFollowingSound)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("abcab");
    rig.window.Text5 = QStringLiteral("1000");
    rig.clock.advance(20 * (kSound + 1000));
    const auto &starts = rig.player.starts();
    ASSERT_EQ(starts.size(), 5u);
    EXPECT_EQ(starts[1].at - starts[0].at, kSound + 100);
    for (size_t i = 2; i < starts.size(); ++i)
        EXPECT_EQ(starts[i].at - starts[i - 1].at, kSound + 1000) << i;
}

// The next sound goes to the player while the current one plays, with the delay that
// will follow it; a longer pause asked for once lengthens that delay only.
TEST(Pacing, NextSoundIsHandedAheadWithTheDelayThatFollowsTheCurrentOne)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("abca");
    rig.run.pacer().lengthenPauseBeforeNextSound(700);
    rig.clock.advance(kSound + 700 + kSound + 50);
    rig.run.pacer().lengthenPauseBeforeNextSound(20); // shorter than the delay: no change
    rig.clock.advance(10000);
    const auto &starts = rig.player.starts();
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[1].at - starts[0].at, kSound + 700);
    EXPECT_EQ(starts[2].at - starts[1].at, kSound + 100);
    EXPECT_EQ(starts[3].at - starts[2].at, kSound + 100);
    // b and c went ahead at a's start, and again once the longer pause was asked for.
    const auto &handed = rig.player.handed();
    ASSERT_EQ(handed.size(), 5u);
    EXPECT_EQ(handed[0].gapMs, 100);
    EXPECT_EQ(handed[2].path, rig.sound(QStringLiteral("son_b")));
    EXPECT_EQ(handed[2].gapMs, 700);
    EXPECT_EQ(handed[3].gapMs, 100);
    EXPECT_EQ(rig.player.withdrawn(), (QStringList{rig.sound(QStringLiteral("son_c")), rig.sound(QStringLiteral("son_b"))}));
}

TEST(Pacing, GapIsTheSoundLengthPlusTheDelay)
{
    ReadingRig rig;
    rig.player.setDuration(rig.sound(QStringLiteral("son_a")), 123);
    rig.player.setDuration(rig.sound(QStringLiteral("son_b")), 456);
    rig.window.Text5 = QStringLiteral("37");
    rig.start();
    rig.readCorrection("abab");
    rig.clock.advance(5000);
    const auto &starts = rig.player.starts();
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[1].at - starts[0].at, 123 + 37);
    EXPECT_EQ(starts[2].at - starts[1].at, 456 + 37);
    EXPECT_EQ(starts[3].at - starts[2].at, 123 + 37);
}

TEST(Pacing, PlayingFlagIsClearedAtTheEndOfTheSoundButTheRunWaitsForTheDelay)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("ab");
    EXPECT_EQ(rig.run.flags().playingFlag, 1);
    rig.clock.advance(kSound);
    EXPECT_EQ(rig.run.flags().playingFlag, 0);
    EXPECT_TRUE(rig.run.pacer().isHolding());
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.clock.advance(99);
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.clock.advance(1);
    EXPECT_EQ(rig.player.starts().size(), 2u);
}

TEST(Pacing, PlayerThatEndsTheSoundInsidePlayDoesNotHangTheRun)
{
    ReadingRig rig;
    rig.player.setCompletesInsidePlay(true);
    rig.start();
    rig.readCorrection("abc");
    EXPECT_EQ(rig.run.flags().playingFlag, 0);
    rig.clock.advance(1000);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.timer.ticks(), 4); // start-up, then one delay per sound
}

TEST(Pacing, ShutDownStopsTheSoundAndTheTimer)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("ab");
    const int ticks = rig.timer.ticks();
    rig.run.shutDown();
    EXPECT_EQ(rig.player.commands().last(), QStringLiteral("Close"));
    rig.clock.advance(5000);
    EXPECT_EQ(rig.timer.ticks(), ticks);
}
