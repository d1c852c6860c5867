// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/character_text.h"

#include <QString>
#include <functional>
#include <vector>

namespace ui {

// How the correction is laid out in the text box, and where each character lands.
//
// A line break of any kind (CR LF, CR, LF) shows as one. The box lays out and stores
// each paragraph as a whole, so a paragraph per line would cost hundreds of bytes per
// empty line and a single huge line would freeze it: lines are gathered into paragraphs
// of one or two thousand characters or a few dozen lines (line separators inside), and a
// line longer than a thousand characters is cut into paragraphs of that length. Each
// paragraph costs the box some two hundred bytes besides its characters: a tenth of the
// text at these lengths, which the three-times bound on a correction leaves room for.
class ShownCorrection
{
public:
    // The text to put in the box. Keeps `text` (shared, not copied) for the mapping.
    QString build(const platform::CharacterText &text);
    // The same, handed over in pieces of about kPieceUnits: a huge correction is never
    // held whole twice, once as a string and once in the box.
    static constexpr qsizetype kPieceUnits = 1 << 16;
    void build(const platform::CharacterText &text, const std::function<void(const QString &)> &put);
    void clear();

    // Document position just after the first `characters` characters.
    int documentPosition(int characters) const;
    // The most characters whose document position is at most `position`: the character
    // at a place in the box (a selection's end, the caret).
    size_t characterAt(int position) const;
    // How many of the first `characters` characters the box shows: a CR LF is one.
    int shownCharacters(int characters) const;

private:
    struct State
    {
        int position = 0;    // document position before the next character
        int blockLength = 0; // characters of the current paragraph so far
        int blockLines = 0;  // line breaks inside it
        int lineLength = 0;  // characters of the current line in it
        int visible = 0;     // characters shown so far, a CR LF counting as one
    };

    State stateAfter(size_t characters) const;

    // Moves past character i; writes what it shows at `shown` unless that is null.
    void step(size_t i, State &state, QChar *&shown) const;
    // The same for character c followed by `next` (0 at the end).
    static void step(char32_t c, char32_t next, State &state, QChar *&shown);

    platform::CharacterText m_text;
    std::vector<State> m_checkpoints; // the state before every kCheckpointEvery-th character
};

} // namespace ui
