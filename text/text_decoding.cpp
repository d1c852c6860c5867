// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_decoding.h"

#include "text/character_text.h"

namespace platform {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five unassigned bytes keep
// their own code point, as Windows itself maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

int utf8SequenceAt(const unsigned char *p, const unsigned char *end, char32_t &codePoint)
{
    const unsigned char lead = *p;
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = p[k];
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

bool isValidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *end = p + bytes.size();
    char32_t ignored = 0;
    while (p < end) {
        const int length = utf8SequenceAt(p, end, ignored);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

char32_t windows1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : byte;
}

std::u32string decodeWindows1252(const QByteArray &bytes)
{
    std::u32string text;
    text.reserve(static_cast<size_t>(bytes.size()));
    for (const char byte : bytes)
        text.push_back(windows1252Character(static_cast<unsigned char>(byte)));
    return text;
}

std::u32string decodeText(const QByteArray &bytes)
{
    return CharacterText::decode(bytes).toU32String();
}

// QString::fromUcs4 would drop a U+FEFF at the start as a byte-order mark; here it is
// a character like any other.
void appendCharacter(QString &text, char32_t character)
{
    if (character < 0x10000 && (character < 0xD800 || character > 0xDFFF)) {
        text.append(QChar(static_cast<char16_t>(character)));
    } else if (character >= 0x10000 && character <= 0x10FFFF) {
        text.append(QChar(QChar::highSurrogate(character)));
        text.append(QChar(QChar::lowSurrogate(character)));
    } else {
        text.append(QChar(QChar::ReplacementCharacter));
    }
}

QString toQString(const std::u32string &text)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char32_t character : text)
        appendCharacter(result, character);
    return result;
}

QString toQString(char32_t character)
{
    QString result;
    appendCharacter(result, character);
    return result;
}

} // namespace platform
