// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace reading {

// Which recorded sound speaks which character: the rows of "kaloncor.ref", in file order.
// Each row is: the character, one separator, then the sound name (a WAV base name).
class SoundTable
{
public:
    enum class Outcome {
        Skip,    // a line break: nothing to say
        Found,   // the sound name (possibly empty)
        Missing, // no row starts with the character
    };

    struct Lookup
    {
        Outcome outcome = Outcome::Missing;
        QString soundName;
    };

    static inline const QString kFileName = QStringLiteral("kaloncor.ref");

    // Rows end at CR, and the character after a CR (the LF of CR LF) is dropped
    // unread; a lone LF is an ordinary character. The last row is always added, so
    // an empty text makes a table of one empty row.
    void load(const std::u32string &content);

    // The first matching row wins; the comparison is exact (case and accents count).
    Lookup lookup(char32_t character);

    const std::vector<std::u32string> &rows() const { return m_rows; }
    // The row where the last lookup stopped (the list's selection).
    int selectedRow() const { return m_selectedRow; }

private:
    std::vector<std::u32string> m_rows{std::u32string()};
    int m_selectedRow = -1;
};

} // namespace reading
