// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/character_text.h"

#include "text/text_decoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

char32_t windows1252(unsigned char byte)
{
    return windows1252Character(byte);
}

template <typename Fill>
void forEachUtf8(const unsigned char *p, const unsigned char *end, Fill fill)
{
    char32_t codePoint = 0;
    while (p < end) {
        if (*p < 0x80) {
            fill(static_cast<char32_t>(*p++));
            continue;
        }
        p += utf8SequenceAt(p, end, codePoint);
        fill(codePoint);
    }
}

} // namespace

CharacterText::CharacterText()
    : m_data(std::make_shared<Storage>())
{
}

CharacterText::CharacterText(const std::u32string &text)
{
    auto storage = std::make_shared<Storage>();
    char32_t largest = 0;
    for (const char32_t c : text)
        largest = std::max(largest, c);
    m_width = largest < 0x100 ? 1 : largest < 0x10000 ? 2 : 4;
    for (const char32_t c : text) {
        if (m_width == 1)
            storage->latin1.push_back(static_cast<char>(c));
        else if (m_width == 2)
            storage->bmp.push_back(static_cast<char16_t>(c));
        else
            storage->wide.push_back(c);
    }
    m_size = text.size();
    m_data = std::move(storage);
}

CharacterText CharacterText::decode(const QByteArray &bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *end = begin + bytes.size();
    CharacterText text;
    auto storage = std::make_shared<Storage>();

    // One pass tells the encoding, the number of characters and the largest of them.
    size_t count = 0;
    char32_t largest = 0;
    bool utf8 = true;
    const unsigned char *start = begin;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        start += 3;
    for (const unsigned char *p = start; p < end;) {
        std::uint64_t eight = 0;
        if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & 0x8080808080808080ULL) == 0)) {
            count += 8; // eight ASCII bytes at once: most files are mostly ASCII
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++count;
            ++p;
            continue;
        }
        char32_t codePoint = 0;
        const int length = utf8SequenceAt(p, end, codePoint);
        if (length == 0) {
            utf8 = false;
            break;
        }
        largest = std::max(largest, codePoint);
        ++count;
        p += length;
    }
    if (!utf8) {
        start = begin;
        count = static_cast<size_t>(bytes.size());
        largest = 0;
        for (const unsigned char *p = begin; p < end; ++p)
            largest = std::max(largest, windows1252(*p));
    }

    text.m_width = largest < 0x100 ? 1 : largest < 0x10000 ? 2 : 4;
    text.m_size = count;
    switch (text.m_width) {
    case 1:
        storage->latin1.resize(count);
        if (!utf8 || count == static_cast<size_t>(end - start)) { // Latin-1 bytes, or ASCII
            storage->latin1.assign(reinterpret_cast<const char *>(start), count);
        } else {
            char *out = storage->latin1.data();
            forEachUtf8(start, end, [&](char32_t c) { *out++ = static_cast<char>(c); });
        }
        break;
    case 2: {
        storage->bmp.resize(count);
        char16_t *out = storage->bmp.data();
        if (!utf8) {
            for (const unsigned char *p = begin; p < end; ++p)
                *out++ = static_cast<char16_t>(windows1252(*p));
        } else {
            forEachUtf8(start, end, [&](char32_t c) { *out++ = static_cast<char16_t>(c); });
        }
        break;
    }
    default: {
        storage->wide.resize(count);
        char32_t *out = storage->wide.data();
        forEachUtf8(start, end, [&](char32_t c) { *out++ = c; });
        break;
    }
    }
    text.m_data = std::move(storage);
    return text;
}

std::u32string CharacterText::toU32String() const
{
    std::u32string text;
    text.reserve(m_size);
    for (size_t i = 0; i < m_size; ++i)
        text.push_back((*this)[i]);
    return text;
}

} // namespace platform
