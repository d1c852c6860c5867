// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file's bytes, decoded and converted to the output format. Inputs stay small,
// but the header rule is checked for any size: the frames the header tells are never
// fewer than the decoder gives (per byte of data, whatever the file's length), and
// nothing decoded exceeds the bound. A plain PCM file, converted straight from the file,
// is read only within its data chunk and the file.
#include "sound/wav_decoding.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    platform::PlainWavLayout plain;
    if (platform::readPlainWavLayout(bytes, bytes.size(), plain)
        && (plain.dataStart < 0 || plain.dataBytes < 0 || plain.dataStart + plain.dataBytes > bytes.size()
            || plain.dataBytes % (plain.channels * plain.bits / 8) != 0))
        std::abort();
    for (const int channels : {2, 1}) {
        const int rate = channels == 2 ? 44100 : 48000;
        const platform::DecodedWav wav = platform::decodeWavData(bytes, rate, channels);
        if (!wav.ok() && !wav.samples.empty())
            std::abort();
        if (wav.samples.size() % static_cast<size_t>(channels) != 0 || wav.samples.capacity() != wav.samples.size())
            std::abort();
        if (!wav.ok())
            continue;
        if (static_cast<qint64>(wav.samples.size() * sizeof(float)) > platform::kMaxDecodedWavBytes)
            std::abort();
        const platform::WavExtent extent = platform::wavExtent(bytes, rate, channels, bytes.size());
        if (extent.known && static_cast<qint64>(wav.samples.size() * sizeof(float)) > extent.decodedBytes)
            std::abort();
    }
    return 0;
}
