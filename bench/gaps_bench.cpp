// SPDX-License-Identifier: GPL-3.0-or-later
// Gaps benchmark: where a reading starts or goes on after a hold, in the real main
// window and player, beside the naive SDL2 reader run as a separate process doing the
// same (it keeps its device open throughout, as a minimal client does):
//  - Read --early-read-ms after the window shows -> first sound, and the first gap;
//  - Read -> first sound heard, and the first gap, with the output open and after rest
//    (closed at rest; the reader then opens its device at Read);
//  - Resume after a pause of --hold-ms -> first sound, and the first gap after it;
//  - OK on a missing-sound message left open --hold-ms -> first sound, and the gap after;
//  - the gap after a delay of --long-delay-ms, and whether the output stayed open.
// A gap is onset to onset, less the earlier sound's length and the delay: due 0. Onsets
// are timed from the null sink's monitor with its capture latency; the reader prints the
// moment it asks for a sound on the same steady clock.
//
// usage: gaps_bench [--runs N] [--delay MS] [--hold-ms MS] [--long-delay-ms MS] [--early-read-ms MS]
//                   [--load] [--verbose]
//        (PULSE_SERVER names the sound server; DISPLAY the X server)

#include "bench_tones.h"
#include "heard_reading.h"
#include "busy_cores.h"
#include "naive_reader_process.h"
#include "program_window.h"
#include "pulse_recorder.h"
#include "recording_analysis.h"
#include "test_files.h"
#include "timed_recorder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const std::vector<Tone> kTones = benchTones(); // '#' has no sound

double lengthMs(char name)
{
    return 1000.0 * kTones[static_cast<size_t>(name - 'a')].seconds;
}

enum Row {
    EarlyRead, GapAfterEarlyRead, ReadOpen, GapAfterReadOpen, ReadAfterRest, GapAfterReadAfterRest,
    Resume, GapAfterResume, Answer, GapAfterAnswer, GapAfterLongDelay, kRows
};

struct Settings
{
    int runs = 3;
    int delayMs = 100;
    int holdMs = 8000;
    int longDelayMs = 6000;
    int earlyReadMs = 300;
    bool verbose = false;
};

// One side's figures, row by row, and how often its output stayed open through a hold.
struct Column
{
    const char *name;
    std::array<std::vector<double>, kRows> values;
    int held = 0;
    int holds = 0;
    int failures = 0;
    int broken = 0; // sounds heard, but not whole
};

// Were the sounds `names` heard, in that number? Each one not heard whole is counted.
bool heardAll(Column &column, const char *scenario, const HeardReading &heard, const std::string &names)
{
    if (heard.count() != names.size()) {
        std::fprintf(stderr, "%s, %s: heard %zu sounds of %zu\n", column.name, scenario, heard.count(), names.size());
        heard.describe();
        ++column.failures;
        return false;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!heard.whole(i, lengthMs(names[i]))) {
            std::fprintf(stderr, "%s, %s: sound %zu not heard whole\n", column.name, scenario, i);
            heard.describe();
            ++column.broken;
        }
    }
    return true;
}

void add(Column &column, Row row, double value, const Settings &settings)
{
    column.values[row].push_back(value);
    if (settings.verbose)
        std::printf("  %s row %d: %.2f\n", column.name, static_cast<int>(row), value);
}

// Runs the event loop `ms` milliseconds; tells whether the output stayed open throughout.
bool outputHeldFor(ProgramWindow &program, int ms)
{
    bool held = true;
    QElapsedTimer elapsed;
    elapsed.start();
    spinUntil([&] {
        held = held && program.player.hasOutput();
        return elapsed.elapsed() >= ms;
    }, ms + 1000, 20);
    return held;
}

void countHold(Column &column, bool held)
{
    ++column.holds;
    column.held += held ? 1 : 0;
}

// The correction `text` to be read, and the recording started.
bool setUp(const QString &folder, const QByteArray &text, HeardReading &heard)
{
    return writeFile(folder + QStringLiteral("/test.txt"), text) && heard.start();
}

// The figures of a scenario that was to give the sounds `names`: `asked` -> sound
// `sound` heard (kRows: not reported), and the gap after that sound.
void takeFigures(Column &column, const char *scenario, const HeardReading &heard, const std::string &names,
                 double asked, size_t sound, Row first, Row gap, int delayMs, const Settings &settings)
{
    if (!heardAll(column, scenario, heard, names))
        return;
    if (first != kRows)
        add(column, first, heard.sinceMs(asked, sound), settings);
    add(column, gap, heard.gapBefore(sound + 1, lengthMs(names[sound]), delayMs), settings);
}

QMessageBox *shownMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

