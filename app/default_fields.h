// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// What the main window's three fields hold at start.
struct DefaultFields
{
    QString correctionFile; // Text3
    QString soundFolder;    // Text4, always ending with a path separator
    QString delay;          // Text5
};

// Windows: the trainer's own folder. Elsewhere: the first of the trainer's folders under
// Wine that holds a sound table (in winePrefix, then in homeDir's ~/.wine; "Program Files"
// before "Program Files (x86)"), otherwise the voice set bundled beside the program
// (appDir is the folder of the executable, in the build tree or installed).
// The correction is test.txt in the folder found. An empty homeDir or winePrefix is skipped.
DefaultFields defaultFields(const QString &homeDir, const QString &appDir, const QString &winePrefix);

// The bundled voice set's folder for an executable in appDir, ending with "/".
QString bundledVoiceFolder(const QString &appDir);

} // namespace platform
