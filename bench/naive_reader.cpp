// SPDX-License-Identifier: GPL-3.0-or-later
// The naive way to read a correction aloud with SDL2, as a separate process for the
// pacing benchmark to compare with: open a device with small buffers, and for each
// character queue its WAV, poll every millisecond until the queue is drained, then
// sleep the delay.
//
// usage: naive_reader FOLDER DELAY_MS NAME...   (plays FOLDER/NAME.wav for each NAME)
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: naive_reader FOLDER DELAY_MS NAME...\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Uint32 delayMs = static_cast<Uint32>(std::atoi(argv[2]));
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        return 1;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 256;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "SDL device: %s\n", SDL_GetError());
        return 1;
    }
    SDL_PauseAudioDevice(device, 0);
    for (int i = 3; i < argc; ++i) {
        const std::string path = folder + "/" + argv[i] + ".wav";
        SDL_AudioSpec spec{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        if (!SDL_LoadWAV(path.c_str(), &spec, &buffer, &length)) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), SDL_GetError());
            return 1;
        }
        SDL_AudioCVT cvt;
        SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, have.format, have.channels, have.freq);
        std::vector<Uint8> converted(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
        std::memcpy(converted.data(), buffer, length);
        SDL_FreeWAV(buffer);
        cvt.buf = converted.data();
        cvt.len = static_cast<int>(length);
        SDL_ConvertAudio(&cvt);
        SDL_QueueAudio(device, converted.data(), static_cast<Uint32>(cvt.len_cvt));
        while (SDL_GetQueuedAudioSize(device) > 0)
            SDL_Delay(1);
        SDL_Delay(delayMs);
    }
    SDL_Delay(300);
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 0;
}
