// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

namespace ui {

// « 92,5 % », « 90 % »: a share as the learner reads it, to a tenth.
inline QString percentText(double percent)
{
    QString number = QLocale(QLocale::French).toString(percent, 'f', 1);
    if (number.endsWith(QStringLiteral(",0")))
        number.chop(2);
    return number + QStringLiteral("\u00a0%");
}

} // namespace ui
