// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/messages.h"
#include "reading_rig.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <utility>

using reading::MessageAnswer;
using reading::MessageButtons;
using reading::ReadingEnd;
using testing_support::ReadingRig;

namespace {

constexpr int kSound = 300; // default fake sound length
constexpr int kDelay = 100;

class ReadingRunTest : public ::testing::Test
{
protected:
    void SetUp() override { rig.start(); }

    QStringList sounds(std::initializer_list<const char *> names) const
    {
        QStringList paths;
        for (const char *name : names)
            paths << rig.sound(QLatin1String(name));
        return paths;
    }

    ReadingRig rig;
};

} // namespace

TEST_F(ReadingRunTest, ReadsEachCharacterAfterTheSoundAndDelayBeforeIt)
{
    rig.readCorrection("abc");
    EXPECT_TRUE(rig.window.runningButtons);
    EXPECT_EQ(rig.window.shownText, U"abc");
    EXPECT_EQ(rig.run.currentSoundName(), QStringLiteral("son_a"));

    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b", "son_c"}));
    const auto &starts = rig.player.starts();
    EXPECT_EQ(starts[1].at - starts[0].at, kSound + kDelay);
    EXPECT_EQ(starts[2].at - starts[1].at, kSound + kDelay);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_FALSE(rig.window.runningButtons);
    EXPECT_EQ(rig.run.flags().stopFlag, 0);
}

TEST_F(ReadingRunTest, PlayWavClosesThenOpensFolderPlusNamePlusWavThenPlays)
{
    rig.readCorrection("a");
    const QStringList commands = rig.player.commands();
    ASSERT_GE(commands.size(), 4);
    EXPECT_EQ(commands.mid(commands.size() - 3),
              QStringList({QStringLiteral("Close"), QStringLiteral("Open ") + rig.sound(QStringLiteral("son_a")),
                           QStringLiteral("play")}));
    EXPECT_EQ(rig.run.flags().playingFlag, 1);
}

TEST_F(ReadingRunTest, HighlightCoversTheCharactersBeforeTheAwaitedOne)
{
    rig.readCorrection("abc");
    // Character 2 is awaited while the first sound plays: one character highlighted.
    EXPECT_EQ(rig.window.lastHighlight(), 1);
    rig.clock.advance(kSound + kDelay);
    EXPECT_EQ(rig.window.lastHighlight(), 2);
    rig.clock.advance(10 * (kSound + kDelay));
    // After the run, all characters but the last.
    EXPECT_EQ(rig.window.lastHighlight(), 2);
    EXPECT_EQ(rig.window.highlights, (std::vector<int>{0, 1, 2}));
}

TEST_F(ReadingRunTest, CorrectionEndingWithALineEndLeavesAllButTheLastCharacterHighlighted)
{
    // The trainer ends its corrections with CR LF, which have no sound: passing over them
    // at the end still moves the highlight up to the last one.
    rig.readCorrection("ab\r\n");
    rig.clock.advance(10 * (kSound + kDelay));
    ASSERT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 3);
}

TEST_F(ReadingRunTest, RunEndsWithoutWaitingForItsLastSound)
{
    rig.readCorrection("a");
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_FALSE(rig.window.runningButtons);
    EXPECT_TRUE(rig.player.isPlaying());

    // A new run waits for that sound and its delay before its first character.
    rig.readCorrection("b");
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.clock.advance(kSound + kDelay);
    ASSERT_EQ(rig.player.starts().size(), 2u);
    EXPECT_EQ(rig.player.starts()[1].at - rig.player.starts()[0].at, kSound + kDelay);
}

// The output is held from Read to the end of the run, through a pause of any length,
// and let go once, when the run ends.
TEST_F(ReadingRunTest, OutputIsHeldFromReadUntilTheRunEnds)
{
    rig.readCorrection("ab");
    rig.run.togglePause();
    rig.clock.advance(120000);
    EXPECT_TRUE(rig.run.isRunning());
    EXPECT_EQ(rig.player.releases(), 0);
    rig.run.togglePause();
    rig.clock.advance(kSound + kDelay);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.player.releases(), 1);
}

