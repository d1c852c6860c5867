// SPDX-License-Identifier: GPL-3.0-or-later
#include "sox_sounds.h"

#include "test_files.h"

#include <QDir>
#include <QProcess>

namespace testing_support {

bool makeTone(const QString &path, int frequencyHz, double seconds, const QStringList &encoding)
{
    QStringList arguments{QStringLiteral("-n")};
    arguments << encoding << path << QStringLiteral("synth") << QString::number(seconds) << QStringLiteral("square")
              << QString::number(frequencyHz) << QStringLiteral("vol") << QStringLiteral("0.5");
    QProcess sox;
    sox.start(QStringLiteral("sox"), arguments);
    return sox.waitForFinished(10000) && sox.exitCode() == 0;
}

bool makeToneSet(const QString &folder, const std::vector<Tone> &tones)
{
    QByteArray table;
    for (const Tone &tone : tones) {
        if (!makeTone(QDir(folder).filePath(QLatin1String(tone.name) + QStringLiteral(".wav")), tone.frequencyHz,
                      tone.seconds))
            return false;
        table += tone.character + QByteArray(" ") + tone.name + "\r\n";
    }
    return writeFile(QDir(folder).filePath(QStringLiteral("kaloncor.ref")), table);
}

} // namespace testing_support
