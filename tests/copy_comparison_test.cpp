// SPDX-License-Identifier: GPL-3.0-or-later
#include "copy/banded_alignment.h"
#include "copy/copy_comparison.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <string>

using namespace copycheck;

namespace {

// One letter a correction character: R right, W wrong, M missed.
std::string marks(const Comparison &comparison)
{
    std::string letters;
    for (const CharacterResult &character : comparison.characters)
        letters += character.mark == Mark::Right ? 'R' : character.mark == Mark::Wrong ? 'W' : 'M';
    return letters;
}

std::vector<std::pair<qsizetype, qsizetype>> ranges(const Comparison &comparison)
{
    std::vector<std::pair<qsizetype, qsizetype>> result;
    for (const GroupRange &group : comparison.errorGroups)
        result.emplace_back(group.from, group.to);
    return result;
}

using Ranges = std::vector<std::pair<qsizetype, qsizetype>>;

} // namespace

TEST(CopyComparison, AllRight)
{
    const Comparison result = compareCopy(QStringLiteral("CQ CQ DE F5ABC"), QStringLiteral("CQ CQ DE F5ABC"));
    EXPECT_EQ(marks(result), "RRRRRRRRRRR");
    EXPECT_EQ(result.correctionCharacters, 11);
    EXPECT_EQ(result.groups, 4);
    EXPECT_EQ(result.wholeGroups, 4);
    EXPECT_EQ(result.errors(), 0);
    EXPECT_DOUBLE_EQ(result.percentRight(), 100.0);
    EXPECT_TRUE(result.extras.empty() && result.confusions.empty() && result.errorGroups.empty());
}

TEST(CopyComparison, OneSubstitution)
{
    const Comparison result = compareCopy(QStringLiteral("PARIS LONDRES"), QStringLiteral("PAHIS LONDRES"));
    EXPECT_EQ(marks(result), "RRWRRRRRRRRR");
    EXPECT_EQ(result.characters[2].position, 2);
    EXPECT_EQ(result.characters[2].copied, QStringLiteral("H"));
    EXPECT_EQ(result.errors(), 1);
    EXPECT_EQ(result.wholeGroups, 1);
    EXPECT_EQ(ranges(result), (Ranges{{0, 5}}));
}

TEST(CopyComparison, OmittedAndExtraCharacter)
{
    const Comparison omitted = compareCopy(QStringLiteral("PARIS"), QStringLiteral("PAIS"));
    EXPECT_EQ(marks(omitted), "RRMRR");
    EXPECT_EQ(omitted.errors(), 1);

    const Comparison extra = compareCopy(QStringLiteral("PARIS BERNE"), QStringLiteral("PAXRIS BERNEE"));
    EXPECT_EQ(marks(extra), "RRRRRRRRRR");
    ASSERT_EQ(extra.extras.size(), 2u);
    EXPECT_EQ(extra.extras[0].beforePosition, 2);
    EXPECT_EQ(extra.extras[0].text, QStringLiteral("X"));
    EXPECT_FALSE(extra.extras[0].wholeGroup);
    // Of two like letters the copy's first is taken as the right one: the second is extra.
    EXPECT_EQ(extra.extras[1].beforePosition, 11);
    EXPECT_EQ(marks(compareCopy(QStringLiteral("AAB"), QStringLiteral("AB"))), "RMR");
    EXPECT_EQ(extra.errors(), 2);
    EXPECT_DOUBLE_EQ(extra.percentRight(), 100.0);
    EXPECT_EQ(ranges(extra), (Ranges{{0, 5}, {6, 11}}));
}

TEST(CopyComparison, MissedOrExtraGroupShiftsNothingAfterIt)
{
    const Comparison missed = compareCopy(QStringLiteral("AAAAA BBBBB CCCCC DDDDD"), QStringLiteral("AAAAA CCCCC DDDDD"));
    EXPECT_EQ(marks(missed), "RRRRRMMMMMRRRRRRRRRR");
    EXPECT_EQ(missed.wholeGroups, 3);
    EXPECT_EQ(ranges(missed), (Ranges{{6, 11}}));

    const Comparison extra = compareCopy(QStringLiteral("KLMNO PQRST UVWXY"), QStringLiteral("KLMNO XYZ PQRST UVWXY"));
    EXPECT_EQ(marks(extra), std::string(15, 'R'));
    ASSERT_EQ(extra.extras.size(), 1u);
    EXPECT_EQ(extra.extras[0].beforePosition, 6);
    EXPECT_EQ(extra.extras[0].text, QStringLiteral("XYZ"));
    EXPECT_TRUE(extra.extras[0].wholeGroup);
    EXPECT_EQ(extra.errors(), 3);
    EXPECT_EQ(extra.wholeGroups, 3);
    EXPECT_TRUE(extra.errorGroups.empty());
}

