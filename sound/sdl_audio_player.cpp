// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sdl_audio_player.h"

#include "sound/wav_decoding.h"

#include <QFile>
#include <QtDebug>
#include <algorithm>
#include <cmath>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <cerrno>
#endif

namespace platform {

namespace {

constexpr int kPreferredRate = 44100;
constexpr Uint8 kPreferredChannels = 2;
constexpr int kWatchIntervalMs = 100;
// A device that has taken nothing this long after a sound's end is taken for lost.
constexpr double kLongestStallSeconds = 3.0;
// An end told this close to its moment keeps the chain of sounds exact.
constexpr double kOnTimeSeconds = 0.005;
constexpr auto kCloseWait = std::chrono::milliseconds(300);
// A sound file found unchanged is trusted this long within a Read: very short sounds
// would otherwise cost a look at the file system each, and a file changed while reading
// is still heard within a second.
constexpr auto kTrustUnchanged = std::chrono::seconds(1);

QString sdlError()
{
    return QString::fromUtf8(SDL_GetError());
}

QString noDeviceReason(const QString &systemText)
{
    return QStringLiteral("aucun périphérique ni serveur de son n'a pu être ouvert ; message du système : %1")
        .arg(systemText);
}

// The sound server's client threads (SDL's and the server library's) are made while
// audio starts, and take the priority of the thread that makes them: raised a little,
// busy cores do not starve them. Where the system does not allow it, nothing changes.
bool initAudioWithRaisedPriority()
{
#ifdef Q_OS_LINUX
    constexpr int kAudioNice = -10;
    errno = 0;
    const int previous = getpriority(PRIO_PROCESS, 0);
    const bool raised = errno == 0 && previous > kAudioNice && setpriority(PRIO_PROCESS, 0, kAudioNice) == 0;
    const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (raised)
        setpriority(PRIO_PROCESS, 0, previous);
    return started;
#else
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
#endif
}

} // namespace

SdlAudioPlayer::SdlAudioPlayer(QObject *parent)
    : QObject(parent)
    , m_deadline(this)
    , m_watchdog(this)
    , m_idleTimer(this)
{
    m_decoderThread.setObjectName(QStringLiteral("WAV decoder"));
    m_decoderContext.moveToThread(&m_decoderThread);
    connect(&m_deadline, &PreciseDeadline::reached, this, &SdlAudioPlayer::deadlineReached);
    m_watchdog.setInterval(kWatchIntervalMs);
    connect(&m_watchdog, &QTimer::timeout, this, &SdlAudioPlayer::watchOutput);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleCloseMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_awaitingCompletion)
            return;
        closeOutput();
        m_idleClosed = true;
    });
}

SdlAudioPlayer::~SdlAudioPlayer()
{
    if (!m_shutDown)
        shutDown(std::chrono::seconds(5));
}

std::optional<reading::SoundProblem> SdlAudioPlayer::prepare()
{
    m_reopenAllowed = true;
    // Every sound file is looked at again at the next Read.
    m_preparedAt = std::chrono::steady_clock::now();
    // A sound server that went away while we were idle is looked for afresh.
    if (isOutputLost())
        closeOutput();
    if (m_device != 0)
        return std::nullopt;
    m_reopenAllowed = false;
    if (!openOutput())
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, QString(), m_outputProblem};
    m_idleTimer.start();
    return std::nullopt;
}

