// SPDX-License-Identifier: GPL-3.0-or-later
// A text packed into blocks gives back exactly the characters it was made of: each one,
// and any stretch, across block edges, compared with the text decoded plainly.
//
// Input: a first byte of flags, two bytes for the length wanted (the rest repeated until
// it is reached, so that short inputs also cross several blocks), then the text. Either
// the bytes themselves, decoded as a correction file is, or characters built from them
// (supplementary planes, CR LF, NULs, Latin-1, a few or many distinct wide characters).
#include "text/character_text.h"
#include "text/composed_form.h"
#include "text/text_decoding.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::CharacterText;

constexpr uint8_t kBuildCharacters = 1; // else: the bytes are a file's content
constexpr uint8_t kByteOrderMark = 2;   // the UTF-8 of the characters starts with one

// Characters from the bytes: most bytes are a character of their own (NUL, CR, LF and
// Latin-1 among them); the highest open a wide character spelt by the next bytes.
std::u32string charactersOf(const uint8_t *data, size_t size)
{
    std::u32string text;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        if (byte < 0xC0 || i + 1 >= size) {
            text += static_cast<char32_t>(byte);
        } else if (byte < 0xF0) {
            // A character of the Basic Multilingual Plane beyond Latin-1, surrogates skipped.
            char32_t c = 0x100 + static_cast<char32_t>(((byte - 0xC0) << 8 | data[++i]) * 5);
            if (c >= 0xD800 && c <= 0xDFFF)
                c += 0x800;
            text += c;
        } else if (i + 2 < size) {
            const auto high = static_cast<char32_t>((byte - 0xF0) << 16 | data[i + 1] << 8 | data[i + 2]);
            text += 0x10000 + high % 0x100000;
            i += 2;
        } else {
            text += U'\r';
            text += U'\n';
        }
    }
    return text;
}

QByteArray utf8Of(const std::u32string &text)
{
    QByteArray bytes;
    for (const char32_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | c >> 6);
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | c >> 12);
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | c >> 18);
            bytes += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

template <typename Text>
Text repeatedTo(const Text &piece, size_t length)
{
    Text text = piece;
    while (piece.size() > 0 && static_cast<size_t>(text.size()) < length)
        text += piece;
    return text;
}

// Every character, the whole text, and stretches starting anywhere (block edges most of
// all) and of any length, some running past the end. The checks give the fuzzer no
// coverage of their own: its guide is the packing alone, and they cost it no speed.
__attribute__((no_sanitize("coverage"))) void expectSame(const CharacterText &packed, const std::u32string &expected,
                                                         uint32_t seed)
{
    const size_t size = expected.size();
    if (packed.size() != size)
        std::abort();
    for (size_t i = 0; i < size; ++i) {
        if (packed[i] != expected[i])
            std::abort();
    }
    const std::u32string whole = packed.toU32String();
    if (whole.size() != size || std::memcmp(whole.data(), expected.data(), size * sizeof(char32_t)) != 0)
        std::abort();
    constexpr char32_t kUntouched = U'\U0010FFFF';
    constexpr size_t kSpare = 4;
    std::vector<char32_t> out(CharacterText::kBlock + 3 + kSpare);
    std::minstd_rand random(seed);
    for (int stretch = 0; stretch < 32 && size > 0; ++stretch) {
        size_t from = random() % size;
        if (stretch % 2 == 0) { // up to two characters either side of a block edge
            const size_t edge = from / CharacterText::kBlock * CharacterText::kBlock;
            from = std::min(size - 1, edge - std::min<size_t>(edge, random() % 3) + random() % 3);
        }
        const size_t count = random() % (CharacterText::kBlock + 3); // past the next edge at times
        const size_t copied = std::min(count, size - from);
        std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(copied + kSpare), kUntouched);
        packed.copy(from, count, out.data());
        if (std::memcmp(out.data(), expected.data() + from, copied * sizeof(char32_t)) != 0)
            std::abort(); // a stretch differs
        for (size_t k = copied; k < copied + kSpare; ++k) {
            if (out[k] != kUntouched)
                std::abort(); // the copy wrote past what the text holds
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    // Up to 65,535 × 2 characters: 8 blocks.
    const size_t length = (size_t{data[1]} | size_t{data[2]} << 8) * 2;
    const uint32_t seed = static_cast<uint32_t>(size) * 2654435761u ^ data[1];
    data += 3;
    size -= 3;

    if (flags & kBuildCharacters) {
        const std::u32string text = repeatedTo(charactersOf(data, size), length);
        expectSame(CharacterText(text), text, seed);
        QByteArray utf8 = utf8Of(text);
        if (flags & kByteOrderMark)
            utf8.prepend("\xEF\xBB\xBF");
        // Read from a file, they come back in composed form (NFC), as Qt makes it of the whole.
        const std::u32string read = platform::composed(text);
        if (platform::decodeText(utf8) != read)
            std::abort();
        expectSame(CharacterText::decode(utf8), read, seed);
    } else {
        const QByteArray bytes =
            repeatedTo(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), length);
        expectSame(CharacterText::decode(bytes), platform::decodeText(bytes), seed);
    }
    return 0;
}
