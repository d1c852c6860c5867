// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/character_text.h"

#include "text/text_decoding.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

int bitLength(std::uint32_t value)
{
    int bits = 0;
    while (value >> bits)
        ++bits;
    return bits;
}

} // namespace

// Gathers characters a block at a time and packs each block as it fills.
class CharacterText::Packer
{
public:
    // At most `count` characters, none above `largest`: the codes never take more than
    // that many characters of the largest's width, reserved at once so that they are
    // never copied while they grow (pages not written to cost nothing).
    Packer(size_t count, char32_t largest)
        : m_storage(std::make_shared<Storage>())
        , m_block(new char32_t[kBlock])
    {
        m_storage->blocks.reserve(count / kBlock + 1);
        m_storage->codes.reserve(count / 8 * static_cast<size_t>(bitLength(std::max<char32_t>(largest, 0x7F))) + 32);
    }

    void push(char32_t c)
    {
        m_block[m_fill++] = c;
        if (m_fill == kBlock)
            pack();
    }

    CharacterText finish()
    {
        if (m_fill > 0)
            pack();
        auto &codes = m_storage->codes;
        for (; m_pendingBits > 0; m_pendingBits -= 8, m_pending >>= 8)
            codes.push_back(static_cast<std::uint8_t>(m_pending));
        codes.insert(codes.end(), 8, 0);
        return CharacterText(std::move(m_storage), m_size);
    }

private:
    // The cheaper of the two ways: codes into the block's alphabet (with its table), or
    // the characters themselves in as many bits as the largest needs.
    void pack()
    {
        const size_t n = m_fill;
        std::array<std::int16_t, 256> narrow;
        narrow.fill(-1);
        std::vector<char32_t> alphabet;
        std::vector<char32_t> wide; // the few characters beyond 0xFF, by order of coming
        std::vector<std::uint32_t> wideCodes;
        constexpr size_t kMostWide = 64;
        bool fewWide = true;
        char32_t largest = 0;
        for (size_t k = 0; k < n; ++k) {
            const char32_t c = m_block[k];
            largest = std::max(largest, c);
            if (c < 0x100) {
                if (narrow[c] < 0) {
                    narrow[c] = static_cast<std::int16_t>(alphabet.size());
                    alphabet.push_back(c);
                }
            } else if (fewWide && std::find(wide.begin(), wide.end(), c) == wide.end()) {
                fewWide = wide.size() < kMostWide;
                wide.push_back(c);
                wideCodes.push_back(static_cast<std::uint32_t>(alphabet.size()));
                alphabet.push_back(c);
            }
        }
        const int plainBits = bitLength(largest);
        const int alphabetBits = bitLength(static_cast<std::uint32_t>(alphabet.size() - 1));
        const bool useAlphabet = fewWide && n * static_cast<size_t>(alphabetBits) + 32 * alphabet.size() <
                                                n * static_cast<size_t>(plainBits);

        Block block;
        block.firstBit = m_bits;
        block.bits = static_cast<std::uint8_t>(useAlphabet ? alphabetBits : plainBits);
        if (useAlphabet) {
            block.alphabet = static_cast<std::int32_t>(m_storage->alphabets.size());
            m_storage->alphabets.insert(m_storage->alphabets.end(), alphabet.begin(), alphabet.end());
        }
        m_storage->blocks.push_back(block);
        if (block.bits != 0) {
            for (size_t k = 0; k < n; ++k) {
                const char32_t c = m_block[k];
                std::uint32_t code = c;
                if (useAlphabet) {
                    code = c < 0x100 ? static_cast<std::uint32_t>(narrow[c])
                                     : wideCodes[static_cast<size_t>(std::find(wide.begin(), wide.end(), c) - wide.begin())];
                }
                write(code, block.bits);
            }
        }
        m_size += n;
        m_fill = 0;
    }

    void write(std::uint32_t code, int bits)
    {
        m_pending |= std::uint64_t{code} << m_pendingBits;
        m_pendingBits += bits;
        m_bits += static_cast<std::uint64_t>(bits);
        if (m_pendingBits >= 32) {
            auto &codes = m_storage->codes;
            for (int k = 0; k < 4; ++k)
                codes.push_back(static_cast<std::uint8_t>(m_pending >> (8 * k)));
            m_pending >>= 32;
            m_pendingBits -= 32;
        }
    }

    std::shared_ptr<Storage> m_storage;
    std::unique_ptr<char32_t[]> m_block;
    size_t m_fill = 0;
    size_t m_size = 0;
    std::uint64_t m_bits = 0;    // code bits written so far, pending ones included
    std::uint64_t m_pending = 0; // bits not yet stored, the first ones lowest
    int m_pendingBits = 0;
};

CharacterText::CharacterText()
    : CharacterText(std::u32string())
{
}

CharacterText::CharacterText(std::shared_ptr<const Storage> data, size_t size)
    : m_data(std::move(data))
    , m_size(size)
{
}

CharacterText::CharacterText(const std::u32string &text)
{
    const char32_t largest = text.empty() ? 0 : *std::max_element(text.begin(), text.end());
    Packer packer(text.size(), largest);
    for (const char32_t c : text)
        packer.push(c);
    *this = packer.finish();
}

CharacterText CharacterText::decode(const QByteArray &bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *end = begin + bytes.size();

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
        largest = 0;
        for (const unsigned char *p = begin; p < end; ++p)
            largest = std::max(largest, windows1252Character(*p));
        Packer packer(static_cast<size_t>(bytes.size()), largest);
        for (const unsigned char *p = begin; p < end; ++p)
            packer.push(windows1252Character(*p));
        return packer.finish();
    }
    Packer packer(count, largest);
    char32_t codePoint = 0;
    for (const unsigned char *p = start; p < end;) {
        if (*p < 0x80) {
            packer.push(*p++);
            continue;
        }
        p += utf8SequenceAt(p, end, codePoint);
        packer.push(codePoint);
    }
    return packer.finish();
}

std::u32string CharacterText::toU32String() const
{
    std::u32string text;
    text.reserve(m_size);
    for (size_t i = 0; i < m_size; ++i)
        text.push_back((*this)[i]);
    return text;
}

size_t CharacterText::heldBytes() const
{
    return m_data->blocks.size() * sizeof(Block) + m_data->codes.size() + m_data->alphabets.size() * sizeof(char32_t);
}

} // namespace platform
