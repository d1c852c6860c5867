// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/audio_output.h"

#include <atomic>
#include <deque>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

namespace platform {

// A playback stream on the PulseAudio (or PipeWire) sound server.
//
// The stream runs from the moment it is opened, playing silence where nothing is
// written, so its frames follow the server's clock. Each sound is written whole at the
// absolute frame where it is to be heard, and the server holds it: no thread of ours
// has to feed the stream in time, and busy cores cannot starve it (a long sound goes
// two seconds ahead, the rest as the server asks for it). What is heard now
// comes from the server's own timing information (read index and sink latency,
// interpolated between updates), so each end is known to the frame.
class PulseOutput : public AudioOutput
{
public:
    static std::unique_ptr<PulseOutput> open(QString &problem);
    ~PulseOutput() override;

    int rate() const override { return kRate; }
    int channels() const override { return kChannels; }
    bool isLost() const override { return m_lost.load(); }
    bool isSteady() const override { return !isLost(); }
    double place(std::shared_ptr<const Samples> samples, std::uint64_t generation) override;
    void cancel(std::uint64_t generation) override;
    bool endReached(std::uint64_t generation) override;
    void endTold(bool onTime) override;

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
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    std::int64_t heardFrame() const;
    std::int64_t firstWritableFrame() const;
    void writeSome();
    void waitForDecoder();

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::atomic<bool> m_lost{false};
    pa_time_event *m_decoderWait = nullptr;

    // Under the main loop's lock.
    std::deque<Pending> m_pending;
    std::int64_t m_leadFrames = 0;
    std::int64_t m_tailFrame = 0; // end of the sound placed last
    std::uint64_t m_lastGeneration = 0;
    bool m_chained = false;
    std::int64_t m_chainFrame = 0;  // where the last sound ended
    double m_chainTold = 0.0;       // when its end was told, on the steady clock
};

} // namespace platform
