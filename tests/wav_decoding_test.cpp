// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wav_decoding.h"
#include "sox_sounds.h"
#include "test_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::decodeWav;
using platform::decodeWavData;
using platform::DecodedWav;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

// A 16-bit PCM file of `frames` frames of a square wave.
QByteArray pcmWav(quint32 rate, quint16 channels, quint32 frames)
{
    QByteArray data;
    for (quint32 i = 0; i < frames * channels; ++i) {
        const qint16 sample = (i / channels / 4) % 2 ? 8000 : -8000;
        data.append(reinterpret_cast<const char *>(&sample), 2);
    }
    const auto le32 = [](quint32 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    const auto le16 = [](quint16 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 2); };
    const QByteArray format = le16(1) + le16(channels) + le32(rate) + le32(rate * channels * 2) + le16(channels * 2) + le16(16);
    const QByteArray body = "WAVEfmt " + le32(16) + format + "data" + le32(static_cast<quint32>(data.size())) + data;
    return "RIFF" + le32(static_cast<quint32>(body.size())) + body;
}

// A WAV header of any format tag, declaring `dataBytes` of data; the body is the caller's.
QByteArray wavHeader(quint16 tag, quint32 rate, quint16 channels, quint16 bits, quint16 blockAlign, quint32 dataBytes)
{
    const auto le32 = [](quint32 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    const auto le16 = [](quint16 v) { v = qToLittleEndian(v); return QByteArray(reinterpret_cast<const char *>(&v), 2); };
    const QByteArray format = le16(tag) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
    return "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + format + "data" + le32(dataBytes);
}

// Sum of the levels of the `frames` frames before frame `end`.
double energyBefore(const DecodedWav &wav, size_t end, size_t frames)
{
    double sum = 0;
    for (size_t i = (end - frames) * kChannels; i < end * kChannels; ++i)
        sum += std::fabs(wav.samples[i]);
    return sum;
}

// Counts the decoded samples without keeping them.
struct CountingSink : platform::DecodedSamplesSink
{
    void begin(std::size_t) override {}
    void append(const float *, std::size_t n) override { count += n; }
    std::size_t count = 0;
};

} // namespace

TEST(WavDecoding, EveryEncodingDecodesToItsExactLengthWithItsLastFrames)
{
    const std::vector<std::pair<const char *, QStringList>> encodings = {
        {"pcm8", {"-r", "22050", "-c", "1", "-b", "8", "-e", "unsigned-integer"}},
        {"pcm16_stereo", {"-r", "44100", "-c", "2", "-b", "16"}},
        {"pcm24", {"-r", "48000", "-c", "1", "-b", "24"}},
        {"pcm32", {"-r", "8000", "-c", "1", "-b", "32", "-e", "signed-integer"}},
        {"float32", {"-r", "96000", "-c", "1", "-b", "32", "-e", "floating-point"}},
        {"ima_adpcm", {"-r", "22050", "-c", "1", "-e", "ima-adpcm"}},
        {"mulaw", {"-r", "8000", "-c", "1", "-e", "mu-law"}},
    };
    QTemporaryDir dir;
    for (const auto &[name, options] : encodings) {
        const QString file = dir.filePath(QLatin1String(name) + QStringLiteral(".wav"));
        ASSERT_TRUE(testing_support::makeTone(file, 440, 0.2, options)) << name;
        const DecodedWav wav = decodeWav(file, kRate, kChannels);
        ASSERT_TRUE(wav.ok()) << name << ": " << qPrintable(wav.error);
        // ADPCM ends on a whole block, up to a few milliseconds longer.
        const size_t frames = wav.samples.size() / kChannels;
        EXPECT_GE(frames, 8820u) << name;
        EXPECT_LE(frames, QByteArray(name).endsWith("adpcm") ? 9300u : 8820u) << name;
        EXPECT_EQ(wav.samples.capacity(), wav.samples.size()) << name;
        // The converter's held-back tail is there, not silence.
        EXPECT_GT(energyBefore(wav, 8820, 100), 10.0) << name;
        // Plain PCM and float files are converted straight from the file, the others
        // from the whole file in memory: both give the same samples.
        QFile whole(file);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        EXPECT_EQ(wav.samples, decodeWavData(whole.readAll(), kRate, kChannels).samples) << name;
    }
}

