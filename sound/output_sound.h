// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace platform {

// A sound in the output's format: interleaved float samples at the output's rate and
// channel count.
//
// A long sound is played while it is still being decoded, so that it starts as soon as
// its first piece is there rather than after the whole file: its length is known from
// the start, its samples arrive in order from the decoding thread, and only the first
// ready() of them may be read. An output plays silence for samples that have not
// arrived in time (the decoder runs far faster than the sound, so that is rare).
class OutputSound
{
public:
    // A sound whole from the start.
    explicit OutputSound(std::vector<float> samples)
        : m_whole(std::move(samples)), m_data(m_whole.data()), m_size(m_whole.size()), m_written(m_size), m_ready(m_size)
    {
    }
    // A sound of `size` samples that arrive later (see append and finish).
    explicit OutputSound(std::size_t size)
        : m_arriving(zeroed(size)), m_data(m_arriving.get()), m_size(size)
    {
    }

    OutputSound(const OutputSound &) = delete;
    OutputSound &operator=(const OutputSound &) = delete;

    std::size_t size() const { return m_size; }
    const float *data() const { return m_data; }
    std::size_t ready() const { return m_ready.load(std::memory_order_acquire); }
    bool isWhole() const { return ready() == m_size; }

    // The decoding thread's side. Adds samples after those already there (what goes
    // beyond the sound's length is dropped).
    void append(const float *samples, std::size_t count)
    {
        count = std::min(count, m_size - m_written);
        std::copy(samples, samples + count, m_data + m_written);
        m_written += count;
        m_ready.store(m_written, std::memory_order_release);
    }
    // The rest of the sound is silence: the decoding ended short, failed or was
    // abandoned, and no output must wait for it. That rest is zero already: an abandoned
    // sound of minutes is not written out when the program quits.
    void finish()
    {
        m_written = m_size;
        m_ready.store(m_size, std::memory_order_release);
    }

private:
    struct Free
    {
        void operator()(float *samples) const { std::free(samples); }
    };
    // Zero from the start at no cost for a long sound (fresh pages are zero), so that
    // each sample is written once, by the decoding thread, or never.
    static float *zeroed(std::size_t size)
    {
        auto *samples = static_cast<float *>(std::calloc(std::max<std::size_t>(size, 1), sizeof(float)));
        if (samples == nullptr)
            throw std::bad_alloc();
        return samples;
    }

    std::vector<float> m_whole;
    std::unique_ptr<float[], Free> m_arriving;
    float *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_written = 0; // the decoding thread's own count
    std::atomic<std::size_t> m_ready{0};
};

} // namespace platform
