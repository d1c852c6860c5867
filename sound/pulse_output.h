// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/audio_output.h"
#include "sound/sound_timeline.h"

#include <atomic>
#include <deque>
#include <functional>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

namespace platform {

// A playback stream on the PulseAudio (or PipeWire) sound server.
//
// Each sound is written at the absolute frame of the stream where it is to be heard
// (see SoundTimeline), and the server holds it: a sound that follows another is handed
// over while the one before still plays, so no thread of ours has to wake at any moment
// for the gap to be exact, and busy cores cannot starve the stream (a long sound goes
// a few seconds ahead, the rest as the server asks for it).
//
// With nothing to play the stream is corked, so silence costs neither the server nor
// us any wake-up; the next sound is written at the frame where the stream stopped, then
// the stream is uncorked, and the sound is heard as soon as the server can play it.
class PulseOutput : public AudioOutput
{
public:
    static std::unique_ptr<PulseOutput> open(QString &problem);
    ~PulseOutput() override;

    int rate() const override { return kRate; }
    int channels() const override { return kChannels; }
    bool isLost() const override { return m_lost.load(); }
    bool isSteady() const override { return !isLost(); }
    bool hasTimeline() const override { return true; }
    double place(std::shared_ptr<const Samples> samples, std::uint64_t generation) override;
    double placeAfter(std::shared_ptr<const Samples> samples, std::uint64_t generation, int gapMs) override;
    void cancel(std::uint64_t generation) override;
    bool endReached(std::uint64_t generation) override;
    void endTold() override;

private:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    struct Pending
    {
        std::shared_ptr<const Samples> samples;
        std::int64_t startFrame = 0;
        std::size_t written = 0; // samples already handed to the server
        std::uint64_t generation = 0;
    };

    PulseOutput() = default;
    bool connect(QString &problem);
    bool startLoop();
    // The steps below run with the main loop's lock held.
    bool connectContext();
    bool connectStream();
    bool waitForTiming();
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);

    double hand(const SoundTimeline::Placed &placed, std::shared_ptr<const Samples> samples);
    std::int64_t readFrame() const;
    std::int64_t heardFrame() const;
    std::int64_t firstWritableFrame() const;
    void writeSome();
    bool writeAt(std::int64_t frame, const float *samples, std::size_t count);
    void silence(std::int64_t from, std::int64_t to);
    void lookAgainSoon();
    void lookAgain();
    void setCorked(bool corked);
    void restIfAllHeard();

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::atomic<bool> m_lost{false};
    pa_time_event *m_lookAgain = nullptr;

    // Under the main loop's lock.
    SoundTimeline m_timeline;
    std::deque<Pending> m_pending;
    // Where the last write ended: the server holds nothing written beyond it.
    std::int64_t m_writtenEnd = 0;
    bool m_corked = true;
    bool m_restWanted = false; // nothing follows the last sound told
    // The last cork and uncork, on the server library's clock, in microseconds.
    std::uint64_t m_corkedAt = 0;
    std::uint64_t m_uncorkedAt = 0;
};

} // namespace platform
