// SPDX-License-Identifier: GPL-3.0-or-later
// The table file as it is loaded at start-up, then lookups of the characters of a text.
#include "text/text_decoding.h"
#include "reading/sound_table.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte splits the input: table file, then the text to look up.
    if (size == 0)
        return 0;
    const size_t tableSize = std::min<size_t>(size - 1, data[0] * (size - 1) / 255);
    const QByteArray table(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(tableSize));
    const QByteArray text(reinterpret_cast<const char *>(data + 1 + tableSize),
                          static_cast<qsizetype>(size - 1 - tableSize));

    reading::SoundTable soundTable;
    soundTable.load(platform::decodeText(table));
    if (soundTable.rows().empty())
        std::abort();
    for (const char32_t character : platform::decodeText(text)) {
        const reading::SoundTable::Lookup found = soundTable.lookup(character);
        const int row = soundTable.selectedRow();
        if (row < 0 || row >= static_cast<int>(soundTable.rows().size()))
            std::abort();
        const bool lineBreak = character == U'\r' || character == U'\n';
        if (lineBreak != (found.outcome == reading::SoundTable::Outcome::Skip))
            std::abort();
        if (found.outcome == reading::SoundTable::Outcome::Found && soundTable.rows()[row].front() != character)
            std::abort();
        if (found.soundName.startsWith(QLatin1Char(' ')) || found.soundName.endsWith(QLatin1Char(' ')))
            std::abort();
    }
    return 0;
}
