// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/pulse_output.h"

#include "sound/thread_priority.h"

#include <QtDebug>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <pulse/pulseaudio.h>
#include <vector>


namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 2000;
// Sounds are written this far ahead of what the server reads: far enough that busy cores
// never let the stream catch up with a long sound, near enough for the server's buffer.
constexpr double kWriteAheadSeconds = 2.0;
// How often the server's position is asked for while sounds are under way.
constexpr pa_usec_t kLookEveryUsec = 100000;
// What a server has played is not guessed further than this beyond its last report.
constexpr double kLongestGuessSeconds = 0.3;
// The latency asked of the server: a sound written now is heard this soon.
constexpr double kTargetLatencySeconds = 0.025;
// A write made now reaches the server within this, while the stream runs.
constexpr double kWriteMarginSeconds = 0.005;
// The server's position may lag a little at the end's moment; more is waited for.
constexpr double kEndToleranceSeconds = 0.005;
// Rest this long after the last frame is heard: a sound's end may still be in a PipeWire quantum.
constexpr double kRestAfterHeardSeconds = 0.1;
// Silence written after the last sound (and in every gap): PipeWire plays, in frames never
// written, whatever its ring buffer held there a lap before.
constexpr double kSilenceAfterSeconds = 0.5;

void signalLoop(void *loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
}

QString serverReason(pa_context *context)
{
    return QStringLiteral("aucun serveur de son n'a pu être ouvert ; message du système : %1")
        .arg(QString::fromUtf8(context != nullptr ? pa_strerror(pa_context_errno(context)) : "?"));
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
    if (!startLoop()) {
        problem = QStringLiteral("le serveur de son ne peut pas être joint");
        return false;
    }
    Locked locked(m_loop);
    if (!connectContext() || !connectStream() || !waitForTiming()) {
        problem = serverReason(m_context);
        return false;
    }
    return true;
}

bool PulseOutput::startLoop()
{
    m_loop = pa_threaded_mainloop_new();
    return m_loop != nullptr && startRaised([this] { return pa_threaded_mainloop_start(m_loop) >= 0; });
}

// The connection to a server already running (none is started for us: without one,
// SDL's outputs are tried).
bool PulseOutput::connectContext()
{
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "virod-idadidavir");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Virod idadidavir", properties);
    pa_proplist_free(properties);
    if (m_context == nullptr)
        return false;
    pa_context_set_state_callback(m_context, [](pa_context *context, void *self) {
        auto *output = static_cast<PulseOutput *>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            output->m_lost = true;
        signalLoop(output->m_loop);
    }, this);
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0
        && waitUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, kConnectTimeoutMs);
}

// The playback stream, corked until the first sound. No pre-buffering: once uncorked its
// frames keep pace with the server's clock and a sound can be written at any frame ahead.
bool PulseOutput::connectStream()
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(kRate), static_cast<std::uint8_t>(kChannels)};
    m_stream = pa_stream_new(m_context, "Lecture de la correction", &spec, nullptr);
    if (m_stream == nullptr)
        return false;
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
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(kTargetLatencySeconds * 1e6), &spec));
    attributes.prebuf = 0;
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                                      | PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    return pa_stream_connect_playback(m_stream, nullptr, &attributes, flags, nullptr, nullptr) >= 0
        && waitUntil([this] { return pa_stream_get_state(m_stream) == PA_STREAM_READY; }, kConnectTimeoutMs);
}

// The server's first timing report, from which frames are placed.
bool PulseOutput::waitForTiming()
{
    bool timed = false;
    struct TimingWait { PulseOutput *output; bool *done; } wait{this, &timed};
    pa_operation *update = pa_stream_update_timing_info(m_stream, [](pa_stream *, int, void *data) {
        auto *timing = static_cast<TimingWait *>(data);
        *timing->done = true;
        signalLoop(timing->output->m_loop);
    }, &wait);
    if (update == nullptr)
        return false;
    const bool reached = waitUntil([&timed] { return timed; }, kConnectTimeoutMs);
    if (!reached)
        pa_operation_cancel(update);
    pa_operation_unref(update);
    return reached;
}

// Waits for the server, at most `timeoutMs`.
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
        if (m_lookAgain != nullptr)
            pa_threaded_mainloop_get_api(m_loop)->time_free(m_lookAgain);
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