bool SdlAudioPlayer::openOutput()
{
    if (m_closing.valid()) {
        if (m_closing.wait_for(kCloseWait) != std::future_status::ready) {
            m_outputProblem = QStringLiteral("la sortie son précédente ne s'est pas encore fermée");
            return false;
        }
        m_closing = {};
    }
    // Ctrl+C, kill and the end of a session are the program's to handle, not SDL's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!initAudioWithRaisedPriority()) {
        m_outputProblem = noDeviceReason(sdlError());
        qWarning("SDL audio could not start: %s", SDL_GetError());
        return false;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = kPreferredRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kPreferredChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlAudioPlayer::fillAudio;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                   SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        m_outputProblem = noDeviceReason(sdlError());
        qWarning("No sound output device: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // Decoded sounds are kept in the device's format.
    if (obtained.freq != m_spec.freq || obtained.channels != m_spec.channels)
        m_cache.clear();
    m_spec = obtained;
    // Sounds are placed two device buffers beyond what can have been written already.
    m_schedule = std::make_unique<OutputSchedule>(m_spec.freq, m_spec.channels, 2 * static_cast<std::int64_t>(m_spec.samples));
    m_outputProblem.clear();
    m_idleClosed = false;
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioPlayer::closeOutput()
{
    if (m_device == 0)
        return;
    // Once paused, the audio thread calls us no more; the close itself may wait for a
    // stream that has not started, so it runs on a thread of its own.
    SDL_PauseAudioDevice(m_device, 1);
    m_waitingForLastFrame = false;
    m_watchdog.stop();
    const SDL_AudioDeviceID device = m_device;
    m_device = 0;
    m_schedule.reset();
    auto closed = std::make_shared<std::promise<void>>();
    m_closing = closed->get_future();
    std::thread([device, closed] {
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        closed->set_value();
    }).detach();
}

void SdlAudioPlayer::shutDown(std::chrono::milliseconds limit)
{
    m_shutDown = true;
    m_decoderThread.quit();
    m_decoderThread.wait();
    ++m_generation;
    stopWaiting();
    m_idleTimer.stop();
    closeOutput();
    if (m_closing.valid()) {
        if (m_closing.wait_for(limit) != std::future_status::ready) {
            qWarning("The sound device did not close in time; the end of the program closes it.");
            return;
        }
        m_closing = {};
    }
    SDL_Quit();
}

void SdlAudioPlayer::close()
{
    // Only the sound that has not ended yet is stopped; the last frames of one already
    // ended may still be on their way to the device.
    if (m_device != 0 && m_awaitingCompletion) {
        SDL_LockAudioDevice(m_device);
        m_schedule->cancel(m_generation);
        SDL_UnlockAudioDevice(m_device);
    }
    ++m_generation;
    stopWaiting();
    m_loaded.reset();
    m_decodeWanted = 0;
    m_playWhenDecoded = false;
    if (m_device != 0 && !m_shutDown)
        m_idleTimer.start();
}

std::optional<reading::SoundProblem> SdlAudioPlayer::open(const QString &path)
{
    m_loaded.reset();
    m_decodeWanted = 0;
    if (isOutputLost())
        closeOutput();
    if (m_device == 0 && !m_shutDown && (m_idleClosed || m_reopenAllowed)) {
        m_reopenAllowed = false;
        openOutput();
    }
    if (m_device == 0) {
        const QString reason = m_outputProblem.isEmpty() ? QStringLiteral("aucun périphérique audio") : m_outputProblem;
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, path, reason};
    }
    QString reason;
    if (!startLoading(path, reason)) {
        qWarning("Sound %s not played: %s", qUtf8Printable(path), qUtf8Printable(reason));
        return reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, reason};
    }
    return std::nullopt;
}

void SdlAudioPlayer::play()
{
    ++m_generation;
    m_awaitingCompletion = true;
    m_idleTimer.stop();
    if (m_decodeWanted != 0) {
        m_playWhenDecoded = true; // placed once decoded, from the moment it is ready
        return;
    }
    if (m_device == 0 || !m_loaded) {
        // Nothing to hear: the sound ends at once, but never inside play().
        postCompletion(m_generation);
        return;
    }
    placeLoadedSound();
}

void SdlAudioPlayer::placeLoadedSound()
{
    const double now = wallNow();
    SDL_LockAudioDevice(m_device);
    m_placedSteady = m_schedule->isSteady();
    const OutputSchedule::Placement placement = m_schedule->place(m_loaded, m_generation, now);
    SDL_UnlockAudioDevice(m_device);

    m_completionAt = now + placement.secondsToEnd;
    m_deadlinePassed = false;
    m_lastFrameTaken = false;
    m_deadline.start(m_origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    std::chrono::duration<double>(m_completionAt)));
    if (!m_watchdog.isActive())
        m_watchdog.start();
}

