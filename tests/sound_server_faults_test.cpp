// SPDX-License-Identifier: GPL-3.0-or-later
#include "real_reading.h"
#include "sox_sounds.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <csignal>

using namespace testing_support;

// The real player on a sound server of the test's own, which the test breaks the ways a
// user's server breaks: its only sink gone, its sink suspended, the server stopped.
namespace {

// The test services' PulseAudio with its null sink, private to a folder of the test.
class BreakableServer
{
public:
    ~BreakableServer()
    {
        ::kill(serverPid(), SIGCONT);
        QProcess::execute(QStringLiteral(TEST_SERVICES_SCRIPT), {QStringLiteral("stop"), m_state.path()});
    }
    bool start()
    {
        if (QProcess::execute(QStringLiteral(TEST_SERVICES_SCRIPT),
                              {QStringLiteral("start"), m_state.path(), QStringLiteral("pulseaudio")}) != 0)
            return false;
        const QByteArray address = contentOf(QStringLiteral("pulse-server"));
        qputenv("PULSE_SERVER", address);
        return !address.isEmpty();
    }
    bool pactl(const QStringList &arguments) { return QProcess::execute(QStringLiteral("pactl"), arguments) == 0; }
    pid_t serverPid() { return static_cast<pid_t>(contentOf(QStringLiteral("pulseaudio.pid")).toInt()); }

private:
    QByteArray contentOf(const QString &name)
    {
        QFile file(m_state.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }

    QTemporaryDir m_state;
};

class SoundServerFault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << "the test services could not start PulseAudio";
        ASSERT_TRUE(makeToneSet(dir.path(), {{'a', "tone", 660, 0.15}}));
    }
    QTemporaryDir dir;
    BreakableServer server;
};

// How the server is broken for a while, and mended.
struct Outage
{
    std::function<bool()> begin;
    std::function<bool()> end;
    int ms;
};

// A long reading broken by `outage`, every message answered at once as a user does.
// Nothing can be heard during the outage: the reading may not walk on in silence there
// (the sound under way aside) without telling the user, and tells at most once, never
// once the sound is back.
void expectOutageToldTruthfully(const QTemporaryDir &dir, const Outage &outage)
{
    RealReading reading(dir, QByteArray(80, 'a'), 100);
    ASSERT_TRUE(spinUntil([&] { return reading.player.isOutputSteady(); }, 5000));
    reading.run.read();
    spinFor(1500);
    ASSERT_TRUE(reading.run.isRunning());

    QElapsedTimer sinceBreak;
    qint64 toldAtMs = -1;
    int readWhenTold = -1;
    const auto answerMessages = [&] {
        if (toldAtMs < 0 && !reading.window.messages.empty()) {
            toldAtMs = sinceBreak.elapsed();
            readWhenTold = reading.window.lastHighlight();
        }
        if (reading.window.hasOpenMessage())
            reading.window.answer();
    };
    const int readAtBreak = reading.window.lastHighlight();
    ASSERT_TRUE(outage.begin());
    sinceBreak.start();
    spinUntil([&] {
        answerMessages();
        return sinceBreak.elapsed() >= outage.ms;
    }, outage.ms + 1000);
    const int readAtMend = reading.window.lastHighlight();
    ASSERT_TRUE(outage.end());
    EXPECT_TRUE(spinUntil([&] {
        answerMessages();
        return !reading.run.isRunning() && !reading.run.pacer().isHolding();
    }, 60000)) << "the reading did not come to its end";

    const bool toldDuringTheOutage = toldAtMs >= 0 && toldAtMs <= outage.ms;
    const int readInSilence = (toldDuringTheOutage ? readWhenTold : readAtMend) - readAtBreak;
    std::printf("characters read in silence before anything was told: %d; told %zu time(s), first at %lld ms of %d\n",
                readInSilence, reading.window.messages.size(), static_cast<long long>(toldAtMs), outage.ms);
    EXPECT_LE(readInSilence, 2);
    EXPECT_LE(reading.window.messages.size(), 1u);
    // The sound comes back a moment after the server: a message after that lies.
    if (toldAtMs >= 0) {
        EXPECT_LE(toldAtMs, outage.ms + 500) << qPrintable(reading.window.messages[0].text);
    }
}

} // namespace

// A machine whose only card was unplugged: the server answers, with no sink. The sound
// server's output fails, and so does every fallback, without bringing the program down.
TEST_F(SoundServerFault, ServerWithoutSinkIsToldOnceWithoutACrash)
{
    ASSERT_TRUE(server.pactl({QStringLiteral("unload-module"), QStringLiteral("module-null-sink")}));
    RealReading reading(dir, "aaaa", 20);
    spinFor(600); // past the output's opening after start-up
    reading.run.read();
    ASSERT_TRUE(spinUntil([&] { return reading.window.hasOpenMessage() || !reading.run.isRunning(); }, 10000));
    ASSERT_EQ(reading.window.messages.size(), 1u);
    EXPECT_TRUE(reading.window.messages[0].text.contains(QStringLiteral("Aucune sortie son")))
        << qPrintable(reading.window.messages[0].text);
    reading.window.answer();
    EXPECT_TRUE(reading.waitForTheEnd(10000));
    EXPECT_EQ(reading.window.messages.size(), 1u);
}

TEST_F(SoundServerFault, SinkSuspendedDuringAReadingIsToldTruthfully)
{
    const QString suspend = QStringLiteral("suspend-sink");
    expectOutageToldTruthfully(dir, {[&] { return server.pactl({suspend, QStringLiteral("null"), QStringLiteral("1")}); },
                                     [&] { return server.pactl({suspend, QStringLiteral("null"), QStringLiteral("0")}); },
                                     8000});
}

TEST_F(SoundServerFault, ServerStoppedDuringAReadingIsToldTruthfully)
{
    expectOutageToldTruthfully(dir, {[&] { return ::kill(server.serverPid(), SIGSTOP) == 0; },
                                     [&] { return ::kill(server.serverPid(), SIGCONT) == 0; }, 10000});
}
