#pragma once

#include "reading/sound_player.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <SDL.h>
#include <memory>
#include <vector>

namespace platform {

// Plays WAV files on one SDL2 output device, opened once and kept open.
//
// SDL decodes the WAV (PCM 8/16/24/32-bit, float, ADPCM, mu-law, A-law) and converts
// it to the device's format. The audio thread only copies samples; the end of a sound
// is posted to the GUI thread when its last sample has been handed to the device.
class SdlAudioPlayer : public QObject, public reading::SoundPlayer
{
    Q_OBJECT

public:
    // Small device buffers keep the end of a sound close to what is heard.
    static constexpr int kBufferFrames = 256;
    // A device that stops consuming (its sound server gone) still ends the sound.
    static constexpr int kWatchdogMarginMs = 500;

    explicit SdlAudioPlayer(QObject *parent = nullptr);
    ~SdlAudioPlayer() override;

    std::optional<reading::SoundProblem> prepare() override;
    void close() override;
    std::optional<reading::SoundProblem> open(const QString &path) override;
    void play() override;

    bool hasOutput() const { return m_device != 0; }
    int outputRate() const { return m_spec.freq; }
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

    static void SDLCALL fillAudio(void *userdata, Uint8 *stream, int length);
    void fill(float *out, int count);
    void deliverCompletion(quint64 generation);
    void postCompletion(quint64 generation);
    std::shared_ptr<const Samples> load(const QString &path, QString &reason);
    std::shared_ptr<const Samples> decode(const QString &path, QString &reason) const;

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_spec{};
    bool m_audioInitialised = false;
    QString m_outputProblem;

    std::shared_ptr<const Samples> m_loaded;
    QHash<QString, CachedSound> m_cache;
    QTimer m_watchdog;
    bool m_awaitingCompletion = false;

    // Shared with the audio thread; written under the device lock.
    std::shared_ptr<const Samples> m_playing;
    size_t m_playPosition = 0;
    bool m_handedOver = true;
    quint64 m_generation = 0;
};

} // namespace platform
