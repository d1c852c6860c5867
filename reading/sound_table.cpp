// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/sound_table.h"

#include "text/text_decoding.h"

namespace reading {

namespace {

constexpr char32_t kCarriageReturn = U'\r';
constexpr char32_t kLineFeed = U'\n';

// Only blanks around the name are ignored; a tab stays part of it.
std::u32string trimBlanks(const std::u32string &text)
{
    const auto first = text.find_first_not_of(U' ');
    if (first == std::u32string::npos)
        return {};
    const auto last = text.find_last_not_of(U' ');
    return text.substr(first, last - first + 1);
}

} // namespace

void SoundTable::load(const std::u32string &content)
{
    m_rows.clear();
    m_selectedRow = -1;
    std::u32string row;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == kCarriageReturn) {
            m_rows.push_back(row);
            row.clear();
            ++i; // drop the LF of the pair, whatever it is
        } else {
            row.push_back(content[i]);
        }
    }
    m_rows.push_back(row);
}

SoundTable::Lookup SoundTable::lookup(char32_t character)
{
    const int count = static_cast<int>(m_rows.size());
    for (int j = 0; j < count; ++j) {
        m_selectedRow = j;
        if (character == kLineFeed || character == kCarriageReturn)
            return {Outcome::Skip, QString()};
        const std::u32string &row = m_rows[static_cast<size_t>(j)];
        if (!row.empty() && row.front() == character) {
            // A row of one or two characters has no name: it yields an empty one.
            const std::u32string name = row.size() > 2 ? trimBlanks(row.substr(2)) : std::u32string();
            return {Outcome::Found, platform::toQString(name)};
        }
    }
    return {Outcome::Missing, QString()};
}

} // namespace reading
