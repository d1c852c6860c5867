// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shown_correction.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int kParagraphTarget = 512;  // a line break after this many characters ends the paragraph
constexpr int kParagraphLines = 64;    // ... or after this many lines
constexpr int kParagraphMax = 1024;    // a longer line is cut here
constexpr size_t kCheckpointEvery = 1024;

} // namespace

void ShownCorrection::step(size_t i, State &state, QChar *&shown) const
{
    const char32_t c = m_text[i];
    if (c == U'\r' && i + 1 < m_text.size() && m_text[i + 1] == U'\n')
        return; // shown with the LF that follows
    if (c == U'\r' || c == U'\n') {
        const bool endsParagraph = state.blockLength >= kParagraphTarget || state.blockLines >= kParagraphLines;
        if (shown)
            *shown++ = endsParagraph ? QChar(u'\n') : QChar(QChar::LineSeparator);
        state.blockLength = endsParagraph ? 0 : state.blockLength + 1;
        state.blockLines = endsParagraph ? 0 : state.blockLines + 1;
        state.position += 1;
        return;
    }
    if (state.blockLength >= kParagraphMax) {
        if (shown)
            *shown++ = QChar(u'\n');
        state.blockLength = 0;
        state.blockLines = 0;
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
    state.position += units;
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
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % kCheckpointEvery == 0)
            m_checkpoints.push_back(state);
        step(i, state, out);
        if (out - piece.constData() >= kPieceUnits) {
            put(QString(piece.constData(), out - piece.constData()));
            out = piece.data();
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

int ShownCorrection::documentPosition(int characters) const
{
    const size_t end = std::min(static_cast<size_t>(std::max(characters, 0)), m_text.size());
    if (end == m_text.size())
        return m_checkpoints.empty() ? 0 : m_checkpoints.back().position;
    const size_t from = end / kCheckpointEvery * kCheckpointEvery;
    State state = m_checkpoints[end / kCheckpointEvery];
    QChar *nowhere = nullptr;
    for (size_t i = from; i < end; ++i)
        step(i, state, nowhere);
    return state.position;
}

} // namespace ui
