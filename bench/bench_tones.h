// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sox_sounds.h"

#include <vector>

namespace testing_support {

// The benchmarks' sounds: four tones told apart by pitch, of lengths that are not
// multiples of any usual audio buffer, each named after its character.
inline std::vector<Tone> benchTones()
{
    return {
        {'a', "a", 440, 0.1234},
        {'b', "b", 660, 0.1871},
        {'c', "c", 990, 0.0957},
        {'d', "d", 1480, 0.1523},
    };
}

} // namespace testing_support
