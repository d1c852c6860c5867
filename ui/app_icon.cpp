// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/app_icon.h"

// Resources of a static library are registered by hand, outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace ui {

QIcon appIcon()
{
    registerIconResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/virod-idadidavir-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace ui
