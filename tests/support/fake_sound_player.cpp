// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_sound_player.h"

#include <algorithm>

namespace testing_support {

std::optional<reading::SoundProblem> FakeSoundPlayer::prepare()
{
    m_commands << QStringLiteral("prepare");
    if (m_noOutput)
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, QString(), QStringLiteral("pas de serveur")};
    return std::nullopt;
}

void FakeSoundPlayer::close()
{
    m_commands << QStringLiteral("Close");
    if (m_pending != 0)
        m_clock.cancel(m_pending);
    m_pending = 0;
}

std::optional<reading::SoundProblem> FakeSoundPlayer::open(const QString &path)
{
    m_commands << QStringLiteral("Open ") + path;
    m_openPath = path;
    m_openFailed = true;
    m_takingUpAhead = !m_ahead.empty() && m_ahead.front().path == path;
    if (!m_takingUpAhead)
        withdrawAhead();
    if (m_noOutput)
        return reading::SoundProblem{reading::SoundProblem::Kind::NoOutput, path, QStringLiteral("pas de serveur")};
    if (m_badFiles.contains(path))
        return reading::SoundProblem{reading::SoundProblem::Kind::BadFile, path, m_badFiles.value(path)};
    m_openFailed = false;
    return std::nullopt;
}

void FakeSoundPlayer::play()
{
    m_commands << QStringLiteral("play");
    if (m_completesInsidePlay) {
        complete();
        return;
    }
    const int duration = m_openFailed ? 0 : m_durations.value(m_openPath, m_defaultDuration);
    std::int64_t startAt = m_clock.now();
    if (m_takingUpAhead && !m_openFailed) {
        startAt = m_ahead.front().startAt; // heard there, whenever play() comes
        m_ahead.pop_front();
    }
    m_takingUpAhead = false;
    if (!m_openFailed)
        m_starts.push_back({startAt, m_openPath});
    m_lastEndAt = startAt + duration;
    m_pending = m_clock.schedule(std::max<std::int64_t>(m_lastEndAt - m_clock.now(), 0), [this] {
        m_pending = 0;
        complete();
    });
}

bool FakeSoundPlayer::handAhead(const QString &path, int gapMs)
{
    if (!m_handsAhead || m_noOutput || m_completesInsidePlay || m_badFiles.contains(path))
        return false;
    m_handed.push_back({path, gapMs});
    const std::int64_t previousEnd = m_ahead.empty()
        ? m_lastEndAt
        : m_ahead.back().startAt + m_durations.value(m_ahead.back().path, m_defaultDuration);
    m_ahead.push_back(Ahead{path, previousEnd + gapMs});
    return true;
}

void FakeSoundPlayer::withdrawAhead()
{
    for (; !m_ahead.empty(); m_ahead.pop_back())
        m_withdrawn << m_ahead.back().path;
}

QStringList FakeSoundPlayer::playedPaths() const
{
    QStringList paths;
    for (const Start &start : m_starts)
        paths << start.path;
    return paths;
}

} // namespace testing_support