TEST(CopyComparison, HalfCopiedGroupIsOmissionsNotAWrongGroup)
{
    const Comparison result = compareCopy(QStringLiteral("QRZ? DE F5ABC"), QStringLiteral("QR DE F5ABC"));
    EXPECT_EQ(marks(result), "RRMMRRRRRRR");
    EXPECT_TRUE(result.confusions.empty());
    EXPECT_EQ(ranges(result), (Ranges{{0, 4}}));
}

TEST(CopyComparison, EmptyCopyOrEmptyCorrection)
{
    const Comparison emptyCopy = compareCopy(QStringLiteral("ABC DE"), QStringLiteral(" \n"));
    EXPECT_EQ(marks(emptyCopy), "MMMMM");
    EXPECT_DOUBLE_EQ(emptyCopy.percentRight(), 0.0);
    EXPECT_EQ(emptyCopy.errors(), 5);
    EXPECT_EQ(ranges(emptyCopy), (Ranges{{0, 3}, {4, 6}}));

    const Comparison emptyCorrection = compareCopy(QString(), QStringLiteral("ABC"));
    EXPECT_DOUBLE_EQ(emptyCorrection.percentRight(), 100.0);
    EXPECT_EQ(emptyCorrection.errors(), 3);
    EXPECT_EQ(emptyCorrection.groups, 0);
}

TEST(CopyComparison, CopyLongerThanTheCorrection)
{
    const Comparison result = compareCopy(QStringLiteral("ABC"), QStringLiteral("ABC DEF GHIJ"));
    EXPECT_EQ(marks(result), "RRR");
    ASSERT_EQ(result.extras.size(), 2u);
    EXPECT_EQ(result.extras[0].beforePosition, 3);
    EXPECT_EQ(result.extras[1].beforePosition, 3);
    EXPECT_EQ(result.extras[1].text, QStringLiteral("GHIJ"));
    EXPECT_EQ(result.errors(), 7);
    EXPECT_DOUBLE_EQ(result.percentRight(), 100.0);
}

TEST(CopyComparison, CaseAndSeparatorsIgnored)
{
    const QString correction = QStringLiteral("Cq  de\tF5abé\r\n\u00A0𝐀x");
    const Comparison result = compareCopy(correction, QStringLiteral("cQ DE\n\n f5ABÉ\u2003𝐀X"));
    EXPECT_EQ(marks(result), "RRRRRRRRRRR");
    EXPECT_EQ(result.groups, 4);
    EXPECT_EQ(result.characters[4].position, 7); // positions are the correction's own
    EXPECT_EQ(result.characters[9].position, 15);
    EXPECT_EQ(ranges(compareCopy(correction, QStringLiteral("CQ DE F5ABE 𝐀X"))), (Ranges{{7, 12}}));
    EXPECT_EQ(compareCopy(correction, QStringLiteral("CQ DE F5ABE 𝐀X")).characters[8].copied, QStringLiteral("E"));
}

TEST(CopyComparison, ConfusionsCountedMostFrequentFirst)
{
    const Comparison result = compareCopy(QStringLiteral("HHHH 5 AB"), QStringLiteral("sssH 4 XY"));
    ASSERT_EQ(result.confusions.size(), 4u);
    EXPECT_EQ(result.confusions[0].expected, QStringLiteral("H"));
    EXPECT_EQ(result.confusions[0].copied, QStringLiteral("S"));
    EXPECT_EQ(result.confusions[0].count, 3);
    EXPECT_EQ(result.confusions[1].expected, QStringLiteral("5"));
    EXPECT_EQ(result.confusions[1].copied, QStringLiteral("4"));
    EXPECT_EQ(result.confusions[2].expected, QStringLiteral("A"));
    EXPECT_EQ(result.confusions[3].expected, QStringLiteral("B"));
    EXPECT_EQ(result.confusions[3].count, 1);
    EXPECT_EQ(result.characters[0].copied, QStringLiteral("s")); // as the learner wrote it
}