// Read soon after start-up, as a user who opens a correction from the file manager
// and presses F5 at once.
void programReadsEarly(const QString &folder, Column &column, const Settings &settings)
{
    HeardReading heard;
    if (!setUp(folder, "abcd", heard))
        return;
    ProgramWindow program(folder, settings.delayMs);
    spinFor(settings.earlyReadMs);
    const double asked = TimedRecorder::now();
    program.window.Command1_Click();
    program.waitForTheEnd(10000, 20);
    heard.stop(200, settings.delayMs);
    takeFigures(column, "early Read", heard, "abcd", asked, 0, EarlyRead, GapAfterEarlyRead, settings.delayMs, settings);
}

void programReads(ProgramWindow &program, const QString &folder, bool afterRest, Column &column, const Settings &settings)
{
    if (afterRest)
        spinUntil([&] { return !program.player.hasOutput(); }, platform::AudioPlayer::kIdleCloseMs + 5000, 20);
    else
        spinUntil([&] { return program.player.isOutputSteady(); }, 5000, 20);
    HeardReading heard;
    if (!setUp(folder, "ab", heard))
        return;
    const double asked = TimedRecorder::now();
    program.window.Command1_Click();
    program.waitForTheEnd(10000, 20);
    heard.stop(200, settings.delayMs);
    takeFigures(column, afterRest ? "Read after rest" : "Read", heard, "ab", asked, 0,
                afterRest ? ReadAfterRest : ReadOpen, afterRest ? GapAfterReadAfterRest : GapAfterReadOpen,
                settings.delayMs, settings);
}

void programResumes(ProgramWindow &program, const QString &folder, Column &column, const Settings &settings)
{
    spinUntil([&] { return program.player.isOutputSteady(); }, 5000, 20);
    HeardReading heard;
    if (!setUp(folder, "abcd", heard))
        return;
    program.window.Command1_Click();
    program.window.Command3_Click(); // Pause: the run holds once the second sound has started
    countHold(column, outputHeldFor(program, settings.holdMs));
    const double asked = TimedRecorder::now();
    program.window.Command3_Click(); // Resume
    program.waitForTheEnd(10000, 20);
    heard.stop(200, settings.delayMs);
    takeFigures(column, "Resume", heard, "abcd", asked, 2, Resume, GapAfterResume, settings.delayMs, settings);
}

void programAnswers(ProgramWindow &program, const QString &folder, Column &column, const Settings &settings)
{
    spinUntil([&] { return program.player.isOutputSteady(); }, 5000, 20);
    HeardReading heard;
    if (!setUp(folder, "a#bc", heard))
        return;
    program.window.Command1_Click();
    QMessageBox *box = nullptr;
    spinUntil([&] { return (box = shownMessageBox()) != nullptr; }, 5000, 20);
    if (box == nullptr) {
        std::fprintf(stderr, "program: no message for '#'\n");
        ++column.failures;
        heard.stop(0, settings.delayMs);
        return;
    }
    countHold(column, outputHeldFor(program, settings.holdMs));
    const double asked = TimedRecorder::now();
    box->button(QMessageBox::Ok)->click();
    program.waitForTheEnd(10000, 20);
    heard.stop(200, settings.delayMs);
    takeFigures(column, "message", heard, "abc", asked, 1, Answer, GapAfterAnswer, settings.delayMs, settings);
}

void programWaitsLong(const QString &folder, Column &column, const Settings &settings)
{
    ProgramWindow program(folder, settings.longDelayMs);
    spinFor(600); // the start-up tick takes the delay from the field
    spinUntil([&] { return program.player.isOutputSteady(); }, 5000, 20);
    HeardReading heard;
    if (!setUp(folder, "ab", heard))
        return;
    program.window.Command1_Click();
    bool held = true;
    // The run ends once the second sound has started.
    spinUntil([&] {
        held = held && program.player.hasOutput();
        return !program.run().isRunning();
    }, settings.longDelayMs + 10000, 20);
    countHold(column, held);
    heard.stop(400, settings.longDelayMs);
    takeFigures(column, "long delay", heard, "ab", 0.0, 0, kRows, GapAfterLongDelay, settings.longDelayMs, settings);
}

// The naive reader's part in place of one of the program's scenarios.
struct ClientScenario
{
    const char *name;
    QStringList items;  // see bench/naive_reader.cpp
    std::string names;  // the sounds to be heard
    size_t asked;       // the sound asked for at the last mark
    Row firstSound;     // mark -> that sound heard; kRows: not reported
    Row gap;            // the gap after that sound
    bool longDelay;
};

