// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/audio_player.h"

#include "sound/sound_module.h"
#include "sound/thread_priority.h"

#include <QtDebug>


namespace platform {

namespace {

constexpr int kWatchIntervalMs = 100;
// An output that has not come to a sound's end this long after its moment is taken
// for lost.
constexpr auto kLongestStall = std::chrono::seconds(15);
// An output that has not come to a sound's end this long after its moment has stopped
// playing (a server stopped, a sink suspended): the reading waits for it, and the user
// is told, once per Read.
constexpr auto kStallTold = std::chrono::seconds(1);
// An output that has not come to a sound's end at its moment is looked at this often.
constexpr auto kLateEndPoll = std::chrono::milliseconds(5);

QString noOutputReason(const QString &problem)
{
    return problem.isEmpty() ? QStringLiteral("aucun périphérique audio") : problem;
}

} // namespace

AudioPlayer::AudioPlayer(QObject *parent)
    : QObject(parent)
    , m_sounds(this)
    , m_deadline(this)
    , m_watchdog(this)
    , m_idleTimer(this)
    , m_startUpTimer(this)
{
    m_sounds.setPlayableHandler([this](const QString &, std::shared_ptr<const AudioOutput::Samples> samples) {
        soundPlayable(std::move(samples));
    });
    m_sounds.setFailedHandler([this](const QString &path, const QString &error) { soundFailed(path, error); });
    connect(&m_deadline, &PreciseDeadline::reached, this, &AudioPlayer::deadlineReached);
    m_watchdog.setInterval(kWatchIntervalMs);
    connect(&m_watchdog, &QTimer::timeout, this, &AudioPlayer::watchOutput);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleCloseMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_awaitingCompletion || m_held)
            return;
        closeOutput();
        m_idleClosed = true;
    });
    // Opened once the window shows, so the window never waits for the sound libraries.
    m_startUpTimer.setSingleShot(true);
    m_startUpTimer.setInterval(kStartUpOpenMs);
    connect(&m_startUpTimer, &QTimer::timeout, this, [this] {
        if (!m_output && !m_shutDown && openOutput() && !m_held)
            m_idleTimer.start();
    });
}

AudioPlayer::~AudioPlayer()
{
    if (!m_shutDown)
        shutDown();
}

std::optional<reading::SoundProblem> AudioPlayer::prepare()
{
    m_reopenAllowed = true;
    m_stallTold = false;
    // Every sound file is looked at again at the next Read.
    m_sounds.lookAgain();
    if (!m_startedUp) {
        m_startedUp = true;
        m_startUpTimer.start();
        return std::nullopt;
    }
    if (!m_held)
        m_previousPriority = raiseThisThread();
    m_held = true;
    m_idleTimer.stop();
    m_startUpTimer.stop();
    // A sound server that went away while we were idle is looked for afresh.
    if (outputLost())
        closeOutput();
    if (m_output)
        return std::nullopt;
    m_reopenAllowed = false;
    if (!openOutput())
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, QString(), noOutputReason(m_outputProblem)};
    return std::nullopt;
}

void AudioPlayer::release()
{
    if (m_held)
        restoreThisThread(m_previousPriority);
    m_held = false;
    if (m_output && !m_awaitingCompletion && !m_shutDown)
        m_idleTimer.start();
}

bool AudioPlayer::openOutput()
{
    QString problem;
    if (m_module == nullptr)
        m_module = loadSoundModule(problem);
    if (m_module != nullptr)
        m_output = openPreferredOutput(*m_module, problem);
    if (!m_output) {
        m_outputProblem = problem;
        return false;
    }
    m_sounds.setModule(m_module);
    m_sounds.setFormat(m_output->rate(), m_output->channels());
    m_outputProblem.clear();
    m_idleClosed = false;
    return true;
}

void AudioPlayer::closeOutput()
{
    m_watchdog.stop();
    m_ahead.clear(); // goes with the output
    m_takingUpAhead = false;
    m_output.reset();
}

