// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <memory>
#include <string>

namespace platform {

// A text as characters (Unicode code points), held in the narrowest width that fits
// every one of them: one byte each for Latin-1, two for the Basic Multilingual Plane,
// four otherwise. A correction of tens of megabytes must not cost four bytes a
// character. Copies share the characters.
class CharacterText
{
public:
    CharacterText();
    explicit CharacterText(const std::u32string &text);

    // The file rule: entirely valid UTF-8 reads as UTF-8 without its byte-order mark,
    // anything else as Windows-1252.
    static CharacterText decode(const QByteArray &bytes);

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    int width() const { return m_width; } // bytes per character held: 1, 2 or 4
    char32_t operator[](size_t i) const
    {
        switch (m_width) {
        case 1:
            return static_cast<unsigned char>(m_data->latin1[i]);
        case 2:
            return m_data->bmp[i];
        default:
            return m_data->wide[i];
        }
    }
    std::u32string toU32String() const;

private:
    struct Storage
    {
        std::string latin1;
        std::u16string bmp;
        std::u32string wide;
    };

    std::shared_ptr<const Storage> m_data;
    int m_width = 1;
    size_t m_size = 0;
};

} // namespace platform
