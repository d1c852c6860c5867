// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/delay_timer.h"
#include "reading/reading_flags.h"
#include "reading/reading_window.h"
#include "reading/sound_player.h"
#include "files/name_finder.h"

#include <functional>
#include <optional>
#include <vector>

namespace reading {

// Plays one character's sound, then holds the reading for the reading delay (Text5).
//
// The delay after a sound is the whole timer interval in force when the sound ends; each
// tick re-reads Text5 for the next one, so an edit applies from the delay after the
// following sound. That interval is known while the sound plays, so the run's next sound
// can be handed to the player then (handAhead), to start exactly that delay after the
// end; the run still takes it up at its moment, when the delay is over.
class PlaybackPacer
{
public:
    static constexpr int kStartupTickMs = 500;

    PlaybackPacer(ReadingFlags &flags, ReadingWindow &window, SoundPlayer &player, DelayTimer &timer);

    std::optional<SoundProblem> preparePlayer();
    // The run has ended: the output need not be held any more.
    void releasePlayer() { m_player.release(); }

    // Close, open Text4 + soundName + ".wav" (found without regard to case when the
    // exact name is not there), play; playingFlag = 1. Returns at once.
    std::optional<SoundProblem> PlayWav(const QString &soundName);

    // While a sound or its delay is under way: the next sound (then the one after it),
    // handed to the player to start the delay after the end of the sound before it.
    // Returns whether the player took it.
    bool handAhead(const QString &soundName);
    int handedCount() const { return static_cast<int>(m_handed.size()); }
    // The sounds handed ahead are not due after all; or all but the first.
    void withdrawAhead();
    void keepFirstAheadOnly();
    // Once: the pause between the end of the sound playing and the next sound played is
    // max(delay in force, pauseMs). Asked for before that sound ends (asked during the
    // delay after it, or with no sound playing, it applies to the pause after the next).
    void lengthenPauseBeforeNextSound(int pauseMs);
    // The delay the field says now, in milliseconds.
    int fieldDelay() const;

    // The shut-down's "Close": a playing sound stops, and no handler acts afterwards.
    void closePlayer();

    // True from the start of a sound until the delay after it is over.
    bool isHolding() const;

    // Called once the sound and the delay after it are over.
    void setReleasedHandler(std::function<void()> handler) { m_onReleased = std::move(handler); }

    // The player's completion notification.
    void onSoundDone();
    // Tick of the delay timer.
    void Timer1_Timer();

private:
    void takeIntervalFromField();
    bool startUpTickPending() const { return Timer1.isEnabled() && !m_delayAfterSound; }
    int pauseAfterCurrentSound() const;
    QString soundPath(const QString &soundName);

    ReadingFlags &m_flags;
    ReadingWindow &m_window;
    SoundPlayer &m_player;
    DelayTimer &Timer1;
    platform::NameFinder m_soundFiles; // names found as Windows finds them
    std::function<void()> m_onReleased;
    bool m_delayAfterSound = false;
    bool m_inPlayWav = false;
    bool m_doneDuringPlayWav = false;
    bool m_closed = false;
    struct Handed
    {
        QString soundName;
        int pauseMs; // before it
    };
    std::vector<Handed> m_handed; // in the order they are to be heard
    int m_longerPauseMs = 0;
};

} // namespace reading
