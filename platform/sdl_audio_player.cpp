#include "platform/sdl_audio_player.h"

#include <QFileInfo>
#include <QtDebug>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr int kPreferredRate = 44100;
constexpr Uint8 kPreferredChannels = 2;
constexpr int kResamplerPaddingFrames = 4096;

QString sdlError()
{
    return QString::fromUtf8(SDL_GetError());
}

} // namespace

SdlAudioPlayer::SdlAudioPlayer(QObject *parent)
    : QObject(parent)
{
    m_scheduled.reserve(16);
    m_completionTimer.setSingleShot(true);
    m_completionTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_completionTimer, &QTimer::timeout, this, &SdlAudioPlayer::completeAtEndOfSound);
}

SdlAudioPlayer::~SdlAudioPlayer()
{
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_audioInitialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::optional<reading::SoundProblem> SdlAudioPlayer::prepare()
{
    if (m_device != 0)
        return std::nullopt;
    if (!m_audioInitialised) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            m_outputProblem = sdlError();
            qWarning("SDL audio could not start: %s", SDL_GetError());
            return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, QString(), m_outputProblem};
        }
        m_audioInitialised = true;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = kPreferredRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kPreferredChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlAudioPlayer::fillAudio;
    wanted.userdata = this;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &m_spec,
                                   SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        m_outputProblem = sdlError();
        qWarning("No sound output device: %s", SDL_GetError());
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, QString(), m_outputProblem};
    }
    m_clock = std::make_unique<StreamClock>(m_spec.freq, leadFrames());
    // Kept running, playing silence between sounds, so a sound starts with no device wake-up.
    SDL_PauseAudioDevice(m_device, 0);
    return std::nullopt;
}

void SdlAudioPlayer::close()
{
    // Only the sound that has not ended yet is stopped; the last frames of one already
    // ended may still be on their way to the device.
    if (m_device != 0 && m_awaitingCompletion) {
        SDL_LockAudioDevice(m_device);
        const quint64 current = m_generation;
        m_scheduled.erase(std::remove_if(m_scheduled.begin(), m_scheduled.end(),
                                         [current](const Scheduled &sound) { return sound.generation == current; }),
                          m_scheduled.end());
        SDL_UnlockAudioDevice(m_device);
    }
    if (m_awaitingCompletion)
        m_chained = false; // cut short: the next sound starts afresh
    ++m_generation;
    m_awaitingCompletion = false;
    m_completionTimer.stop();
    m_loaded.reset();
}

std::optional<reading::SoundProblem> SdlAudioPlayer::open(const QString &path)
{
    m_loaded.reset();
    if (m_device == 0) {
        const QString reason = m_outputProblem.isEmpty() ? QStringLiteral("aucun périphérique audio") : m_outputProblem;
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, path, reason};
    }
    QString reason;
    m_loaded = load(path, reason);
    if (!m_loaded) {
        qWarning("Sound %s not played: %s", qUtf8Printable(path), qUtf8Printable(reason));
        return reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, reason};
    }
    return std::nullopt;
}

void SdlAudioPlayer::play()
{
    ++m_generation;
    m_awaitingCompletion = true;
    if (m_device == 0 || !m_loaded) {
        // Nothing to hear: the sound ends at once, but never inside play().
        postCompletion(m_generation);
        return;
    }
    const std::int64_t frames = static_cast<std::int64_t>(m_loaded->size() / m_spec.channels);
    const double now = wallNow();
    SDL_LockAudioDevice(m_device);
    const std::int64_t nominal = placeSound(now);
    // Never where the device has already written.
    const std::int64_t start = std::max(nominal, m_streamFrame);
    m_scheduled.push_back(Scheduled{m_loaded, start, m_generation, false});
    SDL_UnlockAudioDevice(m_device);
    m_completionAt = now + static_cast<double>(start - nominal + frames) / m_spec.freq;
    m_lastEndFrame = start + frames;

    // The timer wakes us just before the end; the last fraction of a millisecond is
    // waited for here, as timers only count whole milliseconds.
    const double remainingMs = (m_completionAt - now) * 1000.0;
    m_completionTimer.start(std::max(0, static_cast<int>(std::floor(remainingMs)) - 1));
}

