// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Limits past which a WAV is refused before it is decoded: beyond them a file is not
// a character's sound, and converting it would cost gigabytes or crash the converter.
inline constexpr qint64 kMaxWavBytes = 64LL * 1024 * 1024;
inline constexpr int kMinWavRate = 1000;
inline constexpr int kMaxWavRate = 384000;
inline constexpr int kMaxWavChannels = 8;
// A sound is kept whole in the output's format once decoded: its length and what it
// takes decoded are bounded too, from the header alone, before anything is decoded. A
// 63 MB file at 1000 Hz lasts 17 hours and would take gigabytes once converted.
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

// The refusal that the beginning of a WAV file already tells (rate, channels, a length
// beyond kMaxWavSeconds), or an empty text: a quick look before a long decoding. When
// `fileSize` is not given, the data chunk is taken to hold what it declares.
QString wavFormatProblem(const QByteArray &beginning, qint64 fileSize = -1);

// The sound's extent from its header (`header` holds at least the "fmt " chunk and the
// head of the "data" chunk), converted to `targetRate` and `targetChannels`. The data
// chunk counts for what it declares, cut to `fileSize` when that is given.
WavExtent wavExtent(const QByteArray &header, int targetRate, int targetChannels, qint64 fileSize = -1);

// A plain WAV: integer samples of 8, 16 or 32 bits, or 32-bit floats, each frame packed
// in one block. Its samples go to the converter as they lie in the file.
struct PlainWavLayout
{
    int bits = 0;
    bool isFloat = false;
    int channels = 0;
    long long rate = 0;
    qint64 dataStart = 0;
    qint64 dataBytes = 0; // cut to what the file holds, in whole frames
};
// False for any other layout, or when the head does not reach the data chunk.
bool readPlainWavLayout(const QByteArray &head, qint64 fileSize, PlainWavLayout &layout);

// "17 h 28 min", "6 min 10 s", "42 s".
QString durationText(double seconds);

// The rate and channel count of the "fmt " chunk, or false when no header is found (the
// decoder then refuses the file itself).
bool readWavFormat(const QByteArray &bytes, long long &rate, int &channels);
// The file with each chunk's declared size cut to what the file holds.
QByteArray wavWithChunkSizesCut(const QByteArray &bytes);
// The refusals of the bounds above, in French, or an empty text.
QString wavLimitProblem(long long rate, int channels);
QString wavDurationProblem(double seconds);
// The duration bound, then the decoded-size bound: every decoding path goes through it.
QString wavExtentProblem(const WavExtent &extent);

} // namespace platform
