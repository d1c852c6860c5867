#include "sox_sounds.h"

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

} // namespace testing_support
