// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manual_clock.h"
#include "reading/sound_player.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <vector>

namespace testing_support {

// A player on the manual clock: each sound lasts its set duration and then completes.
// Paths listed as bad fail to open and, like a real player, complete at once. Like the
// sound server's output, it takes a sound handed ahead and starts it the given gap after
// the end of the sound before it, when its play() comes.
class FakeSoundPlayer : public reading::SoundPlayer
{
public:
    struct Start
    {
        std::int64_t at;
        QString path;
    };

    explicit FakeSoundPlayer(ManualClock &clock)
        : m_clock(clock)
    {
    }

    void setDefaultDuration(int ms) { m_defaultDuration = ms; }
    void setDuration(const QString &path, int ms) { m_durations.insert(path, ms); }
    void setBadFile(const QString &path, const QString &reason) { m_badFiles.insert(path, reason); }
    void setNoOutput(bool noOutput) { m_noOutput = noOutput; }
    // An output without a timeline of its own (SDL's): nothing is handed ahead.
    void setHandsAhead(bool handsAhead) { m_handsAhead = handsAhead; }
    // A faulty player that reports the end from inside play().
    void setCompletesInsidePlay(bool inside) { m_completesInsidePlay = inside; }
    // A problem found after open() returned, as a background decoder finds it.
    void reportLate(const reading::SoundProblem &problem) { reportLateProblem(problem); }

    std::optional<reading::SoundProblem> prepare() override;
    void release() override { ++m_releases; }
    void close() override;
    std::optional<reading::SoundProblem> open(const QString &path) override;
    void play() override;
    bool handAhead(const QString &path, int gapMs) override;
    void withdrawAhead() override;

    struct Handed
    {
        QString path;
        int gapMs;
    };
    const std::vector<Handed> &handed() const { return m_handed; }
    QStringList withdrawn() const { return m_withdrawn; }

    const std::vector<Start> &starts() const { return m_starts; }
    QStringList playedPaths() const;
    bool isPlaying() const { return m_pending != 0; }
    QStringList commands() const { return m_commands; }
    int releases() const { return m_releases; }

private:
    ManualClock &m_clock;
    int m_defaultDuration = 300;
    QHash<QString, int> m_durations;
    QHash<QString, QString> m_badFiles;
    bool m_noOutput = false;
    bool m_completesInsidePlay = false;
    bool m_handsAhead = true;
    QString m_openPath;
    bool m_openFailed = false;
    ManualClock::Id m_pending = 0;
    std::int64_t m_lastEndAt = 0;
    struct Ahead
    {
        QString path;
        std::int64_t startAt = 0;
    };
    std::deque<Ahead> m_ahead;
    bool m_takingUpAhead = false;
    std::vector<Handed> m_handed;
    QStringList m_withdrawn;
    std::vector<Start> m_starts;
    QStringList m_commands;
    int m_releases = 0;
};

} // namespace testing_support
