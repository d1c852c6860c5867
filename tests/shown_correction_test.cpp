// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shown_correction.h"

#include <QRandomGenerator>
#include <QTextDocument>
#include <gtest/gtest.h>

using platform::CharacterText;
using ui::ShownCorrection;

namespace {

bool isBreak(QChar c)
{
    return c == QChar(u'\n') || c == QChar(QChar::LineSeparator);
}

// Characters other than line breaks in the first `units` of a shown text.
int visibleCharacters(const QString &shown, int units)
{
    int count = 0;
    for (int i = 0; i < units; ++i)
        count += !isBreak(shown[i]) && !shown[i].isLowSurrogate();
    return count;
}

} // namespace

TEST(ShownCorrection, LineBreaksShowAsOneAndPositionsFollow)
{
    ShownCorrection shown;
    const QString text = shown.build(CharacterText(U"ab\r\nc\rd\ne\U0001F600f"));
    EXPECT_EQ(QTextDocument(text).toPlainText(), QStringLiteral("ab\nc\nd\ne\U0001F600f"));
    const std::vector<int> expected = {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 10, 11};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(shown.documentPosition(static_cast<int>(i)), expected[i]) << i;
    EXPECT_EQ(shown.documentPosition(1000), 11);
}

TEST(ShownCorrection, HugeLineIsCutIntoParagraphsAndManyLinesAreGathered)
{
    ShownCorrection shown;
    QTextDocument oneLine(shown.build(CharacterText(std::u32string(1000000, U'x'))));
    EXPECT_GE(oneLine.blockCount(), 1000000 / 4096);
    EXPECT_LE(oneLine.blockCount(), 1000000 / 512);
    EXPECT_EQ(oneLine.characterCount() - 1, shown.documentPosition(1000000));

    std::u32string lines;
    for (int i = 0; i < 100000; ++i)
        lines += U"ab\r\n";
    QTextDocument manyLines(shown.build(CharacterText(lines)));
    EXPECT_LE(manyLines.blockCount(), 100000 / 32);
    EXPECT_EQ(manyLines.toPlainText().count(QLatin1Char('\n')), 100000);
}

TEST(ShownCorrection, EveryPositionCoversExactlyTheCharactersBeforeIt)
{
    const char32_t alphabet[] = {U'a', U'é', U'\U0001F600', U'\r', U'\n', U'\n', U'b'};
    std::u32string text;
    QRandomGenerator random(12);
    for (int i = 0; i < 12000; ++i)
        text.push_back(alphabet[random.bounded(7)]);
    text += std::u32string(5000, U'z');
    ShownCorrection shown;
    const QString built = shown.build(CharacterText(text));
    int before = 0;
    int visible = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const int position = shown.documentPosition(static_cast<int>(i));
        ASSERT_GE(position, before) << i;
        ASSERT_EQ(visibleCharacters(built, position), visible) << i;
        before = position;
        if (i < text.size())
            visible += text[i] != U'\r' && text[i] != U'\n';
    }
    EXPECT_EQ(before, built.size());
}

// A place in the box names the character there, over checkpoints, CR LF pairs, paragraphs
// cut out of a long line and characters outside the BMP; the count shown takes a CR LF as one.
TEST(ShownCorrection, PlaceInTheBoxGivesBackItsCharacterAndShownCount)
{
    std::u32string source;
    for (int line = 0; line < 40; ++line)
        source += std::u32string(line == 7 ? 3000 : 50, U'a') + U"\U0001F600\r\n";
    ShownCorrection shown;
    const CharacterText text(source);
    shown.build(text);
    int crlf = 0;
    for (size_t i = 0; i <= source.size(); ++i) {
        const bool beforeLf = i < source.size() && source[i] == U'\r';
        // The CR of a pair has the place of its LF: the place names the LF.
        EXPECT_EQ(shown.characterAt(shown.documentPosition(static_cast<int>(i))), beforeLf ? i + 1 : i) << i;
        EXPECT_EQ(shown.shownCharacters(static_cast<int>(i)), static_cast<int>(i) - crlf) << i;
        crlf += beforeLf;
    }
    EXPECT_EQ(shown.characterAt(-5), 0u);
    EXPECT_EQ(shown.characterAt(1 << 30), source.size());
}
