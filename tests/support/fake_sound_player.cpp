// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_sound_player.h"

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
    if (!m_openFailed)
        m_starts.push_back({m_clock.now(), m_openPath});
    m_pending = m_clock.schedule(duration, [this] {
        m_pending = 0;
        complete();
    });
}

QStringList FakeSoundPlayer::playedPaths() const
{
    QStringList paths;
    for (const Start &start : m_starts)
        paths << start.path;
    return paths;
}

} // namespace testing_support
