// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/file_stamp.h"
#include "sound/audio_output.h"

#include <QHash>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

namespace platform {

// The decoded sounds, kept in the output's format while they stay within a bound, and
// the decoding of large files on a thread of their own.
//
// A large file is decoded away from the GUI thread so that the window never waits for
// it, and is playable as soon as its first piece is decoded: a sound of a few minutes
// starts on time, the rest arriving far faster than it is heard. Only the latest one is
// wanted, and a decoding no longer wanted (another sound opened, the program quitting)
// is abandoned: nothing ever waits for it to finish.
class DecodedSounds : public QObject
{
    Q_OBJECT

public:
    using Samples = AudioOutput::Samples;
    using PlayableHandler = std::function<void(const QString &path, std::shared_ptr<const Samples> samples)>;
    using FailedHandler = std::function<void(const QString &path, const QString &error)>;

    // Smaller files are decoded here (a few milliseconds' work).
    static constexpr qint64 kDecodeHereBytes = 1024 * 1024;
    static constexpr qint64 kHeaderBytes = 4096;
    // A sound decoded in the background is playable once this much of it is there.
    static constexpr double kPlayableSeconds = 0.5;
    static constexpr qint64 kLargestCacheBytes = 256LL * 1024 * 1024;

    explicit DecodedSounds(QObject *parent = nullptr);
    ~DecodedSounds() override;

    void setModule(const SoundModule *module) { m_module = module; }
    // Sounds are decoded at the output's rate and channel count; a change empties the cache.
    void setFormat(int rate, int channels);
    // Every file is looked at again (the next Read).
    void lookAgain() { m_lookedAgainAt = std::chrono::steady_clock::now(); }
    // A sound being decoded in the background: its first piece is there (the rest follows
    // within the sound), or the decoding failed (before or after it was playable).
    void setPlayableHandler(PlayableHandler handler) { m_onPlayable = std::move(handler); }
    void setFailedHandler(FailedHandler handler) { m_onFailed = std::move(handler); }

    struct Found
    {
        std::shared_ptr<const Samples> samples; // ready now
        bool decoding = false;                  // told later through the playable or failed handler
        QString reason;                         // French, when the file cannot be used
    };
    Found find(const QString &path);
    // The sound being decoded is no longer wanted.
    void abandon();
    bool isDecoding() const { return m_job != nullptr; }

private:
    struct CachedSound
    {
        FileStamp stamp;
        std::chrono::steady_clock::time_point checked; // when the file was last found so
        std::shared_ptr<const Samples> samples;
    };
    struct Job;
    struct Mailbox;
    class ArrivingSink;

    void decodeInBackground(const QString &path, const FileStamp &stamp);
    void backgroundPlayable(const std::shared_ptr<Job> &job, const std::shared_ptr<const Samples> &samples);
    void backgroundDone(const std::shared_ptr<Job> &job, const std::shared_ptr<const Samples> &samples,
                        const QString &error);
    void remember(const QString &path, const FileStamp &stamp, const std::shared_ptr<const Samples> &samples);
    void forget(const QString &path);

    const SoundModule *m_module = nullptr;
    int m_rate = 0;
    int m_channels = 0;
    QHash<QString, CachedSound> m_cache;
    qint64 m_cacheBytes = 0;
    std::chrono::steady_clock::time_point m_lookedAgainAt;
    std::shared_ptr<Job> m_job;
    std::shared_ptr<Mailbox> m_mailbox;
    PlayableHandler m_onPlayable;
    FailedHandler m_onFailed;
};

} // namespace platform
