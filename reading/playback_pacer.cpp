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
    m_pauseBeforeNextMs = 0; // this is the next sound: a longer pause asked for is over
    m_player.close();
    const std::optional<SoundProblem> problem = m_player.open(m_soundFiles.find(m_window.soundFolder() + soundName + kSoundExtension));
    m_player.play();
    m_flags.playingFlag = 1;
    m_inPlayWav = false;
    // The end of a sound must come after PlayWav; a player that ends it at once is
    // honoured here, once the flag it clears has been set.
    if (m_doneDuringPlayWav)
        onSoundDone();
    return problem;
}

void PlaybackPacer::closePlayer()
{
    m_closed = true;
    m_player.close();
    Timer1.setEnabled(false);
}

bool PlaybackPacer::isHolding() const
{
    return m_flags.playingFlag != 0 || m_delayAfterSound;
}

void PlaybackPacer::lengthenPauseBeforeNextSound(int pauseMs)
{
    m_pauseBeforeNextMs = std::max(m_pauseBeforeNextMs, pauseMs);
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
    // The longer pause runs as this delay; the tick that ends it sets the field's delay
    // back for the next one.
    if (m_pauseBeforeNextMs > Timer1.interval())
        Timer1.setInterval(m_pauseBeforeNextMs);
    m_pauseBeforeNextMs = 0;
    Timer1.setEnabled(true);
}

void PlaybackPacer::Timer1_Timer()
{
    if (m_closed)
        return;
    const platform::DelayReading delay = platform::readDelay(m_window.delayText());
    if (delay.setToOne)
        m_window.setDelayText(kSmallestDelay);
    Timer1.setInterval(delay.intervalMs);
    Timer1.setEnabled(false);

    if (m_delayAfterSound) {
        m_delayAfterSound = false;
        if (m_onReleased)
            m_onReleased();
    }
}

} // namespace reading
