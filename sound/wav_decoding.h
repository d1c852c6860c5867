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
// A sound is decoded whole before it is played: its length and what it takes decoded
// are bounded too, from the header alone, before anything is decoded. A 63 MB file at
// 1000 Hz lasts 17 hours and would take gigabytes once converted for the output.
inline constexpr int kMaxWavSeconds = 10 * 60;
// The samples as the decoder reads them plus the samples converted for the output.
inline constexpr qint64 kMaxDecodedWavBytes = 128LL * 1024 * 1024;

// What a WAV header tells of the sound, before it is decoded.
struct WavExtent
{
    bool known = false;       // a format the decoder reads, with its data chunk found
    long long frames = 0;     // at most this many (ADPCM blocks may end a little short)
    double seconds = 0;
    qint64 decodedBytes = 0;  // source samples as decoded plus the converted samples
};

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
// The refusal that the beginning of a WAV file already tells (rate, channels, a length
// beyond kMaxWavSeconds), or an empty text: a quick look before a long decoding. When
// `fileSize` is not given, the data chunk is taken to hold what it declares.
QString wavFormatProblem(const QByteArray &beginning, qint64 fileSize = -1);

// The sound's extent from its header (`header` holds at least the "fmt " chunk and the
// head of the "data" chunk), converted to `targetRate` and `targetChannels`. The data
// chunk counts for what it declares, cut to `fileSize` when that is given.
WavExtent wavExtent(const QByteArray &header, int targetRate, int targetChannels, qint64 fileSize = -1);

// "17 h 28 min", "6 min 10 s", "42 s".
QString durationText(double seconds);

} // namespace platform
