// SPDX-License-Identifier: GPL-3.0-or-later
// The naive way to read a correction aloud with SDL2, as a separate process for the
// benchmarks to compare with: open a device with small buffers, and for each character
// queue its WAV, poll every millisecond until the queue is drained, then sleep the
// delay (not after the last one).
//
// Items, in order:
//   NAME   plays FOLDER/NAME.wav (opening the device first if it is not open yet)
//   open   opens the device now, as a program that keeps it open between readings
//   +MS    holds MS milliseconds (a wait before Read, a pause, a message left open), then
//          prints "mark SECONDS" on the steady clock: the moment the next sound is asked for
//
// usage: naive_reader FOLDER DELAY_MS ITEM...
#include <SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

SDL_AudioDeviceID openDevice(SDL_AudioSpec &have)
{
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 256;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "SDL device: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_PauseAudioDevice(device, 0);
    return device;
}

void play(SDL_AudioDeviceID device, const SDL_AudioSpec &have, const std::string &path)
{
    SDL_AudioSpec spec{};
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &buffer, &length)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), SDL_GetError());
        std::exit(1);
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
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: naive_reader FOLDER DELAY_MS ITEM...\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Uint32 delayMs = static_cast<Uint32>(std::atoi(argv[2]));
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        return 1;
    }
    SDL_AudioSpec have{};
    SDL_AudioDeviceID device = 0;
    bool delayDue = false; // a sound was played and its delay is not over
    for (int i = 3; i < argc; ++i) {
        const std::string item = argv[i];
        if (item == "open") {
            if (device == 0)
                device = openDevice(have);
        } else if (item[0] == '+') {
            if (delayDue)
                SDL_Delay(delayMs);
            delayDue = false;
            SDL_Delay(static_cast<Uint32>(std::atoi(item.c_str() + 1)));
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::printf("mark %.6f\n", std::chrono::duration<double>(now).count());
            std::fflush(stdout);
        } else {
            if (delayDue)
                SDL_Delay(delayMs);
            if (device == 0)
                device = openDevice(have);
            play(device, have, folder + "/" + item + ".wav");
            delayDue = true;
        }
    }
    SDL_Delay(300);
    if (device != 0)
        SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 0;
}
