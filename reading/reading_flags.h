// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace reading {

// The main window's state flags, read and written on the GUI thread only.
struct ReadingFlags
{
    // The value of a requested stop; the run tests for exactly this value.
    static constexpr std::int16_t kStopRequested = 5;

    std::int16_t stopFlag = 0;    // 5 = stop requested, 0 = none
    std::int16_t pauseFlag = 0;   // 1 = paused, 0 = running
    std::int16_t playingFlag = 0; // 1 = a sound was started and has not ended yet
};

} // namespace reading
