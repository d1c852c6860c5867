// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recording_analysis.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace testing_support {

// Records the test sound server's null sink monitor in this process, with each sample's
// moment on the steady clock (from the capture latency the server reports), so that
// "asked for at t, heard at t + x" can be measured.
class TimedRecorder
{
public:
    // How early a moment may come out: about a millisecond on PulseAudio, but PipeWire
    // hands a monitor a whole quantum at once (256 frames at 48 kHz on the test
    // services, 5.3 ms), and the quantum's last sample is taken as heard on arrival.
    static constexpr double kGrainMs = 6.0;

    ~TimedRecorder();
    bool start();
    Recording stop();
    // The moment sample `index` was heard, in seconds on the steady clock.
    double momentOf(long index) const;

    static double now()
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

private:
    static constexpr int kRate = 44100;
    void record(void *connection);

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<float> m_samples;
    double m_offset = 1e300; // moment of sample 0: the smallest seen over all reads
};

} // namespace testing_support
