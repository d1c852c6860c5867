// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Asks the sound server that speaks PulseAudio's protocol, if one answers, whether it
// offers any output: a machine whose only card was unplugged keeps its server, with no
// sink. SDL's own client of that server fails on such a server by crashing.
bool soundServerAnswersWithoutSink();

} // namespace platform
