// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_reading_window.h"

namespace testing_support {

void FakeReadingWindow::answer(reading::MessageAnswer answer)
{
    if (openMessages.empty())
        return;
    const size_t index = openMessages.front();
    openMessages.pop_front();
    if (messages[index].answered)
        messages[index].answered(answer);
}

} // namespace testing_support
