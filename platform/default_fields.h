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

// Windows: the trainer's own folder. Elsewhere: the trainer's folder under Wine when it
// exists in homeDir, otherwise the voice set bundled beside the program (appDir is the
// folder of the executable, in the build tree or installed).
DefaultFields defaultFields(const QString &homeDir, const QString &appDir);

// The bundled voice set's folder for an executable in appDir, ending with "/".
QString bundledVoiceFolder(const QString &appDir);

} // namespace platform
