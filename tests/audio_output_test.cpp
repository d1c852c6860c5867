// SPDX-License-Identifier: GPL-3.0-or-later
#include "busy_cores.h"
#include "event_loop.h"
#include "fake_reading_window.h"
#include "timing/qt_delay_timer.h"
#include "sound/audio_player.h"
#include "pulse_recorder.h"
#include "reading/reading_run.h"
#include "recording_analysis.h"
#include "sox_sounds.h"
#include "test_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>

using namespace testing_support;

// The real path, heard through a PulseAudio null sink: engine, SDL2 player, precise timer.
namespace {

const std::vector<Tone> kTones = {
    {'a', "low", 440, 0.12},
    {'b', "mid", 660, 0.18},
    {'c', "high", 990, 0.10},
    {'d', "top", 1480, 0.15},
};

const Tone &toneFor(char character)
{
    for (const Tone &tone : kTones) {
        if (tone.character == character)
            return tone;
    }
    return kTones[0];
}

std::string soundedCharacters(const QByteArray &correction)
{
    std::string spoken;
    for (char c : correction) {
        if (c != '\r' && c != '\n')
            spoken += c;
    }
    return spoken;
}

// The engine and the real player on the tone set of `dir`, as the window drives them.
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
        return spinUntil([&] { return !run.isRunning() && !run.pacer().isHolding(); }, timeoutMs);
    }

    platform::AudioPlayer player;
    platform::QtDelayTimer timer;
    FakeReadingWindow window;
    reading::ReadingRun run{window, player, timer};
};

enum class Gaps {
    Exact,    // within a few milliseconds of the sound's length and the delay
    NotEarly, // never less than that
    Any,      // a starved sound server may delay an onset
};

// Every sound of `spoken` heard whole and in order, with gaps as `gaps` says.
void expectHeardInOrder(const QString &recordingPath, const std::string &spoken, int delayMs, Gaps gaps)
{
    const Recording recording = loadRecording(recordingPath);
    ASSERT_GT(recording.rate, 0);
    const std::vector<Burst> bursts = findBursts(recording);
    for (const Burst &burst : bursts)
        std::printf("burst at %.1f ms, %.1f ms long, %.0f Hz\n", 1000.0 * burst.onset / recording.rate,
                    1000.0 * (burst.end - burst.onset) / recording.rate, burst.frequencyHz);
    ASSERT_EQ(bursts.size(), spoken.size());
    for (size_t i = 0; i < bursts.size(); ++i) {
        const Tone &tone = toneFor(spoken[i]);
        EXPECT_NEAR(bursts[i].frequencyHz, tone.frequencyHz, tone.frequencyHz * 0.05) << "sound " << i;
        const double heardMs = 1000.0 * (bursts[i].end - bursts[i].onset) / recording.rate;
        EXPECT_NEAR(heardMs, tone.seconds * 1000.0, 3.0) << "sound " << i;
        if (i == 0 || gaps == Gaps::Any)
            continue;
        const double gapMs = 1000.0 * (bursts[i].onset - bursts[i - 1].onset) / recording.rate;
        const double dueMs = toneFor(spoken[i - 1]).seconds * 1000.0 + delayMs;
        // Loose bounds: the benchmark measures the precision; this checks the rule.
        if (gaps == Gaps::Exact)
            EXPECT_NEAR(gapMs, dueMs, 10.0) << "gap before sound " << i;
        else
            EXPECT_GE(gapMs, dueMs - 3.0) << "gap before sound " << i;
    }
}

// A PulseAudio server of the test's own, which the test can kill and start again.
class PrivateSoundServer
{
public:
    explicit PrivateSoundServer(const QString &folder)
        : m_folder(folder)
        , m_socket(folder + QStringLiteral("/pulse.sock"))
        , m_previous(qgetenv("PULSE_SERVER"))
    {
    }
    ~PrivateSoundServer()
    {
        kill();
        qputenv("PULSE_SERVER", m_previous);
    }

    bool start()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder);
        environment.insert(QStringLiteral("HOME"), m_folder);
        m_server.setProcessEnvironment(environment);
        m_server.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--load=module-null-sink sink_name=null"),
                        QStringLiteral("--load=module-native-protocol-unix socket=%1 auth-anonymous=1").arg(m_socket)});
        if (!m_server.waitForStarted(5000))
            return false;
        qputenv("PULSE_SERVER", "unix:" + m_socket.toUtf8());
        QProcess info;
        return spinUntil([&] {
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            return info.waitForFinished(2000) && info.exitCode() == 0;
        }, 10000);
    }
    void kill()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_server.processId()), SIGKILL);
        m_server.waitForFinished(5000);
        QFile::remove(m_socket);
    }

private:
    QString m_folder;
    QString m_socket;
    QByteArray m_previous;
    QProcess m_server;
};


} // namespace

