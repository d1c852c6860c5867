// SPDX-License-Identifier: GPL-3.0-or-later
#include "event_loop.h"
#include "sound/decoded_sounds.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <algorithm>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using platform::DecodedSounds;
using platform::OutputSound;
using testing_support::spinUntil;

// A sound of a few minutes is decoded in the background: these drive the decoding by
// hand, with a decoder that hands over its first piece and then waits for the test.
namespace {

constexpr int kRate = 1000;
constexpr int kChannels = 1;
constexpr std::size_t kSoundSamples = 10 * kRate; // ten seconds

struct HeldDecoder
{
    std::mutex mutex;
    std::condition_variable released;
    bool goOn = false;

    void hold()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        goOn = false;
    }
    void release()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        goOn = true;
        released.notify_all();
    }
};
// Shared with decoding threads that may outlive a test, so never destroyed.
HeldDecoder &g_decoder = *new HeldDecoder;

// The first second at once, then the rest once released, unless abandoned meanwhile.
QString decodeHeld(const QString &, int, int, const std::atomic<bool> *cancel, platform::DecodedSamplesSink &sink)
{
    sink.begin(kSoundSamples);
    const std::vector<float> second(kRate, 0.5f);
    sink.append(second.data(), second.size());
    std::unique_lock<std::mutex> lock(g_decoder.mutex);
    g_decoder.released.wait(lock, [] { return g_decoder.goOn; });
    for (std::size_t done = second.size(); done < kSoundSamples; done += second.size()) {
        if (cancel->load())
            return QStringLiteral("lecture abandonnée");
        sink.append(second.data(), second.size());
    }
    return {};
}

QString noProblem(const QByteArray &)
{
    return {};
}

const platform::SoundModule kHeldModule{nullptr, &decodeHeld, &noProblem, nullptr};

class LongSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_decoder.hold();
        // Large enough to be decoded in the background; the held decoder reads none of it.
        ASSERT_TRUE(testing_support::writeFile(path, QByteArray(2 * DecodedSounds::kDecodeHereBytes, '\0')));
        sounds.setModule(&kHeldModule);
        sounds.setFormat(kRate, kChannels);
        sounds.setPlayableHandler([this](const QString &, std::shared_ptr<const OutputSound> sound) { playable = sound; });
        sounds.setFailedHandler([this](const QString &, const QString &error) { failures << error; });
    }
    void TearDown() override { g_decoder.release(); }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("long.wav"));
    DecodedSounds sounds;
    std::shared_ptr<const OutputSound> playable;
    QStringList failures;
};

} // namespace

TEST_F(LongSound, IsPlayableFromItsFirstPieceAndKeptOnceWhole)
{
    EXPECT_TRUE(sounds.find(path).decoding);
    ASSERT_TRUE(spinUntil([&] { return playable != nullptr; }, 5000));
    EXPECT_EQ(playable->size(), kSoundSamples);
    EXPECT_EQ(playable->ready(), std::size_t{kRate}); // the rest is still on its way

    g_decoder.release();
    ASSERT_TRUE(spinUntil([&] { return playable->isWhole(); }, 5000));
    spinUntil([] { return false; }, 50); // the end of the decoding reaches the cache
    const DecodedSounds::Found again = sounds.find(path);
    EXPECT_FALSE(again.decoding);
    EXPECT_EQ(again.samples, playable);
    EXPECT_TRUE(failures.isEmpty());
}

// A sound abandoned while it arrives (Stop, another sound, Quit) is made whole with
// silence, so that no output waits for samples that will never come; nobody is told.
TEST_F(LongSound, AbandonedWhileArrivingEndsInSilenceAndIsNotKept)
{
    sounds.find(path);
    ASSERT_TRUE(spinUntil([&] { return playable != nullptr; }, 5000));
    sounds.abandon();
    g_decoder.release();
    ASSERT_TRUE(spinUntil([&] { return playable->isWhole(); }, 5000));
    EXPECT_EQ(playable->data()[kRate - 1], 0.5f);
    EXPECT_TRUE(std::all_of(playable->data() + kRate, playable->data() + kSoundSamples, [](float sample) {
        return sample == 0.0f;
    }));
    spinUntil([] { return false; }, 50);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(sounds.find(path).decoding); // decoded afresh, not taken from the cache
}
