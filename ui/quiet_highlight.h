#pragma once

class QAccessibleEvent;
class QObject;

namespace ui {

// While a reading runs, the correction box's highlight moves at every character and a
// screen reader would speak every move. Its caret and selection events are then held
// back; the box's description tells the progress instead. Everything else passes.
void setHighlightQuiet(QObject *box, bool quiet);

// Whether `event` is one of those held back now.
bool isHeldBack(QAccessibleEvent *event);

} // namespace ui
