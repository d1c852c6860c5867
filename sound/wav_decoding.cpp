// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wav_decoding.h"

#include "files/binary_file.h"

#include <QFile>
#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <unistd.h>

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

// Hands the sink what the stream has ready, up to the sound's `size`; what the
// converter keeps beyond it is dropped.
bool drain(SDL_AudioStream *stream, DecodedSamplesSink &sink, std::size_t &handed, std::size_t size,
           std::vector<float> &chunk)
{
    for (;;) {
        const int got = SDL_AudioStreamGet(stream, chunk.data(), static_cast<int>(chunk.size() * sizeof(float)));
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const size_t count = std::min(static_cast<size_t>(got) / sizeof(float), size - handed);
        if (count > 0)
            sink.append(chunk.data(), count);
        handed += count;
    }
}

// Collects the whole sound in one vector.
class VectorSink : public DecodedSamplesSink
{
public:
    explicit VectorSink(std::vector<float> &samples) : m_samples(samples) {}
    void begin(std::size_t size) override { m_samples.reserve(size); }
    void append(const float *samples, std::size_t count) override
    {
        m_samples.insert(m_samples.end(), samples, samples + count);
    }

private:
    std::vector<float> &m_samples;
};

bool cancelled(const std::atomic<bool> *cancel)
{
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// Converts source samples, given in pieces, to the target format, and hands them to the
// sink cut at the sound's exact length.
class Converter
{
public:
    Converter(SDL_AudioFormat format, int channels, int rate, int targetRate, int targetChannels,
              DecodedSamplesSink &sink, const std::atomic<bool> *cancel)
        : m_format(format)
        , m_rate(rate)
        , m_targetRate(targetRate)
        , m_frameBytes(SDL_AUDIO_BITSIZE(format) / 8 * channels)
        , m_stream(SDL_NewAudioStream(format, static_cast<Uint8>(channels), rate, AUDIO_F32SYS,
                                      static_cast<Uint8>(targetChannels), targetRate),
                   &SDL_FreeAudioStream)
        , m_targetChannels(targetChannels)
        , m_sink(sink)
        , m_cancel(cancel)
        , m_chunk(4096)
    {
    }

    // Why the format cannot be converted, or an empty text.
    QString problem() const
    {
        return m_stream && m_frameBytes > 0 ? QString()
                                            : QStringLiteral("format audio non pris en charge (%1)").arg(sdlError());
    }
    int frameBytes() const { return m_frameBytes; }
    // Bytes handed to put() at a time: whole frames.
    int pieceBytes() const { return std::max(m_frameBytes, kPieceBytes / m_frameBytes * m_frameBytes); }

    // The bounds, from the decoder's own count of the source frames; then the sink learns
    // the sound's length.
    QString begin(long long sourceFrames, qint64 sourceBytesHeld)
    {
        const long long frames = (sourceFrames * m_targetRate + m_rate / 2) / m_rate;
        m_size = static_cast<size_t>(frames) * static_cast<size_t>(m_targetChannels);
        WavExtent decoded;
        decoded.known = true;
        decoded.seconds = static_cast<double>(sourceFrames) / m_rate;
        decoded.decodedBytes = sourceBytesHeld + static_cast<qint64>(m_size * sizeof(float));
        if (const QString bound = wavExtentProblem(decoded); !bound.isEmpty())
            return bound;
        m_sink.begin(m_size);
        return {};
    }

    bool put(const Uint8 *data, long long length)
    {
        const int piece = pieceBytes();
        for (long long done = 0; done < length;) {
            if (cancelled(m_cancel))
                return false;
            const int size = static_cast<int>(std::min<long long>(piece, length - done));
            if (SDL_AudioStreamPut(m_stream.get(), data + done, size) != 0 || !drain(m_stream.get(), m_sink, m_handed, m_size, m_chunk))
                return false;
            done += size;
        }
        return true;
    }

    // The last frames: silence after the sound brings out what the converter holds back.
    QString finish(bool converted)
    {
        const int piece = pieceBytes();
        const long long paddingFrames = std::max(kMinPaddingSourceFrames,
                                                 (kPaddingTargetFrames * m_rate + m_targetRate - 1) / m_targetRate);
        const std::vector<Uint8> silence(static_cast<size_t>(piece), m_format == AUDIO_U8 ? 0x80 : 0x00);
        for (long long left = paddingFrames * m_frameBytes; converted && left > 0; left -= piece)
            converted = put(silence.data(), std::min<long long>(piece, left));
        if (cancelled(m_cancel))
            return QStringLiteral("lecture abandonnée");
        if (!converted || SDL_AudioStreamFlush(m_stream.get()) != 0 || !drain(m_stream.get(), m_sink, m_handed, m_size, m_chunk))
            return QStringLiteral("conversion impossible (%1)").arg(sdlError());
        return {};
    }

private:
    SDL_AudioFormat m_format;
    int m_rate;
    int m_targetRate;
    int m_frameBytes;
    std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> m_stream;
    int m_targetChannels;
    DecodedSamplesSink &m_sink;
    const std::atomic<bool> *m_cancel;
    std::vector<float> m_chunk;
    std::size_t m_size = 0;
    std::size_t m_handed = 0;
};

// The file's bytes go once the decoder has its samples: they are not kept beside the
// converted sound.
QString decodeOwned(QByteArray bytes, int targetRate, int targetChannels, const std::atomic<bool> *cancel,
                    DecodedSamplesSink &sink)
{
    if (bytes.size() > kMaxWavBytes)
        return QStringLiteral("le fichier est trop gros : %1, plus que les %2 permis")
            .arg(sizeText(bytes.size()), sizeText(kMaxWavBytes));
    QByteArray file = wavWithChunkSizesCut(bytes);
    long long headerRate = 0;
    int headerChannels = 0;
    if (readWavFormat(file, headerRate, headerChannels)) {
        const QString problem = wavLimitProblem(headerRate, headerChannels);
        if (!problem.isEmpty())
            return problem;
    }
    // From the header alone, before the decoder allocates anything.
    const QString tooMuch = wavExtentProblem(wavExtent(bytes, targetRate, targetChannels, bytes.size()));
    if (!tooMuch.isEmpty())
        return tooMuch;

    SDL_RWops *memory = SDL_RWFromConstMem(file.constData(), static_cast<int>(file.size()));
    SDL_AudioSpec source{};
    Uint8 *buffer = nullptr;
    Uint32 bufferLength = 0;
    if (memory == nullptr || SDL_LoadWAV_RW(memory, 1, &source, &buffer, &bufferLength) == nullptr)
        return QStringLiteral("ce n'est pas un fichier WAV lisible (%1)").arg(sdlError());
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(buffer, &SDL_FreeWAV);
    file = QByteArray();
    bytes = QByteArray();
    // The decoder's own reading of the header is the one that counts.
    const QString problem = wavLimitProblem(source.freq, source.channels);
    if (!problem.isEmpty())
        return problem;

    Converter converter(source.format, source.channels, source.freq, targetRate, targetChannels, sink, cancel);
    if (const QString unsupported = converter.problem(); !unsupported.isEmpty())
        return unsupported;
    const long long sourceFrames = bufferLength / static_cast<Uint32>(converter.frameBytes());
    if (const QString bound = converter.begin(sourceFrames, bufferLength); !bound.isEmpty())
        return bound;
    return converter.finish(converter.put(wav.get(), sourceFrames * converter.frameBytes()));
}

SDL_AudioFormat plainFormat(const PlainWavLayout &layout)
{
    if (layout.isFloat)
        return AUDIO_F32LSB;
    return layout.bits == 8 ? AUDIO_U8 : layout.bits == 16 ? AUDIO_S16LSB : AUDIO_S32LSB;
}

// A plain WAV is converted straight from the file, a piece at a time: the file is never
// held whole, and the first piece of a long sound is there at once. Returns false, with
// nothing done, when the file is not a plain WAV (the whole-file decoder takes it).
bool decodePlainFile(const QString &path, int targetRate, int targetChannels, const std::atomic<bool> *cancel,
                     DecodedSamplesSink &sink, QString &error)
{
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0)
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    const qint64 size = file.size();
    const QByteArray head = file.read(std::min(size, kHeadBytes));
    PlainWavLayout layout;
    if (size > kMaxWavBytes || !readPlainWavLayout(head, size, layout))
        return false;
    error = wavLimitProblem(layout.rate, layout.channels);
    if (error.isEmpty())
        error = wavExtentProblem(wavExtent(head, targetRate, targetChannels, size));
    if (!error.isEmpty())
        return true;

    Converter converter(plainFormat(layout), layout.channels, static_cast<int>(layout.rate), targetRate, targetChannels,
                        sink, cancel);
    error = converter.problem();
    if (error.isEmpty())
        error = converter.begin(layout.dataBytes / converter.frameBytes(), 0);
    if (!error.isEmpty())
        return true;
    std::vector<Uint8> piece(static_cast<size_t>(converter.pieceBytes()));
    bool converted = file.seek(layout.dataStart);
    // A file that shrank meanwhile ends where it ends; the rest of the sound is silence.
    for (qint64 left = layout.dataBytes; converted && left > 0;) {
        const qint64 got = file.read(reinterpret_cast<char *>(piece.data()), std::min<qint64>(left, piece.size()));
        if (got <= 0)
            break;
        converted = converter.put(piece.data(), got - got % converter.frameBytes());
        left -= got;
    }
    error = converter.finish(converted);
    return true;
}

} // namespace

