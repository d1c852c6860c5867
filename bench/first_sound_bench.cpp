// SPDX-License-Identifier: GPL-3.0-or-later
// Read -> first sound heard, for the program's player on each of its outputs (the sound
// server, and SDL2) and for minimal clients, in the same run, alternating: `paplay`, and
// the naive SDL2 reader (both timed from their process start, which they pay and the
// program does not). "open": the output is open; "after rest": it was closed at rest.
// Heard moments come from the null sink's monitor, recorded with its capture latency.
// A 3-minute CD-quality sound, decoded afresh at each Read, shows that a long sound
// starts as promptly as a short one.
//
// usage: first_sound_bench [--runs N]   (PULSE_SERVER names the test sound server)
#include "event_loop.h"
#include "fake_reading_window.h"
#include "reading/reading_run.h"
#include "sound/audio_player.h"
#include "sox_sounds.h"
#include "test_files.h"
#include "timed_recorder.h"
#include "timing/qt_delay_timer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

using namespace testing_support;

namespace {

// Milliseconds from `act()` to the first sound heard, or a negative value.
double timeToFirstSound(const std::function<void()> &act)
{
    TimedRecorder recorder;
    if (!recorder.start())
        return -1.0;
    spinFor(200);
    const double asked = TimedRecorder::now();
    act();
    spinFor(400);
    const Recording recording = recorder.stop();
    const std::vector<Burst> bursts = findBursts(recording);
    return bursts.empty() ? -1.0 : 1000.0 * (recorder.momentOf(bursts.front().onset) - asked);
}

double programRead(const QString &folder, const char *output, bool afterRest)
{
    qputenv("VIROD_SOUND_OUTPUT", output);
    platform::AudioPlayer player;
    platform::QtDelayTimer timer;
    FakeReadingWindow window;
    window.useFolder(folder, QStringLiteral("10"));
    reading::ReadingRun run(window, player, timer);
    run.loadSoundTable();
    run.preparePlayer();
    spinUntil([&] { return player.hasOutput(); }, 2000);
    spinFor(600);
    if (afterRest)
        spinUntil([&] { return !player.hasOutput(); }, 8000);
    return timeToFirstSound([&] { run.read(); });
}

double process(const QString &program, const QStringList &arguments)
{
    auto client = std::make_shared<QProcess>();
    return timeToFirstSound([&] { client->start(program, arguments); client->waitForFinished(5000); });
}

void report(const char *label, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty())
        return;
    std::printf("%-34s median %6.1f ms  min %6.1f  max %6.1f  (n=%zu)\n", label, values[values.size() / 2],
                values.front(), values.back(), values.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int index = static_cast<int>(arguments.indexOf(QStringLiteral("--runs")));
    const int runs = index > 0 && index + 1 < arguments.size() ? arguments[index + 1].toInt() : 5;
    QTemporaryDir dir;
    const std::vector<Tone> tones = {{'a', "a", 660, 0.15}};
    if (!makeToneSet(dir.path(), tones) || !writeFile(dir.filePath(QStringLiteral("test.txt")), "a"))
        return 2;
    QTemporaryDir longDir;
    if (!makeTone(longDir.filePath(QStringLiteral("a.wav")), 660, 180.0, {"-r", "44100", "-c", "2", "-b", "16"})
        || !writeFile(longDir.filePath(QStringLiteral("kaloncor.ref")), "a a\r\n")
        || !writeFile(longDir.filePath(QStringLiteral("test.txt")), "a"))
        return 2;
    const QString naive = QCoreApplication::applicationDirPath() + QStringLiteral("/naive_reader");
    std::map<std::string, std::vector<double>> heard;
    for (int run = 0; run < runs; ++run) {
        for (const bool rest : {false, true}) {
            const std::string when = rest ? " after rest" : " open";
            heard["program, sound server" + when].push_back(programRead(dir.path(), "pulse", rest));
            heard["program, SDL2 (1024 frames)" + when].push_back(programRead(dir.path(), "sdl", rest));
        }
        heard["paplay (from process start)"].push_back(process(QStringLiteral("paplay"), {dir.filePath(QStringLiteral("a.wav"))}));
        heard["minimal SDL2 (from process start)"].push_back(process(naive, {dir.path(), QStringLiteral("0"), QStringLiteral("a")}));
        // Last: a long sound stopped at the end of its run may linger a moment on SDL's side.
        heard["program, sound server, 3-min sound"].push_back(programRead(longDir.path(), "pulse", false));
        heard["program, SDL2, 3-min sound"].push_back(programRead(longDir.path(), "sdl", false));
    }
    std::printf("Read -> first sound heard, %d alternating runs:\n", runs);
    for (const auto &[label, values] : heard)
        report(label.c_str(), values);
    return 0;
}
