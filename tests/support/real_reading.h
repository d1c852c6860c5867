// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "event_loop.h"
#include "fake_reading_window.h"
#include "reading/reading_run.h"
#include "sound/audio_player.h"
#include "test_files.h"
#include "timing/qt_delay_timer.h"

#include <QTemporaryDir>

namespace testing_support {

// The engine and the real player on the sound set of `dir`, as the window drives them.
struct RealReading
{
    RealReading(const QTemporaryDir &dir, const QByteArray &correction, int delayMs)
    {
        writeFile(dir.filePath(QStringLiteral("test.txt")), correction);
        window.useFolder(dir.path(), QString::number(delayMs));
        run.loadSoundTable();
        run.preparePlayer();
    }
    bool readToTheEnd(int timeoutMs)
    {
        run.read();
        return waitForTheEnd(timeoutMs);
    }
    bool waitForTheEnd(int timeoutMs)
    {
        return spinUntil([&] { return !run.isRunning() && !run.pacer().isHolding(); }, timeoutMs);
    }

    platform::AudioPlayer player;
    platform::QtDelayTimer timer;
    FakeReadingWindow window;
    reading::ReadingRun run{window, player, timer};
};

} // namespace testing_support
