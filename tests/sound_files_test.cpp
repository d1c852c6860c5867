// SPDX-License-Identifier: GPL-3.0-or-later
#include "event_loop.h"
#include "fake_reading_window.h"
#include "timing/qt_delay_timer.h"
#include "sound/audio_player.h"
#include "reading/reading_run.h"
#include "sox_sounds.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using platform::AudioPlayer;
using reading::SoundProblem;
using testing_support::makeTone;

// These run on SDL's "dummy" output (set by ctest): real decoding and a real audio
// thread, with no sound server needed, even where one runs.
namespace {

const bool kSdlOutputOnly = qputenv("VIROD_SOUND_OUTPUT", "sdl");

// Counts completions; waits for them on the event loop, at most `timeoutMs`.
struct CompletionCounter
{
    explicit CompletionCounter(AudioPlayer &player)
    {
        player.setCompletionHandler([this] { ++count; });
    }
    bool waitFor(int expected, int timeoutMs)
    {
        return testing_support::spinUntil([&] { return count >= expected; }, timeoutMs);
    }
    void settle(int ms) { testing_support::spinFor(ms); }
    int count = 0;
};

class SoundFiles : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(player.prepare().has_value()) << "SDL dummy output should open"; }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    void writeBytes(const char *name, const QByteArray &bytes) const { testing_support::writeFile(path(name), bytes); }

    QTemporaryDir dir;
    AudioPlayer player;
};

struct Encoding
{
    const char *name;
    QStringList soxOptions;
};

} // namespace

TEST_F(SoundFiles, EveryWavEncodingDecodesAndPlaysToItsEnd)
{
    const std::vector<Encoding> encodings = {
        {"pcm8", {"-r", "22050", "-c", "1", "-b", "8", "-e", "unsigned-integer"}},
        {"pcm16_stereo", {"-r", "44100", "-c", "2", "-b", "16"}},
        {"pcm24", {"-r", "48000", "-c", "1", "-b", "24"}},
        {"pcm32", {"-r", "8000", "-c", "1", "-b", "32", "-e", "signed-integer"}},
        {"float32", {"-r", "44100", "-c", "1", "-b", "32", "-e", "floating-point"}},
        {"ima_adpcm", {"-r", "22050", "-c", "1", "-e", "ima-adpcm"}},
        {"ms_adpcm", {"-r", "22050", "-c", "1", "-e", "ms-adpcm"}},
        {"mulaw", {"-r", "8000", "-c", "1", "-e", "mu-law"}},
        {"alaw", {"-r", "8000", "-c", "1", "-e", "a-law"}},
    };
    CompletionCounter completions(player);
    int expected = 0;
    for (const Encoding &encoding : encodings) {
        const QString file = dir.filePath(QLatin1String(encoding.name) + QStringLiteral(".wav"));
        ASSERT_TRUE(makeTone(file, 440, 0.2, encoding.soxOptions)) << encoding.name;
        player.close();
        EXPECT_FALSE(player.open(file).has_value()) << encoding.name;
        // ADPCM fills its last block with silence; nothing of the sound may be lost.
        const bool adpcm = QByteArray(encoding.name).endsWith("adpcm");
        EXPECT_GE(player.loadedDurationMs(), 199.0) << encoding.name;
        EXPECT_LE(player.loadedDurationMs(), adpcm ? 250.0 : 201.0) << encoding.name;
        player.play();
        ++expected;
        EXPECT_TRUE(completions.waitFor(expected, 2000)) << encoding.name;
    }
    completions.settle(100);
    EXPECT_EQ(completions.count, expected) << "each sound ends exactly once";
}