TEST_F(ReadingRunTest, CrLfIsPassedOverSilently)
{
    rig.readCorrection("a\r\nb\nc\r");
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b", "son_c"}));
    EXPECT_TRUE(rig.window.messages.empty());
    // Line breaks add no sound and no delay.
    EXPECT_EQ(rig.player.starts()[1].at - rig.player.starts()[0].at, kSound + kDelay);
}

TEST_F(ReadingRunTest, MissingCharacterIsReportedAtEachOccurrence)
{
    rig.readCorrection("xaxbx");
    for (int i = 0; i < 3; ++i) {
        rig.clock.advance(kSound + kDelay);
        ASSERT_TRUE(rig.window.hasOpenMessage()) << "occurrence " << i;
        EXPECT_EQ(rig.window.messages.back().text, reading::missingSoundMessage(U'x'));
        EXPECT_EQ(rig.window.messages.back().buttons, MessageButtons::OkOrStopReading);
        rig.window.answer(MessageAnswer::Ok);
    }
    rig.clock.advance(kSound + kDelay);
    EXPECT_EQ(rig.window.messages.size(), 3u);
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
    EXPECT_FALSE(rig.run.isRunning());
}

TEST_F(ReadingRunTest, MissingSoundMessageHasTheUsualWording)
{
    EXPECT_EQ(reading::missingSoundMessage(U'é'),
              QStringLiteral("le caractere : é n'a pas de fichier .wav associé dans la table kaloncor.ref, "
                             "editez cette table et associez lui un fichier wav "));
    EXPECT_EQ(reading::kMessageCaption, QStringLiteral("Virod idadidavir"));
    // A character that cannot be seen is named by its code after it; the wording stays.
    EXPECT_EQ(reading::missingSoundMessage(U'\u00A0'),
              QStringLiteral("le caractere : \u00A0 U+00A0 n'a pas de fichier .wav associé dans la table kaloncor.ref, "
                             "editez cette table et associez lui un fichier wav "));
    const std::pair<char32_t, const char *> invisible[] = {
        {U'\u202F', " U+202F "}, {U'\t', " U+0009 "}, {U'\u0301', " U+0301 "}, {U'\u00AD', " U+00AD "},
        {U'\u2028', " U+2028 "}, {U'\U000E0001', " U+E0001 "},
    };
    for (const auto &[character, code] : invisible)
        EXPECT_TRUE(reading::missingSoundMessage(character).contains(QLatin1String(code))) << code;
    for (const char32_t seen : {U' ', U'x', U'\u20AC', U'\u00B7'})
        EXPECT_FALSE(reading::missingSoundMessage(seen).contains(QStringLiteral("U+"))) << static_cast<unsigned>(seen);
}

TEST_F(ReadingRunTest, MessageHoldsTheRunUntilClosed)
{
    rig.readCorrection("xa");
    ASSERT_TRUE(rig.window.hasOpenMessage());
    rig.clock.advance(10 * kSound);
    EXPECT_TRUE(rig.player.starts().empty());
    rig.window.answer(MessageAnswer::Ok);
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a"}));
}

TEST_F(ReadingRunTest, StopReadingFromTheMessageActsAsStop)
{
    rig.readCorrection("xxxxab");
    rig.window.answer(MessageAnswer::StopReading);
    EXPECT_FALSE(rig.window.hasOpenMessage());
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.player.starts().empty());
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 5);
    EXPECT_EQ(rig.run.flags().stopFlag, 0);
}

TEST_F(ReadingRunTest, StopDuringASoundStillReadsTheNextCharacterOnly)
{
    rig.readCorrection("abcab");
    rig.clock.advance(kSound / 2);
    rig.run.stop();
    EXPECT_EQ(rig.run.flags().stopFlag, 5);
    EXPECT_FALSE(rig.window.runningButtons);
    EXPECT_FALSE(rig.window.readEnabled) << "no second run while the stopped one waits";

    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
    EXPECT_EQ(rig.player.starts()[1].at, kSound + kDelay + rig.player.starts()[0].at);
    EXPECT_EQ(rig.player.withdrawn().first(), rig.sound(QStringLiteral("son_c"))) << "c is not due, b still is";
    EXPECT_EQ(rig.window.lastHighlight(), 4);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_TRUE(rig.window.readEnabled);
    EXPECT_EQ(rig.run.flags().stopFlag, 0);
}

