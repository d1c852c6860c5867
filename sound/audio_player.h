// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/sound_player.h"
#include "sound/audio_output.h"
#include "sound/decoded_sounds.h"
#include "timing/precise_deadline.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <deque>
#include <optional>

namespace platform {

// Plays WAV files on the sound server (PulseAudio or PipeWire), or on an SDL2 device
// where there is none (see openPreferredOutput).
//
// Each sound is placed in the output to the frame, and its end is told on the GUI
// thread at its moment, and never before the output has come that far: an output that
// starts late or stalls holds the reading back instead of having sounds run over one
// another. On the sound server, the next sound is handed over while the one before still
// plays (handAhead), so its gap is exact whenever the GUI thread wakes; the play() that
// comes at its moment then only takes it up.
//
// The sound libraries are loaded when the first sound is wanted, and the output is
// opened a moment after the window shows, then at each Read. It is held for the whole
// reading (through delays, pauses and messages of any length) and closed a few seconds
// after the reading ends, so an idle program costs the sound server nothing and a sound
// server restarted in between is found again. An output lost during a reading is opened
// again at the next sound, once per Read.
class AudioPlayer : public QObject, public reading::SoundPlayer
{
    Q_OBJECT

public:
    static constexpr int kIdleCloseMs = 5000;
    static constexpr int kStartUpOpenMs = 300;

    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    std::optional<reading::SoundProblem> prepare() override;
    void release() override;
    void close() override;
    std::optional<reading::SoundProblem> open(const QString &path) override;
    void play() override;
    bool handAhead(const QString &path, int gapMs) override;
    void withdrawAhead() override;

    // At exit: stops everything at once; nothing is waited for.
    void shutDown();

    bool hasOutput() const { return m_output != nullptr; }
    // The output consumes in real time, so sounds are placed to the frame.
    bool isOutputSteady() const { return m_output && m_output->isSteady(); }
    // Length of the sound that open() loaded, in milliseconds.
    double loadedDurationMs() const;

private:
    bool openOutput();
    void closeOutput();
    bool outputLost() const { return m_output && m_output->isLost(); }
    void placeLoadedSound();
    void awaitEnd(std::chrono::steady_clock::time_point endAt);
    void deadlineReached();
    void watchOutput();
    void deliverCompletion(quint64 generation);
    void postCompletion(quint64 generation);
    void stopWaiting();
    void soundPlayable(std::shared_ptr<const AudioOutput::Samples> samples);
    void soundFailed(const QString &path, const QString &error);
    bool endDecodingWait();

    const SoundModule *m_module = nullptr;
    std::unique_ptr<AudioOutput> m_output;
    QString m_outputProblem;
    bool m_startedUp = false;    // the first prepare() comes from the window's load
    bool m_held = false;         // a reading is under way
    int m_previousPriority = 0;  // of the GUI thread, raised while a reading is under way
    bool m_reopenAllowed = true; // once per Read, after the output was lost
    bool m_idleClosed = false;   // closed for want of sounds, opened again at the next
    bool m_shutDown = false;
    bool m_stallTold = false;    // once per Read

    DecodedSounds m_sounds;
    std::shared_ptr<const AudioOutput::Samples> m_loaded;
    bool m_decoding = false;
    bool m_playWhenDecoded = false;

    PreciseDeadline m_deadline;
    QTimer m_watchdog;
    QTimer m_idleTimer;
    QTimer m_startUpTimer;
    quint64 m_generation = 0; // of the sound open now
    quint64 m_issued = 0;     // the last generation given out
    struct Ahead
    {
        QString path;
        std::shared_ptr<const AudioOutput::Samples> samples;
        quint64 generation = 0;
        std::chrono::steady_clock::time_point endAt;
    };
    std::deque<Ahead> m_ahead; // in the order they are to be heard
    bool m_takingUpAhead = false; // open() found the sound handed ahead
    bool m_awaitingCompletion = false;
    std::chrono::steady_clock::time_point m_completionAt;
};

} // namespace platform
