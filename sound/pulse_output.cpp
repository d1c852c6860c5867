// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/pulse_output.h"

#include <QtDebug>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <pulse/pulseaudio.h>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/resource.h>
#endif

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 2000;
// Beyond the sink's own latency, the time for a write to reach the server.
constexpr double kLeadMarginSeconds = 0.012;
constexpr double kSmallestLeadSeconds = 0.02;
constexpr double kLargestLeadSeconds = 0.2;
// A long sound is handed over this far ahead; the server asks for the rest in time.
constexpr double kWriteAheadSeconds = 2.0;
// The latency asked of the server: a sound written now is heard this soon.
constexpr double kTargetLatencySeconds = 0.025;
// The next sound is placed from the frame where the last one ended, whether its end was
// told on time or late (the stream started late or stalled, and was waited for): in the
// stream's own frames the gap is then exact, and never short. The server's clock is
// trusted instead only when the chain strays far from it (the output was reopened).
constexpr double kChainAgreementSeconds = 0.1;
// The server's interpolated position may lag a little at the end's moment; an output
// that started late or stalled lags more, and is waited for.
constexpr double kEndToleranceSeconds = 0.005;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void signalLoop(void *loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
}

QString serverReason(pa_context *context)
{
    return QStringLiteral("aucun serveur de son n'a pu être ouvert ; message du système : %1")
        .arg(QString::fromUtf8(pa_strerror(pa_context_errno(context))));
}

// The client thread hands each sound to the server: it takes the priority of the thread
// that makes it, raised a little so that busy cores do not hold a sound back past its
// frame. Where the system does not allow it, nothing changes.
bool startRaised(pa_threaded_mainloop *loop)
{
#ifdef Q_OS_LINUX
    constexpr int kClientNice = -10;
    errno = 0;
    const int previous = getpriority(PRIO_PROCESS, 0);
    const bool raised = errno == 0 && previous > kClientNice && setpriority(PRIO_PROCESS, 0, kClientNice) == 0;
    const bool started = pa_threaded_mainloop_start(loop) >= 0;
    if (raised)
        setpriority(PRIO_PROCESS, 0, previous);
    return started;
#else
    return pa_threaded_mainloop_start(loop) >= 0;
#endif
}

// The main loop's lock, for the GUI thread's calls.
class Locked
{
public:
    explicit Locked(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace

std::unique_ptr<PulseOutput> PulseOutput::open(QString &problem)
{
    std::unique_ptr<PulseOutput> output(new PulseOutput);
    if (!output->connect(problem))
        return nullptr;
    return output;
}

bool PulseOutput::connect(QString &problem)
{
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr || !startRaised(m_loop)) {
        problem = QStringLiteral("le serveur de son ne peut pas être joint");
        return false;
    }
    Locked locked(m_loop);
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "virod-idadidavir");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Virod idadidavir", properties);
    pa_proplist_free(properties);
    pa_context_set_state_callback(m_context, [](pa_context *context, void *self) {
        auto *output = static_cast<PulseOutput *>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            output->m_lost = true;
        signalLoop(output->m_loop);
    }, this);
    // No server is started on our behalf: without one, SDL's outputs are tried.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || !waitUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, kConnectTimeoutMs)) {
        problem = serverReason(m_context);
        return false;
    }

    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(kRate), static_cast<std::uint8_t>(kChannels)};
    m_stream = pa_stream_new(m_context, "Lecture de la correction", &spec, nullptr);
    pa_stream_set_state_callback(m_stream, [](pa_stream *stream, void *self) {
        auto *output = static_cast<PulseOutput *>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            output->m_lost = true;
        signalLoop(output->m_loop);
    }, this);
    pa_stream_set_write_callback(m_stream, [](pa_stream *, size_t, void *self) {
        static_cast<PulseOutput *>(self)->writeSome();
    }, this);
    // No pre-buffering: the stream plays silence where nothing is written, so its frames
    // keep pace with the server's clock and a sound can be written at any frame ahead.
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(kTargetLatencySeconds * 1e6), &spec));
    attributes.prebuf = 0;
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                                      | PA_STREAM_ADJUST_LATENCY);
    bool timed = false;
    if (pa_stream_connect_playback(m_stream, nullptr, &attributes, flags, nullptr, nullptr) < 0
        || !waitUntil([this] { return pa_stream_get_state(m_stream) == PA_STREAM_READY; }, kConnectTimeoutMs)) {
        problem = serverReason(m_context);
        return false;
    }
    struct TimingWait { PulseOutput *output; bool *done; } wait{this, &timed};
    pa_operation_unref(pa_stream_update_timing_info(m_stream, [](pa_stream *, int, void *data) {
        auto *timing = static_cast<TimingWait *>(data);
        *timing->done = true;
        signalLoop(timing->output->m_loop);
    }, &wait));
    if (!waitUntil([&timed] { return timed; }, kConnectTimeoutMs)) {
        problem = serverReason(m_context);
        return false;
    }
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    const double sinkSeconds = timing != nullptr ? (timing->sink_usec + timing->transport_usec) / 1e6 : 0.0;
    const double lead = std::clamp(sinkSeconds + kLeadMarginSeconds, kSmallestLeadSeconds, kLargestLeadSeconds);
    m_leadFrames = static_cast<std::int64_t>(std::llround(lead * kRate));
    return true;
}

