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
    // Highlights the first `characters` characters of the correction (code points).
    virtual void highlightRead(int characters) = 0;
    virtual void focusCorrection() = 0;

    // Running: Read hidden, Stop and Pause/Resume shown. At rest: the reverse.
    virtual void showRunningButtons(bool running) = 0;
    virtual void setReadEnabled(bool enabled) = 0;
    virtual void setPauseCaption(const QString &caption) = 0;

    // A message box, modal to the window, with the program's title as caption. It
    // returns at once; `answered` runs when the user has closed the box.
    virtual void showMessage(const QString &text, MessageButtons buttons, AnswerHandler answered) = 0;
};

} // namespace reading
