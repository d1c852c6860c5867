// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

namespace testing_support {

// Records the PulseAudio null sink's monitor to a WAV file with parecord.
class PulseRecorder
{
public:
    // The server the test services started, if any (PULSE_SERVER of the environment).
    static bool serverAvailable(QString *why);

    bool start(const QString &wavPath);
    // Ends the recording and waits for the file to be complete.
    bool stop();

private:
    QProcess m_process;
};

} // namespace testing_support
