// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/playback_pacer.h"
#include "reading/reading_flags.h"
#include "reading/reading_window.h"
#include "reading/resume_later.h"
#include "reading/sound_table.h"

#include <QSet>
#include <chrono>
#include <string>
#include <vector>

namespace reading {

// The Read command: shows the correction, then walks it one character at a time,
// saying each character's sound and waiting for its end and the reading delay.
//
// The walk is event-driven: it goes as far as it can, and resumes when what it waits
// for happens (the sound and its delay over, Resume, Stop, a message box closed).
// It holds at these points and nowhere else:
//  - before each character: the stop test, then the wait for the previous sound;
//  - after starting a sound: while paused;
//  - while a message box is open.
// A long stretch without a hold (a run of line breaks) is walked in slices, handing
// control back to the event loop between them, when a ResumeLater is given.
class ReadingRun
{
public:
    ReadingRun(ReadingWindow &window, SoundPlayer &player, DelayTimer &timer, ResumeLater *resumeLater = nullptr);

    // Start-up: the sound table from Text4 + "kaloncor.ref", then the player.
    void loadSoundTable();
    void preparePlayer();

    void read();        // Read ("Lire la correction")
    // Reads characters [from, to) of the correction shown, with the same pacing, holds
    // and highlight; with nothing shown yet, reads the file from its start.
    void readPart(size_t from, size_t to);
    // Reads the parts [from, to) of the correction shown one after the other, as
    // readPart does, with a pause of at least twice the reading delay between two
    // parts; with nothing shown yet, shows the file's correction first.
    struct Part
    {
        size_t from = 0;
        size_t to = 0;
    };
    void readParts(std::vector<Part> parts);
    // The correction shown, as read (empty before the first reading).
    const platform::CharacterText &correction() const { return m_text; }
    // Shows the correction of the field as Read does, without reading it aloud, so that
    // a part of it can be read; tells the user when it cannot be read. Not while a
    // reading runs.
    bool open();
    void stop();        // Stop
    void togglePause(); // Pause / Resume
    // Shut-down: stop requested, player closed; nothing acts afterwards.
    void shutDown();

    bool isRunning() const { return m_running; }
    ReadingFlags &flags() { return m_flags; }
    const ReadingFlags &flags() const { return m_flags; }
    const SoundTable &soundTable() const { return List1; }
    QString currentSoundName() const { return Text1; }
    PlaybackPacer &pacer() { return m_pacer; }

private:
    enum class Hold { None, Pause, Message };

    bool startRunning();
    void begin(size_t from, size_t to);
    void goToPart(size_t from, size_t to);
    void handNextSoundAhead();
    void withdrawAhead();
    // Reads the field's file afresh and shows it; the message for the user if it cannot.
    QString showFile();
    bool showFileForReading();
    bool startNextPart();
    void advance();
    void walk();
    bool sliceIsOver(int charactersWalked) const;
    void showProgress();
    void sayCurrentCharacter();
    void playFound(const QString &soundName);
    bool tellSoundProblem(const SoundProblem &problem);
    void lateSoundProblem(const SoundProblem &problem);
    static QString problemMessage(const SoundProblem &problem);
    void reportSoundProblem(const SoundProblem &problem);
    void askUser(const QString &text, bool pauseAfterwards);
    void messageClosed(MessageAnswer answer, bool pauseAfterwards);
    void passOverRemainingCharacters();
    void finish();

    ReadingWindow &m_window;
    ReadingFlags m_flags;
    SoundTable List1;
    QString Text1; // sound name of the current character
    PlaybackPacer m_pacer;
    ResumeLater *m_resumeLater;

    platform::CharacterText m_text;
    size_t m_position = 0;        // index of the character being read
    size_t m_end = 0;             // index after the last character to read
    std::vector<Part> m_nextParts; // read after [m_position, m_end), in order
    // The highlight is given to the window only where the walk stops or starts a
    // sound, not for each line break it passes.
    int m_highlightDue = -1;
    int m_highlightShown = -1;
    std::chrono::steady_clock::time_point m_lastSliceHighlight;
    bool m_stopTested = false;    // the current character has passed the stop test
    std::vector<size_t> m_aheadPositions; // the characters whose sounds were handed ahead
    bool m_running = false;
    bool m_ended = false;
    Hold m_hold = Hold::None;
    bool m_advancing = false;
    bool m_advanceAgain = false;
    QSet<QString> m_reportedSoundProblems; // once per run and file
};

} // namespace reading