// The frame the server reads now: its last timing report moved on by the time since while
// the stream runs. The report's "playing" is not trusted: an empty stream is "not playing"
// while it reads on, and a position frozen there has sounds written where it has read.
std::int64_t PulseOutput::readFrame() const
{
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    if (timing == nullptr)
        return 0;
    const std::int64_t read = timing->read_index / (kChannels * static_cast<std::int64_t>(sizeof(float)));
    // Since the report, the stream ran except while it was corked.
    const double reportAge = static_cast<double>(pa_timeval_age(&timing->timestamp)) / 1e6;
    const pa_usec_t now = pa_rtclock_now();
    const double corkedAgo = static_cast<double>(now - m_corkedAt) / 1e6;
    const double uncorkedAgo = m_corked ? 0.0 : static_cast<double>(now - m_uncorkedAt) / 1e6;
    const double corkedSinceReport = std::max(0.0, std::min(reportAge, corkedAgo) - uncorkedAgo);
    return read + std::llround((reportAge - corkedSinceReport) * kRate);
}

// The frame heard now: what the server has read, less what its sink still holds. Never
// guessed far beyond the server's last report: a stopped server or sink holds the reading.
std::int64_t PulseOutput::heardFrame() const
{
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    if (timing == nullptr)
        return 0;
    const double sinkSeconds = !m_corked ? static_cast<double>(timing->sink_usec) / 1e6 : 0.0;
    const std::int64_t reported = timing->read_index / (kChannels * static_cast<std::int64_t>(sizeof(float)));
    const std::int64_t guessed = std::min<std::int64_t>(readFrame(), reported + std::llround(kLongestGuessSeconds * kRate));
    return guessed - std::llround(sinkSeconds * kRate);
}

// The first frame a write made now can still reach before the server reads it.
std::int64_t PulseOutput::firstWritableFrame() const
{
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    const double sinkSeconds = timing != nullptr && m_uncorkedAt == 0 ? static_cast<double>(timing->sink_usec) / 1e6 : 0.0;
    return readFrame() + std::llround((kWriteMarginSeconds + sinkSeconds) * kRate);
}

double PulseOutput::place(std::shared_ptr<const Samples> samples, std::uint64_t generation)
{
    Locked locked(m_loop);
    const auto frames = static_cast<std::int64_t>(samples->size()) / kChannels;
    return hand(m_timeline.placeFirst(frames, generation, firstWritableFrame()), std::move(samples));
}

double PulseOutput::placeAfter(std::shared_ptr<const Samples> samples, std::uint64_t generation, int gapMs)
{
    Locked locked(m_loop);
    const auto frames = static_cast<std::int64_t>(samples->size()) / kChannels;
    const std::int64_t gap = static_cast<std::int64_t>(gapMs) * kRate / 1000;
    return hand(m_timeline.placeAfter(frames, generation, gap, firstWritableFrame()), std::move(samples));
}

// The sound goes to the server as far as it can, the stream runs, and the seconds from
// now to the sound's end are returned.
double PulseOutput::hand(const SoundTimeline::Placed &placed, std::shared_ptr<const Samples> samples)
{
    m_timeline.forgetHeard(heardFrame());
    m_pending.push_back(Pending{std::move(samples), placed.start, 0, placed.generation});
    m_restWanted = false;
    writeSome();
    setCorked(false);
    lookAgainSoon();
    return std::max(0.0, static_cast<double>(placed.end - heardFrame()) / kRate);
}

// Hands the server the sounds placed, in order, each from the moment it comes within the
// write-ahead and as far as it has arrived; what is left is looked at again shortly.
void PulseOutput::writeSome()
{
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    const std::int64_t limit = firstWritableFrame() + static_cast<std::int64_t>(kWriteAheadSeconds * kRate);
    while (!m_pending.empty()) {
        Pending &sound = m_pending.front();
        const std::int64_t from = sound.startFrame + static_cast<std::int64_t>(sound.written) / kChannels;
        const std::size_t arrived = sound.samples->ready();
        std::size_t count = std::min(arrived - sound.written,
                                     static_cast<std::size_t>(std::max<std::int64_t>(limit - from, 0)) * kChannels);
        if (count > 0 && from > m_writtenEnd)
            silence(std::max(m_writtenEnd, firstWritableFrame()), from);
        if (count > 0 && !writeAt(from, sound.samples->data() + sound.written, count)) {
            qWarning("The sound server refused a sound: %s", pa_strerror(pa_context_errno(m_context)));
            m_pending.pop_front();
            continue;
        }
        sound.written += count;
        if (sound.written < sound.samples->size())
            return;
        m_pending.pop_front();
    }
    const std::int64_t silenceEnd = m_timeline.lastEnd() + static_cast<std::int64_t>(kSilenceAfterSeconds * kRate);
    if (m_writtenEnd >= m_timeline.lastEnd() && m_writtenEnd < silenceEnd)
        silence(m_writtenEnd, silenceEnd);
}

