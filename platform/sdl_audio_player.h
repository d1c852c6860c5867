#pragma once

#include "platform/stream_clock.h"
#include "reading/sound_player.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <SDL.h>
#include <chrono>
#include <memory>
#include <vector>

namespace platform {

// Plays WAV files on one SDL2 output device, opened once and kept open.
//
// SDL decodes the WAV (PCM 8/16/24/32-bit, float, ADPCM, mu-law, A-law) and converts
// it to the device's format. A sound is placed in the output stream at the frame that
// matches the moment play() was called, and its end is told on the GUI thread at the
// moment that matches its last frame (see StreamClock): the pacing is then exact to
// the frame, not rounded to the device's buffer. The audio thread only mixes samples.
class SdlAudioPlayer : public QObject, public reading::SoundPlayer
{
    Q_OBJECT

public:
    // Small device buffers keep the end of a sound close to what is heard.
    static constexpr int kBufferFrames = 256;

    explicit SdlAudioPlayer(QObject *parent = nullptr);
    ~SdlAudioPlayer() override;

    std::optional<reading::SoundProblem> prepare() override;
    void close() override;
    std::optional<reading::SoundProblem> open(const QString &path) override;
    void play() override;

    bool hasOutput() const { return m_device != 0; }
    // The device consumes the stream in real time, so sounds are placed to the frame.
    bool isOutputSteady() const;
    // Length of the sound that open() loaded, in milliseconds.
    double loadedDurationMs() const;

private:
    using Samples = std::vector<float>;

    struct CachedSound
    {
        QDateTime modified;
        qint64 size = 0;
        std::shared_ptr<const Samples> samples;
    };

    struct Scheduled
    {
        std::shared_ptr<const Samples> samples;
        std::int64_t startFrame = 0;
        quint64 generation = 0;
        bool begun = false;

        std::int64_t endFrame(int channels) const
        {
            return startFrame + static_cast<std::int64_t>(samples->size()) / channels;
        }
    };

    static void SDLCALL fillAudio(void *userdata, Uint8 *stream, int length);
    void fill(float *out, int count);
    double wallNow() const;
    std::int64_t leadFrames() const;
    std::int64_t placeSound(double now);
    void completeAtEndOfSound();
    void deliverCompletion(quint64 generation);
    void postCompletion(quint64 generation);
    std::shared_ptr<const Samples> load(const QString &path, QString &reason);
    std::shared_ptr<const Samples> decode(const QString &path, QString &reason) const;

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_spec{};
    bool m_audioInitialised = false;
    QString m_outputProblem;

    const std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
    std::shared_ptr<const Samples> m_loaded;
    QHash<QString, CachedSound> m_cache;
    QTimer m_completionTimer;
    double m_completionAt = 0.0;
    // Where the last sound ended and when that end was told: the next sound is placed
    // from there, so a change in the device's write-ahead cannot bend the gap.
    bool m_chained = false;
    std::int64_t m_lastEndFrame = 0;
    double m_lastCompletionAt = 0.0;
    quint64 m_generation = 0;
    bool m_awaitingCompletion = false;

    // Shared with the audio thread; touched under the device lock only.
    std::vector<Scheduled> m_scheduled;
    std::int64_t m_streamFrame = 0; // first frame of the next device buffer
    std::unique_ptr<StreamClock> m_clock;
};

} // namespace platform
