// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <optional>
#include <vector>

namespace testing_support {

// Runs the naive SDL2 reader (bench/naive_reader.cpp, built beside the benchmarks) as a
// separate process on the sounds of `folder`, and waits for its end. Returns the moments
// it marked (seconds on the steady clock), or nothing if it failed.
inline std::optional<std::vector<double>> runNaiveReader(const QString &folder, int delayMs, const QStringList &items)
{
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(QCoreApplication::applicationDirPath() + QStringLiteral("/naive_reader"),
                 QStringList{folder, QString::number(delayMs)} + items);
    if (!reader.waitForFinished(600000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return std::nullopt;
    std::vector<double> marks;
    for (const QByteArray &line : reader.readAllStandardOutput().split('\n')) {
        if (line.startsWith("mark "))
            marks.push_back(line.mid(5).toDouble());
    }
    return marks;
}

} // namespace testing_support
