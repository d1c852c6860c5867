// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/character_text.h"
#include "text/number_parsing.h"
#include "text/text_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace platform;

TEST(TextDecoding, ValidUtf8ReadsAsItsCharacters)
{
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9t\xC3\xA9")), U"été");
    EXPECT_EQ(decodeText(QByteArray("a\xF0\x9F\x98\x80" "b")), U"a\U0001F600b");
}

TEST(TextDecoding, ByteOrderMarkIsNotACharacter)
{
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBF" "ab")), U"ab");
}

TEST(TextDecoding, ZeroWidthNoBreakSpaceAfterTheStartIsACharacter)
{
    EXPECT_EQ(decodeText(QByteArray("a\xEF\xBB\xBF" "b")), U"a\uFEFFb");
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "b")), U"\uFEFFb");
    // Also once shown or used in a sound name, where it may come first.
    EXPECT_EQ(toQString(U"\uFEFFb"), QStringLiteral("\uFEFFb"));
    EXPECT_EQ(toQString(U'\uFEFF'), QStringLiteral("\uFEFF"));
    EXPECT_EQ(toQString(U"a\U0001F600"), QStringLiteral("a\U0001F600"));
}

TEST(TextDecoding, AnythingElseIsWindows1252)
{
    EXPECT_EQ(decodeText(QByteArray("\xE9t\xE9")), U"été");
    EXPECT_EQ(decodeText(QByteArray("\x80\x9C\x81\xFF")), U"€œ\u0081ÿ");
    // One stray byte makes the whole file Windows-1252, not a mixture.
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9\xE9")), U"Ã©é");
}

TEST(TextDecoding, LongTextsKeepEveryCharacterWhateverItsWidth)
{
    // Runs of ASCII are taken several bytes at a time; what follows them must not be lost.
    EXPECT_EQ(decodeText(QByteArray("abcdefghij\xC3\xA9klmnopqrstuvw")), U"abcdefghijéklmnopqrstuvw");
    EXPECT_EQ(decodeText(QByteArray("abcdefghi\x80jklmnopq")), U"abcdefghi€jklmnopq");
    EXPECT_EQ(decodeText(QByteArray("0123456789abcdef\xF0\x9F\x98\x80")), U"0123456789abcdef\U0001F600");
    EXPECT_EQ(decodeText(QByteArray("0123456789abcdef\xE9")), U"0123456789abcdefé");
}

TEST(TextDecoding, MalformedUtf8IsRejected)
{
    EXPECT_FALSE(isValidUtf8(QByteArray("\xC0\xAF")));         // overlong
    EXPECT_FALSE(isValidUtf8(QByteArray("\xED\xA0\x80")));     // surrogate
    EXPECT_FALSE(isValidUtf8(QByteArray("\xF4\x90\x80\x80"))); // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8(QByteArray("\xE2\x82")));         // truncated
    EXPECT_TRUE(isValidUtf8(QByteArray("plain\r\n")));
}

// Blocks of every kind side by side, each cut across a block boundary: one character
// repeated, a Morse exercise, accented Latin-1, a few wide characters among ASCII,
// more distinct wide characters than an alphabet takes, and characters beyond U+FFFF.
std::u32string mixedText()
{
    std::mt19937 random(7);
    const std::u32string signs = U"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 =\r\n";
    const std::u32string french = U"aàâbcçdeéèêfghiîjklmnoôpqrstuùvwxyz ’œ€;?\r\n\0";
    std::u32string text(CharacterText::kBlock + 5, U'A');
    const auto add = [&](const std::u32string &from, size_t count) {
        for (size_t k = 0; k < count; ++k)
            text.push_back(from[random() % from.size()]);
    };
    add(signs, CharacterText::kBlock);
    add(french, CharacterText::kBlock + 1);
    for (char32_t c = 0x4E00; c < 0x4E00 + 300; ++c)
        text.push_back(c);
    add(U"\U0001F600\U0010FFFFa\u00FF", CharacterText::kBlock);
    text.append(U"end");
    return text;
}

