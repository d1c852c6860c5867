// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace ui {

// Moves the reading highlight at most twenty times a second on average, after a burst
// of up to three (a reading starts with two moves at once). Characters read faster than
// that (very short sounds, a delay of a few milliseconds) would each cost a repaint that
// no eye can follow; at the usual pace every move is shown at once.
//
// A move that comes too soon waits for the next one, which takes its place, and is
// shown by a timer only if none comes in time: at a steady fast pace the timer never
// fires, so no wake-up is added.
class PacedHighlight : public QObject
{
public:
    using Clock = std::chrono::steady_clock;
    using Show = std::function<void(int)>;
    using Now = std::function<Clock::time_point()>;

    static constexpr std::chrono::milliseconds kInterval{50};
    static constexpr double kBurst = 3.0; // moves shown at once after a rest

    explicit PacedHighlight(Show show, Now now = &Clock::now, QObject *parent = nullptr);

    void moveTo(int characters);
    // A move still waiting is shown now (the reading holds or ends).
    void flush();
    // A move still waiting is forgotten (a new text is shown).
    void drop();

    bool isWaiting() const { return m_waiting >= 0; }

private:
    void refill();
    void show(int characters);

    Show m_show;
    Now m_now;
    QTimer m_timer;
    int m_waiting = -1;
    double m_allowance = kBurst; // moves that may be shown now
    Clock::time_point m_counted{};
};

} // namespace ui
