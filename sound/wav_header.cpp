// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wav_header.h"

#include "files/binary_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

quint32 littleEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<quint32>(u[3]) << 24);
}

quint16 littleEndian16(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return static_cast<quint16>(u[0] | (u[1] << 8));
}

// Offset of the first chunk: after "RIFF", its size and "WAVE"; SDL also reads a file
// that starts directly with "WAVE". -1 when neither.
qsizetype firstChunk(const QByteArray &bytes)
{
    if (bytes.size() >= 12 && std::memcmp(bytes.constData(), "RIFF", 4) == 0
        && std::memcmp(bytes.constData() + 8, "WAVE", 4) == 0)
        return 12;
    if (bytes.size() >= 4 && std::memcmp(bytes.constData(), "WAVE", 4) == 0)
        return 4;
    return -1;
}

// The next chunk, stepped as SDL steps: after the data, padded to an even offset.
qint64 nextChunk(qint64 dataStart, qint64 length)
{
    const qint64 next = dataStart + length;
    return next + (next & 1);
}


// The facts of the header that tell how long the sound is.
struct HeaderFacts
{
    int tag = 0; // format tag (the sub-format's for WAVE_FORMAT_EXTENSIBLE)
    int channels = 0;
    long long rate = 0;
    int blockAlign = 0;
    int bits = 0;
    qint64 dataStart = -1;
    qint64 dataDeclared = 0;
};

// The format tags the decoder reads.
enum FormatTag : int { kTagPcm = 1, kTagMsAdpcm = 2, kTagFloat = 3, kTagALaw = 6, kTagMuLaw = 7, kTagImaAdpcm = 0x11,
                       kTagExtensible = 0xFFFE };
constexpr quint32 kUnknownLength = 0xFFFFFFFF; // written by recorders that stream

// The first "fmt " chunk and the first "data" chunk after it, as the decoder takes them.
bool readHeader(const QByteArray &bytes, HeaderFacts &facts)
{
    qint64 at = firstChunk(bytes);
    if (at < 0)
        return false;
    bool format = false;
    while (at + 8 <= bytes.size()) {
        const char *chunk = bytes.constData() + at;
        const qint64 size = littleEndian32(chunk + 4);
        if (!format && std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || at + 24 > bytes.size())
                return false;
            facts.tag = littleEndian16(chunk + 8);
            facts.channels = littleEndian16(chunk + 10);
            facts.rate = littleEndian32(chunk + 12);
            facts.blockAlign = littleEndian16(chunk + 20);
            facts.bits = littleEndian16(chunk + 22);
            if (facts.tag == kTagExtensible) {
                if (size < 40 || at + 34 > bytes.size())
                    return false;
                facts.tag = littleEndian16(chunk + 32);
            }
            format = true;
        } else if (format && std::memcmp(chunk, "data", 4) == 0) {
            facts.dataStart = at + 8;
            facts.dataDeclared = size;
            return true;
        }
        at = nextChunk(at + 8, size);
    }
    return false;
}

// Frames the data holds at most, and the bytes of one sample as the decoder gives it.
bool framesOf(const HeaderFacts &facts, qint64 dataBytes, long long &frames, int &sampleBytes)
{
    const int channels = facts.channels;
    switch (facts.tag) {
    case kTagPcm:
    case kTagFloat: {
        // The smaller of the two frame sizes the header gives: the count errs high.
        const int fromBits = channels * std::max(1, (facts.bits + 7) / 8);
        const int frameBytes = facts.blockAlign > 0 ? std::min(facts.blockAlign, fromBits) : fromBits;
        frames = dataBytes / frameBytes;
        sampleBytes = facts.bits <= 8 ? 1 : facts.bits <= 16 ? 2 : 4; // 24 bits come as 32
        return true;
    }
    case kTagALaw:
    case kTagMuLaw:
        frames = dataBytes / channels;
        sampleBytes = 2;
        return true;
    case kTagMsAdpcm:
    case kTagImaAdpcm:
        // Four bits a sample, block headers included: never fewer bytes a frame.
        frames = dataBytes * 2 / channels;
        sampleBytes = 2;
        return true;
    default:
        return false; // the decoder refuses it
    }
}

void writeLittleEndian32(char *p, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}


} // namespace

// The rate and channel count of the "fmt " chunk, read before anything is decoded.
// A file whose header cannot be found is left to the decoder to refuse.
bool readWavFormat(const QByteArray &bytes, long long &rate, int &channels)
{
    qint64 at = firstChunk(bytes);
    if (at < 0)
        return false;
    while (at + 8 <= bytes.size()) {
        const char *chunk = bytes.constData() + at;
        const qint64 size = littleEndian32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 8 || at + 16 > bytes.size())
                return false;
            channels = littleEndian16(chunk + 10);
            rate = littleEndian32(chunk + 12);
            return true;
        }
        at = nextChunk(at + 8, size);
    }
    return false;
}

