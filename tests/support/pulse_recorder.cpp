// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_recorder.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace testing_support {

bool PulseRecorder::serverAvailable(QString *why)
{
    // The test services write where their server listens into their state folder.
    const QString services = qEnvironmentVariable("VIROD_TEST_SERVICES");
    QFile serverFile(services + QStringLiteral("/pulse-server"));
    if (!services.isEmpty() && serverFile.open(QIODevice::ReadOnly))
        qputenv("PULSE_SERVER", serverFile.readAll().trimmed());
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        *why = QStringLiteral("no test PulseAudio server (PULSE_SERVER unset: the test services could not start pulseaudio)");
        return false;
    }
    QProcess info;
    info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    if (!info.waitForFinished(5000) || info.exitCode() != 0) {
        *why = QStringLiteral("PulseAudio at %1 does not answer").arg(qEnvironmentVariable("PULSE_SERVER"));
        return false;
    }
    return true;
}

bool PulseRecorder::start(const QString &wavPath)
{
    m_process.start(QStringLiteral("parecord"),
                    {QStringLiteral("--device=null.monitor"), QStringLiteral("--file-format=wav"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                     QStringLiteral("--latency-msec=100"), wavPath});
    if (!m_process.waitForStarted(5000))
        return false;
    // The monitor stream may take a while to deliver its first data; nothing is played
    // before the recording is really under way.
    constexpr qint64 kUnderWayBytes = 44 + 44100 * 2 / 10;
    for (int waited = 0; waited < 5000 && QFileInfo(wavPath).size() < kUnderWayBytes; waited += 10)
        QThread::msleep(10);
    return m_process.state() == QProcess::Running && QFileInfo(wavPath).size() >= kUnderWayBytes;
}

bool PulseRecorder::stop()
{
    // The recorder gets its data a latency late: wait for the last of it.
    QThread::msleep(500);
    m_process.terminate();
    return m_process.waitForFinished(5000);
}

} // namespace testing_support
