// SPDX-License-Identifier: GPL-3.0-or-later
#include "manual_clock.h"

namespace testing_support {

ManualClock::Id ManualClock::schedule(std::int64_t delayMs, std::function<void()> action)
{
    const Id id = m_nextId++;
    m_pending.emplace(Key{m_now + delayMs, id}, std::move(action));
    return id;
}

void ManualClock::cancel(Id id)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->first.id == id) {
            m_pending.erase(it);
            return;
        }
    }
}

void ManualClock::advance(std::int64_t ms)
{
    const std::int64_t until = m_now + ms;
    while (!m_pending.empty() && m_pending.begin()->first.at <= until) {
        auto next = m_pending.begin();
        m_now = next->first.at;
        std::function<void()> action = std::move(next->second);
        m_pending.erase(next);
        action();
    }
    m_now = until;
}

} // namespace testing_support
