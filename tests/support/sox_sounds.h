#pragma once

#include <QString>
#include <QStringList>

namespace testing_support {

// Writes a square tone with sox: it starts and stops at full level, so its onset and
// end can be found in a recording to the sample. `encoding` are sox output options.
bool makeTone(const QString &path, int frequencyHz, double seconds,
              const QStringList &encoding = {QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                                             QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16")});

} // namespace testing_support
