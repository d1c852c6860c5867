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

// Sum of the levels of the `frames` frames before frame `end`.
double energyBefore(const DecodedWav &wav, size_t end, size_t frames)
{
    double sum = 0;
    for (size_t i = (end - frames) * kChannels; i < end * kChannels; ++i)
        sum += std::fabs(wav.samples[i]);
    return sum;
}

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
