// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a part of the correction shown again, and what a reading tells at its end.
#include "reading_rig.h"

#include <gtest/gtest.h>

using reading::ReadingEnd;

namespace {

constexpr int kStep = 300 + 100; // default fake sound, then the delay

// "abcab" read once to its end: the correction shown.
class ReadingPartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig.start();
        rig.readCorrection("abcab");
        rig.clock.advance(10 * kStep);
        rig.writeFile(QStringLiteral("test.txt"), "ccccc"); // the part comes from the text shown
    }
    QString played() const
    {
        QString names;
        for (const QString &path : rig.player.playedPaths().mid(5))
            names += path.at(path.size() - 5);
        return names;
    }
    testing_support::ReadingRig rig;
};

} // namespace

TEST_F(ReadingPartTest, ReadsOnlyThePartThenFromTheCaretToTheEnd)
{
    rig.run.readPart(1, 3);
    EXPECT_EQ(rig.window.highlightStart, 1);
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("bc"));
    EXPECT_EQ(rig.player.starts()[6].at - rig.player.starts()[5].at, kStep);
    EXPECT_EQ(rig.window.lastHighlight(), 2); // all the part but its last character
    EXPECT_EQ(rig.window.told, (std::vector<ReadingEnd>{ReadingEnd::Finished, ReadingEnd::Finished}));

    rig.run.readPart(3, std::numeric_limits<size_t>::max());
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("bcab"));
}

TEST_F(ReadingPartTest, StopDuringASoundStillReadsTheNextCharacterOfThePartOnly)
{
    rig.run.readPart(1, 4);
    rig.clock.advance(kStep / 2);
    rig.run.stop();
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("bc"));
    EXPECT_EQ(rig.window.lastHighlight(), 3); // the end of the part, not of the text
    EXPECT_FALSE(rig.run.isRunning());
    // Told once, at Stop, not again when the stopped reading ends.
    EXPECT_EQ(rig.window.told, (std::vector<ReadingEnd>{ReadingEnd::Finished, ReadingEnd::Stopped}));
}

TEST_F(ReadingPartTest, PauseHoldsAfterTheNextSoundAndStopWhilePausedPlaysNothingMore)
{
    rig.run.readPart(0, 5);
    rig.run.togglePause();
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("ab"));
    rig.run.togglePause(); // Resume: the next character at once
    EXPECT_EQ(played(), QStringLiteral("abc"));
    rig.run.togglePause();
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("abca"));
    rig.run.stop();
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("abca"));
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 4);
}

TEST_F(ReadingPartTest, PartsAreReadInOrderWithTwiceTheDelayBetweenThemAndStopEndsThemAll)
{
    rig.run.readParts({{0, 1}, {3, 5}});
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("aab"));
    const auto &starts = rig.player.starts();
    EXPECT_EQ(starts[6].at - starts[5].at, 300 + 2 * 100); // between two parts
    EXPECT_EQ(starts[7].at - starts[6].at, kStep);         // inside a part
    EXPECT_EQ(rig.window.highlightStart, 3);
    EXPECT_EQ(rig.window.lastHighlight(), 4);

    rig.run.readParts({{0, 2}, {3, 5}});
    rig.clock.advance(kStep / 2);
    rig.run.stop();
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(played(), QStringLiteral("aabab")); // the sound waited for, then nothing
    EXPECT_FALSE(rig.run.isRunning());
    // The delay after a part's sounds is the field's again.
    rig.run.readPart(0, 2);
    rig.clock.advance(10 * kStep);
    EXPECT_EQ(rig.player.starts().back().at - rig.player.starts()[rig.player.starts().size() - 2].at, kStep);
}

TEST(ReadingParts, WithNothingShownTheFileIsShownAndItsPartsRead)
{
    testing_support::ReadingRig rig;
    rig.start();
    rig.writeFile(QStringLiteral("test.txt"), "abc");
    rig.run.readParts({{1, 2}, {2, 3}});
    EXPECT_EQ(rig.window.shownText, U"abc");
    rig.clock.advance(10 * kStep);
    ASSERT_EQ(rig.player.playedPaths().size(), 2);
    EXPECT_TRUE(rig.player.playedPaths()[1].endsWith(QStringLiteral("son_c.wav")));
    EXPECT_EQ(rig.player.starts()[1].at - rig.player.starts()[0].at, 300 + 2 * 100);
}