// The first place where two texts differ, or their common length: a failure names a
// place rather than printing megabytes.
size_t firstDifference(const std::u32string &a, const std::u32string &b)
{
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

TEST(CharacterText, EveryCharacterComesBackWhateverItsBlockHolds)
{
    const std::u32string source = mixedText();
    const CharacterText text(source);
    ASSERT_EQ(text.size(), source.size());
    EXPECT_EQ(firstDifference(text.toU32String(), source), source.size());
    // The same text read from a file, and a copy, give the same characters.
    QByteArray utf8;
    for (const char32_t c : source)
        utf8 += QString::fromUcs4(&c, 1).toUtf8();
    EXPECT_EQ(firstDifference(CharacterText::decode(utf8).toU32String(), source), source.size());
    const CharacterText copy = text;
    for (size_t i = 0; i < source.size(); i += 97)
        ASSERT_EQ(copy[i], source[i]) << "at " << i;
    EXPECT_TRUE(CharacterText().empty());
    EXPECT_EQ(CharacterText(U"x").toU32String(), U"x");
}

TEST(CharacterText, Windows1252FileOverSeveralBlocksKeepsEveryByte)
{
    QByteArray bytes;
    for (size_t k = 0; k < 3 * CharacterText::kBlock; ++k)
        bytes += static_cast<char>(k % 7 == 0 ? 0x80 + k % 32 : 'a' + k % 26);
    bytes += "\xE9";
    const std::u32string expected = decodeWindows1252(bytes);
    EXPECT_EQ(firstDifference(CharacterText::decode(bytes).toU32String(), expected), expected.size());
}

TEST(TextDecoding, Utf8IsReadInComposedForm)
{
    // An accent written apart from its letter, as some editors write é, is the accented letter.
    EXPECT_EQ(decodeText(QByteArray("e\xCC\x81t\xC3\xA9 x\xCC\x81")), U"été x\u0301");
    EXPECT_EQ(decodeText(QByteArray("\xE2\x84\xAB")), U"\u00C5"); // the ångström sign
    // Composed a stretch at a time: no accent parts from its letter, over several blocks,
    // also in a text without any character below U+0300 (no blank, no line break).
    QByteArray apart;
    std::u32string expected;
    for (size_t k = 0; k < 3 * CharacterText::kBlock; ++k) {
        apart += "e\xCC\x81\xE2\x80\x94";
        expected += U"é—";
    }
    for (size_t k = 0; k < 2 * CharacterText::kBlock; ++k) {
        apart += "\xE6\xBC\xA2\xE3\x81\x8B\xE3\x82\x99";
        expected += U"漢が";
    }
    EXPECT_EQ(firstDifference(CharacterText::decode(apart).toU32String(), expected), expected.size());
}

// The text box already takes two bytes a character; the reading's own copy of an
// exercise must take less than one, or a big correction takes over three times its size.
TEST(CharacterText, ExercisesAreHeldInLessThanAByteACharacter)
{
    std::mt19937 random(3);
    const std::string signs = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 =";
    QByteArray exercise;
    while (exercise.size() < 1000000) {
        for (int k = 0; k < 60; ++k)
            exercise += signs[random() % signs.size()];
        exercise += "\r\n";
    }
    EXPECT_LT(CharacterText::decode(exercise).heldBytes(), 0.8 * exercise.size());
    const QByteArray french = QByteArray("Le coeur de l'\xE9l\xE8ve bat \xE0 la fen\xEAtre ; o\xF9 est ce gar\xE7on ?\r\n")
                                  .repeated(20000);
    EXPECT_LT(CharacterText::decode(french).heldBytes(), 0.8 * french.size());
    EXPECT_LT(CharacterText::decode(QByteArray(1000000, 'A')).heldBytes(), 4000u);
}

TEST(LeadingNumber, ReadsTheLeadingDecimalNumber)
{
    EXPECT_EQ(leadingNumber(QStringLiteral("100")), 100.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("250ms")), 250.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("-3")), -3.0);
    EXPECT_EQ(leadingNumber(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("3e")), 3.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("1.2.3")), 1.2);
}

TEST(LeadingNumber, BlanksTabsAndLineFeedsAreIgnoredEverywhere)
{
    EXPECT_EQ(leadingNumber(QStringLiteral(" \t1 2\n5 ")), 125.0);
    // A carriage return is not white space here: it ends the number.
    EXPECT_EQ(leadingNumber(QStringLiteral("12\r5")), 12.0);
}

TEST(LeadingNumber, NonNumbersReadZero)
{
    EXPECT_EQ(leadingNumber(QStringLiteral("abc")), 0.0);
    EXPECT_EQ(leadingNumber(QString()), 0.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("-")), 0.0);
    EXPECT_EQ(leadingNumber(QStringLiteral(".")), 0.0);
    // The decimal mark is "." whatever the locale: a comma ends the number.
    EXPECT_EQ(leadingNumber(QStringLiteral("2,5")), 2.0);
}

TEST(LeadingNumber, HugeValuesDoNotWrap)
{
    EXPECT_GT(leadingNumber(QStringLiteral("1e999")), 1e300);
    EXPECT_LT(leadingNumber(QStringLiteral("-1e999")), -1e300);
    EXPECT_GT(leadingNumber(QString(400, QLatin1Char('9')) + QStringLiteral("e-10")), 1e300);
}

TEST(RoundHalfToEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfToEven(2.5), 2.0);
    EXPECT_EQ(roundHalfToEven(3.5), 4.0);
    EXPECT_EQ(roundHalfToEven(2.4999), 2.0);
    EXPECT_EQ(roundHalfToEven(2.5001), 3.0);
    EXPECT_EQ(roundHalfToEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfToEven(100.0), 100.0);
}
