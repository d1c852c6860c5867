// SPDX-License-Identifier: GPL-3.0-or-later
// Pacing benchmark: how far the time from one sound's onset to the next strays from
// "length of the first sound + reading delay", measured on what the sound server
// actually played (recorded from a PulseAudio null sink's monitor, onsets to the sample).
//
// The program is measured as a user meets it: its real main window and player, with
// Read pressed as soon as the window shows (no wait for the output to settle). A naive
// SDL2 reader, run as a separate process, reads the same characters in the same run.
// With --load, two processes keep both cores busy during both readings.
//
// Also reported: the main thread's CPU time per sounded character. With --tone-ms N,
// every sound lasts N ms; under a 20 ms delay only that CPU figure is measured (short
// sounds with a shorter delay leave too little silence between them to find onsets in).
// VIROD_NO_PRIORITY_RAISE=1 measures the program as a user who may not raise priorities.
//
// usage: pacing_bench [--characters N] [--delay MS] [--tone-ms N] [--load] [--verbose]
//        (PULSE_SERVER names the sound server; DISPLAY the X server)

#include "bench_tones.h"
#include "busy_cores.h"
#include "naive_reader_process.h"
#include "program_window.h"
#include "pulse_recorder.h"
#include "recording_analysis.h"
#include "sox_sounds.h"
#include "test_files.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace testing_support;

namespace {

std::vector<Tone> g_tones = benchTones();

struct Heard
{
    std::vector<double> overheads; // ms: onset-to-onset minus the first sound's length and the delay
    int sounds = 0;
    int whole = 0; // heard at their full length, within 3 ms
};

Heard analyse(const QString &recordingPath, const std::vector<int> &sequence, int delayMs)
{
    const Recording recording = loadRecording(recordingPath);
    const std::vector<Burst> bursts = findReadingSounds(recording, delayMs);
    Heard heard;
    heard.sounds = static_cast<int>(bursts.size());
    if (bursts.size() != sequence.size())
        return heard;
    for (size_t i = 0; i < bursts.size(); ++i) {
        if (std::abs(heardMs(bursts[i], recording.rate) - 1000.0 * g_tones[static_cast<size_t>(sequence[i])].seconds) <= 3.0)
            ++heard.whole;
        if (i == 0)
            continue;
        heard.overheads.push_back(onsetGapMs(bursts, i, recording.rate) - 1000.0 * g_tones[static_cast<size_t>(sequence[i - 1])].seconds - delayMs);
    }
    return heard;
}

void report(const char *label, const Heard &heard, size_t expected)
{
    std::printf("%-22s heard %d of %zu sounds, %d whole", label, heard.sounds, expected, heard.whole);
    if (heard.overheads.empty()) {
        std::printf("\n");
        return;
    }
    const Spread spread = spreadOf(heard.overheads);
    double mean = 0.0;
    for (double value : heard.overheads)
        mean += value;
    mean /= static_cast<double>(heard.overheads.size());
    std::printf("; overhead |ms|: median %.3f  p95 %.3f  max %.3f  (signed mean %+.3f)\n", spread.median, spread.p95,
                spread.max, mean);
}

double threadCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return 1000.0 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The real window reads the correction of `folder`, Read pressed as soon as it shows.
// Returns the main thread's CPU time per character, or a negative value on failure.
double readWithTheProgram(const QString &folder, int delayMs, int characters)
{
    ProgramWindow program(folder, delayMs);
    spinFor(1); // the window is shown; a user clicks right away
    const double cpuBefore = threadCpuMs();
    program.window.Command1_Click();
    // Looked at rarely: the benchmark's own wake-ups would count as the program's CPU.
    program.waitForTheEnd(3600 * 1000, 200);
    const double cpu = threadCpuMs() - cpuBefore;
    spinFor(1000); // the last sound is still on its way to the sound server
    program.window.hide();
    return cpu / characters;
}

bool readWithTheNaiveReader(const QString &folder, int delayMs, const std::vector<int> &sequence)
{
    QStringList names;
    for (const int index : sequence)
        names << QLatin1String(g_tones[static_cast<size_t>(index)].name);
    return runNaiveReader(folder, delayMs, names).has_value();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int characters = 100;
    int delayMs = 100;
    int toneMs = 0;
    const QStringList arguments = QCoreApplication::arguments();
    const bool verbose = arguments.contains(QStringLiteral("--verbose"));
    const bool load = arguments.contains(QStringLiteral("--load"));
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--characters"))
            characters = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--delay"))
            delayMs = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--tone-ms"))
            toneMs = arguments[i + 1].toInt();
    }
    QString why;
    if (!PulseRecorder::serverAvailable(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    if (toneMs > 0) {
        for (Tone &tone : g_tones)
            tone.seconds = toneMs / 1000.0;
    }

    QTemporaryDir dir;
    if (verbose) {
        dir.setAutoRemove(false);
        std::printf("recordings kept in %s\n", qPrintable(dir.path()));
    }
    if (!makeToneSet(dir.path(), g_tones))
        return 2;
    std::vector<int> sequence;
    QByteArray correction;
    for (int i = 0; i < characters; ++i) {
        const int index = (i * 7 + i / 4) % 4; // every pair of sounds occurs
        sequence.push_back(index);
        correction += g_tones[static_cast<size_t>(index)].character;
    }
    if (!writeFile(dir.filePath(QStringLiteral("test.txt")), correction))
        return 2;

    std::printf("pacing: %d characters, delay %d ms, %s, output %s%s (naive reader: SDL2, 256 frames)\n", characters,
                delayMs, load ? "two busy cores" : "quiet machine", qgetenv("VIROD_SOUND_OUTPUT") == "sdl" ? "SDL2" : "sound server",
                qgetenv("VIROD_NO_PRIORITY_RAISE") == "1" ? ", priorities not raised" : "");
    BusyCores busy(load);
    PulseRecorder recorder;
    const QString programRecording = dir.filePath(QStringLiteral("program.wav"));
    if (!recorder.start(programRecording))
        return 1;
    const double cpuPerCharacter = readWithTheProgram(dir.path(), delayMs, characters);
    recorder.stop();
    if (toneMs > 0 && delayMs < 20) {
        std::printf("program main thread CPU: %.3f ms per sounded character (%d ms sounds)\n", cpuPerCharacter, toneMs);
        return 0;
    }
    const Heard program = analyse(programRecording, sequence, delayMs);

    const QString naiveRecording = dir.filePath(QStringLiteral("naive.wav"));
    if (!recorder.start(naiveRecording))
        return 1;
    if (!readWithTheNaiveReader(dir.path(), delayMs, sequence)) {
        std::fprintf(stderr, "the naive reader failed\n");
        return 1;
    }
    recorder.stop();
    const Heard naive = analyse(naiveRecording, sequence, delayMs);

    if (verbose) {
        for (size_t i = 0; i < program.overheads.size(); ++i)
            std::printf("%+.2f%s", program.overheads[i], i % 20 == 19 ? "\n" : " ");
        std::printf("\n");
    }
    report("program (real window)", program, sequence.size());
    report("naive reader process", naive, sequence.size());
    std::printf("program main thread CPU: %.3f ms per sounded character\n", cpuPerCharacter);
    // The reader's dropouts under load are figures of its own; the program's are faults.
    return program.sounds == characters ? 0 : 1;
}
