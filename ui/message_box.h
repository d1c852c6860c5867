// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/reading_window.h"

class QWidget;

namespace ui {

// Opens the program's message box (caption "Virod idadidavir"), modal to the
// application, without blocking: `answered` runs when the user closes it. OK is the
// default and the Escape button; the optional second button stops the reading.
void openMessageBox(QWidget *parent, const QString &text, reading::MessageButtons buttons,
                    reading::ReadingWindow::AnswerHandler answered);

} // namespace ui