// An open device that SDL has given up on (removed, or its sound server gone).
bool SdlAudioPlayer::isOutputLost() const
{
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

bool SdlAudioPlayer::isOutputSteady() const
{
    if (m_device == 0)
        return false;
    SDL_LockAudioDevice(m_device);
    const bool steady = m_schedule->isSteady();
    SDL_UnlockAudioDevice(m_device);
    return steady;
}

double SdlAudioPlayer::loadedDurationMs() const
{
    if (!m_loaded || m_spec.freq <= 0 || m_spec.channels == 0)
        return 0.0;
    return 1000.0 * static_cast<double>(m_loaded->size()) / m_spec.channels / m_spec.freq;
}

double SdlAudioPlayer::wallNow() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_origin).count();
}

// Audio thread, with the device lock held by SDL.
void SDLCALL SdlAudioPlayer::fillAudio(void *userdata, Uint8 *stream, int length)
{
    auto *player = static_cast<SdlAudioPlayer *>(userdata);
    const std::uint64_t taken = player->m_schedule->fill(reinterpret_cast<float *>(stream),
                                                         length / static_cast<int>(sizeof(float)), player->wallNow());
    // A steady device's ends are told by the deadline alone (which looks up what was
    // taken): waking the GUI thread for each would cost more than the sound.
    if (taken != 0 && (player->m_waitingForLastFrame || !player->m_schedule->isSteady()))
        QMetaObject::invokeMethod(player, [player, taken] { player->endTaken(taken); }, Qt::QueuedConnection);
}

// The device has taken the sound's last frame: its end can be told at its moment.
void SdlAudioPlayer::endTaken(quint64 generation)
{
    if (generation != m_generation || !m_awaitingCompletion)
        return;
    m_lastFrameTaken = true;
    if (m_deadlinePassed)
        deliverCompletion(generation);
}

// A device that consumes in real time takes each frame a little after the moment the
// frame stands for (sounds are placed ahead of what it may have written), so its end is
// told on time; any other device must first have taken the last frame.
void SdlAudioPlayer::deadlineReached()
{
    m_deadlinePassed = true;
    if (!m_lastFrameTaken && m_device != 0) {
        SDL_LockAudioDevice(m_device);
        m_lastFrameTaken = (m_placedSteady && m_schedule->isSteady()) || m_schedule->lastEndTaken() == m_generation;
        // From now on the audio thread tells when it takes the last frame.
        m_waitingForLastFrame = !m_lastFrameTaken;
        SDL_UnlockAudioDevice(m_device);
    }
    if (m_lastFrameTaken)
        deliverCompletion(m_generation);
}

// While the device is open and a sound under way: a device that SDL reports lost, or that has taken nothing
// for long, is closed, so the sound ends and the next one tries a device again.
void SdlAudioPlayer::watchOutput()
{
    if (!m_awaitingCompletion)
        return;
    const bool lost = m_device == 0 || isOutputLost();
    const bool stalled = wallNow() > m_completionAt + kLongestStallSeconds;
    if (!lost && !stalled)
        return;
    qWarning("The sound output was %s; it is opened again at the next sound.", lost ? "lost" : "stalled");
    closeOutput();
    m_lastFrameTaken = true;
    if (m_deadlinePassed)
        deliverCompletion(m_generation);
}

void SdlAudioPlayer::postCompletion(quint64 generation)
{
    QMetaObject::invokeMethod(this, [this, generation] { deliverCompletion(generation); }, Qt::QueuedConnection);
}

void SdlAudioPlayer::stopWaiting()
{
    if (m_device != 0 && m_waitingForLastFrame) {
        SDL_LockAudioDevice(m_device);
        m_waitingForLastFrame = false;
        SDL_UnlockAudioDevice(m_device);
    }
    m_awaitingCompletion = false;
    m_deadline.stop();
}

// GUI thread. The end of a sound closed since, or already told, is dropped.
void SdlAudioPlayer::deliverCompletion(quint64 generation)
{
    if (generation != m_generation || !m_awaitingCompletion)
        return;
    stopWaiting();
    if (m_device != 0) {
        const bool onTime = m_loaded && m_placedSteady && wallNow() - m_completionAt < kOnTimeSeconds;
        SDL_LockAudioDevice(m_device);
        if (onTime)
            m_schedule->chainFrom(m_completionAt);
        else
            m_schedule->breakChain();
        SDL_UnlockAudioDevice(m_device);
        m_idleTimer.start();
    }
    complete();
}