TEST_F(SoundFiles, BrokenFilesAreReportedAndStillEndAtOnce)
{
    ASSERT_TRUE(makeTone(path("whole.wav"), 440, 0.5));
    QFile whole(path("whole.wav"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    writeBytes("header_only.wav", bytes.left(30));
    writeBytes("text.wav", "le caractere : x\r\nceci n'est pas un son\r\n");
    writeBytes("empty.wav", QByteArray());

    CompletionCounter completions(player);
    int expected = 0;
    for (const char *name : {"header_only.wav", "text.wav", "empty.wav", "missing.wav", ".wav"}) {
        player.close();
        const std::optional<SoundProblem> problem = player.open(path(name));
        ASSERT_TRUE(problem.has_value()) << name;
        EXPECT_EQ(problem->kind, SoundProblem::Kind::BadFile) << name;
        EXPECT_EQ(problem->path, path(name));
        EXPECT_FALSE(problem->reason.isEmpty());
        player.play();
        EXPECT_EQ(completions.count, expected) << "never from inside play(): " << name;
        ++expected;
        EXPECT_TRUE(completions.waitFor(expected, 200)) << name;
    }
    EXPECT_TRUE(player.open(path("missing.wav"))->reason.contains(QStringLiteral("n'existe pas")));
}

TEST_F(SoundFiles, TruncatedWavNeverHangs)
{
    ASSERT_TRUE(makeTone(path("whole.wav"), 440, 0.5));
    QFile whole(path("whole.wav"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    writeBytes("truncated.wav", whole.readAll().left(10000));

    CompletionCounter completions(player);
    const std::optional<SoundProblem> problem = player.open(path("truncated.wav"));
    // Whether SDL plays what is there or refuses it, the sound ends.
    if (!problem) {
        EXPECT_LT(player.loadedDurationMs(), 500.0);
    }
    player.play();
    EXPECT_TRUE(completions.waitFor(1, 1500));
}

TEST_F(SoundFiles, ClosedSoundDoesNotEnd)
{
    ASSERT_TRUE(makeTone(path("long.wav"), 440, 1.0));
    CompletionCounter completions(player);
    ASSERT_FALSE(player.open(path("long.wav")).has_value());
    player.play();
    completions.settle(100);
    player.close();
    completions.settle(1800);
    EXPECT_EQ(completions.count, 0);
}

// A sound file changed since the last Read is decoded again; one changed while reading,
// within a second.
TEST_F(SoundFiles, ChangedFileIsDecodedAgain)
{
    ASSERT_TRUE(makeTone(path("s.wav"), 440, 0.1));
    ASSERT_FALSE(player.open(path("s.wav")).has_value());
    EXPECT_NEAR(player.loadedDurationMs(), 100.0, 2.0);
    QFile::remove(path("s.wav"));
    ASSERT_TRUE(makeTone(path("s.wav"), 440, 0.3));
    ASSERT_FALSE(player.prepare().has_value()); // the next Read
    ASSERT_FALSE(player.open(path("s.wav")).has_value());
    EXPECT_NEAR(player.loadedDurationMs(), 300.0, 2.0);

    // The same number of bytes at half the rate: only the time it was written tells.
    ASSERT_TRUE(makeTone(path("same.wav"), 440, 0.2, {"-r", "16000", "-c", "1", "-b", "16"}));
    ASSERT_FALSE(player.open(path("same.wav")).has_value());
    EXPECT_NEAR(player.loadedDurationMs(), 200.0, 2.0);
    const qint64 size = QFileInfo(path("same.wav")).size();
    const QDateTime written = QFileInfo(path("same.wav")).lastModified();
    ASSERT_TRUE(makeTone(path("same.wav"), 440, 0.4, {"-r", "8000", "-c", "1", "-b", "16"}));
    ASSERT_EQ(QFileInfo(path("same.wav")).size(), size);
    QFile rewritten(path("same.wav"));
    ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
    ASSERT_TRUE(rewritten.setFileTime(written.addSecs(2), QFileDevice::FileModificationTime));
    rewritten.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_FALSE(player.open(path("same.wav")).has_value());
    EXPECT_NEAR(player.loadedDurationMs(), 400.0, 2.0);
    // A folder is not a sound, whatever its name.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    EXPECT_TRUE(player.open(path("folder.wav"))->reason.contains(QStringLiteral("pas un fichier")));
}

// A sound of over a megabyte is decoded away from the window's thread: open() returns
// before it is decoded, play() waits for it, and it is heard whole.
TEST_F(SoundFiles, LargeSoundIsDecodedInTheBackgroundAndPlaysWhole)
{
    ASSERT_TRUE(makeTone(path("long.wav"), 440, 3.0, {"-r", "48000", "-c", "2", "-b", "32", "-e", "floating-point"}));
    ASSERT_GT(QFileInfo(path("long.wav")).size(), platform::DecodedSounds::kDecodeHereBytes);
    CompletionCounter completions(player);
    ASSERT_FALSE(player.open(path("long.wav")).has_value());
    EXPECT_EQ(player.loadedDurationMs(), 0.0);
    player.play();
    EXPECT_TRUE(completions.waitFor(1, 8000));
    EXPECT_NEAR(player.loadedDurationMs(), 3000.0, 1.0);
    completions.settle(100);
    EXPECT_EQ(completions.count, 1);
}

// Only the decoder can tell that a large file's encoding is unknown: the problem comes
// late, through its own handler, and the sound still ends.
TEST_F(SoundFiles, LargeUndecodableSoundIsToldLateAndStillEnds)
{
    QByteArray wav("RIFF\0\0\0\0WAVEfmt ", 16);
    const auto u16 = [&](int v) { wav.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    const auto u32 = [&](qint64 v) { u16(int(v & 0xffff)); u16(int((v >> 16) & 0xffff)); };
    u32(16);
    u16(0x55); // MP3 in a WAV: not something SDL decodes
    u16(2);
    u32(44100);
    u32(176400);
    u16(4);
    u16(16);
    const QByteArray body(2 * 1024 * 1024, '\x11');
    wav.append("data", 4);
    u32(body.size());
    wav.append(body);
    writeBytes("mp3.wav", wav);

    CompletionCounter completions(player);
    std::vector<SoundProblem> late;
    player.setLateProblemHandler([&](const SoundProblem &problem) { late.push_back(problem); });
    ASSERT_FALSE(player.open(path("mp3.wav")).has_value());
    player.play();
    EXPECT_TRUE(completions.waitFor(1, 5000));
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].kind, SoundProblem::Kind::BadFile);
    EXPECT_EQ(late[0].path, path("mp3.wav"));
    EXPECT_FALSE(late[0].reason.isEmpty());
}

TEST(NoSoundOutput, ReadingGoesOnWithOneMessageAndTheNextReadFindsTheOutput)
{
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    QTemporaryDir dir;
    ASSERT_TRUE(testing_support::writeFile(dir.filePath(QStringLiteral("kaloncor.ref")), "a son_a\r\nb son_b"));
    ASSERT_TRUE(testing_support::writeFile(dir.filePath(QStringLiteral("test.txt")), "abab"));
    ASSERT_TRUE(makeTone(dir.filePath(QStringLiteral("son_a.wav")), 440, 0.05));
    ASSERT_TRUE(makeTone(dir.filePath(QStringLiteral("son_b.wav")), 660, 0.05));

    AudioPlayer player;
    platform::QtDelayTimer timer;
    testing_support::FakeReadingWindow window;
    window.useFolder(dir.path(), QStringLiteral("5"));
    reading::ReadingRun run(window, player, timer);
    run.loadSoundTable();
    run.preparePlayer();
    EXPECT_FALSE(player.hasOutput());

    run.read();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.messages[0].text.contains(QStringLiteral("Aucune sortie son")));
    window.answer();
    EXPECT_TRUE(testing_support::spinUntil([&] { return !run.isRunning(); }, 3000));
    EXPECT_EQ(window.messages.size(), 1u);

    // The sound server has come up since: the next Read is heard, with no message.
    qputenv("SDL_AUDIODRIVER", "dummy");
    run.read();
    EXPECT_TRUE(player.hasOutput());
    EXPECT_TRUE(testing_support::spinUntil([&] { return !run.isRunning(); }, 3000));
    EXPECT_EQ(window.messages.size(), 1u);
}
