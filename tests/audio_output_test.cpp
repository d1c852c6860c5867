#include "event_loop.h"
#include "fake_reading_window.h"
#include "platform/qt_delay_timer.h"
#include "platform/sdl_audio_player.h"
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

} // namespace

TEST(HeardThroughTheSoundServer, SoundsComeInOrderWithTheDelayBetweenThem)
{
    QString why;
    if (!PulseRecorder::serverAvailable(&why))
        GTEST_SKIP() << qPrintable(why);

    QTemporaryDir dir;
    ASSERT_TRUE(makeToneSet(dir.path(), kTones));
    const QByteArray correction = "abcd\r\ndcab";
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("test.txt")), correction));

    platform::SdlAudioPlayer player;
    platform::QtDelayTimer timer;
    FakeReadingWindow window;
    window.useFolder(dir.path(), QStringLiteral("60"));
    reading::ReadingRun run(window, player, timer);
    run.loadSoundTable();
    run.preparePlayer();
    ASSERT_TRUE(player.hasOutput());
    // Past the start-up tick, and past the null sink settling on the new stream
    // (it starts consuming it a second or two late).
    spinFor(600);
    ASSERT_TRUE(spinUntil([&] { return player.isOutputSteady(); }, 5000));

    PulseRecorder recorder;
    const QString recordingPath = dir.filePath(QStringLiteral("heard.wav"));
    ASSERT_TRUE(recorder.start(recordingPath));
    run.read();
    ASSERT_TRUE(spinUntil([&] { return !run.isRunning() && !run.pacer().isHolding(); }, 10000));
    ASSERT_TRUE(recorder.stop());
    EXPECT_TRUE(window.messages.empty());

    const Recording recording = loadRecording(recordingPath);
    ASSERT_GT(recording.rate, 0);
    const std::vector<Burst> bursts = findBursts(recording);
    std::string spoken;
    for (char c : correction) {
        if (c != '\r' && c != '\n')
            spoken += c;
    }
    for (const Burst &burst : bursts)
        std::printf("burst at %.1f ms, %.1f ms long, %.0f Hz\n", 1000.0 * burst.onset / recording.rate,
                    1000.0 * (burst.end - burst.onset) / recording.rate, burst.frequencyHz);
    ASSERT_EQ(bursts.size(), spoken.size());
    for (size_t i = 0; i < bursts.size(); ++i) {
        const Tone &tone = toneFor(spoken[i]);
        EXPECT_NEAR(bursts[i].frequencyHz, tone.frequencyHz, tone.frequencyHz * 0.05) << "sound " << i;
        const double heardMs = 1000.0 * (bursts[i].end - bursts[i].onset) / recording.rate;
        EXPECT_NEAR(heardMs, tone.seconds * 1000.0, 3.0) << "sound " << i;
        if (i > 0) {
            const double gapMs = 1000.0 * (bursts[i].onset - bursts[i - 1].onset) / recording.rate;
            // Loose bounds: the benchmark measures the precision; this checks the rule.
            EXPECT_NEAR(gapMs, toneFor(spoken[i - 1]).seconds * 1000.0 + 60.0, 10.0) << "gap before sound " << i;
        }
    }
}

TEST(HeardThroughTheSoundServer, ServerDyingMidSoundStillEndsTheSound)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("pulse.sock"));
    QProcess server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    environment.insert(QStringLiteral("HOME"), dir.path());
    server.setProcessEnvironment(environment);
    server.start(QStringLiteral("pulseaudio"),
                 {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                  QStringLiteral("--use-pid-file=no"), QStringLiteral("--load=module-null-sink sink_name=null"),
                  QStringLiteral("--load=module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket)});
    if (!server.waitForStarted(5000))
        GTEST_SKIP() << "pulseaudio cannot start here";
    const QByteArray previousServer = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + socket.toUtf8());
    QProcess info;
    const bool answered = spinUntil([&] {
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return info.waitForFinished(2000) && info.exitCode() == 0;
    }, 10000);
    if (!answered) {
        qputenv("PULSE_SERVER", previousServer);
        server.kill();
        server.waitForFinished();
        GTEST_SKIP() << "pulseaudio did not answer";
    }

    ASSERT_TRUE(makeTone(dir.filePath(QStringLiteral("long.wav")), 440, 2.0));
    int completions = 0;
    {
        platform::SdlAudioPlayer player;
        player.setCompletionHandler([&] { ++completions; });
        ASSERT_FALSE(player.prepare().has_value());
        ASSERT_FALSE(player.open(dir.filePath(QStringLiteral("long.wav"))).has_value());
        QElapsedTimer elapsed;
        elapsed.start();
        player.play();
        spinFor(300);
        ::kill(static_cast<pid_t>(server.processId()), SIGKILL);
        server.waitForFinished(5000);
        EXPECT_TRUE(spinUntil([&] { return completions > 0; }, 4000));
        EXPECT_LE(elapsed.elapsed(), 2000 + 500); // at the latest half a second after its end
        spinFor(200);
        EXPECT_EQ(completions, 1);
    }
    qputenv("PULSE_SERVER", previousServer);
}
