// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/sound_player.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace testing_support {

// A player for window tests: no sound, each sound "lasts" a fixed time of the real
// event loop, and its end is delivered by that loop like a real player's.
class TimedFakePlayer : public QObject, public reading::SoundPlayer
{
public:
    explicit TimedFakePlayer(int durationMs = 20)
    {
        m_end.setSingleShot(true);
        m_end.setInterval(durationMs);
        QObject::connect(&m_end, &QTimer::timeout, this, [this] { complete(); });
    }

    std::optional<reading::SoundProblem> prepare() override { return std::nullopt; }
    void close() override
    {
        m_end.stop();
        ++closes;
    }
    std::optional<reading::SoundProblem> open(const QString &path) override
    {
        opened << path;
        return std::nullopt;
    }
    void play() override { m_end.start(); }

    bool isPlaying() const { return m_end.isActive(); }

    QStringList opened;
    int closes = 0;

private:
    QTimer m_end;
};

} // namespace testing_support