// A Read clicked while the sound server has not started our stream yet (it takes it
// up to two seconds after it is opened): the first sounds wait for it, whole and in
// order; once the output runs, the next Read is paced to the frame.
TEST(HeardThroughTheSoundServer, ReadRightAfterStartUpIsHeardWholeThenPacedExactly)
{
    QString why;
    if (!PulseRecorder::serverAvailable(&why))
        GTEST_SKIP() << qPrintable(why);

    QTemporaryDir dir;
    ASSERT_TRUE(makeToneSet(dir.path(), kTones));
    const QByteArray correction = "abcda\r\ndcab";
    PulseRecorder recorder;
    const QString early = dir.filePath(QStringLiteral("early.wav"));
    ASSERT_TRUE(recorder.start(early));
    {
        RealReading reading(dir, correction, 60);
        ASSERT_TRUE(reading.player.hasOutput());
        ASSERT_TRUE(reading.readToTheEnd(15000));
        ASSERT_TRUE(recorder.stop());
        EXPECT_TRUE(reading.window.messages.empty());
        expectHeardInOrder(early, soundedCharacters(correction), 60, Gaps::NotEarly);

        ASSERT_TRUE(reading.player.isOutputSteady());
        const QString steady = dir.filePath(QStringLiteral("steady.wav"));
        ASSERT_TRUE(recorder.start(steady));
        ASSERT_TRUE(reading.readToTheEnd(15000));
        ASSERT_TRUE(recorder.stop());
        expectHeardInOrder(steady, soundedCharacters(correction), 60, Gaps::Exact);
    }
}

TEST(HeardThroughTheSoundServer, LongRunOnBusyCoresKeepsEverySoundWhole)
{
    QString why;
    if (!PulseRecorder::serverAvailable(&why))
        GTEST_SKIP() << qPrintable(why);

    QTemporaryDir dir;
    ASSERT_TRUE(makeToneSet(dir.path(), kTones));
    QByteArray correction;
    for (int i = 0; i < 60; ++i)
        correction += "abcd"[i % 4];
    RealReading reading(dir, correction, 30);
    ASSERT_TRUE(spinUntil([&] { return reading.player.isOutputSteady(); }, 5000));
    PulseRecorder recorder;
    const QString heard = dir.filePath(QStringLiteral("busy.wav"));
    ASSERT_TRUE(recorder.start(heard));
    {
        BusyCores busy;
        ASSERT_TRUE(reading.readToTheEnd(30000));
    }
    ASSERT_TRUE(recorder.stop());
    expectHeardInOrder(heard, soundedCharacters(correction), 30, Gaps::Any);
}

TEST(HeardThroughTheSoundServer, ServerRestartedWhileIdleGivesSoundAtTheNextRead)
{
    QTemporaryDir dir;
    PrivateSoundServer server(dir.path());
    if (!server.start())
        GTEST_SKIP() << "pulseaudio cannot start here";
    ASSERT_TRUE(makeToneSet(dir.path(), kTones));
    const QByteArray correction = "abcd";
    RealReading reading(dir, correction, 20);
    ASSERT_TRUE(reading.readToTheEnd(10000));

    server.kill();
    spinFor(300);
    ASSERT_TRUE(server.start());
    PulseRecorder recorder;
    const QString heard = dir.filePath(QStringLiteral("after-restart.wav"));
    ASSERT_TRUE(recorder.start(heard));
    ASSERT_TRUE(reading.readToTheEnd(10000));
    ASSERT_TRUE(recorder.stop());
    EXPECT_TRUE(reading.window.messages.empty());
    expectHeardInOrder(heard, soundedCharacters(correction), 20, Gaps::NotEarly);
}

TEST(HeardThroughTheSoundServer, ServerDyingMidSoundStillEndsTheSound)
{
    QTemporaryDir dir;
    PrivateSoundServer server(dir.path());
    if (!server.start())
        GTEST_SKIP() << "pulseaudio cannot start here";

    ASSERT_TRUE(makeTone(dir.filePath(QStringLiteral("long.wav")), 440, 2.0));
    int completions = 0;
    platform::AudioPlayer player;
    player.setCompletionHandler([&] { ++completions; });
    ASSERT_FALSE(player.prepare().has_value());
    ASSERT_FALSE(player.open(dir.filePath(QStringLiteral("long.wav"))).has_value());
    QElapsedTimer elapsed;
    elapsed.start();
    player.play();
    spinFor(300);
    server.kill();
    EXPECT_TRUE(spinUntil([&] { return completions > 0; }, 6000));
    // The sound server's start-up delay and the device's stall limit at most.
    EXPECT_LE(elapsed.elapsed(), 2000 + 3500);
    spinFor(200);
    EXPECT_EQ(completions, 1);
}