TEST(WavDecoding, RatesOutsideTheRangeAndTooManyChannelsAreRefusedBeforeDecoding)
{
    for (const quint32 rate : {1u, 2u, 999u, 384001u, 14000000u}) {
        const DecodedWav wav = decodeWavData(pcmWav(rate, 1, 2), kRate, kChannels);
        EXPECT_FALSE(wav.ok()) << rate;
        EXPECT_TRUE(wav.error.contains(QStringLiteral("%1 Hz").arg(rate))) << qPrintable(wav.error);
        EXPECT_TRUE(wav.samples.empty());
    }
    const DecodedWav nine = decodeWavData(pcmWav(8000, 9, 10), kRate, kChannels);
    EXPECT_FALSE(nine.ok());
    EXPECT_TRUE(nine.error.contains(QStringLiteral("9 canaux"))) << qPrintable(nine.error);

    // The limits themselves are accepted, at the exact converted length.
    for (const quint32 rate : {1000u, 384000u}) {
        const DecodedWav wav = decodeWavData(pcmWav(rate, 8, rate / 10), kRate, kChannels);
        ASSERT_TRUE(wav.ok()) << rate << qPrintable(wav.error);
        EXPECT_EQ(wav.samples.size(), static_cast<size_t>(kRate / 10 * kChannels)) << rate;
    }
}

TEST(WavDecoding, ChunkDeclaringMoreThanTheFileHoldsDecodesWhatIsThere)
{
    // A few hundred bytes that announce a 4 GB data chunk.
    QByteArray wav = pcmWav(44100, 1, 100);
    const qsizetype dataSize = wav.indexOf("data") + 4;
    wav.replace(dataSize, 4, QByteArray("\xF5\xFF\xFF\xFF", 4));
    const DecodedWav decoded = decodeWavData(wav, kRate, kChannels);
    ASSERT_TRUE(decoded.ok()) << qPrintable(decoded.error);
    EXPECT_EQ(decoded.samples.size(), 100u * kChannels);
}

