// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a chosen part of the correction shown, and what the run tells at its end.
#include "reading_rig.h"

#include <gtest/gtest.h>
#include <limits>

using reading::ReadingEnd;
using testing_support::ReadingRig;

namespace {

constexpr int kSound = 300; // default fake sound length
constexpr int kDelay = 100;
constexpr size_t kToTheEnd = std::numeric_limits<size_t>::max();

class ReadingPartTest : public ::testing::Test
{
protected:
    // "abcab" read once to its end, so that it is the correction shown.
    void SetUp() override
    {
        rig.start();
        rig.readCorrection("abcab");
        rig.clock.advance(10 * (kSound + kDelay));
        played = rig.player.playedPaths().size();
    }

    QStringList playedSince() const { return rig.player.playedPaths().mid(played); }
    QStringList sounds(std::initializer_list<const char *> names) const
    {
        QStringList paths;
        for (const char *name : names)
            paths << rig.sound(QLatin1String(name));
        return paths;
    }

    ReadingRig rig;
    qsizetype played = 0;
};

} // namespace

TEST_F(ReadingPartTest, ReadsOnlyThePartWithTheUsualPacingAndHighlight)
{
    // The file changes meanwhile: the part is taken from the text shown.
    rig.writeFile(QStringLiteral("test.txt"), "ccccc");
    rig.run.readPart(1, 3);
    EXPECT_TRUE(rig.window.runningButtons);
    EXPECT_EQ(rig.window.highlightStart, 1);
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince(), sounds({"son_b", "son_c"}));
    const auto &starts = rig.player.starts();
    EXPECT_EQ(starts[starts.size() - 1].at - starts[starts.size() - 2].at, kSound + kDelay);
    // All the part but its last character, as after a whole reading.
    EXPECT_EQ(rig.window.lastHighlight(), 2);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.told, (std::vector<ReadingEnd>{ReadingEnd::Finished, ReadingEnd::Finished}));
}

TEST_F(ReadingPartTest, FromTheCaretReadsToTheEnd)
{
    rig.run.readPart(3, kToTheEnd);
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince(), sounds({"son_a", "son_b"}));
    EXPECT_EQ(rig.window.lastHighlight(), 4);
}

TEST_F(ReadingPartTest, StopDuringASoundStillReadsTheNextCharacterOfThePartOnly)
{
    rig.run.readPart(1, 4);
    rig.clock.advance(kSound / 2);
    rig.run.stop();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince(), sounds({"son_b", "son_c"}));
    // The highlight runs to the end of the part, not of the text.
    EXPECT_EQ(rig.window.lastHighlight(), 3);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.told.back(), ReadingEnd::Stopped);
    EXPECT_EQ(rig.window.told.size(), 2u) << "a stopped reading is told once, at Stop";
}

TEST_F(ReadingPartTest, PauseHoldsAfterTheNextSoundAndStopWhilePausedPlaysNothingMore)
{
    rig.run.readPart(0, 5);
    rig.run.togglePause();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince(), sounds({"son_a", "son_b"}));
    EXPECT_TRUE(rig.run.isRunning());

    rig.run.togglePause();
    EXPECT_EQ(playedSince(), sounds({"son_a", "son_b", "son_c"}));
    rig.run.togglePause();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince(), sounds({"son_a", "son_b", "son_c", "son_a"}));
    rig.run.stop();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(playedSince().size(), 4);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.pauseCaption, QStringLiteral("Pause"));
    EXPECT_EQ(rig.window.lastHighlight(), 4);
}

TEST_F(ReadingPartTest, PartWaitsForTheLastSoundOfThePreviousReading)
{
    rig.readCorrection("c");
    ASSERT_FALSE(rig.run.isRunning());
    rig.run.readPart(0, 1);
    EXPECT_EQ(playedSince().size(), 1) << "c still plays";
    rig.clock.advance(kSound + kDelay);
    EXPECT_EQ(playedSince(), sounds({"son_c", "son_c"}));
}

TEST(ReadingPart, WithNothingShownReadsTheFileFromItsStart)
{
    ReadingRig rig;
    rig.start();
    rig.writeFile(QStringLiteral("test.txt"), "ab");
    rig.run.readPart(1, 2);
    EXPECT_EQ(rig.window.shownText, U"ab");
    EXPECT_EQ(rig.window.highlightStart, 0);
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths().size(), 2);
}

TEST(ReadingEndTold, EmptyCorrectionIsToldFinishedAndShutDownTellsNothing)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("");
    EXPECT_EQ(rig.window.told, std::vector<ReadingEnd>{ReadingEnd::Finished});
    rig.readCorrection("ab");
    rig.run.shutDown();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.window.told.size(), 1u);
}
