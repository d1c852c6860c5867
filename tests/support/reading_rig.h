// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fake_delay_timer.h"
#include "fake_reading_window.h"
#include "fake_resume_later.h"
#include "fake_sound_player.h"
#include "manual_clock.h"
#include "reading/reading_run.h"
#include "test_files.h"

#include <QByteArray>
#include <QTemporaryDir>

namespace testing_support {

// The reading engine wired to fakes, with a folder for its table and correction files.
// The sound folder holds a table for "a", "b", "c" and the blank.
struct ReadingRig
{
    ReadingRig()
    {
        window.useFolder(dir.path());
        writeFile(QStringLiteral("kaloncor.ref"), "a son_a\r\nb son_b\r\nc son_c\r\n  silence");
    }

    void writeFile(const QString &name, const QByteArray &bytes) { testing_support::writeFile(dir.filePath(name), bytes); }

    // Start-up as the window does it, then past the start-up tick.
    void start()
    {
        run.loadSoundTable();
        run.preparePlayer();
        clock.advance(reading::PlaybackPacer::kStartupTickMs);
    }

    void readCorrection(const QByteArray &text)
    {
        writeFile(QStringLiteral("test.txt"), text);
        run.read();
    }

    QString sound(const QString &name) const { return window.Text4 + name + QStringLiteral(".wav"); }

    QTemporaryDir dir;
    ManualClock clock;
    FakeSoundPlayer player{clock};
    FakeDelayTimer timer{clock};
    FakeReadingWindow window;
    FakeResumeLater resumeLater{clock};
    reading::ReadingRun run{window, player, timer, &resumeLater};
};

} // namespace testing_support