// The next sound lies past a line break: its stop test comes after the Stop, so the
// sound handed ahead is withdrawn before it is heard.
TEST_F(ReadingRunTest, StopDuringASoundWithdrawsASoundHandedAheadPastALineBreak)
{
    rig.readCorrection("a\r\nb");
    ASSERT_EQ(rig.player.handed().size(), 1u);
    rig.clock.advance(kSound / 2);
    rig.run.stop();
    EXPECT_EQ(rig.player.withdrawn(), sounds({"son_b"}));
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a"}));
    EXPECT_FALSE(rig.run.isRunning());
}

TEST_F(ReadingRunTest, StopDuringASoundStillReportsAMissingNextCharacter)
{
    rig.readCorrection("axb");
    rig.run.stop();
    rig.clock.advance(kSound + kDelay);
    ASSERT_TRUE(rig.window.hasOpenMessage());
    rig.window.answer(MessageAnswer::StopReading); // a second Stop of the same reading
    rig.clock.advance(10 * kSound);
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a"}));
    EXPECT_FALSE(rig.run.isRunning());
    // Screen readers hear the stop once: it was already told.
    EXPECT_EQ(rig.window.told, std::vector<ReadingEnd>{ReadingEnd::Stopped});
}

TEST_F(ReadingRunTest, PauseDuringASoundHoldsAfterTheNextSound)
{
    rig.readCorrection("abcb");
    rig.run.togglePause();
    EXPECT_EQ(rig.window.pauseCaption, QStringLiteral("Reprise"));
    EXPECT_EQ(rig.run.flags().pauseFlag, 1);

    rig.clock.advance(20 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
    EXPECT_TRUE(rig.run.isRunning());
    // b and c went ahead; b was taken up, c withdrawn as the run held.
    ASSERT_EQ(rig.player.handed().size(), 2u);
    EXPECT_EQ(rig.player.withdrawn(), sounds({"son_c"}));

    const int focusBefore = rig.window.focusRequests;
    rig.run.togglePause();
    EXPECT_EQ(rig.window.pauseCaption, QStringLiteral("Pause"));
    EXPECT_EQ(rig.window.focusRequests, focusBefore + 1);
    // The sound and delay are long over: the next character goes at once.
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b", "son_c"}));
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths().size(), 4);
}

TEST_F(ReadingRunTest, PauseIsNotHonouredOnSkippedOrMissingCharacters)
{
    rig.readCorrection("a\r\nxb");
    rig.run.togglePause();
    rig.clock.advance(kSound + kDelay);
    ASSERT_TRUE(rig.window.hasOpenMessage());
    rig.window.answer();
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
}

TEST_F(ReadingRunTest, ResumeDuringTheHeldSoundWaitsForItAndItsDelay)
{
    rig.readCorrection("ab");
    rig.run.togglePause();
    rig.clock.advance(kSound / 2);
    rig.run.togglePause();
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.clock.advance(kSound / 2 + kDelay);
    EXPECT_EQ(rig.player.starts().size(), 2u);
}

TEST_F(ReadingRunTest, StopWhilePausedPlaysNothingMore)
{
    rig.readCorrection("abcab");
    rig.run.togglePause();
    rig.clock.advance(5 * (kSound + kDelay));
    ASSERT_EQ(rig.player.starts().size(), 2u);
    rig.run.stop();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.starts().size(), 2u);
    EXPECT_EQ(rig.window.pauseCaption, QStringLiteral("Pause"));
    EXPECT_EQ(rig.run.flags().pauseFlag, 0);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 4);
}