TEST(WavDecoding, FilesTooLargeOrNotRegularAreRefusedUnread)
{
    QTemporaryDir dir;
    // A sparse 2 GB file: refused from its size, never read.
    const QString big = dir.filePath(QStringLiteral("big.wav"));
    ASSERT_TRUE(testing_support::writeFile(big, pcmWav(44100, 1, 100)));
    ASSERT_TRUE(QFile::resize(big, 2LL * 1024 * 1024 * 1024));
    const DecodedWav tooBig = decodeWav(big, kRate, kChannels);
    EXPECT_FALSE(tooBig.ok());
    EXPECT_TRUE(tooBig.error.contains(QStringLiteral("trop gros"))) << qPrintable(tooBig.error);
    ASSERT_TRUE(QFile::resize(big, platform::kMaxWavBytes));
    EXPECT_TRUE(decodeWav(big, kRate, kChannels).ok());

    const QString fifo = dir.filePath(QStringLiteral("fifo.wav"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(decodeWav(fifo, kRate, kChannels).ok());
}

TEST(WavDecoding, SoundLongerThanTheBoundIsRefusedFromItsHeaderAlone)
{
    // 63 MB of 8-bit mono at 1000 Hz: within every other limit, but 18 hours long.
    constexpr quint32 kDataBytes = 63 * 1024 * 1024;
    const QByteArray header = wavHeader(1, 1000, 1, 8, 1, kDataBytes);
    const QString expected = QStringLiteral("le son dure 18 h 21 min, plus que les 10 minutes permises");
    EXPECT_EQ(platform::wavFormatProblem(header + QByteArray(100, '\x80')), expected);

    // The whole file, sparse: refused before the decoder allocates anything for it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(testing_support::writeFile(path, header));
    ASSERT_TRUE(QFile::resize(path, header.size() + kDataBytes));
    const DecodedWav wav = decodeWav(path, kRate, kChannels);
    EXPECT_EQ(wav.error, expected);
    EXPECT_TRUE(wav.samples.empty());

    // Ten minutes exactly are a sound; one frame more is not, for the quick look and
    // for both decoders (straight from the file, and from the whole file in memory).
    const QByteArray tenMinutes = wavHeader(1, 1000, 1, 8, 1, 600000) + QByteArray(600000, '\x80');
    const QByteArray oneFrameMore = wavHeader(1, 1000, 1, 8, 1, 600001) + QByteArray(600001, '\x80');
    const QString overBound = QStringLiteral("le son dure 10 min 1 s, plus que les 10 minutes permises");
    EXPECT_EQ(platform::wavFormatProblem(tenMinutes), QString());
    EXPECT_EQ(platform::wavFormatProblem(oneFrameMore), overBound);
    const QString tenPath = dir.filePath(QStringLiteral("ten.wav"));
    const QString morePath = dir.filePath(QStringLiteral("more.wav"));
    ASSERT_TRUE(testing_support::writeFile(tenPath, tenMinutes));
    ASSERT_TRUE(testing_support::writeFile(morePath, oneFrameMore));
    // At the file's own rate and channels, so that the decoded size stays small.
    EXPECT_EQ(decodeWav(tenPath, 1000, 1).samples.size(), 600000u);
    EXPECT_EQ(decodeWavData(tenMinutes, 1000, 1).samples.size(), 600000u);
    EXPECT_EQ(decodeWav(morePath, 1000, 1).error, overBound);
    EXPECT_EQ(decodeWavData(oneFrameMore, 1000, 1).error, overBound);
}

TEST(WavDecoding, DecodedSizeBoundCountsTheOutputFormat)
{
    // Four minutes of 8-bit mono at 8000 Hz (1.9 MB): fine for a stereo output at
    // 44.1 kHz, too much for eight channels at 192 kHz.
    constexpr quint32 kFrames = 4 * 60 * 8000;
    const QByteArray wav = wavHeader(1, 8000, 1, 8, 1, kFrames) + QByteArray(kFrames, '\x80');
    const DecodedWav tooMuch = decodeWavData(wav, 192000, 8);
    EXPECT_EQ(tooMuch.error, QStringLiteral("le son dure 4 min 0 s ; décodé pour la sortie son, il occuperait 1,4 Go, "
                                            "plus que les 128 Mo permis"));
    EXPECT_TRUE(tooMuch.samples.empty());
    const DecodedWav fits = decodeWavData(wav, kRate, kChannels);
    ASSERT_TRUE(fits.ok()) << qPrintable(fits.error);
    EXPECT_EQ(fits.samples.size(), size_t(4 * 60 * kRate * kChannels));

    // At the file's own rate, eight channels: a frame takes 1 byte as read and 32
    // converted, and the bound of 128 Mo lies between these two lengths.
    constexpr quint32 kMostFrames = 134217728 / 33;
    QTemporaryDir dir;
    const QString fitsPath = dir.filePath(QStringLiteral("fits.wav"));
    ASSERT_TRUE(testing_support::writeFile(fitsPath, wavHeader(1, 48000, 1, 8, 1, kMostFrames)
                                                         + QByteArray(kMostFrames, '\x80')));
    CountingSink counted;
    EXPECT_EQ(platform::decodeWavTo(fitsPath, 48000, 8, nullptr, counted), QString());
    EXPECT_EQ(counted.count, size_t{kMostFrames} * 8);
    const QByteArray oneMore = wavHeader(1, 48000, 1, 8, 1, kMostFrames + 1) + QByteArray(kMostFrames + 1, '\x80');
    const QString overBound = QStringLiteral("le son dure 1 min 25 s ; décodé pour la sortie son, il occuperait 129 Mo, "
                                             "plus que les 128 Mo permis");
    EXPECT_EQ(decodeWavData(oneMore, 48000, 8).error, overBound);
    const QString oneMorePath = dir.filePath(QStringLiteral("one_more.wav"));
    ASSERT_TRUE(testing_support::writeFile(oneMorePath, oneMore));
    EXPECT_EQ(decodeWav(oneMorePath, 48000, 8).error, overBound);
}

TEST(WavDecoding, HeaderEstimateCoversWhatEveryEncodingDecodesTo)
{
    // Files well beyond the fuzzer's inputs: the header's count of frames is never below
    // what the decoder gives, so the bound holds, and close to it, so no sound within the
    // bound is refused.
    const std::vector<std::tuple<const char *, int, int, QStringList>> encodings = {
        {"pcm8", 22050, 1, {"-b", "8", "-e", "unsigned-integer"}},
        {"pcm16_stereo", 44100, 2, {"-b", "16"}},
        {"pcm24", 48000, 1, {"-b", "24"}},
        {"float32", 96000, 2, {"-b", "32", "-e", "floating-point"}},
        {"ima_adpcm", 22050, 1, {"-e", "ima-adpcm"}},
        {"ms_adpcm", 22050, 2, {"-e", "ms-adpcm"}},
        {"mulaw", 8000, 1, {"-e", "mu-law"}},
        {"alaw", 8000, 2, {"-e", "a-law"}},
    };
    QTemporaryDir dir;
    for (const auto &[name, rate, channels, encoding] : encodings) {
        const QString file = dir.filePath(QLatin1String(name) + QStringLiteral(".wav"));
        const QStringList options = QStringList{QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"),
                                                QString::number(channels)} + encoding;
        ASSERT_TRUE(testing_support::makeTone(file, 440, 10.0, options)) << name;
        QFile bytes(file);
        ASSERT_TRUE(bytes.open(QIODevice::ReadOnly));
        const QByteArray content = bytes.readAll();
        EXPECT_GT(content.size(), 64 * 1024) << name;
        const platform::WavExtent extent = platform::wavExtent(content, rate, channels, content.size());
        ASSERT_TRUE(extent.known) << name;
        // At its own rate and channels the decoder gives its frames unchanged.
        const DecodedWav wav = decodeWav(file, rate, channels);
        ASSERT_TRUE(wav.ok()) << name << qPrintable(wav.error);
        const auto frames = static_cast<long long>(wav.samples.size()) / channels;
        EXPECT_GE(extent.frames, frames) << name;
        EXPECT_LE(extent.frames, frames + frames / 50 + 2048) << name;
        EXPECT_GE(extent.decodedBytes, static_cast<qint64>(wav.samples.size() * sizeof(float))) << name;
    }
}
