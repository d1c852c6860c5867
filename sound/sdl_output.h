// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/audio_output.h"
#include "sound/output_schedule.h"

#include <SDL.h>

namespace platform {

// An SDL2 output device, for systems without a sound server that speaks PulseAudio's
// protocol. SDL pulls each device buffer from its own thread; the buffers are mixed
// from the sounds placed in the stream (see OutputSchedule), each at its exact frame.
class SdlOutput : public AudioOutput
{
public:
    // 23 ms: small, for a short path to the speaker; sounds are placed two buffers
    // ahead of what the device may have written.
    static constexpr int kBufferFrames = 1024;

    static std::unique_ptr<SdlOutput> open(QString &problem);
    // At exit: SDL goes without waiting for a device that is still closing.
    static void shutDown();
    ~SdlOutput() override;

    int rate() const override { return m_spec.freq; }
    int channels() const override { return m_spec.channels; }
    bool isLost() const override;
    bool isSteady() const override;
    double place(std::shared_ptr<const Samples> samples, std::uint64_t generation) override;
    void cancel(std::uint64_t generation) override;
    bool endReached(std::uint64_t generation) override;
    void endTold() override;

private:
    SdlOutput() = default;
    static void SDLCALL fillAudio(void *userdata, Uint8 *stream, int length);

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_spec{};
    std::unique_ptr<OutputSchedule> m_schedule; // under the device lock
    bool m_placedSteady = false;
    double m_endAt = 0.0;
    bool m_endLate = false; // the device had not come to the end at its moment
};

} // namespace platform
