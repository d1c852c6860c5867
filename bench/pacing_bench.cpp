// Pacing benchmark: how far the time from one sound's onset to the next strays from
// "length of the first sound + reading delay", measured on what the sound server
// actually played (recorded from a PulseAudio null sink's monitor, onsets to the sample).
//
// The program's real path (reading run, SDL2 player, precise timer) is measured beside a
// naive baseline in the same run: queue the sound on an SDL2 device, poll every
// millisecond until the queue is drained, sleep the delay.
//
// usage: pacing_bench [--characters N] [--delay MS] [--verbose]   (PULSE_SERVER must name the server)

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
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <SDL.h>
#include <cstdio>
#include <vector>

using namespace testing_support;

namespace {

// Lengths that are not multiples of any usual audio buffer.
const std::vector<Tone> kTones = {
    {'a', "t1", 440, 0.1234},
    {'b', "t2", 660, 0.1871},
    {'c', "t3", 990, 0.0957},
    {'d', "t4", 1480, 0.1523},
};

// Overheads in ms: onset-to-onset minus the first sound's length minus the delay.
std::vector<double> overheads(const QString &recordingPath, const std::vector<int> &sequence, int delayMs, bool *ok)
{
    const Recording recording = loadRecording(recordingPath);
    const std::vector<Burst> bursts = findBursts(recording);
    std::vector<double> result;
    *ok = bursts.size() == sequence.size();
    if (!*ok) {
        std::fprintf(stderr, "heard %zu sounds, expected %zu\n", bursts.size(), sequence.size());
        return result;
    }
    for (size_t i = 1; i < bursts.size(); ++i) {
        const double gapMs = 1000.0 * static_cast<double>(bursts[i].onset - bursts[i - 1].onset) / recording.rate;
        result.push_back(gapMs - 1000.0 * kTones[static_cast<size_t>(sequence[i - 1])].seconds - delayMs);
    }
    return result;
}

void report(const char *label, const std::vector<double> &values)
{
    const Spread spread = spreadOf(values);
    double mean = 0.0;
    for (double value : values)
        mean += value;
    mean /= values.empty() ? 1.0 : static_cast<double>(values.size());
    std::printf("%-10s overhead |ms|: median %.3f  p95 %.3f  max %.3f   (signed mean %+.3f, n=%zu)\n", label,
                spread.median, spread.p95, spread.max, mean, values.size());
}

bool runProgramPath(const QTemporaryDir &dir, int delayMs, const QString &recordingPath)
{
    platform::SdlAudioPlayer player;
    platform::QtDelayTimer timer;
    FakeReadingWindow window;
    window.useFolder(dir.path(), QString::number(delayMs));
    reading::ReadingRun run(window, player, timer);
    run.loadSoundTable();
    run.preparePlayer();
    if (!player.hasOutput())
        return false;
    spinFor(600); // past the start-up tick
    for (int waited = 0; waited < 5000 && !player.isOutputSteady(); waited += 10)
        spinFor(10);

    PulseRecorder recorder;
    if (!recorder.start(recordingPath))
        return false;
    run.read();
    while (run.isRunning() || run.pacer().isHolding())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return recorder.stop() && window.messages.empty();
}

bool runBaseline(const QTemporaryDir &dir, const std::vector<int> &sequence, int delayMs, const QString &recordingPath)
{
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = platform::SdlAudioPlayer::kBufferFrames;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &have, 0);
    if (device == 0)
        return false;
    std::vector<std::vector<Uint8>> sounds;
    for (const Tone &tone : kTones) {
        SDL_AudioSpec spec{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        const QByteArray path = dir.filePath(QLatin1String(tone.name) + QStringLiteral(".wav")).toUtf8();
        if (!SDL_LoadWAV(path.constData(), &spec, &buffer, &length))
            return false;
        SDL_AudioCVT cvt;
        SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, have.format, have.channels, have.freq);
        std::vector<Uint8> converted(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
        std::memcpy(converted.data(), buffer, length);
        SDL_FreeWAV(buffer);
        cvt.buf = converted.data();
        cvt.len = static_cast<int>(length);
        SDL_ConvertAudio(&cvt);
        converted.resize(static_cast<size_t>(cvt.len_cvt));
        sounds.push_back(std::move(converted));
    }
    SDL_PauseAudioDevice(device, 0);
    SDL_Delay(3000); // a new stream on the null sink starts being consumed a second or two late

    PulseRecorder recorder;
    if (!recorder.start(recordingPath))
        return false;
    for (const int index : sequence) {
        const std::vector<Uint8> &sound = sounds[static_cast<size_t>(index)];
        SDL_QueueAudio(device, sound.data(), static_cast<Uint32>(sound.size()));
        while (SDL_GetQueuedAudioSize(device) > 0)
            SDL_Delay(1);
        SDL_Delay(static_cast<Uint32>(delayMs));
    }
    SDL_Delay(300);
    const bool stopped = recorder.stop();
    SDL_CloseAudioDevice(device);
    return stopped;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int characters = 100;
    int delayMs = 100;
    const bool verbose = QCoreApplication::arguments().contains(QStringLiteral("--verbose"));
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--characters"))
            characters = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--delay"))
            delayMs = arguments[i + 1].toInt();
    }
    QString why;
    if (!PulseRecorder::serverAvailable(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        return 2;
    }

    QTemporaryDir dir;
    if (!makeToneSet(dir.path(), kTones))
        return 2;
    std::vector<int> sequence;
    QByteArray correction;
    for (int i = 0; i < characters; ++i) {
        const int index = (i * 7 + i / 4) % 4; // every pair of sounds occurs
        sequence.push_back(index);
        correction += kTones[static_cast<size_t>(index)].character;
    }
    if (!writeFile(dir.filePath(QStringLiteral("test.txt")), correction))
        return 2;

    std::printf("pacing: %d characters, delay %d ms, SDL driver %s, buffer %d frames\n", characters, delayMs,
                SDL_GetCurrentAudioDriver(), platform::SdlAudioPlayer::kBufferFrames);
    bool ok = false;
    const QString programRecording = dir.filePath(QStringLiteral("program.wav"));
    if (!runProgramPath(dir, delayMs, programRecording)) {
        std::fprintf(stderr, "the program's run could not be played or recorded\n");
        return 1;
    }
    const std::vector<double> program = overheads(programRecording, sequence, delayMs, &ok);
    if (!ok)
        return 1;
    const QString baselineRecording = dir.filePath(QStringLiteral("baseline.wav"));
    if (!runBaseline(dir, sequence, delayMs, baselineRecording)) {
        std::fprintf(stderr, "the baseline could not be played or recorded\n");
        return 1;
    }
    const std::vector<double> baseline = overheads(baselineRecording, sequence, delayMs, &ok);
    if (!ok)
        return 1;
    if (verbose) {
        for (size_t i = 0; i < program.size(); ++i)
            std::printf("%+.2f%s", program[i], i % 20 == 19 ? "\n" : " ");
        std::printf("\n");
    }
    report("program", program);
    report("baseline", baseline);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
}