TEST_F(ReadingRunTest, ReadAgainAfterAnEndedRunStartsUnpausedAndUnstopped)
{
    rig.readCorrection("ab");
    rig.run.stop();
    rig.clock.advance(10 * (kSound + kDelay));
    ASSERT_FALSE(rig.run.isRunning());
    rig.readCorrection("c");
    rig.clock.advance(kSound + kDelay);
    EXPECT_EQ(rig.player.playedPaths().last(), rig.sound(QStringLiteral("son_c")));
}

TEST_F(ReadingRunTest, SecondReadDuringARunIsIgnored)
{
    rig.readCorrection("ab");
    rig.run.read();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
}

TEST_F(ReadingRunTest, EmptyOrAbsentCorrectionEndsAtOnce)
{
    rig.window.shownText = U"old";
    rig.readCorrection("");
    EXPECT_TRUE(rig.window.shownText.empty());
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_FALSE(rig.window.runningButtons);

    rig.window.Text3 = rig.dir.filePath(QStringLiteral("absent.txt"));
    rig.run.read();
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_TRUE(QFileInfo::exists(rig.window.Text3));
    EXPECT_TRUE(rig.player.starts().empty());
    EXPECT_TRUE(rig.window.messages.empty());
}

TEST_F(ReadingRunTest, UnreadableCorrectionIsToldAndNoRunStarts)
{
    rig.window.Text3 = rig.dir.filePath(QStringLiteral("no/such/folder/test.txt"));
    rig.run.read();
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.window.messages[0].text.contains(QStringLiteral("no/such/folder/test.txt")));
    EXPECT_TRUE(rig.window.messages[0].text.contains(QStringLiteral("n'existe pas")));
    EXPECT_EQ(rig.window.messages[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_FALSE(rig.window.runningButtons);
}

TEST_F(ReadingRunTest, Utf8AndWindows1252CorrectionsReadTheSameCharacters)
{
    rig.writeFile(QStringLiteral("kaloncor.ref"), "\xE9 e_aigu\r\n\x80 euro");
    rig.run.loadSoundTable();
    rig.readCorrection("\xC3\xA9\xE2\x82\xAC"); // é€ in UTF-8
    rig.clock.advance(10 * (kSound + kDelay));
    rig.readCorrection("\xE9\x80"); // é€ in Windows-1252
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"e_aigu", "euro", "e_aigu", "euro"}));
    EXPECT_TRUE(rig.window.messages.empty());
}

TEST_F(ReadingRunTest, StopWithThousandsOfCharactersLeftEndsInOneStep)
{
    rig.readCorrection("a" + QByteArray(100000, 'b'));
    rig.run.stop();
    rig.clock.advance(kSound + kDelay);
    rig.clock.advance(kSound + kDelay);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 100000);
    EXPECT_LT(rig.window.highlights.size(), 10u);
}

// 300,000 line breaks, then two characters with a sound.
const QByteArray kLongRunOfLineBreaks = QByteArray("\r\n").repeated(150000) + "ab";

TEST_F(ReadingRunTest, LongRunOfLineBreaksIsWalkedInSlicesThenReadAsBefore)
{
    rig.readCorrection(kLongRunOfLineBreaks);
    // Read returns to the event loop inside the run, before any sound.
    EXPECT_TRUE(rig.run.isRunning());
    EXPECT_TRUE(rig.resumeLater.isPending());
    EXPECT_TRUE(rig.player.starts().empty());
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.playedPaths(), sounds({"son_a", "son_b"}));
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_GE(rig.resumeLater.scheduled, 4);
    // The highlight is set once per slice, not once per line break.
    EXPECT_LT(rig.window.highlights.size(), 20u);
    EXPECT_EQ(rig.window.lastHighlight(), static_cast<int>(kLongRunOfLineBreaks.size()) - 1);
}

TEST_F(ReadingRunTest, StopDuringARunOfLineBreaksActsAtTheNextCharacter)
{
    rig.readCorrection(kLongRunOfLineBreaks);
    ASSERT_TRUE(rig.resumeLater.isPending());
    rig.run.stop();
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_FALSE(rig.resumeLater.isPending());
    EXPECT_EQ(rig.window.lastHighlight(), static_cast<int>(kLongRunOfLineBreaks.size()) - 1);
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_TRUE(rig.player.starts().empty());
}

