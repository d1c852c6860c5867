// SPDX-License-Identifier: GPL-3.0-or-later
#include "timed_recorder.h"

#include <algorithm>
#include <pulse/simple.h>

namespace testing_support {

TimedRecorder::~TimedRecorder()
{
    stop();
}

bool TimedRecorder::start()
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 1};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(kRate / 200 * sizeof(float)); // 5 ms
    int error = 0;
    pa_simple *connection = pa_simple_new(nullptr, "timed recorder", PA_STREAM_RECORD, "null.monitor", "monitor", &spec,
                                          nullptr, &attributes, &error);
    if (connection == nullptr)
        return false;
    m_stop = false;
    m_thread = std::thread([this, connection] { record(connection); });
    return true;
}

void TimedRecorder::record(void *opaque)
{
    auto *connection = static_cast<pa_simple *>(opaque);
    std::vector<float> block(kRate / 200);
    while (!m_stop) {
        int error = 0;
        if (pa_simple_read(connection, block.data(), block.size() * sizeof(float), &error) < 0)
            break;
        // The latency first, the moment after it: what arrives between the two calls only
        // adds to the latency, and a thread held up there (busy cores) would make every
        // moment early. Taken in this order, a late moment only ever comes out later.
        const double latency = static_cast<double>(pa_simple_get_latency(connection, &error)) / 1e6;
        const double readAt = now();
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.insert(m_samples.end(), block.begin(), block.end());
        // The last sample read was heard `latency` before the read returned; a read
        // that returned late only gives a later moment, so the smallest one holds.
        m_offset = std::min(m_offset, readAt - latency - static_cast<double>(m_samples.size()) / kRate);
    }
    pa_simple_free(connection);
}

Recording TimedRecorder::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    const std::lock_guard<std::mutex> lock(m_mutex);
    return Recording{kRate, m_samples};
}

double TimedRecorder::momentOf(long index) const
{
    return m_offset + static_cast<double>(index) / kRate;
}

} // namespace testing_support