void clientRuns(const QString &folder, Column &column, const Settings &settings)
{
    const QString hold = QStringLiteral("+%1").arg(settings.holdMs);
    const QString open = QStringLiteral("open");
    const QString settle = QStringLiteral("+600"); // as the program's window is left to settle
    const QString early = QStringLiteral("+%1").arg(settings.earlyReadMs);
    const std::vector<ClientScenario> scenarios = {
        {"early Read", {early, "a", "b", "c", "d"}, "abcd", 0, EarlyRead, GapAfterEarlyRead, false},
        {"Read", {open, settle, "a", "b"}, "ab", 0, ReadOpen, GapAfterReadOpen, false},
        {"Read after rest", {"+0", "a", "b"}, "ab", 0, ReadAfterRest, GapAfterReadAfterRest, false},
        {"Resume", {open, settle, "a", "b", hold, "c", "d"}, "abcd", 2, Resume, GapAfterResume, false},
        {"message", {open, settle, "a", hold, "b", "c"}, "abc", 1, Answer, GapAfterAnswer, false},
        {"long delay", {open, settle, "a", "b"}, "ab", 0, kRows, GapAfterLongDelay, true},
    };
    for (const ClientScenario &scenario : scenarios) {
        const int delayMs = scenario.longDelay ? settings.longDelayMs : settings.delayMs;
        HeardReading heard;
        if (!heard.start())
            continue;
        const auto marks = runNaiveReader(folder, delayMs, scenario.items);
        heard.stop(200, delayMs);
        if (!marks || marks->empty()) {
            std::fprintf(stderr, "the naive reader failed\n");
            ++column.failures;
            continue;
        }
        takeFigures(column, scenario.name, heard, scenario.names, marks->back(), scenario.asked, scenario.firstSound,
                    scenario.gap, delayMs, settings);
    }
}

std::string cell(std::vector<double> values, bool signedGap)
{
    if (values.empty())
        return "-";
    std::sort(values.begin(), values.end());
    char text[80];
    std::snprintf(text, sizeof text, signedGap ? "%+.2f [%+.2f, %+.2f]" : "%.1f [%.1f, %.1f]",
                  values[values.size() / 2], values.front(), values.back());
    return text;
}

void report(const Column &program, const Column &client, const Settings &settings)
{
    const std::string hold = std::to_string(settings.holdMs) + " ms";
    const std::string early = std::to_string(settings.earlyReadMs) + " ms";
    const std::array<std::string, kRows> labels = {
        "Read " + early + " after start -> first sound",
        "first gap after that Read",
        "Read -> first sound, output open",
        "first gap after Read, output open",
        "Read -> first sound, after rest",
        "first gap after Read, after rest",
        "Resume -> first sound (pause " + hold + ")",
        "first gap after Resume",
        "OK -> first sound (message " + hold + ")",
        "first gap after OK",
        "gap after a " + std::to_string(settings.longDelayMs) + " ms delay",
    };
    std::printf("%-40s %-30s %s\n", "median [min, max] ms; gaps due 0", program.name, client.name);
    for (int row = 0; row < kRows; ++row) {
        const bool gap = row != EarlyRead && row != ReadOpen && row != ReadAfterRest && row != Resume && row != Answer;
        std::printf("%-40s %-30s %s\n", labels[static_cast<size_t>(row)].c_str(),
                    cell(program.values[static_cast<size_t>(row)], gap).c_str(),
                    cell(client.values[static_cast<size_t>(row)], gap).c_str());
    }
    std::printf("program output held through pause, message and long delay: %d of %d\n", program.held, program.holds);
    std::printf("sounds not heard whole: program %d, reader %d; scenarios not heard right: program %d, reader %d\n",
                program.broken, client.broken, program.failures, client.failures);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Settings settings;
    const QStringList arguments = QCoreApplication::arguments();
    settings.verbose = arguments.contains(QStringLiteral("--verbose"));
    const bool load = arguments.contains(QStringLiteral("--load"));
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        const int value = arguments[i + 1].toInt();
        if (arguments[i] == QLatin1String("--runs"))
            settings.runs = value;
        else if (arguments[i] == QLatin1String("--delay"))
            settings.delayMs = value;
        else if (arguments[i] == QLatin1String("--hold-ms"))
            settings.holdMs = value;
        else if (arguments[i] == QLatin1String("--long-delay-ms"))
            settings.longDelayMs = value;
        else if (arguments[i] == QLatin1String("--early-read-ms"))
            settings.earlyReadMs = value;
    }
    QString why;
    if (!PulseRecorder::serverAvailable(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    QTemporaryDir dir;
    if (!makeToneSet(dir.path(), kTones))
        return 2;

    std::printf("gaps: delay %d ms, %s, %d alternating runs (naive reader: SDL2, 256 frames)\n", settings.delayMs,
                load ? "two busy cores" : "quiet machine", settings.runs);
    Column program{"program (real window)", {}};
    Column client{"naive reader process", {}};
    BusyCores busy(load);
    for (int run = 0; run < settings.runs; ++run) {
        programReadsEarly(dir.path(), program, settings);
        {
            ProgramWindow window(dir.path(), settings.delayMs);
            spinFor(600); // the start-up tick takes the delay from the field
            programReads(window, dir.path(), false, program, settings);
            programResumes(window, dir.path(), program, settings);
            programAnswers(window, dir.path(), program, settings);
            programReads(window, dir.path(), true, program, settings);
        }
        programWaitsLong(dir.path(), program, settings);
        clientRuns(dir.path(), client, settings);
    }
    report(program, client, settings);
    // The reader's failures are figures of its own (a dropout under load); the program's are faults.
    return program.failures == 0 && program.held == program.holds ? 0 : 1;
}