TEST(ReadingRunSoundProblems, MissingSoundFolderIsToldOncePerRun)
{
    ReadingRig rig;
    rig.start();
    rig.window.Text4 = rig.dir.filePath(QStringLiteral("absent")) + QLatin1Char('/');
    for (const char *name : {"son_a", "son_b", "son_c"})
        rig.player.setBadFile(rig.sound(QLatin1String(name)), QStringLiteral("le fichier n'existe pas"));
    rig.readCorrection("abcab");
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.window.messages[0].text,
              reading::soundFolderMissingMessage(rig.dir.filePath(QStringLiteral("absent"))));
    EXPECT_TRUE(rig.window.messages[0].text.startsWith(QStringLiteral("Le dossier des sons")));
    rig.window.answer();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_FALSE(rig.run.isRunning());
}

TEST(ReadingRunStartup, UnreadableSoundTableIsToldAndLeavesOneEmptyRow)
{
    ReadingRig rig;
    rig.window.Text4 = rig.dir.filePath(QStringLiteral("missing-folder")) + QLatin1Char('/');
    rig.start();
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.window.messages[0].text.contains(QStringLiteral("kaloncor.ref")));
    ASSERT_EQ(rig.run.soundTable().rows().size(), 1u);
    EXPECT_TRUE(rig.run.soundTable().rows()[0].empty());

    rig.window.answer();
    rig.readCorrection("a");
    EXPECT_EQ(rig.window.messages.back().text, reading::missingSoundMessage(U'a'));
}

TEST(ReadingRunStartup, AbsentTableIsCreatedEmpty)
{
    ReadingRig rig;
    QFile::remove(rig.dir.filePath(QStringLiteral("kaloncor.ref")));
    rig.start();
    EXPECT_TRUE(rig.window.messages.empty());
    EXPECT_TRUE(QFileInfo::exists(rig.dir.filePath(QStringLiteral("kaloncor.ref"))));
}

TEST(ReadingRunSoundProblems, BadFileIsToldOncePerRunAndDoesNotHang)
{
    ReadingRig rig;
    rig.player.setBadFile(rig.sound(QStringLiteral("son_a")), QStringLiteral("ce n'est pas un fichier WAV"));
    rig.start();
    rig.readCorrection("aba");
    ASSERT_TRUE(rig.window.hasOpenMessage());
    const auto &message = rig.window.messages.back();
    EXPECT_TRUE(message.text.contains(rig.sound(QStringLiteral("son_a"))));
    EXPECT_TRUE(message.text.contains(QStringLiteral("ce n'est pas un fichier WAV")));
    EXPECT_EQ(message.buttons, MessageButtons::OkOrStopReading);
    rig.window.answer();
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.player.playedPaths(), QStringList{rig.sound(QStringLiteral("son_b"))});
    EXPECT_FALSE(rig.run.isRunning());

    // A new run tells it again.
    rig.readCorrection("a");
    EXPECT_EQ(rig.window.messages.size(), 2u);
}

TEST(ReadingRunSoundProblems, NoOutputIsToldOnceAndTheReadingGoesOnSilently)
{
    ReadingRig rig;
    rig.player.setNoOutput(true);
    rig.start();
    rig.readCorrection("abcabc");
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.window.messages[0].text.contains(QStringLiteral("Aucune sortie son")));
    rig.window.answer();
    rig.clock.advance(6 * kDelay);
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_FALSE(rig.run.isRunning());
}

TEST(ReadingRunSoundProblems, StopReadingFromASoundProblemStops)
{
    ReadingRig rig;
    rig.player.setNoOutput(true);
    rig.start();
    rig.readCorrection("abcabc");
    rig.window.answer(MessageAnswer::StopReading);
    rig.clock.advance(10 * kDelay);
    EXPECT_FALSE(rig.run.isRunning());
    EXPECT_EQ(rig.window.lastHighlight(), 5);
}

