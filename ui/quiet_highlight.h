// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAccessibleEvent;
class QObject;

namespace ui {

// While a reading runs, the correction box's highlight moves at every character and a
// screen reader would speak every move, and it would read the new correction aloud at
// once. The box's caret, selection and text events are then held back, and so are the
// changes of its description, which tells the progress to whoever asks for it.
// Everything else passes.
void setHighlightQuiet(QObject *box, bool quiet);

// Whether `event` is one of those held back now.
bool isHeldBack(QAccessibleEvent *event);

} // namespace ui
