// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/sound_table.h"

#include <gtest/gtest.h>

using reading::SoundTable;
using Outcome = SoundTable::Outcome;

namespace {

SoundTable tableOf(const std::u32string &content)
{
    SoundTable table;
    table.load(content);
    return table;
}

} // namespace

TEST(SoundTableLoad, CrLfEndsRowsAndFinalEmptyRowIsKept)
{
    const SoundTable table = tableOf(U"a son_a\r\nb son_b\r\n");
    ASSERT_EQ(table.rows().size(), 3u);
    EXPECT_EQ(table.rows()[0], U"a son_a");
    EXPECT_EQ(table.rows()[1], U"b son_b");
    EXPECT_EQ(table.rows()[2], U"");
}

TEST(SoundTableLoad, NoFinalLineBreakGivesOneRowPerLine)
{
    EXPECT_EQ(tableOf(U"a son_a\r\nb son_b").rows().size(), 2u);
}

TEST(SoundTableLoad, EmptyContentIsOneEmptyRow)
{
    const SoundTable table = tableOf(U"");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_TRUE(table.rows()[0].empty());
}

TEST(SoundTableLoad, LfOnlyFileIsASingleRowAndOnlyItsFirstCharacterSpeaks)
{
    SoundTable table = tableOf(U"a son_a\nb son_b\n");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(table.lookup(U'a').outcome, Outcome::Found);
    EXPECT_EQ(table.lookup(U'a').soundName, QStringLiteral("son_a\nb son_b\n"));
    EXPECT_EQ(table.lookup(U'b').outcome, Outcome::Missing);
}

TEST(SoundTableLoad, CharacterAfterCrIsDroppedWhateverItIs)
{
    const SoundTable table = tableOf(U"a one\rXb two\r");
    ASSERT_EQ(table.rows().size(), 3u);
    EXPECT_EQ(table.rows()[1], U"b two");
    EXPECT_EQ(table.rows()[2], U"");
}

TEST(SoundTableLookup, NameIsTrimmedOfBlanksButNotOfTabs)
{
    SoundTable table = tableOf(U"e=  e_sound  \r\nt \tt_sound\t");
    EXPECT_EQ(table.lookup(U'e').soundName, QStringLiteral("e_sound"));
    EXPECT_EQ(table.lookup(U't').soundName, QStringLiteral("\tt_sound\t"));
}

TEST(SoundTableLookup, FirstMatchingRowWinsAndSelectionRestsOnIt)
{
    SoundTable table = tableOf(U"x first\r\na one\r\na second");
    const SoundTable::Lookup found = table.lookup(U'a');
    EXPECT_EQ(found.outcome, Outcome::Found);
    EXPECT_EQ(found.soundName, QStringLiteral("one"));
    EXPECT_EQ(table.selectedRow(), 1);
}

TEST(SoundTableLookup, ComparisonIsExactForCaseAndAccents)
{
    SoundTable table = tableOf(U"A grand_a\r\né e_aigu");
    EXPECT_EQ(table.lookup(U'a').outcome, Outcome::Missing);
    EXPECT_EQ(table.selectedRow(), 1); // missing leaves the last row selected
    EXPECT_EQ(table.lookup(U'e').outcome, Outcome::Missing);
    EXPECT_EQ(table.lookup(U'É').outcome, Outcome::Missing);
    EXPECT_EQ(table.lookup(U'é').soundName, QStringLiteral("e_aigu"));
}

TEST(SoundTableLookup, LineBreaksAreSkippedWhateverTheTableHoldsOnRowZero)
{
    SoundTable table = tableOf(U"\n newline\r\nb two");
    for (const char32_t lineBreak : {U'\r', U'\n'}) {
        table.lookup(U'b');
        EXPECT_EQ(table.lookup(lineBreak).outcome, Outcome::Skip);
        EXPECT_EQ(table.selectedRow(), 0);
    }
}

TEST(SoundTableLookup, ShortRowsAndEmptyRowsYieldEmptyNameOrNeverMatch)
{
    SoundTable table = tableOf(U"a\r\nb \r\n\r\nc  ");
    EXPECT_EQ(table.lookup(U'a').outcome, Outcome::Found);
    EXPECT_TRUE(table.lookup(U'a').soundName.isEmpty());
    EXPECT_TRUE(table.lookup(U'b').soundName.isEmpty());
    EXPECT_TRUE(table.lookup(U'c').soundName.isEmpty());
    EXPECT_EQ(table.lookup(U'\0').outcome, Outcome::Missing);
}

TEST(SoundTableLookup, BlankRowGivesTheSpaceASound)
{
    SoundTable table = tableOf(U"  silence\r\n");
    EXPECT_EQ(table.lookup(U' ').soundName, QStringLiteral("silence"));
}

TEST(SoundTableLookup, CharacterBeyondSixteenBitsIsOneCharacter)
{
    SoundTable table = tableOf(U"\U0001F600 smile");
    EXPECT_EQ(table.lookup(U'\U0001F600').soundName, QStringLiteral("smile"));
}
