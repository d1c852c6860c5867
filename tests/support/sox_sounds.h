// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace testing_support {

// Writes a square tone with sox: it starts and stops at full level, so its onset and
// end can be found in a recording to the sample. `encoding` are sox output options.
bool makeTone(const QString &path, int frequencyHz, double seconds,
              const QStringList &encoding = {QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                                             QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16")});

// A character's sound in a set of tones that tell themselves apart by pitch.
struct Tone
{
    char character;
    const char *name;
    int frequencyHz;
    double seconds;
};

// Writes one WAV per tone and a kaloncor.ref naming them into `folder`.
bool makeToneSet(const QString &folder, const std::vector<Tone> &tones);

} // namespace testing_support
