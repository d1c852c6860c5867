// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file's bytes, decoded and converted to the output format.
#include "sound/wav_decoding.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const int channels : {2, 1}) {
        const platform::DecodedWav wav = platform::decodeWavData(bytes, channels == 2 ? 44100 : 48000, channels);
        if (!wav.ok() && !wav.samples.empty())
            std::abort();
        if (wav.samples.size() % static_cast<size_t>(channels) != 0 || wav.samples.capacity() != wav.samples.size())
            std::abort();
    }
    return 0;
}
