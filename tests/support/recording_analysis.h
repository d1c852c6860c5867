// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

namespace testing_support {

// A recording as mono float samples.
struct Recording
{
    int rate = 0;
    std::vector<float> samples;
};

// Reads any WAV SDL can decode, mixed down to mono at its own rate. Empty on failure.
Recording loadRecording(const QString &path);

// One sound heard in a recording: where it starts and ends, to the sample, and its pitch.
struct Burst
{
    long onset = 0; // first sample above the threshold
    long end = 0;   // last sample above the threshold
    double frequencyHz = 0.0;
};

// Splits a recording into sounds separated by at least `minimumGapMs` of near-silence.
std::vector<Burst> findBursts(const Recording &recording, float threshold = 0.05f, double minimumGapMs = 15.0);

// The sounds of a reading with `delayMs` between them: told apart by a silence of half
// the delay (at least 15 ms), so that a sound broken by a dropout stays one sound, heard
// but not whole.
std::vector<Burst> findReadingSounds(const Recording &recording, int delayMs);

// How long a sound was heard, in milliseconds.
double heardMs(const Burst &burst, int rate);

// Milliseconds from the onset of sound i - 1 to the onset of sound i.
double onsetGapMs(const std::vector<Burst> &bursts, size_t i, int rate);

struct Spread
{
    double median = 0.0;
    double p95 = 0.0;
    double max = 0.0;
};

// Median, 95th percentile and maximum of the absolute values.
Spread spreadOf(std::vector<double> values);

} // namespace testing_support