TEST(ReadingRunShutDown, NothingActsAfterShutDown)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("abc");
    rig.run.shutDown();
    EXPECT_EQ(rig.run.flags().stopFlag, 5);
    EXPECT_FALSE(rig.player.isPlaying());
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.run.read();
    EXPECT_EQ(rig.player.starts().size(), 1u);
}

TEST(ReadingRunFileNames, TableSoundsAndCorrectionInAnotherCaseAreFoundAndRead)
{
    ReadingRig rig;
    // A set made on Windows: every name in upper case, the correction's capitalised.
    const QString set = rig.dir.filePath(QStringLiteral("set"));
    ASSERT_TRUE(QDir().mkpath(set));
    ASSERT_TRUE(testing_support::writeFile(set + QStringLiteral("/KALONCOR.REF"), "a son_a\r\nb son_b"));
    for (const char *name : {"/SON_A.WAV", "/son_b.wav", "/SON_B.WAV"})
        ASSERT_TRUE(testing_support::writeFile(set + QLatin1String(name), "RIFF"));
    ASSERT_TRUE(testing_support::writeFile(set + QStringLiteral("/Test.txt"), "ab"));
    rig.window.useFolder(set);
    rig.start();
    rig.run.read();
    rig.clock.advance(10 * (kSound + kDelay));

    EXPECT_TRUE(rig.window.messages.empty());
    EXPECT_EQ(rig.player.playedPaths(), (QStringList{set + QStringLiteral("/SON_A.WAV"), set + QStringLiteral("/son_b.wav")}));
    EXPECT_EQ(QDir(set).entryList(QDir::Files).size(), 5); // nothing created beside them
}

TEST(ReadingRunSoundProblems, LastSoundFoundUnplayableAfterTheRunIsOverIsStillTold)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("a");
    ASSERT_FALSE(rig.run.isRunning());
    const reading::SoundProblem late{reading::SoundProblem::Kind::BadFile, rig.sound(QStringLiteral("son_a")),
                                     QStringLiteral("le son dure 9 min 0 s")};
    rig.player.reportLate(late);
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.window.messages[0].text, reading::soundFileProblemMessage(late.path, late.reason));
    rig.window.answer();
    rig.run.shutDown();
    rig.player.reportLate(late);
    EXPECT_EQ(rig.window.messages.size(), 1u);
}

// A problem found while a sound plays opens a message, which holds everything: the sound
// handed ahead is withdrawn, and played once the message is closed.
TEST(ReadingRunSoundProblems, ProblemFoundDuringASoundWithdrawsTheSoundHandedAhead)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("ab");
    ASSERT_EQ(rig.player.handed().size(), 1u);
    rig.player.reportLate({reading::SoundProblem::Kind::BadFile, rig.sound(QStringLiteral("son_a")),
                           QStringLiteral("le son dure 9 min 0 s")});
    ASSERT_TRUE(rig.window.hasOpenMessage());
    EXPECT_EQ(rig.player.withdrawn(), QStringList{rig.sound(QStringLiteral("son_b"))});
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.starts().size(), 1u);
    rig.window.answer();
    EXPECT_EQ(rig.player.starts().size(), 2u);
    EXPECT_EQ(rig.player.starts()[1].at, rig.clock.now());
}

// An output that stops playing holds the reading (its sound does not end) and is told
// once, in words that claim no missing output.
TEST(ReadingRunSoundProblems, OutputThatStopsPlayingIsToldOncePerRun)
{
    ReadingRig rig;
    rig.start();
    rig.readCorrection("abc");
    const reading::SoundProblem stalled{reading::SoundProblem::Kind::OutputStalled, QString(),
                                        QStringLiteral("le serveur de son ne joue plus les sons")};
    rig.player.reportLate(stalled);
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.window.messages[0].text, reading::outputStalledMessage(stalled.reason));
    EXPECT_FALSE(rig.window.messages[0].text.contains(QStringLiteral("Aucune sortie")));
    rig.window.answer();
    rig.player.reportLate(stalled);
    EXPECT_EQ(rig.window.messages.size(), 1u);
    rig.clock.advance(10 * (kSound + kDelay));
    EXPECT_EQ(rig.player.starts().size(), 3u);
}
