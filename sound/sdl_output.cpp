// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sdl_output.h"

#include "sound/server_sink_probe.h"
#include "sound/thread_priority.h"

#include <QtDebug>
#include <chrono>
#include <future>
#include <thread>

namespace platform {

namespace {

constexpr int kPreferredRate = 44100;
constexpr Uint8 kPreferredChannels = 2;
constexpr auto kCloseWait = std::chrono::milliseconds(300);
// An end told this close to its moment keeps the chain of sounds exact.
constexpr double kOnTimeSeconds = 0.005;

// A device closes on a thread of its own: SDL drains its buffers first.
std::future<void> g_closing;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QString noDeviceReason(const QString &systemText)
{
    return QStringLiteral("aucun périphérique ni serveur de son n'a pu être ouvert ; message du système : %1")
        .arg(systemText);
}

// The audio threads are made while audio starts: raised, busy cores do not starve them.
bool initAudioWithRaisedPriority()
{
    return startRaised([] { return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; });
}

// SDL's PulseAudio client crashes on a server that answers without a sink: there, SDL
// tries its other drivers, never the silent ones, and fails like them when none works.
// This holds for the rest of the run: once the server has a sink again, the program's
// own output to it serves.
void keepAwayFromASinklessServer()
{
    if (!soundServerAnswersWithoutSink())
        return;
    QByteArray drivers;
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) {
        const QByteArray driver(SDL_GetAudioDriver(i));
        if (driver == "pulseaudio" || driver == "dummy" || driver == "disk")
            continue;
        drivers += (drivers.isEmpty() ? "" : ",") + driver;
    }
    qWarning("The sound server has no output; SDL may use: %s", drivers.constData());
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, drivers.isEmpty() ? "none" : drivers.constData(), SDL_HINT_OVERRIDE);
}

} // namespace

std::unique_ptr<SdlOutput> SdlOutput::open(QString &problem)
{
    if (g_closing.valid()) {
        if (g_closing.wait_for(kCloseWait) != std::future_status::ready) {
            problem = QStringLiteral("la sortie son précédente ne s'est pas encore fermée");
            return nullptr;
        }
        g_closing = {};
    }
    // Ctrl+C, kill and the end of a session are the program's to handle, not SDL's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    keepAwayFromASinklessServer();
    if (!initAudioWithRaisedPriority()) {
        problem = noDeviceReason(QString::fromUtf8(SDL_GetError()));
        qWarning("SDL audio could not start: %s", SDL_GetError());
        return nullptr;
    }
    std::unique_ptr<SdlOutput> output(new SdlOutput);
    SDL_AudioSpec wanted{};
    wanted.freq = kPreferredRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kPreferredChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlOutput::fillAudio;
    wanted.userdata = output.get();
    output->m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &output->m_spec,
                                           SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (output->m_device == 0) {
        problem = noDeviceReason(QString::fromUtf8(SDL_GetError()));
        qWarning("No sound output device: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    output->m_schedule = std::make_unique<OutputSchedule>(output->m_spec.freq, output->m_spec.channels,
                                                          2 * static_cast<std::int64_t>(output->m_spec.samples));
    SDL_PauseAudioDevice(output->m_device, 0);
    return output;
}

SdlOutput::~SdlOutput()
{
    // Once paused, the audio thread calls us no more; the close itself drains the
    // device, so it runs on a thread of its own.
    SDL_PauseAudioDevice(m_device, 1);
    const SDL_AudioDeviceID device = m_device;
    auto closed = std::make_shared<std::promise<void>>();
    g_closing = closed->get_future();
    std::thread([device, closed] {
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        closed->set_value();
    }).detach();
}

void SdlOutput::shutDown()
{
    // A device still closing is left to the end of the process.
    if (!g_closing.valid() || g_closing.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        SDL_Quit();
}

bool SdlOutput::isLost() const
{
    return SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

bool SdlOutput::isSteady() const
{
    SDL_LockAudioDevice(m_device);
    const bool steady = m_schedule->isSteady();
    SDL_UnlockAudioDevice(m_device);
    return steady;
}

double SdlOutput::place(std::shared_ptr<const Samples> samples, std::uint64_t generation)
{
    const double now = steadySeconds();
    SDL_LockAudioDevice(m_device);
    m_placedSteady = m_schedule->isSteady();
    const OutputSchedule::Placement placement = m_schedule->place(std::move(samples), generation, now);
    SDL_UnlockAudioDevice(m_device);
    m_endAt = now + placement.secondsToEnd;
    m_endLate = false;
    return placement.secondsToEnd;
}

void SdlOutput::cancel(std::uint64_t generation)
{
    SDL_LockAudioDevice(m_device);
    m_schedule->cancel(generation);
    SDL_UnlockAudioDevice(m_device);
}

// A device that consumes in real time takes each frame a little after the moment the
// frame stands for, so its end is told on time; any other device must first have taken
// the last frame.
bool SdlOutput::endReached(std::uint64_t generation)
{
    SDL_LockAudioDevice(m_device);
    const bool reached = (m_placedSteady && m_schedule->isSteady()) || m_schedule->lastEndTaken() == generation;
    SDL_UnlockAudioDevice(m_device);
    m_endLate = m_endLate || !reached;
    return reached;
}

void SdlOutput::endTold()
{
    const bool exact = !m_endLate && m_placedSteady && steadySeconds() - m_endAt < kOnTimeSeconds;
    SDL_LockAudioDevice(m_device);
    if (exact)
        m_schedule->chainFrom(m_endAt);
    else
        m_schedule->breakChain();
    SDL_UnlockAudioDevice(m_device);
}

// Audio thread, with the device lock held by SDL.
void SDLCALL SdlOutput::fillAudio(void *userdata, Uint8 *stream, int length)
{
    auto *output = static_cast<SdlOutput *>(userdata);
    output->m_schedule->fill(reinterpret_cast<float *>(stream), length / static_cast<int>(sizeof(float)), steadySeconds());
}

} // namespace platform
