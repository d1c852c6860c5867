// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shown_correction.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int kParagraphTarget = 1024; // a line break after this many characters ends the paragraph
constexpr int kParagraphLines = 64;    // ... or after this many lines
constexpr int kLineCut = 1024;         // a longer line is cut into paragraphs of this length
constexpr int kParagraphMax = 2048;    // ... and so is any line that would take a paragraph past this
constexpr size_t kCheckpointEvery = 1024;

} // namespace

inline void ShownCorrection::step(char32_t c, char32_t next, State &state, QChar *&shown)
{
    if (c == U'\r' && next == U'\n')
        return; // shown with the LF that follows
    state.visible += 1;
    if (c == U'\r' || c == U'\n') {
        const bool endsParagraph = state.blockLength >= kParagraphTarget || state.blockLines >= kParagraphLines;
        if (shown)
            *shown++ = endsParagraph ? QChar(u'\n') : QChar(QChar::LineSeparator);
        state.blockLength = endsParagraph ? 0 : state.blockLength + 1;
        state.blockLines = endsParagraph ? 0 : state.blockLines + 1;
        state.lineLength = 0;
        state.position += 1;
        return;
    }
    if (state.lineLength >= kLineCut || state.blockLength >= kParagraphMax) {
        if (shown)
            *shown++ = QChar(u'\n');
        state.blockLength = 0;
        state.blockLines = 0;
        state.lineLength = 0;
        state.position += 1;
    }
    const int units = c >= 0x10000 ? 2 : 1;
    if (shown) {
        if (units == 2) {
            *shown++ = QChar(QChar::highSurrogate(c));
            *shown++ = QChar(QChar::lowSurrogate(c));
        } else {
            *shown++ = QChar(static_cast<char16_t>(c));
        }
    }
    state.blockLength += units;
    state.lineLength += units;
    state.position += units;
}

void ShownCorrection::step(size_t i, State &state, QChar *&shown) const
{
    step(m_text[i], i + 1 < m_text.size() ? m_text[i + 1] : U'\0', state, shown);
}

QString ShownCorrection::build(const platform::CharacterText &text)
{
    QString shown;
    build(text, [&shown](const QString &piece) { shown += piece; });
    return shown;
}

void ShownCorrection::build(const platform::CharacterText &text, const std::function<void(const QString &)> &put)
{
    m_text = text;
    m_checkpoints.clear();
    m_checkpoints.reserve(text.size() / kCheckpointEvery + 2);
    // Written in place: appending tens of millions of characters one by one is slow. A
    // step writes at most three units (a cut, then a surrogate pair).
    QString piece(kPieceUnits + 3, Qt::Uninitialized);
    QChar *out = piece.data();
    State state;
    // The characters are unpacked a stretch at a time, with the one after it.
    constexpr size_t kStretch = kCheckpointEvery * 16;
    std::vector<char32_t> stretch(kStretch + 1);
    for (size_t from = 0; from < text.size(); from += kStretch) {
        const size_t count = std::min(kStretch, text.size() - from);
        text.copy(from, count + 1, stretch.data());
        if (from + count == text.size())
            stretch[count] = U'\0';
        for (size_t k = 0; k < count; ++k) {
            if (k % kCheckpointEvery == 0)
                m_checkpoints.push_back(state);
            step(stretch[k], stretch[k + 1], state, out);
            if (out - piece.constData() >= kPieceUnits) {
                put(QString(piece.constData(), out - piece.constData()));
                out = piece.data();
            }
        }
    }
    m_checkpoints.push_back(state); // after the last character
    if (out != piece.constData())
        put(QString(piece.constData(), out - piece.constData()));
}

void ShownCorrection::clear()
{
    m_text = platform::CharacterText();
    m_checkpoints.clear();
}

ShownCorrection::State ShownCorrection::stateAfter(size_t characters) const
{
    const size_t end = std::min(characters, m_text.size());
    if (end == m_text.size())
        return m_checkpoints.empty() ? State() : m_checkpoints.back();
    const size_t from = end / kCheckpointEvery * kCheckpointEvery;
    State state = m_checkpoints[end / kCheckpointEvery];
    QChar *nowhere = nullptr;
    for (size_t i = from; i < end; ++i)
        step(i, state, nowhere);
    return state;
}

int ShownCorrection::documentPosition(int characters) const
{
    return stateAfter(static_cast<size_t>(std::max(characters, 0))).position;
}

int ShownCorrection::shownCharacters(int characters) const
{
    return stateAfter(static_cast<size_t>(std::max(characters, 0))).visible;
}

size_t ShownCorrection::characterAt(int position) const
{
    if (m_checkpoints.empty())
        return 0;
    // The last checkpoint at or before the position (positions never decrease).
    const auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end() - 1, position,
                                        [](int p, const State &state) { return p < state.position; });
    size_t i = after == m_checkpoints.begin() ? 0 : static_cast<size_t>(after - m_checkpoints.begin() - 1) * kCheckpointEvery;
    State state = after == m_checkpoints.begin() ? State() : *(after - 1);
    QChar *nowhere = nullptr;
    while (i < m_text.size()) {
        State next = state;
        step(i, next, nowhere);
        if (next.position > position)
            break;
        state = next;
        ++i;
    }
    return i;
}

} // namespace ui
