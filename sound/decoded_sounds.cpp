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

// Where a decoding thread leaves its result: to the cache while it lives, else nowhere.
struct DecodedSounds::Mailbox
{
    std::mutex mutex;
    DecodedSounds *receiver = nullptr;
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
        Samples samples;
        QString error;
        m_module->decodeWav(path, m_rate, m_channels, nullptr, samples, error);
        if (!error.isEmpty())
            return Found{nullptr, false, error};
        return Found{remember(path, stamp, std::move(samples)), false, {}};
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
    std::thread([module, rate, channels, job, mailbox = m_mailbox] {
        auto samples = std::make_shared<Samples>();
        QString error;
        module->decodeWav(job->path, rate, channels, &job->cancel, *samples, error);
        const std::lock_guard<std::mutex> lock(mailbox->mutex);
        if (mailbox->receiver == nullptr || job->cancel)
            return;
        DecodedSounds *receiver = mailbox->receiver;
        QMetaObject::invokeMethod(receiver, [receiver, job, samples, error] {
            receiver->backgroundDone(job, std::move(*samples), error);
        }, Qt::QueuedConnection);
    }).detach();
}

void DecodedSounds::backgroundDone(const std::shared_ptr<Job> &job, Samples &&samples, const QString &error)
{
    if (job != m_job)
        return; // no longer wanted
    m_job.reset();
    std::shared_ptr<const Samples> kept;
    // Stamped as it was when decoding began: a file changed since is decoded again next time.
    if (error.isEmpty())
        kept = remember(job->path, job->stamp, std::move(samples));
    if (m_onDecoded)
        m_onDecoded(job->path, kept, error);
}

// Decoded sounds are kept while they stay within a bound; past it the cache starts afresh.
std::shared_ptr<const DecodedSounds::Samples> DecodedSounds::remember(const QString &path, const FileStamp &stamp,
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

void DecodedSounds::forget(const QString &path)
{
    const auto cached = m_cache.constFind(path);
    if (cached == m_cache.constEnd())
        return;
    m_cacheBytes -= static_cast<qint64>(cached->samples->size() * sizeof(float));
    m_cache.erase(cached);
}

} // namespace platform
