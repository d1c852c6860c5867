// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/audio_output.h"

namespace platform {

// Loads the sound module beside the program (once; it stays loaded). Null, with the
// reason, when it cannot be loaded.
const SoundModule *loadSoundModule(QString &problem);

// The sound server when there is one (PulseAudio or PipeWire), else an SDL2 device.
// VIROD_SOUND_OUTPUT=sdl or =pulse asks for one of them only.
std::unique_ptr<AudioOutput> openPreferredOutput(const SoundModule &module, QString &problem);

} // namespace platform
