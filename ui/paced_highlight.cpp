// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/paced_highlight.h"

#include <algorithm>

namespace ui {

namespace {

// A move due within this much is shown now: a steady pace is never held back by the
// clock's jitter.
constexpr double kAlmostDue = 0.9;
// The timer waits a little past the moment a move is allowed, so that a move arriving
// on time is shown by the move itself.
constexpr std::chrono::milliseconds kTimerSlack{8};

} // namespace

PacedHighlight::PacedHighlight(Show show, Now now, QObject *parent)
    : QObject(parent)
    , m_show(std::move(show))
    , m_now(std::move(now))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PacedHighlight::flush);
}

void PacedHighlight::moveTo(int characters)
{
    refill();
    if (m_allowance >= kAlmostDue) {
        show(characters);
        return;
    }
    m_waiting = characters;
    if (!m_timer.isActive()) {
        const auto untilAllowed = std::chrono::duration<double, std::milli>((1.0 - m_allowance) * kInterval);
        m_timer.start(std::chrono::ceil<std::chrono::milliseconds>(untilAllowed) + kTimerSlack);
    }
}

void PacedHighlight::flush()
{
    if (m_waiting < 0)
        return;
    refill();
    show(m_waiting);
}

void PacedHighlight::refill()
{
    const Clock::time_point now = m_now();
    const std::chrono::duration<double> since = now - m_counted;
    m_counted = now;
    m_allowance = std::min(kBurst, m_allowance + since / kInterval);
}

void PacedHighlight::drop()
{
    m_waiting = -1;
    m_timer.stop();
}

void PacedHighlight::show(int characters)
{
    drop();
    m_allowance = std::max(0.0, m_allowance - 1.0);
    m_show(characters);
}

} // namespace ui
