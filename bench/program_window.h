// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/default_fields.h"
#include "event_loop.h"
#include "sound/audio_player.h"
#include "ui/main_window.h"

#include <QString>

namespace testing_support {

// The program as a user meets it in the benchmarks: its real main window and player,
// on the correction test.txt and the sounds of `folder`, with `delayMs` in the field.
struct ProgramWindow
{
    ProgramWindow(const QString &folder, int delayMs)
        : window(player, platform::DefaultFields{folder + QStringLiteral("/test.txt"), folder + QLatin1Char('/'),
                                                 QString::number(delayMs)})
    {
        window.show();
    }

    reading::ReadingRun &run() { return window.readingRun(); }

    // Until the reading is over, the delay after its last sound included.
    bool waitForTheEnd(int timeoutMs, int lookEveryMs = 5)
    {
        return spinUntil([this] { return !run().isRunning() && !run().pacer().isHolding(); }, timeoutMs, lookEveryMs);
    }

    platform::AudioPlayer player; // outlives the window
    ui::Form1 window;
};

} // namespace testing_support