// With the lock held. Waits for the server, at most `timeoutMs`.
bool PulseOutput::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const pa_usec_t deadline = pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * 1000;
    pa_time_event *wakeUp = pa_context_rttime_new(m_context, deadline, [](pa_mainloop_api *, pa_time_event *, const struct timeval *, void *loop) {
        signalLoop(loop);
    }, m_loop);
    bool reached = false;
    while (!(reached = done()) && !m_lost && pa_rtclock_now() < deadline)
        pa_threaded_mainloop_wait(m_loop);
    pa_threaded_mainloop_get_api(m_loop)->time_free(wakeUp);
    return reached;
}

PulseOutput::~PulseOutput()
{
    if (m_loop == nullptr)
        return;
    {
        // Nothing is drained: a sound still playing stops with the stream.
        Locked locked(m_loop);
        if (m_decoderWait != nullptr)
            pa_threaded_mainloop_get_api(m_loop)->time_free(m_decoderWait);
        if (m_stream != nullptr) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context != nullptr) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

// With the lock held: the frame heard now, on the stream's own count.
std::int64_t PulseOutput::heardFrame() const
{
    pa_usec_t usec = 0;
    if (pa_stream_get_time(m_stream, &usec) < 0)
        return 0;
    return static_cast<std::int64_t>(std::llround(static_cast<double>(usec) * kRate / 1e6));
}

// With the lock held: the first frame the server has not read yet (from its last timing
// report, moved on by the time since), and a margin for the write to reach it. What is
// written before it would lose its beginning.
std::int64_t PulseOutput::firstWritableFrame() const
{
    constexpr double kWriteMarginSeconds = 0.005;
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    if (timing == nullptr)
        return 0;
    const double age = timing->playing ? static_cast<double>(pa_timeval_age(&timing->timestamp)) / 1e6 : 0.0;
    const std::int64_t read = timing->read_index / (kChannels * static_cast<std::int64_t>(sizeof(float)));
    return read + std::llround((age + kWriteMarginSeconds) * kRate);
}

double PulseOutput::place(std::shared_ptr<const Samples> samples, std::uint64_t generation)
{
    Locked locked(m_loop);
    const double now = steadySeconds();
    const std::int64_t nominal = heardFrame() + m_leadFrames;
    std::int64_t start = nominal;
    if (m_chained) {
        const std::int64_t fromChain = m_chainFrame + std::llround((now - m_chainTold) * kRate);
        if (std::llabs(fromChain - nominal) <= std::llround(kChainAgreementSeconds * kRate))
            start = fromChain;
    }
    start = std::max({start, m_tailFrame, firstWritableFrame()});
    // A sound whose decoding fell behind the stream is cut where it is, so that it
    // cannot hold the next one back.
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [](const Pending &sound) { return !sound.samples->isWhole(); }),
                    m_pending.end());
    const auto frames = static_cast<std::int64_t>(samples->size()) / kChannels;
    m_pending.push_back(Pending{std::move(samples), start, 0, generation});
    m_tailFrame = start + frames;
    m_lastGeneration = generation;
    m_chained = false;
    writeSome();
    return static_cast<double>(m_tailFrame - nominal) / kRate;
}

