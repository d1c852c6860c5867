// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <vector>

namespace platform {

// Limits past which a WAV is refused before it is decoded: beyond them a file is not
// a character's sound, and converting it would cost gigabytes or crash the converter.
inline constexpr qint64 kMaxWavBytes = 64LL * 1024 * 1024;
inline constexpr int kMinWavRate = 1000;
inline constexpr int kMaxWavRate = 384000;
inline constexpr int kMaxWavChannels = 8;

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
// The refusal that the beginning of a WAV file already tells (rate, channels), or an
// empty text: a quick look before a long decoding.
QString wavFormatProblem(const QByteArray &beginning);

} // namespace platform
