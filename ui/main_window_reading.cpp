// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the reading engine sees it: its fields, the correction shown and
// its highlight, the buttons, and the messages.
#include "ui/main_window.h"

#include "ui/message_box.h"
#include "ui/quiet_highlight.h"
#include "ui/screen_reader_notice.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <utility>

namespace ui {

QString Form1::correctionPath() const
{
    return Text3->text();
}

QString Form1::soundFolder() const
{
    return Text4->text();
}

QString Form1::delayText() const
{
    return Text5->text();
}

void Form1::setDelayText(const QString &text)
{
    Text5->setText(text);
}

void Form1::showCorrection(const platform::CharacterText &text)
{
    m_highlight.drop();
    Text2->clear();
    m_correctionLength = text.size();
    // Laid in piece by piece, with no undo kept: the whole text as one string beside the
    // box's own copy would double what a huge correction takes.
    Text2->setUndoRedoEnabled(false);
    QTextCursor end(Text2->document());
    end.beginEditBlock();
    m_shown.build(text, [&end](const QString &piece) { end.insertText(piece); });
    end.endEditBlock();
    Text2->moveCursor(QTextCursor::Start); // a part is read from the start of what is shown
    m_partRead = PartRead{0, text.size()};
}

// « Lire la sélection »: the part the last reading left selected, as long as the user
// has not touched the selection; otherwise the selection, or from the caret to the end.
void Form1::lireSelection_Click()
{
    if (!readingMayStart())
        return;
    const QTextCursor cursor = Text2->textCursor();
    if (cursor.anchor() != m_partRead.anchor || cursor.position() != m_partRead.position) {
        const size_t to = cursor.hasSelection() ? m_shown.characterAt(cursor.selectionEnd()) : m_correctionLength;
        m_partRead = PartRead{m_shown.characterAt(cursor.selectionStart()), std::min(to, m_correctionLength), false};
    }
    m_run.readPart(m_partRead.from, m_partRead.to);
}

void Form1::startHighlightAt(int character)
{
    m_highlight.drop();
    m_highlightStart = character;
    m_partRead.anchor = m_partRead.position = -1;
    m_settling = true;
}

// The reading over, a part read is left selected whole: what is selected is what
// « Lire la sélection » reads again. Read's highlight stays as it ends.
void Form1::leaveThePartRead()
{
    m_settling = false;
    if (!m_partRead.wholeText)
        selectCharacters(static_cast<int>(m_partRead.from), static_cast<int>(m_partRead.to));
    const QTextCursor left = Text2->textCursor();
    m_partRead.anchor = left.anchor();
    m_partRead.position = left.position();
}

void Form1::highlightRead(int characters)
{
    if (characters >= 0)
        m_highlight.moveTo(characters);
}

void Form1::selectCharacters(int from, int to)
{
    QTextCursor cursor = Text2->textCursor();
    // Never beyond the text shown, whatever it holds now.
    const int shownEnd = Text2->document()->characterCount() - 1;
    cursor.setPosition(std::min(m_shown.documentPosition(from), shownEnd));
    cursor.setPosition(std::min(m_shown.documentPosition(to), shownEnd), QTextCursor::KeepAnchor);
    // The paragraph being read keeps its shaped glyphs: by default they are dropped after
    // every paint, and placing the caret and painting would shape it again at each character.
    cursor.block().layout()->setCacheEnabled(true);
    Text2->setTextCursor(cursor);
}

void Form1::showRead(int characters)
{
    const QTextBlock left = Text2->textCursor().block();
    selectCharacters(m_highlightStart, characters);
    const QTextCursor cursor = Text2->textCursor();
    // A paragraph keeps its layout once shown; a walk through a huge correction would
    // keep them all. The one left behind drops its glyphs at its next paint, or at once
    // with its layout if it is out of view; it is laid out again if it comes back.
    if (left.isValid() && left != cursor.block()) {
        left.layout()->setCacheEnabled(false);
        const int firstShown = Text2->cursorForPosition(QPoint(0, 0)).blockNumber();
        const QRect view = Text2->viewport()->rect();
        const int lastShown = Text2->cursorForPosition(view.bottomRight()).blockNumber();
        if (left.blockNumber() < firstShown || left.blockNumber() > lastShown) {
            left.layout()->beginLayout();
            left.layout()->endLayout();
        }
    }
    describeProgress(characters);
}

// The progress for screen readers, without a word per character.
void Form1::describeProgress(int characters)
{
    // Counted as the box shows them: a CR LF line end is one character.
    const int length = m_shown.shownCharacters(static_cast<int>(m_correctionLength));
    Text2->setAccessibleDescription(QStringLiteral("caractère %1 sur %2")
                                        .arg(std::min(m_shown.shownCharacters(characters) + 1, length))
                                        .arg(length));
}

// Read, « Lire la sélection » and the showing of an opened correction wait for this: no
// reading under way, not even a stopped one still waiting for its sound.
bool Form1::readingMayStart() const
{
    return !m_run.isRunning() && Command1->isVisibleTo(this) && Command1->isEnabled();
}

// Once a reading is over and Read can be pressed again: the highlight speaks again, and
// the end is told once by giving the focus back to Read, which screen readers speak. A
// field being edited keeps the focus.
void Form1::backAtRest()
{
    if (!readingMayStart())
        return;
    if (m_settling)
        leaveThePartRead(); // still held back from screen readers
    setHighlightQuiet(Text2, false);
    Text2->setAccessibleDescription(QString());
    if (m_openAtRest)
        showOpened();
    QWidget *current = focusWidget();
    if (current == Text3 || current == Text4 || current == Text5)
        return;
    Command1->setFocus(Qt::OtherFocusReason);
}

void Form1::focusCorrection()
{
    Text2->setFocus();
}

void Form1::showRunningButtons(bool running)
{
    if (!running)
        m_highlight.flush();
    Command1->setVisible(!running);
    Command2->setVisible(running);
    Command3->setVisible(running);
    updateReadActions();
    if (running)
        setHighlightQuiet(Text2, true);
    backAtRest();
}

void Form1::setReadEnabled(bool enabled)
{
    Command1->setEnabled(enabled);
    updateReadActions();
    backAtRest();
}

void Form1::setPauseCaption(const QString &caption)
{
    m_highlight.flush();
    Command3->setText(caption);
}

// « Lire la sélection » can be chosen where Read can be pressed.
void Form1::updateReadActions()
{
    lireSelection->setEnabled(readingMayStart());
}

void Form1::tellReadingOver(reading::ReadingEnd end)
{
    m_notice->tell(end == reading::ReadingEnd::Finished ? QStringLiteral("Lecture terminée")
                                                        : QStringLiteral("Lecture arrêtée"));
}

void Form1::showMessage(const QString &text, reading::MessageButtons buttons, AnswerHandler answered)
{
    // The message is about the character after the highlight: both are shown together.
    m_highlight.flush();
    openMessageBox(this, text, buttons, std::move(answered));
}

} // namespace ui
