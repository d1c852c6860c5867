#include "platform/sdl_audio_player.h"

#include <QFileInfo>
#include <QtDebug>
#include <algorithm>
#include <cstring>

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
    m_watchdog.setSingleShot(true);
    m_watchdog.setTimerType(Qt::PreciseTimer);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        qWarning("Sound output stopped consuming; ending the sound anyway");
        deliverCompletion(m_generation);
    });
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
    // Kept running, playing silence between sounds, so a sound starts with no device wake-up.
    SDL_PauseAudioDevice(m_device, 0);
    return std::nullopt;
}

void SdlAudioPlayer::close()
{
    if (m_device != 0) {
        SDL_LockAudioDevice(m_device);
        m_playing.reset();
        m_handedOver = true;
        ++m_generation;
        SDL_UnlockAudioDevice(m_device);
    } else {
        ++m_generation;
    }
    m_awaitingCompletion = false;
    m_watchdog.stop();
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
    m_awaitingCompletion = true;
    if (m_device == 0 || !m_loaded) {
        // Nothing to hear: the sound ends at once, but never inside play().
        postCompletion(++m_generation);
        return;
    }
    SDL_LockAudioDevice(m_device);
    m_playing = m_loaded;
    m_playPosition = 0;
    m_handedOver = false;
    ++m_generation;
    SDL_UnlockAudioDevice(m_device);
    m_watchdog.start(static_cast<int>(loadedDurationMs()) + kWatchdogMarginMs);
}

double SdlAudioPlayer::loadedDurationMs() const
{
    if (!m_loaded || m_spec.freq <= 0 || m_spec.channels == 0)
        return 0.0;
    return 1000.0 * static_cast<double>(m_loaded->size()) / m_spec.channels / m_spec.freq;
}

void SDLCALL SdlAudioPlayer::fillAudio(void *userdata, Uint8 *stream, int length)
{
    static_cast<SdlAudioPlayer *>(userdata)->fill(reinterpret_cast<float *>(stream),
                                                  length / static_cast<int>(sizeof(float)));
}

// Audio thread, with the device lock held by SDL.
void SdlAudioPlayer::fill(float *out, int count)
{
    int written = 0;
    if (m_playing && !m_handedOver) {
        const size_t left = m_playing->size() - m_playPosition;
        written = static_cast<int>(std::min(left, static_cast<size_t>(count)));
        std::memcpy(out, m_playing->data() + m_playPosition, sizeof(float) * static_cast<size_t>(written));
        m_playPosition += static_cast<size_t>(written);
        if (m_playPosition >= m_playing->size()) {
            m_handedOver = true;
            postCompletion(m_generation);
        }
    }
    std::fill(out + written, out + count, 0.0f);
}

void SdlAudioPlayer::postCompletion(quint64 generation)
{
    QMetaObject::invokeMethod(this, [this, generation] { deliverCompletion(generation); }, Qt::QueuedConnection);
}

// GUI thread. A completion of a sound closed since, or already delivered, is dropped.
void SdlAudioPlayer::deliverCompletion(quint64 generation)
{
    if (generation != m_generation || !m_awaitingCompletion)
        return;
    m_awaitingCompletion = false;
    m_watchdog.stop();
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