void AudioPlayer::shutDown()
{
    m_shutDown = true;
    m_sounds.abandon();
    m_ahead.clear();
    m_generation = ++m_issued;
    stopWaiting();
    m_idleTimer.stop();
    m_startUpTimer.stop();
    closeOutput();
    if (m_module != nullptr)
        m_module->shutDown();
}

void AudioPlayer::close()
{
    // Only the sound that has not ended yet is stopped; the last frames of one already
    // ended may still be on their way to the speaker.
    if (m_output && m_awaitingCompletion)
        m_output->cancel(m_generation);
    m_generation = ++m_issued;
    stopWaiting();
    m_loaded.reset();
    m_takingUpAhead = false;
    m_sounds.abandon();
    m_decoding = false;
    m_playWhenDecoded = false;
    if (m_output && !m_shutDown && !m_held)
        m_idleTimer.start();
}

std::optional<reading::SoundProblem> AudioPlayer::open(const QString &path)
{
    m_loaded.reset();
    m_decoding = false;
    if (outputLost())
        closeOutput();
    if (!m_ahead.empty() && m_ahead.front().path == path && m_output) {
        m_loaded = m_ahead.front().samples;
        m_takingUpAhead = true;
        return std::nullopt;
    }
    withdrawAhead();
    if (!m_output && !m_shutDown && (m_idleClosed || m_reopenAllowed || m_startUpTimer.isActive())) {
        m_reopenAllowed = false;
        m_startUpTimer.stop();
        openOutput();
    }
    if (!m_output)
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, path, noOutputReason(m_outputProblem)};
    const DecodedSounds::Found found = m_sounds.find(path);
    if (!found.reason.isEmpty()) {
        qWarning("Sound %s not played: %s", qUtf8Printable(path), qUtf8Printable(found.reason));
        return reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, found.reason};
    }
    m_loaded = found.samples;
    m_decoding = found.decoding;
    return std::nullopt;
}

void AudioPlayer::play()
{
    m_generation = ++m_issued;
    m_awaitingCompletion = true;
    m_idleTimer.stop();
    if (m_takingUpAhead && !m_ahead.empty()) {
        m_generation = m_ahead.front().generation;
        m_takingUpAhead = false;
        const auto endAt = m_ahead.front().endAt;
        m_ahead.pop_front();
        awaitEnd(endAt);
        return;
    }
    if (m_decoding) {
        m_playWhenDecoded = true; // placed once decoded, from the moment it is ready
        return;
    }
    if (!m_output || !m_loaded) {
        // Nothing to hear: the sound ends at once, but never inside play().
        postCompletion(m_generation);
        return;
    }
    placeLoadedSound();
}

