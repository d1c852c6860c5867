// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/character_text.h"

#include <QString>
#include <functional>
#include <string>

namespace reading {

enum class MessageButtons {
    Ok,            // OK only
    OkOrStopReading // OK (default) and "Arrêter la lecture"
};

enum class MessageAnswer { Ok, StopReading };

enum class ReadingEnd { Finished, Stopped };

// What the reading engine needs from the main window.
class ReadingWindow
{
public:
    using AnswerHandler = std::function<void(MessageAnswer)>;

    virtual ~ReadingWindow() = default;

    virtual QString correctionPath() const = 0; // Text3
    virtual QString soundFolder() const = 0;    // Text4
    virtual QString delayText() const = 0;      // Text5
    virtual void setDelayText(const QString &text) = 0;

    virtual void showCorrection(const platform::CharacterText &text) = 0; // Text2
    // Where the highlight of the coming reading starts: 0, or the first character of
    // the part read. A move still waiting for the previous reading is forgotten.
    virtual void startHighlightAt(int character) = 0;
    // Highlights the correction (code points) from the start above up to, not
    // including, character `characters`.
    virtual void highlightRead(int characters) = 0;
    virtual void focusCorrection() = 0;

    // Running: Read hidden, Stop and Pause/Resume shown. At rest: the reverse.
    virtual void showRunningButtons(bool running) = 0;
    virtual void setReadEnabled(bool enabled) = 0;
    virtual void setPauseCaption(const QString &caption) = 0;
    // Said once, to whoever listens (a screen reader): the reading is over or stopped.
    virtual void tellReadingOver(ReadingEnd end) = 0;

    // A message box, modal to the window, with the program's title as caption. It
    // returns at once; `answered` runs when the user has closed the box.
    virtual void showMessage(const QString &text, MessageButtons buttons, AnswerHandler answered) = 0;
};

} // namespace reading
