// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wav_decoding.h"

#include "files/binary_file.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// SDL's resampling stream keeps back its last frames even after a flush (512 source
// frames when it raises the rate, more when it lowers it); silence fed after the sound,
// then a cut at the exact length, keeps them. Counted at the target rate, with a floor
// in source frames, so that it stays small whatever the rates.
constexpr long long kPaddingTargetFrames = 4096;
constexpr long long kMinPaddingSourceFrames = 1024;
// Source bytes handed to the converter at a time.
constexpr int kPieceBytes = 64 * 1024;

QString sdlError()
{
    return QString::fromUtf8(SDL_GetError());
}

DecodedWav failed(const QString &reason)
{
    DecodedWav result;
    result.error = reason;
    return result;
}

// Takes what the stream has ready, keeping no more than `wanted` samples.
bool drain(SDL_AudioStream *stream, std::vector<float> &samples, size_t wanted, std::vector<float> &chunk)
{
    for (;;) {
        const int got = SDL_AudioStreamGet(stream, chunk.data(), static_cast<int>(chunk.size() * sizeof(float)));
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const size_t count = std::min(static_cast<size_t>(got) / sizeof(float), wanted - samples.size());
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
}

} // namespace

namespace {

// The file's bytes go once the decoder has its samples: they are not kept beside the
// converted sound.
DecodedWav decodeOwned(QByteArray bytes, int targetRate, int targetChannels, const std::atomic<bool> *cancel)
{
    if (bytes.size() > kMaxWavBytes)
        return failed(QStringLiteral("le fichier est trop gros : %1, plus que les %2 permis")
                          .arg(sizeText(bytes.size()), sizeText(kMaxWavBytes)));
    QByteArray file = wavWithChunkSizesCut(bytes);
    long long headerRate = 0;
    int headerChannels = 0;
    if (readWavFormat(file, headerRate, headerChannels)) {
        const QString problem = wavLimitProblem(headerRate, headerChannels);
        if (!problem.isEmpty())
            return failed(problem);
    }
    // From the header alone, before the decoder allocates anything.
    const QString tooMuch = wavExtentProblem(wavExtent(bytes, targetRate, targetChannels, bytes.size()));
    if (!tooMuch.isEmpty())
        return failed(tooMuch);

    SDL_RWops *memory = SDL_RWFromConstMem(file.constData(), static_cast<int>(file.size()));
    SDL_AudioSpec source{};
    Uint8 *buffer = nullptr;
    Uint32 bufferLength = 0;
    if (memory == nullptr || SDL_LoadWAV_RW(memory, 1, &source, &buffer, &bufferLength) == nullptr)
        return failed(QStringLiteral("ce n'est pas un fichier WAV lisible (%1)").arg(sdlError()));
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(buffer, &SDL_FreeWAV);
    file = QByteArray();
    bytes = QByteArray();
    // The decoder's own reading of the header is the one that counts.
    const QString problem = wavLimitProblem(source.freq, source.channels);
    if (!problem.isEmpty())
        return failed(problem);

    const int frameBytes = SDL_AUDIO_BITSIZE(source.format) / 8 * source.channels;
    const std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
        SDL_NewAudioStream(source.format, source.channels, source.freq, AUDIO_F32SYS,
                           static_cast<Uint8>(targetChannels), targetRate),
        &SDL_FreeAudioStream);
    if (!stream || frameBytes <= 0)
        return failed(QStringLiteral("format audio non pris en charge (%1)").arg(sdlError()));

    const long long sourceFrames = bufferLength / static_cast<Uint32>(frameBytes);
    const long long frames = (sourceFrames * targetRate + source.freq / 2) / source.freq;
    const size_t wanted = static_cast<size_t>(frames) * static_cast<size_t>(targetChannels);
    // Should the decoder have read the header otherwise, the bounds still hold.
    const double seconds = static_cast<double>(sourceFrames) / source.freq;
    if (seconds > kMaxWavSeconds)
        return failed(wavTooLongProblem(seconds));
    WavExtent decoded;
    decoded.known = true;
    decoded.seconds = seconds;
    decoded.decodedBytes = static_cast<qint64>(bufferLength) + static_cast<qint64>(wanted * sizeof(float));
    if (const QString bound = wavExtentProblem(decoded); !bound.isEmpty())
        return failed(bound);
    DecodedWav result;
    result.samples.reserve(wanted);
    std::vector<float> chunk(4096);

    const int piece = std::max(frameBytes, kPieceBytes / frameBytes * frameBytes);
    const auto put = [&](const Uint8 *data, long long length) {
        for (long long done = 0; done < length;) {
            if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
                return false;
            const int size = static_cast<int>(std::min<long long>(piece, length - done));
            if (SDL_AudioStreamPut(stream.get(), data + done, size) != 0 || !drain(stream.get(), result.samples, wanted, chunk))
                return false;
            done += size;
        }
        return true;
    };
    const long long paddingFrames = std::max(kMinPaddingSourceFrames,
                                             (kPaddingTargetFrames * source.freq + targetRate - 1) / targetRate);
    const std::vector<Uint8> silence(static_cast<size_t>(piece), source.format == AUDIO_U8 ? 0x80 : 0x00);
    bool converted = put(wav.get(), static_cast<long long>(sourceFrames) * frameBytes);
    for (long long left = paddingFrames * frameBytes; converted && left > 0; left -= piece)
        converted = put(silence.data(), std::min<long long>(piece, left));
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
        return failed(QStringLiteral("lecture abandonnée"));
    if (!converted || SDL_AudioStreamFlush(stream.get()) != 0 || !drain(stream.get(), result.samples, wanted, chunk))
        return failed(QStringLiteral("conversion impossible (%1)").arg(sdlError()));
    result.samples.shrink_to_fit();
    return result;
}

} // namespace

DecodedWav decodeWav(const QString &path, int targetRate, int targetChannels, const std::atomic<bool> *cancel)
{
    // What the header already tells is refused before the rest of the file is read.
    const auto checkHeader = [targetRate, targetChannels](const QByteArray &head, qint64 size) {
        const QString problem = wavFormatProblem(head, size);
        return problem.isEmpty() ? wavExtentProblem(wavExtent(head, targetRate, targetChannels, size)) : problem;
    };
    FileContent file = readRegularFile(path, kMaxWavBytes, checkHeader);
    if (!file.ok)
        return failed(file.error);
    return decodeOwned(std::move(file.bytes), targetRate, targetChannels, cancel);
}

DecodedWav decodeWavData(const QByteArray &bytes, int targetRate, int targetChannels,
                         const std::atomic<bool> *cancel)
{
    return decodeOwned(bytes, targetRate, targetChannels, cancel);
}

} // namespace platform
