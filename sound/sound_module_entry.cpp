// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the sound module, the one library that brings the sound server's client,
// SDL2 and the WAV decoder into the program, loaded when the first sound is wanted.
#include "sound/audio_output.h"
#include "sound/pulse_output.h"
#include "sound/sdl_output.h"
#include "sound/wav_decoding.h"

#include <QtGlobal>

namespace {

std::unique_ptr<platform::AudioOutput> openOutput(platform::SoundModule::Output kind, QString &problem)
{
    if (kind == platform::SoundModule::Output::SoundServer)
        return platform::PulseOutput::open(problem);
    return platform::SdlOutput::open(problem);
}

QString formatProblem(const QByteArray &beginning)
{
    return platform::wavFormatProblem(beginning);
}

const platform::SoundModule kModule{&openOutput, &platform::decodeWavTo, &formatProblem, &platform::SdlOutput::shutDown};

} // namespace

extern "C" Q_DECL_EXPORT const platform::SoundModule *virodSoundModule()
{
    return &kModule;
}
