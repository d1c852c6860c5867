// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/decoded_sounds.h"

#include "sound/wav_decoding.h"

#include <QFile>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// A sound file found unchanged is trusted this long within a Read: very short sounds
// would otherwise cost a look at the file system each, and a file changed while reading
// is still heard within a second.
constexpr auto kTrustUnchanged = std::chrono::seconds(1);

} // namespace

struct DecodedSounds::Job
{
    QString path;
    FileStamp stamp;
    std::atomic<bool> cancel{false};
};

// Where a decoding thread leaves what it has: to the cache while it lives and still
// wants it, else nowhere.
struct DecodedSounds::Mailbox
{
    std::mutex mutex;
    DecodedSounds *receiver = nullptr;

    template<typename Delivery>
    void post(const std::shared_ptr<Job> &job, Delivery delivery)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (receiver == nullptr || job->cancel)
            return;
        DecodedSounds *to = receiver;
        QMetaObject::invokeMethod(to, [to, delivery] { delivery(to); }, Qt::QueuedConnection);
    }
};

// Lays the decoded samples into a sound as they come; with a mailbox, tells it once
// the sound is playable.
class DecodedSounds::ArrivingSink : public DecodedSamplesSink
{
public:
    ArrivingSink(std::size_t playableSamples, std::shared_ptr<Mailbox> mailbox = nullptr,
                 std::shared_ptr<Job> job = nullptr)
        : m_playableSamples(playableSamples), m_mailbox(std::move(mailbox)), m_job(std::move(job))
    {
    }

    void begin(std::size_t size) override { m_sound = std::make_shared<OutputSound>(size); }
    void append(const float *samples, std::size_t count) override
    {
        m_sound->append(samples, count);
        if (m_mailbox && !m_told && m_sound->ready() >= std::min(m_playableSamples, m_sound->size()))
            tellPlayable();
    }
    // The decoding ended: whatever it left out is silence, so no output waits for it.
    std::shared_ptr<const OutputSound> finish()
    {
        if (!m_sound)
            return nullptr;
        m_sound->finish();
        if (m_mailbox && !m_told)
            tellPlayable();
        return m_sound;
    }

private:
    void tellPlayable()
    {
        m_told = true;
        std::shared_ptr<const OutputSound> sound = m_sound;
        m_mailbox->post(m_job, [job = m_job, sound](DecodedSounds *to) { to->backgroundPlayable(job, sound); });
    }

    std::size_t m_playableSamples;
    std::shared_ptr<Mailbox> m_mailbox;
    std::shared_ptr<Job> m_job;
    std::shared_ptr<OutputSound> m_sound;
    bool m_told = false;
};

DecodedSounds::DecodedSounds(QObject *parent)
    : QObject(parent)
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->receiver = this;
}

DecodedSounds::~DecodedSounds()
{
    abandon();
    const std::lock_guard<std::mutex> lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
}

void DecodedSounds::setFormat(int rate, int channels)
{
    if (rate == m_rate && channels == m_channels)
        return;
    abandon();
    m_rate = rate;
    m_channels = channels;
    m_cache.clear();
    m_cacheBytes = 0;
}

void DecodedSounds::abandon()
{
    if (m_job)
        m_job->cancel = true;
    m_job.reset();
}

DecodedSounds::Found DecodedSounds::find(const QString &path)
{
    abandon();
    const auto now = std::chrono::steady_clock::now();
    const auto cached = m_cache.find(path);
    if (cached != m_cache.end() && cached->checked >= m_lookedAgainAt && now - cached->checked < kTrustUnchanged)
        return Found{cached->samples, false, {}};
    const FileStamp stamp = stampOf(path);
    if (stamp.kind == FileStamp::Kind::Missing)
        return Found{nullptr, false, QStringLiteral("le fichier n'existe pas")};
    if (stamp.kind != FileStamp::Kind::RegularFile)
        return Found{nullptr, false, QStringLiteral("ce n'est pas un fichier")};
    if (cached != m_cache.end() && cached->stamp == stamp) {
        cached->checked = now;
        return Found{cached->samples, false, {}};
    }
    forget(path);

    if (stamp.size <= kDecodeHereBytes) {
        ArrivingSink sink(0);
        const QString error = m_module->decodeWav(path, m_rate, m_channels, nullptr, sink);
        if (!error.isEmpty())
            return Found{nullptr, false, error};
        std::shared_ptr<const Samples> sound = sink.finish();
        remember(path, stamp, sound);
        return Found{sound, false, {}};
    }
    // What a large file's beginning already tells is refused at once.
    if (stamp.size > kMaxWavBytes)
        return Found{nullptr, false,
                     QStringLiteral("le fichier est trop gros (%1 Mo au plus)").arg(kMaxWavBytes / (1024 * 1024))};
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QString problem = m_module->wavFormatProblem(file.read(kHeaderBytes));
        if (!problem.isEmpty())
            return Found{nullptr, false, problem};
    }
    decodeInBackground(path, stamp);
    return Found{nullptr, true, {}};
}

void DecodedSounds::decodeInBackground(const QString &path, const FileStamp &stamp)
{
    auto job = std::make_shared<Job>();
    job->path = path;
    job->stamp = stamp;
    m_job = job;
    const SoundModule *module = m_module;
    const int rate = m_rate;
    const int channels = m_channels;
    const auto playableSamples = static_cast<std::size_t>(kPlayableSeconds * rate) * static_cast<std::size_t>(channels);
    std::thread([module, rate, channels, playableSamples, job, mailbox = m_mailbox] {
        ArrivingSink sink(playableSamples, mailbox, job);
        const QString error = module->decodeWav(job->path, rate, channels, &job->cancel, sink);
        std::shared_ptr<const OutputSound> sound = sink.finish();
        mailbox->post(job, [job, sound, error](DecodedSounds *to) { to->backgroundDone(job, sound, error); });
    }).detach();
}

void DecodedSounds::backgroundPlayable(const std::shared_ptr<Job> &job, const std::shared_ptr<const Samples> &samples)
{
    if (job == m_job && m_onPlayable)
        m_onPlayable(job->path, samples);
}

void DecodedSounds::backgroundDone(const std::shared_ptr<Job> &job, const std::shared_ptr<const Samples> &samples,
                                   const QString &error)
{
    if (job != m_job)
        return; // no longer wanted
    m_job.reset();
    if (!error.isEmpty()) {
        if (m_onFailed)
            m_onFailed(job->path, error);
        return;
    }
    // Stamped as it was when decoding began: a file changed since is decoded again next time.
    remember(job->path, job->stamp, samples);
}

// Decoded sounds are kept while they stay within a bound; past it the cache starts afresh.
void DecodedSounds::remember(const QString &path, const FileStamp &stamp, const std::shared_ptr<const Samples> &samples)
{
    const qint64 bytes = static_cast<qint64>(samples->size() * sizeof(float));
    if (m_cacheBytes + bytes > kLargestCacheBytes) {
        m_cache.clear();
        m_cacheBytes = 0;
    }
    m_cache.insert(path, CachedSound{stamp, std::chrono::steady_clock::now(), samples});
    m_cacheBytes += bytes;
}

void DecodedSounds::forget(const QString &path)
{
    const auto cached = m_cache.constFind(path);
    if (cached == m_cache.constEnd())
        return;
    m_cacheBytes -= static_cast<qint64>(cached->samples->size() * sizeof(float));
    m_cache.erase(cached);
}

} // namespace platform