// SDL allocates what a chunk declares before reading it: a file of a few hundred bytes
// declaring a 4 GB data chunk would cost 4 GB. Each declared size is cut to what the
// file holds (a copy is made only when one is too large).
QByteArray wavWithChunkSizesCut(const QByteArray &bytes)
{
    QByteArray cut = bytes;
    qint64 at = firstChunk(bytes);
    if (at < 0)
        return cut;
    const auto size = static_cast<qint64>(bytes.size());
    if (at == 12 && littleEndian32(bytes.constData() + 4) > size - 8)
        writeLittleEndian32(cut.data() + 4, static_cast<quint32>(size - 8));
    while (at + 8 <= size) {
        qint64 declared = littleEndian32(cut.constData() + at + 4);
        const qint64 room = size - (at + 8);
        if (declared > room) {
            declared = room;
            writeLittleEndian32(cut.data() + at + 4, static_cast<quint32>(room));
        }
        at = nextChunk(at + 8, declared);
    }
    return cut;
}

QString wavLimitProblem(long long rate, int channels)
{
    if (rate < kMinWavRate || rate > kMaxWavRate)
        return QStringLiteral("fréquence d'échantillonnage de %1 Hz non prise en charge (de %2 à %3 Hz)")
            .arg(rate)
            .arg(kMinWavRate)
            .arg(kMaxWavRate);
    if (channels < 1 || channels > kMaxWavChannels)
        return QStringLiteral("%1 canaux, non pris en charge (%2 au plus)").arg(channels).arg(kMaxWavChannels);
    return {};
}

QString wavDurationProblem(double seconds)
{
    if (seconds <= kMaxWavSeconds)
        return {};
    return QStringLiteral("le son dure %1, plus que les %2 minutes permises")
        .arg(durationText(seconds))
        .arg(kMaxWavSeconds / 60);
}

// The bounds on a sound's length and decoded size, or an empty text.
QString wavExtentProblem(const WavExtent &extent)
{
    if (!extent.known)
        return {};
    if (const QString tooLong = wavDurationProblem(extent.seconds); !tooLong.isEmpty())
        return tooLong;
    if (extent.decodedBytes > kMaxDecodedWavBytes)
        return QStringLiteral("le son dure %1 ; décodé pour la sortie son, il occuperait %2, plus que les %3 permis")
            .arg(durationText(extent.seconds), sizeText(extent.decodedBytes), sizeText(kMaxDecodedWavBytes));
    return {};
}

QString durationText(double seconds)
{
    const long long whole = static_cast<long long>(std::ceil(seconds));
    if (whole >= 3600)
        return QStringLiteral("%1 h %2 min").arg(whole / 3600).arg(whole % 3600 / 60);
    if (whole >= 60)
        return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60);
    return QStringLiteral("%1 s").arg(whole);
}

WavExtent wavExtent(const QByteArray &header, int targetRate, int targetChannels, qint64 fileSize)
{
    HeaderFacts facts;
    if (!readHeader(header, facts) || facts.channels < 1 || facts.rate < 1 || targetRate < 1 || targetChannels < 1)
        return {};
    qint64 dataBytes = facts.dataDeclared;
    if (fileSize >= 0)
        dataBytes = std::min(dataBytes, std::max<qint64>(0, fileSize - facts.dataStart));
    else if (facts.dataDeclared == kUnknownLength)
        return {};
    WavExtent extent;
    int sampleBytes = 0;
    if (!framesOf(facts, dataBytes, extent.frames, sampleBytes))
        return {};
    extent.known = true;
    extent.seconds = static_cast<double>(extent.frames) / static_cast<double>(facts.rate);
    const long long converted = (extent.frames * targetRate + facts.rate - 1) / facts.rate;
    extent.decodedBytes = extent.frames * facts.channels * sampleBytes
        + converted * targetChannels * static_cast<qint64>(sizeof(float));
    return extent;
}

bool readPlainWavLayout(const QByteArray &head, qint64 fileSize, PlainWavLayout &layout)
{
    HeaderFacts facts;
    if (!readHeader(head, facts) || facts.channels < 1 || (facts.tag != kTagPcm && facts.tag != kTagFloat))
        return false;
    const bool plainBits = facts.tag == kTagFloat ? facts.bits == 32 : (facts.bits == 8 || facts.bits == 16 || facts.bits == 32);
    if (!plainBits)
        return false;
    // Up to 65,535 channels of 32 bits: within an int once the bits are known.
    const int frameBytes = facts.channels * (facts.bits / 8);
    if (facts.blockAlign != frameBytes)
        return false;
    layout.bits = facts.bits;
    layout.isFloat = facts.tag == kTagFloat;
    layout.channels = facts.channels;
    layout.rate = facts.rate;
    layout.dataStart = facts.dataStart;
    const qint64 dataBytes = std::min(facts.dataDeclared, std::max<qint64>(0, fileSize - facts.dataStart));
    layout.dataBytes = dataBytes - dataBytes % frameBytes;
    return true;
}

QString wavFormatProblem(const QByteArray &beginning, qint64 fileSize)
{
    long long rate = 0;
    int channels = 0;
    if (!readWavFormat(beginning, rate, channels))
        return {};
    const QString problem = wavLimitProblem(rate, channels);
    if (!problem.isEmpty())
        return problem;
    const WavExtent extent = wavExtent(beginning, 1, 1, fileSize);
    return extent.known ? wavDurationProblem(extent.seconds) : QString();
}

} // namespace platform
