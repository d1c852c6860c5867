// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/playback_pacer.h"

#include "text/number_parsing.h"

#include <algorithm>


namespace reading {

namespace {

const QString kSoundExtension = QStringLiteral(".wav");
const QString kSmallestDelay = QStringLiteral("1");

} // namespace

PlaybackPacer::PlaybackPacer(ReadingFlags &flags, ReadingWindow &window, SoundPlayer &player, DelayTimer &timer)
    : m_flags(flags)
    , m_window(window)
    , m_player(player)
    , Timer1(timer)
{
    m_player.setCompletionHandler([this] { onSoundDone(); });
    Timer1.setTickHandler([this] { Timer1_Timer(); });
    // Enabled from the start: its first tick takes the interval from the delay field.
    Timer1.setInterval(kStartupTickMs);
    Timer1.setEnabled(true);
}

std::optional<SoundProblem> PlaybackPacer::preparePlayer()
{
    return m_player.prepare();
}

std::optional<SoundProblem> PlaybackPacer::PlayWav(const QString &soundName)
{
    m_inPlayWav = true;
    m_doneDuringPlayWav = false;
    // The first sound handed ahead is taken up by the open() of its path; the open() of
    // another withdraws them all.
    if (!m_handed.empty() && m_handed.front().soundName == soundName)
        m_handed.erase(m_handed.begin());
    else
        m_handed.clear();
    m_player.close();
    const std::optional<SoundProblem> problem = m_player.open(soundPath(soundName));
    m_player.play();
    m_flags.playingFlag = 1;
    m_inPlayWav = false;
    // The sound handed after this one went with the delay the field said then; the tick
    // that ended the last delay has read it again.
    if (!m_handed.empty() && m_handed.front().pauseMs != pauseAfterCurrentSound())
        withdrawAhead();
    // The end of a sound must come after PlayWav; a player that ends it at once is
    // honoured here, once the flag it clears has been set.
    if (m_doneDuringPlayWav)
        onSoundDone();
    return problem;
}

QString PlaybackPacer::soundPath(const QString &soundName)
{
    return m_soundFiles.find(m_window.soundFolder() + soundName + kSoundExtension);
}

// The pause after the sound playing now (or whose delay runs now): with the start-up
// tick still to come, the field's, which that tick (or the sound's end) will take.
int PlaybackPacer::pauseAfterCurrentSound() const
{
    const int delayMs = startUpTickPending() ? fieldDelay() : Timer1.interval();
    return m_delayAfterSound ? delayMs : std::max(delayMs, m_longerPauseMs);
}

int PlaybackPacer::fieldDelay() const
{
    return platform::readDelay(m_window.delayText()).intervalMs;
}

// The first sound handed ahead follows the sound playing now; the next follows it after
// the delay the field says now, which the tick at its start reads (PlayWav hands it
// again if the field changed in between).
bool PlaybackPacer::handAhead(const QString &soundName)
{
    if (m_closed || !isHolding())
        return false;
    const int pauseMs = m_handed.empty() ? pauseAfterCurrentSound() : fieldDelay();
    if (!m_player.handAhead(soundPath(soundName), pauseMs))
        return false;
    m_handed.push_back(Handed{soundName, pauseMs});
    return true;
}

void PlaybackPacer::lengthenPauseBeforeNextSound(int pauseMs)
{
    m_longerPauseMs = std::max(m_longerPauseMs, pauseMs);
    // The sounds already handed ahead go again, with the longer pause before them.
    if (m_handed.empty() || m_delayAfterSound)
        return;
    std::vector<Handed> handed = m_handed;
    withdrawAhead();
    for (const Handed &sound : handed) {
        if (!handAhead(sound.soundName))
            return;
    }
}

void PlaybackPacer::keepFirstAheadOnly()
{
    if (m_handed.size() < 2)
        return;
    const Handed first = m_handed.front();
    withdrawAhead();
    handAhead(first.soundName);
}

void PlaybackPacer::withdrawAhead()
{
    if (!m_handed.empty())
        m_player.withdrawAhead();
    m_handed.clear();
}

void PlaybackPacer::closePlayer()
{
    m_closed = true;
    withdrawAhead();
    m_player.close();
    Timer1.setEnabled(false);
}

bool PlaybackPacer::isHolding() const
{
    return m_flags.playingFlag != 0 || m_delayAfterSound;
}

void PlaybackPacer::onSoundDone()
{
    if (m_closed)
        return;
    if (m_inPlayWav) {
        m_doneDuringPlayWav = true;
        return;
    }
    m_flags.playingFlag = 0;
    m_delayAfterSound = true;
    // The delay after a sound is always a whole interval. Only the start-up tick can
    // still be pending here: it takes the field now instead of cutting this delay short.
    if (Timer1.isEnabled()) {
        takeIntervalFromField();
        Timer1.setEnabled(false);
    }
    if (m_longerPauseMs > Timer1.interval())
        Timer1.setInterval(m_longerPauseMs); // for this pause only: the tick reads the field again
    m_longerPauseMs = 0;
    Timer1.setEnabled(true);
}

void PlaybackPacer::takeIntervalFromField()
{
    const platform::DelayReading delay = platform::readDelay(m_window.delayText());
    if (delay.setToOne)
        m_window.setDelayText(kSmallestDelay);
    Timer1.setInterval(delay.intervalMs);
}

void PlaybackPacer::Timer1_Timer()
{
    if (m_closed)
        return;
    takeIntervalFromField();
    Timer1.setEnabled(false);

    if (m_delayAfterSound) {
        m_delayAfterSound = false;
        if (m_onReleased)
            m_onReleased();
    }
}

} // namespace reading