bool SdlAudioPlayer::isOutputSteady() const
{
    if (m_device == 0)
        return false;
    SDL_LockAudioDevice(m_device);
    const bool steady = m_clock->isReady();
    SDL_UnlockAudioDevice(m_device);
    return steady;
}

double SdlAudioPlayer::loadedDurationMs() const
{
    if (!m_loaded || m_spec.freq <= 0 || m_spec.channels == 0)
        return 0.0;
    return 1000.0 * static_cast<double>(m_loaded->size()) / m_spec.channels / m_spec.freq;
}

// Sounds are placed two device buffers beyond what can have been written already.
std::int64_t SdlAudioPlayer::leadFrames() const
{
    return 2 * static_cast<std::int64_t>(m_spec.samples);
}

double SdlAudioPlayer::wallNow() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_origin).count();
}

void SDLCALL SdlAudioPlayer::fillAudio(void *userdata, Uint8 *stream, int length)
{
    static_cast<SdlAudioPlayer *>(userdata)->fill(reinterpret_cast<float *>(stream),
                                                  length / static_cast<int>(sizeof(float)));
}

// Audio thread, with the device lock held by SDL.
void SdlAudioPlayer::fill(float *out, int count)
{
    const int channels = m_spec.channels;
    const std::int64_t bufferStart = m_streamFrame;
    const std::int64_t bufferEnd = bufferStart + count / channels;
    m_clock->observe(wallNow(), bufferStart);
    std::fill(out, out + count, 0.0f);

    for (Scheduled &sound : m_scheduled) {
        // A sound placed where the device has already written starts right away.
        if (!sound.begun && sound.startFrame < bufferStart)
            sound.startFrame = bufferStart;
        const std::int64_t from = std::max(sound.startFrame, bufferStart);
        const std::int64_t to = std::min(sound.endFrame(channels), bufferEnd);
        if (from >= to)
            continue;
        sound.begun = true;
        const float *source = sound.samples->data() + (from - sound.startFrame) * channels;
        float *target = out + (from - bufferStart) * channels;
        for (std::int64_t i = 0; i < (to - from) * channels; ++i)
            target[i] += source[i];
    }
    m_scheduled.erase(std::remove_if(m_scheduled.begin(), m_scheduled.end(),
                                     [&](const Scheduled &sound) {
                                         return sound.begun && sound.endFrame(channels) <= bufferEnd;
                                     }),
                      m_scheduled.end());
    m_streamFrame = bufferEnd;
}

// The frame matching `now`: from the end of the previous sound when the reading goes
// on from it, else from the stream clock. Called with the device lock held.
//
// A chain of sounds is kept within reach of the clock: the device's clock and its
// buffering drift against the wall clock (a few hundred parts per million here), so
// the chain is eased towards the clock by at most kLargestStep per sound.
std::int64_t SdlAudioPlayer::placeSound(double now)
{
    constexpr double kLongestChainGapSeconds = 2.0;
    constexpr double kLargestChainDriftSeconds = 0.1;
    constexpr double kLargestStepSeconds = 0.0005;
    if (!m_clock->isReady())
        return m_streamFrame + leadFrames();
    const std::int64_t fromClock = m_clock->frameAt(now);
    if (!m_chained || now - m_lastCompletionAt >= kLongestChainGapSeconds)
        return fromClock;

    const std::int64_t fromLastEnd =
        m_lastEndFrame + static_cast<std::int64_t>(std::llround((now - m_lastCompletionAt) * m_spec.freq));
    const std::int64_t behind = fromClock - fromLastEnd;
    if (std::llabs(behind) >= static_cast<std::int64_t>(kLargestChainDriftSeconds * m_spec.freq))
        return fromClock;
    const auto largestStep = static_cast<std::int64_t>(kLargestStepSeconds * m_spec.freq);
    const std::int64_t buffer = m_spec.samples;
    if (behind > buffer / 2)
        return fromLastEnd + std::min(behind - buffer / 2, largestStep);
    if (behind < -buffer)
        return fromLastEnd + std::max(behind + buffer, -largestStep);
    return fromLastEnd;
}

void SdlAudioPlayer::completeAtEndOfSound()
{
    constexpr double kLongestWaitSeconds = 0.003;
    const double limit = wallNow() + kLongestWaitSeconds;
    for (double now = wallNow(); now < m_completionAt && now < limit; now = wallNow()) {
    }
    deliverCompletion(m_generation);
}

