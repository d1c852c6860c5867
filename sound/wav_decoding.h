// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/wav_header.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <vector>

namespace platform {

struct DecodedWav
{
    std::vector<float> samples; // interleaved, at the target rate and channel count
    QString error;              // French reason when the file cannot be used
    bool ok() const { return error.isEmpty(); }
};

// Decodes a WAV file to 32-bit float samples at `targetRate` and `targetChannels`,
// converted in bounded pieces and cut at the sound's exact length. The sample vector
// holds no more than the sound. A decoding whose `cancel` is set is abandoned at the next
// piece (the program is quitting, or the sound is no longer wanted).
DecodedWav decodeWav(const QString &path, int targetRate, int targetChannels,
                     const std::atomic<bool> *cancel = nullptr);
// The same for a file already in memory.
DecodedWav decodeWavData(const QByteArray &bytes, int targetRate, int targetChannels,
                         const std::atomic<bool> *cancel = nullptr);

} // namespace platform
