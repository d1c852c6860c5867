// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/resource.h>
#endif

namespace platform {

// The sound threads, and the GUI thread during a reading, raise their priority a little
// where the system allows it, so that busy cores do not hold them back; where it does
// not (a user's RLIMIT_NICE is 0), or with VIROD_NO_PRIORITY_RAISE=1, nothing changes.
// Sounds go to the sound server well ahead of their moment, so the raise is a comfort,
// not a need. A thread takes the priority of the thread that makes it.
constexpr int kNotRaised = 1000;

// Returns the priority to restore, or kNotRaised.
inline int raiseThisThread()
{
#ifdef Q_OS_LINUX
    constexpr int kRaisedNice = -10;
    if (qgetenv("VIROD_NO_PRIORITY_RAISE") == "1")
        return kNotRaised;
    errno = 0;
    const int previous = getpriority(PRIO_PROCESS, 0);
    if (errno != 0 || previous <= kRaisedNice || setpriority(PRIO_PROCESS, 0, kRaisedNice) != 0)
        return kNotRaised;
    return previous;
#else
    return kNotRaised;
#endif
}

inline void restoreThisThread(int previous)
{
#ifdef Q_OS_LINUX
    if (previous != kNotRaised)
        setpriority(PRIO_PROCESS, 0, previous);
#else
    Q_UNUSED(previous);
#endif
}

// Runs `start` (which makes a thread) with this thread raised for the while.
template<typename Start>
auto startRaised(Start start)
{
    const int previous = raiseThisThread();
    const auto started = start();
    restoreThisThread(previous);
    return started;
}

} // namespace platform