bool SdlAudioPlayer::startLoading(const QString &path, QString &reason)
{
    const auto now = std::chrono::steady_clock::now();
    const auto cached = m_cache.find(path);
    if (cached != m_cache.end() && cached->checked >= m_preparedAt && now - cached->checked < kTrustUnchanged) {
        m_loaded = cached->samples;
        return true;
    }
    const FileStamp stamp = stampOf(path);
    if (stamp.kind == FileStamp::Kind::Missing) {
        reason = QStringLiteral("le fichier n'existe pas");
        return false;
    }
    if (stamp.kind != FileStamp::Kind::RegularFile) {
        reason = QStringLiteral("ce n'est pas un fichier");
        return false;
    }
    if (cached != m_cache.end() && cached->stamp == stamp) {
        cached->checked = now;
        m_loaded = cached->samples;
        return true;
    }
    forget(path);

    if (stamp.size <= kDecodeHereBytes) {
        DecodedWav decoded = decodeWav(path, m_spec.freq, m_spec.channels);
        if (!decoded.ok()) {
            reason = decoded.error;
            return false;
        }
        m_loaded = remember(path, stamp, std::move(decoded.samples));
        return true;
    }

    // A large sound is decoded on the decoder's thread, so the window never waits for
    // it; what its beginning already tells is refused at once.
    if (stamp.size > kMaxWavBytes) {
        reason = QStringLiteral("le fichier est trop gros (%1 Mo au plus)").arg(kMaxWavBytes / (1024 * 1024));
        return false;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        reason = wavFormatProblem(file.read(kHeaderBytes));
        if (!reason.isEmpty())
            return false;
    }
    if (!m_decoderThread.isRunning())
        m_decoderThread.start();
    const quint64 request = ++m_decodeSerial;
    m_decodeWanted = request;
    const int rate = m_spec.freq;
    const int channels = m_spec.channels;
    QMetaObject::invokeMethod(&m_decoderContext, [this, path, stamp, rate, channels, request] {
        auto decoded = std::make_shared<DecodedWav>(decodeWav(path, rate, channels));
        QMetaObject::invokeMethod(
            this, [this, path, stamp, request, decoded] { backgroundDecodingDone(path, stamp, request, decoded); },
            Qt::QueuedConnection);
    }, Qt::QueuedConnection);
    return true;
}

void SdlAudioPlayer::backgroundDecodingDone(const QString &path, const FileStamp &stamp, quint64 request,
                                            const std::shared_ptr<DecodedWav> &decoded)
{
    if (request != m_decodeWanted)
        return; // closed since
    m_decodeWanted = 0;
    const bool waiting = m_playWhenDecoded && m_awaitingCompletion;
    m_playWhenDecoded = false;
    if (!decoded->ok()) {
        qWarning("Sound %s not played: %s", qUtf8Printable(path), qUtf8Printable(decoded->error));
        reportLateProblem(reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, decoded->error});
        if (waiting)
            postCompletion(m_generation);
        return;
    }
    // Stamped as it was when decoding began: a file changed since is decoded again next time.
    m_loaded = remember(path, stamp, std::move(decoded->samples));
    if (!waiting)
        return;
    if (m_device != 0)
        placeLoadedSound();
    else
        postCompletion(m_generation);
}

// Decoded sounds are kept while they stay within a bound; past it the cache starts afresh.
std::shared_ptr<const SdlAudioPlayer::Samples> SdlAudioPlayer::remember(const QString &path, const FileStamp &stamp,
                                                                        Samples &&samples)
{
    auto kept = std::make_shared<const Samples>(std::move(samples));
    const qint64 bytes = static_cast<qint64>(kept->size() * sizeof(float));
    if (m_cacheBytes + bytes > kLargestCacheBytes) {
        m_cache.clear();
        m_cacheBytes = 0;
    }
    m_cache.insert(path, CachedSound{stamp, std::chrono::steady_clock::now(), kept});
    m_cacheBytes += bytes;
    return kept;
}

void SdlAudioPlayer::forget(const QString &path)
{
    const auto cached = m_cache.constFind(path);
    if (cached == m_cache.constEnd())
        return;
    m_cacheBytes -= static_cast<qint64>(cached->samples->size() * sizeof(float));
    m_cache.erase(cached);
}

} // namespace platform
