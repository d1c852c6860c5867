// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/number_parsing.h"
#include "text/text_decoding.h"

#include <gtest/gtest.h>

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
