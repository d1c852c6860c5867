#include "pulse_recorder.h"

#include <QThread>

namespace testing_support {

bool PulseRecorder::serverAvailable(QString *why)
{
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
                     QStringLiteral("--latency-msec=10"), wavPath});
    if (!m_process.waitForStarted(5000))
        return false;
    // Let the stream connect before anything is played.
    QThread::msleep(300);
    return m_process.state() == QProcess::Running;
}

bool PulseRecorder::stop()
{
    QThread::msleep(200);
    m_process.terminate();
    return m_process.waitForFinished(5000);
}

} // namespace testing_support