void SdlAudioPlayer::postCompletion(quint64 generation)
{
    QMetaObject::invokeMethod(this, [this, generation] { deliverCompletion(generation); }, Qt::QueuedConnection);
}

// GUI thread. The end of a sound closed since, or already told, is dropped.
void SdlAudioPlayer::deliverCompletion(quint64 generation)
{
    if (generation != m_generation || !m_awaitingCompletion)
        return;
    m_awaitingCompletion = false;
    m_completionTimer.stop();
    m_chained = m_device != 0 && m_loaded != nullptr;
    m_lastCompletionAt = m_completionAt;
    complete();
}

std::shared_ptr<const SdlAudioPlayer::Samples> SdlAudioPlayer::load(const QString &path, QString &reason)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        reason = QStringLiteral("le fichier n'existe pas");
        return nullptr;
    }
    if (!info.isFile()) {
        reason = QStringLiteral("ce n'est pas un fichier");
        return nullptr;
    }
    const auto cached = m_cache.constFind(path);
    if (cached != m_cache.constEnd() && cached->modified == info.lastModified() && cached->size == info.size())
        return cached->samples;

    std::shared_ptr<const Samples> samples = decode(path, reason);
    if (samples)
        m_cache.insert(path, CachedSound{info.lastModified(), info.size(), samples});
    else
        m_cache.remove(path);
    return samples;
}

std::shared_ptr<const SdlAudioPlayer::Samples> SdlAudioPlayer::decode(const QString &path, QString &reason) const
{
    SDL_RWops *file = SDL_RWFromFile(path.toUtf8().constData(), "rb");
    if (file == nullptr) {
        reason = QStringLiteral("lecture impossible (%1)").arg(sdlError());
        return nullptr;
    }
    SDL_AudioSpec source{};
    Uint8 *buffer = nullptr;
    Uint32 bufferLength = 0;
    if (SDL_LoadWAV_RW(file, 1, &source, &buffer, &bufferLength) == nullptr) {
        reason = QStringLiteral("ce n'est pas un fichier WAV lisible (%1)").arg(sdlError());
        return nullptr;
    }
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(buffer, &SDL_FreeWAV);

    std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
        SDL_NewAudioStream(source.format, source.channels, source.freq, m_spec.format, m_spec.channels, m_spec.freq),
        &SDL_FreeAudioStream);
    // SDL 2.26's resampling stream keeps back the last few hundred frames even after a
    // flush; feeding silence after the sound and cutting at its exact length keeps them.
    const int sourceFrameBytes = SDL_AUDIO_BITSIZE(source.format) / 8 * source.channels;
    const std::vector<Uint8> padding(static_cast<size_t>(kResamplerPaddingFrames * sourceFrameBytes),
                                     source.format == AUDIO_U8 ? 0x80 : 0x00);
    if (!stream || sourceFrameBytes <= 0 || SDL_AudioStreamPut(stream.get(), wav.get(), static_cast<int>(bufferLength)) != 0
        || SDL_AudioStreamPut(stream.get(), padding.data(), static_cast<int>(padding.size())) != 0
        || SDL_AudioStreamFlush(stream.get()) != 0) {
        reason = QStringLiteral("format audio non pris en charge (%1)").arg(sdlError());
        return nullptr;
    }
    // A resampling stream may hand out its flushed tail in more than one piece.
    auto samples = std::make_shared<Samples>();
    std::vector<float> chunk(4096);
    for (;;) {
        const int got = SDL_AudioStreamGet(stream.get(), chunk.data(), static_cast<int>(chunk.size() * sizeof(float)));
        if (got < 0) {
            reason = QStringLiteral("conversion impossible (%1)").arg(sdlError());
            return nullptr;
        }
        if (got == 0)
            break;
        samples->insert(samples->end(), chunk.begin(), chunk.begin() + got / static_cast<int>(sizeof(float)));
    }
    const long long sourceFrames = bufferLength / static_cast<Uint32>(sourceFrameBytes);
    const auto frames = static_cast<size_t>((sourceFrames * m_spec.freq + source.freq / 2) / source.freq);
    samples->resize(std::min(samples->size(), frames * m_spec.channels));
    return samples;
}

} // namespace platform
