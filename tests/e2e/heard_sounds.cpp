// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the sounds heard in a recording, one a line: onset and length in milliseconds,
// and pitch in hertz, so the shell tests can check what the program really played.
//
// usage: heard_sounds RECORDING.wav
#include "recording_analysis.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: heard_sounds RECORDING.wav\n");
        return 2;
    }
    const testing_support::Recording recording = testing_support::loadRecording(QString::fromLocal8Bit(argv[1]));
    if (recording.rate <= 0) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (const testing_support::Burst &burst : testing_support::findBursts(recording))
        std::printf("%.1f %.1f %.0f\n", 1000.0 * burst.onset / recording.rate,
                    testing_support::heardMs(burst, recording.rate), burst.frequencyHz);
    return 0;
}
