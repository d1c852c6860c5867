// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/character_text.h"

#include "text/composed_form.h"
#include "text/text_decoding.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

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

    // Characters given as bytes, each standing for `table[byte]`: each block's alphabet is
    // made of the bytes it uses (a Morse exercise uses about forty of them).
    void pushBytes(const unsigned char *p, const unsigned char *end, const char32_t *table)
    {
        while (p < end) {
            const size_t n = std::min<size_t>(kBlock, static_cast<size_t>(end - p));
            packBytes(p, n, table);
            p += n;
        }
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
            write(n, block.bits, [&](size_t k) {
                const char32_t c = m_block[k];
                if (!useAlphabet)
                    return static_cast<std::uint32_t>(c);
                return c < 0x100 ? static_cast<std::uint32_t>(narrow[c])
                                 : wideCodes[static_cast<size_t>(std::find(wide.begin(), wide.end(), c) - wide.begin())];
            });
        }
        m_size += n;
        m_fill = 0;
    }

    void packBytes(const unsigned char *p, size_t n, const char32_t *table)
    {
        std::array<bool, 256> seen{};
        for (size_t k = 0; k < n; ++k)
            seen[p[k]] = true;
        std::array<std::uint32_t, 256> codes{};
        Block block;
        block.firstBit = m_bits;
        block.alphabet = static_cast<std::int32_t>(m_storage->alphabets.size());
        std::uint32_t distinct = 0;
        for (int byte = 0; byte < 256; ++byte) {
            if (seen[byte]) {
                codes[byte] = distinct++;
                m_storage->alphabets.push_back(table[byte]);
            }
        }
        block.bits = static_cast<std::uint8_t>(bitLength(distinct - 1));
        m_storage->blocks.push_back(block);
        if (block.bits != 0)
            write(n, block.bits, [&](size_t k) { return codes[p[k]]; });
        m_size += n;
    }

    // Appends `n` codes of `bits` bits each, the k-th being codeOf(k).
    template <typename CodeOf>
    void write(size_t n, int bits, CodeOf codeOf)
    {
        auto &codes = m_storage->codes;
        const size_t at = codes.size();
        codes.resize(at + n * static_cast<size_t>(bits) / 8 + 8); // within what is reserved
        std::uint8_t *out = codes.data() + at;
        std::uint64_t pending = m_pending;
        int pendingBits = m_pendingBits;
        for (size_t k = 0; k < n; ++k) {
            pending |= std::uint64_t{codeOf(k)} << pendingBits;
            pendingBits += bits;
            if (pendingBits >= 32) {
                qToLittleEndian(static_cast<std::uint32_t>(pending), out);
                out += 4;
                pending >>= 32;
                pendingBits -= 32;
            }
        }
        codes.resize(static_cast<size_t>(out - codes.data()));
        m_pending = pending;
        m_pendingBits = pendingBits;
        m_bits += n * static_cast<std::uint64_t>(bits);
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
    bool composing = false;
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
        composing = composing || mayNeedComposing(codePoint);
        ++count;
        p += length;
    }

    // One byte a character: Windows-1252, or UTF-8 that is all ASCII.
    if (!utf8 || count == static_cast<size_t>(end - start)) {
        if (!utf8)
            start = begin;
        std::array<char32_t, 256> table{};
        for (int byte = 0; byte < 256; ++byte)
            table[byte] = utf8 ? static_cast<char32_t>(byte) : windows1252Character(static_cast<unsigned char>(byte));
        Packer packer(static_cast<size_t>(end - start), 0xFF);
        packer.pushBytes(start, end, table.data());
        return packer.finish();
    }
    Packer packer(count, largest);
    char32_t codePoint = 0;
    if (!composing) {
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
    // Composed a stretch at a time, each from a character that never combines with what
    // comes before it to the next such: the text is never held whole once more, and only
    // the stretches that may change go through the composition.
    std::u32string stretch;
    bool changes = false;
    const auto packStretch = [&] {
        if (changes) {
            for (const char32_t c : composed(stretch))
                packer.push(c);
        } else {
            for (const char32_t c : stretch)
                packer.push(c);
        }
        stretch.clear();
        changes = false;
    };
    for (const unsigned char *p = start; p < end;) {
        p += utf8SequenceAt(p, end, codePoint);
        if (startsComposingStretch(codePoint))
            packStretch();
        stretch.push_back(codePoint);
        changes = changes || mayNeedComposing(codePoint);
    }
    packStretch();
    return packer.finish();
}

void CharacterText::copy(size_t from, size_t count, char32_t *out) const
{
    const size_t end = std::min(from + count, m_size);
    while (from < end) {
        const Block &block = m_data->blocks[from >> kBlockBits];
        const size_t blockEnd = std::min(end, ((from >> kBlockBits) + 1) << kBlockBits);
        const char32_t *alphabet = block.alphabet < 0 ? nullptr : m_data->alphabets.data() + block.alphabet;
        if (block.bits == 0) {
            std::fill(out, out + (blockEnd - from), alphabet ? alphabet[0] : U'\0');
            out += blockEnd - from;
            from = blockEnd;
            continue;
        }
        const std::uint32_t mask = codeMask(block.bits);
        std::uint64_t bit = block.firstBit + (from & (kBlock - 1)) * block.bits;
        for (; from < blockEnd; ++from, bit += block.bits) {
            const std::uint32_t code = codeAt(bit, mask);
            *out++ = alphabet ? alphabet[code] : code;
        }
    }
}

std::u32string CharacterText::toU32String() const
{
    std::u32string text(m_size, U'\0');
    copy(0, m_size, text.data());
    return text;
}

size_t CharacterText::heldBytes() const
{
    return m_data->blocks.size() * sizeof(Block) + m_data->codes.size() + m_data->alphabets.size() * sizeof(char32_t);
}

} // namespace platform