QString decodeWavTo(const QString &path, int targetRate, int targetChannels, const std::atomic<bool> *cancel,
                    DecodedSamplesSink &sink)
{
    QString plainError;
    if (decodePlainFile(path, targetRate, targetChannels, cancel, sink, plainError))
        return plainError;
    // What the header already tells is refused before the rest of the file is read.
    const auto checkHeader = [targetRate, targetChannels](const QByteArray &head, qint64 size) {
        const QString problem = wavFormatProblem(head, size);
        return problem.isEmpty() ? wavExtentProblem(wavExtent(head, targetRate, targetChannels, size)) : problem;
    };
    FileContent file = readRegularFile(path, kMaxWavBytes, checkHeader);
    if (!file.ok)
        return file.error;
    return decodeOwned(std::move(file.bytes), targetRate, targetChannels, cancel, sink);
}

namespace {

// The whole sound in one vector, or nothing with the reason.
template<typename Decode>
DecodedWav collected(Decode decode)
{
    DecodedWav result;
    VectorSink sink(result.samples);
    result.error = decode(sink);
    if (!result.ok())
        result.samples = {};
    return result;
}

} // namespace

DecodedWav decodeWav(const QString &path, int targetRate, int targetChannels, const std::atomic<bool> *cancel)
{
    return collected([&](VectorSink &sink) { return decodeWavTo(path, targetRate, targetChannels, cancel, sink); });
}

DecodedWav decodeWavData(const QByteArray &bytes, int targetRate, int targetChannels,
                         const std::atomic<bool> *cancel)
{
    return collected([&](VectorSink &sink) { return decodeOwned(bytes, targetRate, targetChannels, cancel, sink); });
}

} // namespace platform
