// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/wav_header.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstddef>
#include <vector>

namespace platform {

struct DecodedWav
{
    std::vector<float> samples; // interleaved, at the target rate and channel count
    QString error;              // French reason when the file cannot be used
    bool ok() const { return error.isEmpty(); }
};

// Where decoded samples go, piece by piece, as they are converted: a long sound can be
// played from its first piece while the rest is decoded.
class DecodedSamplesSink
{
public:
    virtual ~DecodedSamplesSink() = default;
    // The sound's exact length in samples, told once, before any sample.
    virtual void begin(std::size_t size) = 0;
    virtual void append(const float *samples, std::size_t count) = 0;
};

// Decodes a WAV file to 32-bit float samples at `targetRate` and `targetChannels`,
// converted in bounded pieces and cut at the sound's exact length. A decoding whose
// `cancel` is set is abandoned at the next piece (the program is quitting, or the sound
// is no longer wanted). Returns the French reason when the file cannot be used; the sink
// may then have had part of the sound.
QString decodeWavTo(const QString &path, int targetRate, int targetChannels, const std::atomic<bool> *cancel,
                    DecodedSamplesSink &sink);

// The same, into one vector that holds no more than the sound.
DecodedWav decodeWav(const QString &path, int targetRate, int targetChannels,
                     const std::atomic<bool> *cancel = nullptr);
// The same for a file already in memory.
DecodedWav decodeWavData(const QByteArray &bytes, int targetRate, int targetChannels,
                         const std::atomic<bool> *cancel = nullptr);

} // namespace platform
