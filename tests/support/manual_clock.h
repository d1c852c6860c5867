// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace testing_support {

// A clock that only moves when a test says so. Things scheduled on it run in time
// order, each at its own time, during advance().
class ManualClock
{
public:
    using Id = std::uint64_t;

    std::int64_t now() const { return m_now; }

    Id schedule(std::int64_t delayMs, std::function<void()> action);
    void cancel(Id id);
    // Runs everything due within the next `ms` milliseconds, moving the clock along.
    void advance(std::int64_t ms);

private:
    struct Key
    {
        std::int64_t at;
        Id id;
        bool operator<(const Key &other) const { return at != other.at ? at < other.at : id < other.id; }
    };
    std::int64_t m_now = 0;
    Id m_nextId = 1;
    std::map<Key, std::function<void()>> m_pending;
};

} // namespace testing_support