// Writes at an absolute frame, replacing what the server held there.
bool PulseOutput::writeAt(std::int64_t frame, const float *samples, std::size_t count)
{
    const std::int64_t offset = frame * kChannels * static_cast<std::int64_t>(sizeof(float));
    m_writtenEnd = frame + static_cast<std::int64_t>(count) / kChannels;
    return pa_stream_write(m_stream, samples, count * sizeof(float), nullptr, offset, PA_SEEK_ABSOLUTE) >= 0;
}

// Frames [from, to) are made silent again.
void PulseOutput::silence(std::int64_t from, std::int64_t to)
{
    constexpr std::int64_t kChunkFrames = 4096;
    static const std::vector<float> zeros(kChunkFrames * kChannels, 0.0f);
    for (std::int64_t frame = from; frame < to; frame += kChunkFrames)
        writeAt(frame, zeros.data(), static_cast<std::size_t>(std::min(kChunkFrames, to - frame)) * kChannels);
}

// While sounds are under way the server's position is asked for often, so that a server
// or sink that stops is seen within a fraction of a second; what is left is written then.
void PulseOutput::lookAgainSoon()
{
    if (m_lookAgain != nullptr)
        return;
    m_lookAgain = pa_context_rttime_new(m_context, pa_rtclock_now() + kLookEveryUsec,
                                        [](pa_mainloop_api *api, pa_time_event *event, const struct timeval *, void *self) {
                                            auto *output = static_cast<PulseOutput *>(self);
                                            api->time_free(event);
                                            output->m_lookAgain = nullptr;
                                            output->lookAgain();
                                        }, this);
}

void PulseOutput::lookAgain()
{
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    if (m_restWanted)
        restIfAllHeard();
    if (!m_pending.empty() || heardFrame() < m_timeline.lastEnd() || (m_restWanted && !m_corked)) {
        pa_operation *update = pa_stream_update_timing_info(m_stream, nullptr, nullptr);
        if (update != nullptr)
            pa_operation_unref(update);
        writeSome();
        lookAgainSoon();
    }
}

// The stream rests once all it holds has been heard.
void PulseOutput::restIfAllHeard()
{
    const auto afterHeard = static_cast<std::int64_t>(kRestAfterHeardSeconds * kRate);
    if (m_pending.empty() && heardFrame() >= m_timeline.lastEnd() + afterHeard)
        setCorked(true);
}

void PulseOutput::setCorked(bool corked)
{
    if (corked == m_corked || m_stream == nullptr)
        return;
    m_corked = corked;
    (corked ? m_corkedAt : m_uncorkedAt) = pa_rtclock_now();
    pa_operation *operation = pa_stream_cork(m_stream, corked ? 1 : 0, nullptr, nullptr);
    if (operation != nullptr)
        pa_operation_unref(operation);
}

void PulseOutput::cancel(std::uint64_t generation)
{
    Locked locked(m_loop);
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [generation](const Pending &sound) { return sound.generation == generation; });
    const std::optional<SoundTimeline::Placed> placed = m_timeline.withdraw(generation);
    if (!placed)
        return;
    // What the server holds of it, and has not played yet, goes silent.
    std::int64_t writtenEnd = placed->end;
    if (pending != m_pending.end()) {
        writtenEnd = pending->startFrame + static_cast<std::int64_t>(pending->written) / kChannels;
        m_pending.erase(pending);
    }
    silence(std::max(placed->start, firstWritableFrame()), writtenEnd);
}

bool PulseOutput::endReached(std::uint64_t generation)
{
    Locked locked(m_loop);
    const std::optional<SoundTimeline::Placed> placed = m_timeline.find(generation);
    if (!placed || m_lost)
        return true;
    const auto tolerance = static_cast<std::int64_t>(kEndToleranceSeconds * kRate);
    return heardFrame() + tolerance >= placed->end;
}

// Nothing more to play: the stream rests until the next sound.
void PulseOutput::endTold()
{
    Locked locked(m_loop);
    m_restWanted = true;
    restIfAllHeard();
    lookAgainSoon();
}

} // namespace platform