// With the lock held: hands the server what it can hold of the sounds placed, as far as
// each has arrived from the decoder.
void PulseOutput::writeSome()
{
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    const auto aheadSamples = static_cast<std::size_t>(kWriteAheadSeconds * kRate) * kChannels;
    while (!m_pending.empty()) {
        Pending &sound = m_pending.front();
        const std::size_t arrived = sound.samples->ready();
        std::size_t left = arrived - sound.written;
        if (left == 0) {
            waitForDecoder();
            return;
        }
        std::size_t count = left;
        if (sound.written != 0 || left > aheadSamples) {
            const std::size_t writable = pa_stream_writable_size(m_stream);
            if (writable == static_cast<std::size_t>(-1))
                return;
            count = std::min(left, std::max(sound.written == 0 ? aheadSamples : 0, writable / sizeof(float)));
            count -= count % kChannels;
            if (count == 0)
                return;
        }
        const bool first = sound.written == 0;
        const std::int64_t offset = first ? sound.startFrame * kChannels * static_cast<std::int64_t>(sizeof(float)) : 0;
        if (pa_stream_write(m_stream, sound.samples->data() + sound.written, count * sizeof(float), nullptr, offset,
                            first ? PA_SEEK_ABSOLUTE : PA_SEEK_RELATIVE) < 0) {
            qWarning("The sound server refused a sound: %s", pa_strerror(pa_context_errno(m_context)));
            m_pending.pop_front();
            continue;
        }
        sound.written += count;
        if (sound.written < sound.samples->size())
            return;
        m_pending.pop_front();
    }
}

// With the lock held: the server asks for a sound's next samples only once, so while
// the decoder has not brought them yet, they are looked for again shortly.
void PulseOutput::waitForDecoder()
{
    constexpr pa_usec_t kDecoderWaitUsec = 10000;
    if (m_decoderWait != nullptr)
        return;
    m_decoderWait = pa_context_rttime_new(m_context, pa_rtclock_now() + kDecoderWaitUsec,
                                          [](pa_mainloop_api *api, pa_time_event *event, const struct timeval *, void *self) {
                                              auto *output = static_cast<PulseOutput *>(self);
                                              api->time_free(event);
                                              output->m_decoderWait = nullptr;
                                              output->writeSome();
                                          }, this);
}

void PulseOutput::cancel(std::uint64_t generation)
{
    Locked locked(m_loop);
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [generation](const Pending &sound) { return sound.generation == generation; }),
                    m_pending.end());
    if (generation == m_lastGeneration && heardFrame() < m_tailFrame) {
        // What the server holds of it goes too; the stream plays on, silent.
        pa_operation *flushed = pa_stream_flush(m_stream, nullptr, nullptr);
        if (flushed != nullptr)
            pa_operation_unref(flushed);
        m_tailFrame = 0;
    }
    m_chained = false;
}

bool PulseOutput::endReached(std::uint64_t generation)
{
    Locked locked(m_loop);
    if (generation != m_lastGeneration || m_lost)
        return true;
    const auto tolerance = static_cast<std::int64_t>(kEndToleranceSeconds * kRate);
    return heardFrame() + m_leadFrames + tolerance >= m_tailFrame;
}

void PulseOutput::endTold(bool onTime)
{
    Locked locked(m_loop);
    Q_UNUSED(onTime);
    m_chained = true;
    m_chainFrame = m_tailFrame;
    m_chainTold = steadySeconds();
}

} // namespace platform
