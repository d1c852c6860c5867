#include "platform/text_decoding.h"

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

// Length of the UTF-8 sequence starting at bytes[i] and its code point, or 0 if invalid.
int utf8Sequence(const QByteArray &bytes, int i, char32_t &codePoint)
{
    const auto byteAt = [&](int k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byteAt(i);
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
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byteAt(i + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    char32_t ignored = 0;
    for (int i = 0; i < bytes.size();) {
        const int length = utf8Sequence(bytes, i, ignored);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::u32string decodeWindows1252(const QByteArray &bytes)
{
    std::u32string text;
    text.reserve(static_cast<size_t>(bytes.size()));
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(value >= 0x80 && value <= 0x9F ? kCp1252High[value - 0x80] : value);
    }
    return text;
}

std::u32string decodeText(const QByteArray &bytes)
{
    if (!isValidUtf8(bytes))
        return decodeWindows1252(bytes);

    std::u32string text;
    text.reserve(static_cast<size_t>(bytes.size()));
    int i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size()) {
        char32_t codePoint = 0;
        i += utf8Sequence(bytes, i, codePoint);
        text.push_back(codePoint);
    }
    return text;
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