namespace {

std::chrono::steady_clock::time_point momentAfter(std::chrono::steady_clock::time_point from, double seconds)
{
    return from + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

void AudioPlayer::placeLoadedSound()
{
    const auto now = std::chrono::steady_clock::now();
    awaitEnd(momentAfter(now, m_output->place(m_loaded, m_generation)));
}

void AudioPlayer::awaitEnd(std::chrono::steady_clock::time_point endAt)
{
    m_completionAt = endAt;
    m_deadline.start(m_completionAt);
    if (!m_watchdog.isActive())
        m_watchdog.start();
}

// A coming sound goes to the output while the one before it still plays (or is itself
// handed ahead), `gapMs` after its end on the output's own timeline. Only a sound ready
// now is handed over: one with a problem, or still to be decoded, waits for its moment,
// where it is told or placed.
bool AudioPlayer::handAhead(const QString &path, int gapMs)
{
    if (!m_output || outputLost() || !m_output->hasTimeline() || m_shutDown || m_decoding || m_sounds.isDecoding())
        return false;
    const DecodedSounds::Found found = m_sounds.find(path);
    if (!found.samples) {
        if (found.decoding)
            m_sounds.abandon();
        return false;
    }
    const quint64 generation = ++m_issued;
    const auto now = std::chrono::steady_clock::now();
    const double secondsToEnd = m_output->placeAfter(found.samples, generation, gapMs);
    m_ahead.push_back(Ahead{path, found.samples, generation, momentAfter(now, secondsToEnd)});
    m_idleTimer.stop();
    return true;
}

// The last handed first, so that the output's timeline steps back over each in turn.
void AudioPlayer::withdrawAhead()
{
    for (; !m_ahead.empty(); m_ahead.pop_back()) {
        if (m_output)
            m_output->cancel(m_ahead.back().generation);
    }
    m_takingUpAhead = false;
}

double AudioPlayer::loadedDurationMs() const
{
    if (!m_loaded || !m_output)
        return 0.0;
    return 1000.0 * static_cast<double>(m_loaded->size()) / m_output->channels() / m_output->rate();
}

// The end is told at its moment when the output has come that far; an output that
// started late or stalled is waited for.
void AudioPlayer::deadlineReached()
{
    if (!m_awaitingCompletion)
        return;
    if (!m_output || m_output->endReached(m_generation)) {
        deliverCompletion(m_generation);
        return;
    }
    m_deadline.start(std::chrono::steady_clock::now() + kLateEndPoll);
}

// While a sound is under way: an output that has stopped playing is waited for, and
// told; one lost, or stopped for good, is closed, so the sound ends and the next one
// tries again.
void AudioPlayer::watchOutput()
{
    if (!m_awaitingCompletion)
        return;
    const bool lost = !m_output || outputLost();
    const auto late = std::chrono::steady_clock::now() - m_completionAt;
    if (!lost && late > kStallTold && !m_stallTold) {
        m_stallTold = true;
        qWarning("The sound output stopped playing; the reading waits for it.");
        reportLateProblem(reading::SoundProblem{reading::SoundProblem::Kind::OutputStalled, QString(),
                                                QStringLiteral("le serveur de son ne joue plus les sons")});
    }
    if (!lost && late <= kLongestStall)
        return;
    qWarning("The sound output was %s; it is opened again at the next sound.", lost ? "lost" : "stalled");
    closeOutput();
    deliverCompletion(m_generation);
}

void AudioPlayer::postCompletion(quint64 generation)
{
    QMetaObject::invokeMethod(this, [this, generation] { deliverCompletion(generation); }, Qt::QueuedConnection);
}

// Nothing is looked at while no sound is awaited: a pause costs no wake-up.
void AudioPlayer::stopWaiting()
{
    m_awaitingCompletion = false;
    m_deadline.stop();
    m_watchdog.stop();
}

// GUI thread. The end of a sound closed since, or already told, is dropped.
void AudioPlayer::deliverCompletion(quint64 generation)
{
    if (generation != m_generation || !m_awaitingCompletion)
        return;
    stopWaiting();
    if (m_output) {
        if (m_ahead.empty())
            m_output->endTold();
        if (!m_held)
            m_idleTimer.start();
    }
    complete();
}

// A sound decoded in the background is placed as soon as its first piece is there.
void AudioPlayer::soundPlayable(std::shared_ptr<const AudioOutput::Samples> samples)
{
    m_loaded = std::move(samples);
    if (!endDecodingWait())
        return;
    if (m_output)
        placeLoadedSound();
    else
        postCompletion(m_generation);
}

// A decoding that failed after its sound was placed leaves silence for the rest, and
// the sound ends at its moment; one that failed before ends the sound at once.
void AudioPlayer::soundFailed(const QString &path, const QString &error)
{
    qWarning("Sound %s not played: %s", qUtf8Printable(path), qUtf8Printable(error));
    reportLateProblem(reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, error});
    if (m_decoding && endDecodingWait())
        postCompletion(m_generation);
}

// The player waits for the background decoding no more; returns whether a sound was
// waiting for it to be played.
bool AudioPlayer::endDecodingWait()
{
    const bool waiting = m_playWhenDecoded && m_awaitingCompletion;
    m_decoding = false;
    m_playWhenDecoded = false;
    return waiting;
}

} // namespace platform
