// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtEndian>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A text as characters (Unicode code points), packed: a correction of tens of
// megabytes is also held by the text box at two bytes a character, and the two together
// must stay within three times the file. The text is cut into blocks of kBlock
// characters; a block holds each character as a code of as few bits as its characters
// need: an index into the block's own alphabet when it uses few distinct characters (a
// Morse exercise uses about forty), else the code point itself (7 bits for ASCII).
// Any character is reached at once, without unpacking anything else. Copies share the
// characters.
class CharacterText
{
public:
    CharacterText();
    explicit CharacterText(const std::u32string &text);

    // The file rule: entirely valid UTF-8 reads as UTF-8 without its byte-order mark, in
    // composed form (NFC, see composed_form.h), anything else as Windows-1252.
    static CharacterText decode(const QByteArray &bytes);

    static constexpr int kBlockBits = 14;
    static constexpr size_t kBlock = size_t{1} << kBlockBits;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    char32_t operator[](size_t i) const
    {
        const Block &block = m_data->blocks[i >> kBlockBits];
        const std::uint32_t code =
            block.bits == 0 ? 0 : codeAt(block.firstBit + (i & (kBlock - 1)) * block.bits, codeMask(block.bits));
        return block.alphabet < 0 ? code : m_data->alphabets[static_cast<size_t>(block.alphabet) + code];
    }
    // Characters [from, from + count) into `out`, faster than one by one.
    void copy(size_t from, size_t count, char32_t *out) const;
    std::u32string toU32String() const;
    // Bytes held for the characters (blocks, codes and alphabets).
    size_t heldBytes() const;

private:
    class Packer;

    struct Block
    {
        std::uint64_t firstBit = 0;
        std::int32_t alphabet = -1; // first entry in `alphabets`, or -1: the code is the character
        std::uint8_t bits = 0;      // bits of each code; 0: the block is one character repeated
    };
    struct Storage
    {
        std::vector<Block> blocks;
        std::vector<std::uint8_t> codes; // with 8 spare bytes at the end: codes are read 8 bytes at a time
        std::vector<char32_t> alphabets;
    };

    CharacterText(std::shared_ptr<const Storage> data, size_t size);

    static std::uint32_t codeMask(int bits) { return (std::uint32_t{1} << bits) - 1; }
    // The code whose first bit is `bit` in the codes, little-endian.
    std::uint32_t codeAt(std::uint64_t bit, std::uint32_t mask) const
    {
        const std::uint64_t word = qFromLittleEndian<std::uint64_t>(m_data->codes.data() + (bit >> 3));
        return static_cast<std::uint32_t>(word >> (bit & 7)) & mask;
    }

    std::shared_ptr<const Storage> m_data;
    size_t m_size = 0;
};

} // namespace platform
