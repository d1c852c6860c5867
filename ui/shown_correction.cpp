#include "ui/shown_correction.h"

#include "platform/text_decoding.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int kParagraphTarget = 512;  // a line break after this many characters ends the paragraph
constexpr int kParagraphLines = 64;    // ... or after this many lines
constexpr int kParagraphMax = 1024;    // a longer line is cut here
constexpr size_t kCheckpointEvery = 1024;

} // namespace

void ShownCorrection::step(size_t i, State &state, QString *shown) const
{
    const char32_t c = m_text[i];
    if (c == U'\r' && i + 1 < m_text.size() && m_text[i + 1] == U'\n')
        return; // shown with the LF that follows
    if (c == U'\r' || c == U'\n') {
        const bool endsParagraph = state.blockLength >= kParagraphTarget || state.blockLines >= kParagraphLines;
        if (shown)
            shown->append(endsParagraph ? QChar(u'\n') : QChar(QChar::LineSeparator));
        state.blockLength = endsParagraph ? 0 : state.blockLength + 1;
        state.blockLines = endsParagraph ? 0 : state.blockLines + 1;
        state.position += 1;
        return;
    }
    if (state.blockLength >= kParagraphMax) {
        if (shown)
            shown->append(QChar(u'\n'));
        state.blockLength = 0;
        state.blockLines = 0;
        state.position += 1;
    }
    const int units = c >= 0x10000 ? 2 : 1;
    if (shown)
        platform::appendCharacter(*shown, c);
    state.blockLength += units;
    state.position += units;
}

QString ShownCorrection::build(const platform::CharacterText &text)
{
    m_text = text;
    m_checkpoints.clear();
    m_checkpoints.reserve(text.size() / kCheckpointEvery + 1);
    QString shown;
    shown.reserve(static_cast<qsizetype>(text.size() + text.size() / kParagraphMax + 16));
    State state;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % kCheckpointEvery == 0)
            m_checkpoints.push_back(state);
        step(i, state, &shown);
    }
    m_checkpoints.push_back(state); // after the last character
    return shown;
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
    for (size_t i = from; i < end; ++i)
        step(i, state, nullptr);
    return state.position;
}

} // namespace ui
