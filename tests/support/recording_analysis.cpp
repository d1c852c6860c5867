// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_analysis.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <memory>

namespace testing_support {

Recording loadRecording(const QString &path)
{
    Recording recording;
    SDL_AudioSpec spec{};
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.toUtf8().constData(), &spec, &buffer, &length) == nullptr)
        return recording;
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> wav(buffer, &SDL_FreeWAV);
    const std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
        SDL_NewAudioStream(spec.format, spec.channels, spec.freq, AUDIO_F32SYS, 1, spec.freq), &SDL_FreeAudioStream);
    if (!stream || SDL_AudioStreamPut(stream.get(), wav.get(), static_cast<int>(length)) != 0)
        return recording;
    SDL_AudioStreamFlush(stream.get());
    recording.samples.resize(static_cast<size_t>(SDL_AudioStreamAvailable(stream.get())) / sizeof(float));
    const int got = SDL_AudioStreamGet(stream.get(), recording.samples.data(),
                                       static_cast<int>(recording.samples.size() * sizeof(float)));
    recording.samples.resize(static_cast<size_t>(std::max(got, 0)) / sizeof(float));
    recording.rate = spec.freq;
    return recording;
}

std::vector<Burst> findBursts(const Recording &recording, float threshold, double minimumGapMs)
{
    std::vector<Burst> bursts;
    const long minimumGap = static_cast<long>(minimumGapMs * recording.rate / 1000.0);
    const long count = static_cast<long>(recording.samples.size());
    const auto loud = [&](long i) { return std::fabs(recording.samples[static_cast<size_t>(i)]) > threshold; };

    long i = 0;
    while (i < count) {
        while (i < count && !loud(i))
            ++i;
        if (i >= count)
            break;
        Burst burst;
        burst.onset = i;
        burst.end = i;
        while (i < count && i - burst.end < minimumGap) {
            if (loud(i))
                burst.end = i;
            ++i;
        }
        int crossings = 0;
        for (long k = burst.onset + 1; k <= burst.end; ++k) {
            const bool before = recording.samples[static_cast<size_t>(k - 1)] >= 0.0f;
            const bool now = recording.samples[static_cast<size_t>(k)] >= 0.0f;
            crossings += before != now;
        }
        const double seconds = static_cast<double>(burst.end - burst.onset + 1) / recording.rate;
        burst.frequencyHz = seconds > 0 ? crossings / 2.0 / seconds : 0.0;
        bursts.push_back(burst);
    }
    return bursts;
}

std::vector<Burst> findReadingSounds(const Recording &recording, int delayMs)
{
    return findBursts(recording, 0.05f, std::max(15.0, delayMs / 2.0));
}

double heardMs(const Burst &burst, int rate)
{
    return 1000.0 * static_cast<double>(burst.end - burst.onset) / rate;
}

double onsetGapMs(const std::vector<Burst> &bursts, size_t i, int rate)
{
    return 1000.0 * static_cast<double>(bursts[i].onset - bursts[i - 1].onset) / rate;
}

Spread spreadOf(std::vector<double> values)
{
    Spread spread;
    if (values.empty())
        return spread;
    for (double &value : values)
        value = std::fabs(value);
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) {
        const size_t index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
        return values[std::min(index, values.size() - 1)];
    };
    spread.median = values.size() % 2 == 1
        ? values[values.size() / 2]
        : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2.0;
    spread.p95 = at(0.95);
    spread.max = values.back();
    return spread;
}

} // namespace testing_support
