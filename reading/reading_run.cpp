// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/reading_run.h"

#include "files/binary_file.h"
#include "text/text_decoding.h"
#include "reading/messages.h"

#include <algorithm>
#include <chrono>

namespace reading {

namespace {

// A slice of walking ends after this much work, so that the window answers in time;
// the character bound keeps slices short where the clock is not looked at.
constexpr auto kSliceTime = std::chrono::milliseconds(8);
constexpr int kSliceMaxCharacters = 65536;
constexpr int kSliceClockEvery = 256;
constexpr auto kSliceHighlightEvery = std::chrono::milliseconds(16);

} // namespace

ReadingRun::ReadingRun(ReadingWindow &window, SoundPlayer &player, DelayTimer &timer, ResumeLater *resumeLater)
    : m_window(window)
    , m_pacer(m_flags, window, player, timer)
    , m_resumeLater(resumeLater)
{
    m_pacer.setReleasedHandler([this] { advance(); });
    player.setLateProblemHandler([this](const SoundProblem &problem) { lateSoundProblem(problem); });
}

void ReadingRun::loadSoundTable()
{
    const QString path = m_window.soundFolder() + SoundTable::kFileName;
    const platform::FileContent file = platform::readOrCreateFile(path);
    List1.load(platform::decodeText(file.bytes));
    if (!file.ok)
        m_window.showMessage(soundTableUnreadableMessage(path, file.error), MessageButtons::Ok, {});
}

void ReadingRun::preparePlayer()
{
    // A missing output is told at the first sound of each run, where it matters.
    m_pacer.preparePlayer();
}

// The start that every reading shares; false while a run is under way.
bool ReadingRun::startRunning()
{
    if (m_running || m_ended)
        return false;
    m_flags.pauseFlag = 0;
    // An output closed while idle, or lost, is opened again now, not at the first sound.
    m_pacer.preparePlayer();
    m_window.focusCorrection();
    m_window.showRunningButtons(true);
    return true;
}

void ReadingRun::read()
{
    if (!startRunning() || !showFileForReading())
        return;
    m_nextParts.clear();
    begin(0, m_text.size());
}

// The field's file shown for a reading; when it cannot be read, told, and the run is
// back at rest.
bool ReadingRun::showFileForReading()
{
    const QString problem = showFile();
    if (problem.isEmpty())
        return true;
    m_pacer.releasePlayer();
    m_window.showRunningButtons(false);
    m_window.showMessage(problem, MessageButtons::Ok, {});
    return false;
}

bool ReadingRun::open()
{
    if (m_running || m_ended)
        return false;
    const QString problem = showFile();
    if (!problem.isEmpty())
        m_window.showMessage(problem, MessageButtons::Ok, {});
    return problem.isEmpty();
}

QString ReadingRun::showFile()
{
    const QString path = m_window.correctionPath();
    {
        // The file's bytes go as soon as they are decoded: a correction may be huge.
        const platform::FileContent file = platform::readOrCreateFile(path);
        m_text = platform::CharacterText(); // the previous correction goes first
        if (!file.ok) {
            // Nothing of another file stays shown beside the field naming this one.
            m_window.showCorrection(m_text);
            return correctionUnreadableMessage(path, file.error);
        }
        m_text = platform::CharacterText::decode(file.bytes);
    }
    m_window.showCorrection(m_text);
    return {};
}

void ReadingRun::readPart(size_t from, size_t to)
{
    if (m_text.empty()) {
        read();
        return;
    }
    if (!startRunning())
        return;
    to = std::min(to, m_text.size());
    m_nextParts.clear();
    begin(std::min(from, to), to);
}

void ReadingRun::readParts(std::vector<Part> parts)
{
    if (parts.empty() || !startRunning())
        return;
    if (m_text.empty() && !showFileForReading())
        return;
    for (Part &part : parts) {
        part.to = std::min(part.to, m_text.size());
        part.from = std::min(part.from, part.to);
    }
    const Part first = parts.front();
    m_nextParts.assign(parts.begin() + 1, parts.end());
    begin(first.from, first.to);
}

// The part after the one just read, if any and no stop is asked for; its first sound
// comes after a pause of twice the delay at least, so that the parts are heard apart.
bool ReadingRun::startNextPart()
{
    if (m_nextParts.empty() || m_flags.stopFlag == ReadingFlags::kStopRequested)
        return false;
    const Part next = m_nextParts.front();
    m_nextParts.erase(m_nextParts.begin());
    showProgress();
    goToPart(next.from, next.to);
    m_pacer.lengthenPauseBeforeNextSound(2 * m_pacer.fieldDelay());
    return true;
}

// The walk and the highlight start over at `from`, for characters up to `to`.
void ReadingRun::goToPart(size_t from, size_t to)
{
    m_window.startHighlightAt(static_cast<int>(from));
    m_position = from;
    m_end = to;
    m_highlightDue = -1;
    m_highlightShown = -1;
    m_stopTested = false;
}

void ReadingRun::begin(size_t from, size_t to)
{
    goToPart(from, to);
    m_aheadPositions.clear();
    m_hold = Hold::None;
    m_reportedSoundProblems.clear();
    m_running = true;
    advance();
}

void ReadingRun::stop()
{
    if (!m_running)
        return;
    const bool firstStop = m_flags.stopFlag != ReadingFlags::kStopRequested;
    m_flags.stopFlag = ReadingFlags::kStopRequested;
    m_flags.pauseFlag = 0;
    m_window.setPauseCaption(kPauseCaption);
    m_window.showRunningButtons(false);
    // A sound handed ahead stays due only if it is the very character whose stop test
    // has passed; any other comes after a stop test that now fails.
    if (!m_aheadPositions.empty() && m_aheadPositions.front() == m_position && m_stopTested) {
        m_pacer.keepFirstAheadOnly();
        m_aheadPositions.resize(std::min<size_t>(1, static_cast<size_t>(m_pacer.handedCount())));
    } else {
        withdrawAhead();
    }
    // The stopped run may still wait for its current sound: no second run before it ends.
    m_window.setReadEnabled(false);
    // Told once, after the buttons have changed (and the focus with them).
    if (firstStop)
        m_window.tellReadingOver(ReadingEnd::Stopped);
    advance();
}

void ReadingRun::togglePause()
{
    if (m_flags.pauseFlag == 0) {
        m_flags.pauseFlag = 1;
        m_window.setPauseCaption(kResumeCaption);
    } else {
        m_flags.pauseFlag = 0;
        m_window.setPauseCaption(kPauseCaption);
    }
    m_window.focusCorrection();
    advance();
}

void ReadingRun::shutDown()
{
    m_flags.stopFlag = ReadingFlags::kStopRequested;
    m_pacer.closePlayer();
    if (m_resumeLater)
        m_resumeLater->cancel();
    m_running = false;
    m_ended = true;
}

// Events can arrive while the walk is under way (a player or a message box that answers
// at once); they only ask for another pass, so the walk never runs inside itself.
void ReadingRun::advance()
{
    if (m_advancing) {
        m_advanceAgain = true;
        return;
    }
    m_advancing = true;
    do {
        m_advanceAgain = false;
        walk();
    } while (m_advanceAgain);
    m_advancing = false;
}

void ReadingRun::walk()
{
    const auto sliceStart = std::chrono::steady_clock::now();
    int walked = 0;
    while (m_running) {
        if (m_hold == Hold::Message)
            return;
        if (m_hold == Hold::Pause) {
            if (m_flags.pauseFlag == 1)
                return;
            m_hold = Hold::None;
        }
        if (m_position >= m_end) {
            if (startNextPart())
                continue;
            finish();
            return;
        }
        if (!m_stopTested) {
            m_highlightDue = static_cast<int>(m_position);
            if (m_flags.stopFlag == ReadingFlags::kStopRequested) {
                passOverRemainingCharacters();
                continue;
            }
            m_stopTested = true;
        }
        // The previous sound and the delay after it.
        if (m_pacer.isHolding()) {
            showProgress();
            handNextSoundAhead();
            return;
        }
        if (m_resumeLater && walked > 0 && walked % kSliceClockEvery == 0
            && (walked >= kSliceMaxCharacters || std::chrono::steady_clock::now() - sliceStart >= kSliceTime)) {
            // Stop, Quit and repaints are handled before the next character's lookup. The
            // highlight moves at most about once per screen refresh on the way.
            const auto now = std::chrono::steady_clock::now();
            if (now - m_lastSliceHighlight >= kSliceHighlightEvery) {
                m_lastSliceHighlight = now;
                showProgress();
            }
            m_resumeLater->schedule([this] { advance(); });
            return;
        }
        sayCurrentCharacter();
        ++walked;
    }
}

// While the run waits for the sound playing now and its delay: the next characters with
// a sound (two, so that a late wake-up of this thread costs no gap) go to the player
// ahead, each to start exactly its delay after the end of the sound before it. The run
// still takes each up at its moment, so the highlight, a pause and a stop act as ever.
// Nothing is handed over past a character with no sound (its message comes first), nor
// while a stop or a hold is pending. The look stays within one slice of walking.
void ReadingRun::handNextSoundAhead()
{
    constexpr size_t kSoundsAhead = 2;
    if (m_hold != Hold::None || m_flags.stopFlag == ReadingFlags::kStopRequested)
        return;
    const size_t last = std::min(m_end, m_position + static_cast<size_t>(kSliceClockEvery));
    size_t i = m_aheadPositions.empty() ? m_position : m_aheadPositions.back() + 1;
    for (; i < last && m_aheadPositions.size() < kSoundsAhead; ++i) {
        const SoundTable::Lookup found = List1.lookup(m_text[i]);
        if (found.outcome == SoundTable::Outcome::Skip)
            continue;
        if (found.outcome == SoundTable::Outcome::Missing || !m_pacer.handAhead(found.soundName))
            return;
        m_aheadPositions.push_back(i);
    }
}

void ReadingRun::withdrawAhead()
{
    if (m_aheadPositions.empty())
        return;
    m_aheadPositions.clear();
    m_pacer.withdrawAhead();
}

void ReadingRun::showProgress()
{
    if (m_highlightDue >= 0 && m_highlightDue != m_highlightShown) {
        m_highlightShown = m_highlightDue;
        m_window.highlightRead(m_highlightDue);
    }
}

void ReadingRun::sayCurrentCharacter()
{
    const char32_t character = m_text[m_position];
    const SoundTable::Lookup found = List1.lookup(character);
    if (found.outcome != SoundTable::Outcome::Skip)
        showProgress();
    ++m_position;
    m_stopTested = false;

    switch (found.outcome) {
    case SoundTable::Outcome::Skip:
        break;
    case SoundTable::Outcome::Found:
        playFound(found.soundName);
        break;
    case SoundTable::Outcome::Missing:
        askUser(missingSoundMessage(character), false);
        break;
    }
}

void ReadingRun::playFound(const QString &soundName)
{
    Text1 = soundName;
    const std::optional<SoundProblem> problem = m_pacer.PlayWav(Text1);
    // PlayWav takes up the first sound handed ahead, and may withdraw the others.
    if (!m_aheadPositions.empty() && m_aheadPositions.front() + 1 == m_position)
        m_aheadPositions.erase(m_aheadPositions.begin());
    m_aheadPositions.resize(std::min(m_aheadPositions.size(), static_cast<size_t>(m_pacer.handedCount())));
    if (problem && tellSoundProblem(*problem))
        return;
    // A pause is honoured only here, right after a sound has been started: nothing that
    // was handed ahead is due before Resume.
    if (m_flags.pauseFlag == 1) {
        m_hold = Hold::Pause;
        withdrawAhead();
    }
}

void ReadingRun::passOverRemainingCharacters()
{
    // Nothing is waited for, looked up or played any more; the highlight ends where a
    // full walk ends, on all characters but the last.
    m_highlightDue = static_cast<int>(m_end) - 1;
    showProgress();
    m_position = m_end;
}

void ReadingRun::finish()
{
    showProgress();
    m_pacer.releasePlayer();
    if (m_resumeLater)
        m_resumeLater->cancel();
    m_running = false;
    m_window.showRunningButtons(false);
    m_window.setReadEnabled(true);
    if (m_flags.stopFlag != ReadingFlags::kStopRequested)
        m_window.tellReadingOver(ReadingEnd::Finished);
    m_flags.stopFlag = 0;
}

} // namespace reading
