// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>

namespace testing_support {

// Two processes that keep both cores busy, at normal priority, while this object lives
// (when `wanted`): the load a user's machine often has while a reading runs.
class BusyCores
{
public:
    explicit BusyCores(bool wanted = true)
    {
        if (!wanted)
            return;
        for (QProcess &hog : m_hogs)
            hog.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
    }
    ~BusyCores()
    {
        for (QProcess &hog : m_hogs) {
            hog.kill();
            hog.waitForFinished(2000);
        }
    }
    BusyCores(const BusyCores &) = delete;
    BusyCores &operator=(const BusyCores &) = delete;

private:
    QProcess m_hogs[2];
};

} // namespace testing_support