// Random corrections of groups, and copies made of them with every kind of fault.
TEST(CopyComparison, EveryCharacterAccountedForOnce)
{
    std::mt19937 random(26);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789?/.,");
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int round = 0; round < 300; ++round) {
        QString correction;
        QString copy;
        for (int g = pick(12); g >= 0; --g) {
            QString group;
            for (int c = 1 + pick(6); c > 0; --c)
                group += alphabet.at(pick(int(alphabet.size())));
            correction += group + (pick(5) == 0 ? QStringLiteral("\n") : QStringLiteral(" "));
            switch (pick(10)) {
            case 0: break;                                                  // missed group
            case 1: copy += group + QStringLiteral(" XYZ "); break;         // extra group
            case 2: group[pick(int(group.size()))] = QLatin1Char('E'); [[fallthrough]];
            case 3: group.insert(pick(int(group.size())), QLatin1Char('T')); [[fallthrough]];
            case 4: copy += group.left(pick(int(group.size()) + 1)) + QLatin1Char(' '); break;
            default: copy += group.toLower() + QLatin1Char(' ');
            }
        }
        const Comparison itself = compareCopy(correction, correction);
        ASSERT_DOUBLE_EQ(itself.percentRight(), 100.0) << correction.toStdString();
        ASSERT_EQ(itself.errors(), 0);

        const Comparison result = compareCopy(correction, copy);
        ASSERT_EQ(int(result.characters.size()), result.correctionCharacters);
        qsizetype previous = -1;
        int right = 0;
        int wrong = 0;
        for (const CharacterResult &character : result.characters) {
            ASSERT_GT(character.position, previous); // each once, in order
            ASSERT_FALSE(correction.at(character.position).isSpace());
            previous = character.position;
            right += character.mark == Mark::Right;
            wrong += character.mark == Mark::Wrong;
        }
        ASSERT_EQ(right, result.rightCharacters);
        const int copied = int(QString(copy).remove(QRegularExpression(QStringLiteral("\\s"))).size());
        ASSERT_EQ(right + wrong + result.extraCharacters, copied) << copy.toStdString(); // and every copied one
        ASSERT_LE(result.errors(), result.correctionCharacters + copied);
    }
}

// The band is widened until it holds the best alignment, with items of several sizes as
// groups are; a memory cap too small for any band still gives a whole alignment.
TEST(BandedAlignment, FindsTheLeastCostOrAWholeAlignmentUnderTheCap)
{
    struct Item {
        int letter;
        qint64 size;
    };
    std::mt19937 random(5);
    const auto items = [&random]() {
        std::vector<Item> sequence(random() % 120);
        for (Item &item : sequence)
            item = {int(random() % 3), qint64(1 + random() % 4)};
        return sequence;
    };
    for (int round = 0; round < 200; ++round) {
        const std::vector<Item> a = items();
        const std::vector<Item> b = items();
        const auto pair = [&](int i, int j) {
            const Item &x = a[std::size_t(i)];
            const Item &y = b[std::size_t(j)];
            return std::abs(x.size - y.size) + (x.letter == y.letter ? 0 : std::min(x.size, y.size));
        };
        const auto omit = [&](int i) { return a[std::size_t(i)].size; };
        const auto insert = [&](int j) { return b[std::size_t(j)].size; };
        std::vector<qint64> row(b.size() + 1, 0);
        for (std::size_t j = 1; j <= b.size(); ++j)
            row[j] = row[j - 1] + insert(int(j) - 1);
        for (std::size_t i = 1; i <= a.size(); ++i) {
            qint64 diagonal = row[0];
            row[0] += omit(int(i) - 1);
            for (std::size_t j = 1; j <= b.size(); ++j) {
                const qint64 above = row[j];
                row[j] = std::min({diagonal + pair(int(i) - 1, int(j) - 1), above + omit(int(i) - 1),
                                   row[j - 1] + insert(int(j) - 1)});
                diagonal = above;
            }
        }
        for (const std::size_t cap : {kMaxAlignmentCells, std::size_t(40)}) {
            auto aligner = makeAligner(pair, omit, insert, 1, 1, cap);
            qint64 cost = 0;
            const std::vector<Step> steps = aligner.align(0, int(a.size()), 0, int(b.size()), &cost);
            if (cap == kMaxAlignmentCells) {
                ASSERT_EQ(cost, row.back()) << round;
            }
            ASSERT_EQ(std::count_if(steps.begin(), steps.end(), [](Step s) { return s != Step::Insert; }), qint64(a.size()));
            ASSERT_EQ(std::count_if(steps.begin(), steps.end(), [](Step s) { return s != Step::Omit; }), qint64(b.size()));
        }
    }
}
