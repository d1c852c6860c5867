// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/file_stamp.h"
#include "sound/output_schedule.h"
#include "timing/precise_deadline.h"
#include "sound/wav_decoding.h"
#include "reading/sound_player.h"

#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <SDL.h>
#include <chrono>
#include <future>
#include <memory>
#include <vector>

namespace platform {

// Plays WAV files on an SDL2 output device.
//
// SDL decodes the WAV (PCM 8/16/24/32-bit, float, ADPCM, mu-law, A-law) and converts
// it to the device's format. Each sound is placed in the output stream to the frame
// (see OutputSchedule), and its end is told on the GUI thread at the moment of its last
// frame, and never before the device has taken that frame: a device that starts late
// or stalls holds the reading back instead of having sounds run over one another.
//
// The device is opened when sounds are wanted (at start-up and at each Read) and closed
// after a few seconds with nothing to play, so an idle program costs the sound server
// nothing and a sound server restarted in between is found again. A device lost during
// a reading is opened again at the next sound, once per Read.
class SdlAudioPlayer : public QObject, public reading::SoundPlayer
{
    Q_OBJECT

public:
    // 93 ms of margin, so busy cores do not starve the device; the pacing does not
    // depend on it (sounds are placed to the frame).
    static constexpr int kBufferFrames = 4096;
    static constexpr int kIdleCloseMs = 5000;
    // Larger sounds are decoded away from the GUI thread (a few milliseconds' work here).
    static constexpr qint64 kDecodeHereBytes = 1024 * 1024;
    static constexpr qint64 kHeaderBytes = 4096;
    static constexpr qint64 kLargestCacheBytes = 256LL * 1024 * 1024;

    explicit SdlAudioPlayer(QObject *parent = nullptr);
    ~SdlAudioPlayer() override;

    std::optional<reading::SoundProblem> prepare() override;
    void close() override;
    std::optional<reading::SoundProblem> open(const QString &path) override;
    void play() override;

    // At exit: stops everything and lets SDL go, waiting at most `limit` for a device
    // that has not started consuming (SDL waits for its stream to start).
    void shutDown(std::chrono::milliseconds limit);

    bool hasOutput() const { return m_device != 0; }
    // The device consumes the stream in real time, so sounds are placed to the frame.
    bool isOutputSteady() const;
    // Length of the sound that open() loaded, in milliseconds.
    double loadedDurationMs() const;

private:
    using Samples = OutputSchedule::Samples;

    struct CachedSound
    {
        FileStamp stamp;
        std::chrono::steady_clock::time_point checked; // when the file was last found so
        std::shared_ptr<const Samples> samples;
    };

    static void SDLCALL fillAudio(void *userdata, Uint8 *stream, int length);
    double wallNow() const;
    bool openOutput();
    bool isOutputLost() const;
    void closeOutput();
    void watchOutput();
    void endTaken(quint64 generation);
    void deadlineReached();
    void deliverCompletion(quint64 generation);
    void postCompletion(quint64 generation);
    void stopWaiting();
    void placeLoadedSound();
    bool startLoading(const QString &path, QString &reason);
    void backgroundDecodingDone(const QString &path, const FileStamp &stamp, quint64 request,
                                const std::shared_ptr<DecodedWav> &decoded);
    std::shared_ptr<const Samples> remember(const QString &path, const FileStamp &stamp, Samples &&samples);
    void forget(const QString &path);

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_spec{};
    QString m_outputProblem;
    bool m_reopenAllowed = true; // once per Read, after the device was lost
    bool m_idleClosed = false;   // closed for want of sounds, opened again at the next
    bool m_shutDown = false;
    // A device closes on a thread of its own: SDL waits for a stream that has not started.
    std::future<void> m_closing;

    const std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
    std::shared_ptr<const Samples> m_loaded;
    QHash<QString, CachedSound> m_cache;
    std::chrono::steady_clock::time_point m_preparedAt; // the last Read
    qint64 m_cacheBytes = 0;
    // Large sounds are decoded on a thread of their own; only the latest one is wanted.
    QThread m_decoderThread;
    QObject m_decoderContext;
    quint64 m_decodeSerial = 0;
    quint64 m_decodeWanted = 0;
    bool m_playWhenDecoded = false;

    PreciseDeadline m_deadline;
    QTimer m_watchdog;
    QTimer m_idleTimer;
    quint64 m_generation = 0;
    bool m_awaitingCompletion = false;
    double m_completionAt = 0.0;
    bool m_placedSteady = false;
    bool m_deadlinePassed = false;
    bool m_lastFrameTaken = false;

    // Shared with the audio thread; touched under the device lock only.
    std::unique_ptr<OutputSchedule> m_schedule;
    bool m_waitingForLastFrame = false; // the end's moment has passed, its last frame not taken
};

} // namespace platform
