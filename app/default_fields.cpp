// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/default_fields.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace platform {

namespace {

const QString kWindowsTrainerFolder = QStringLiteral("C:\\Program Files\\Kalon Morse\\");
const QString kCorrectionName = QStringLiteral("test.txt");
const QString kTableName = QStringLiteral("kaloncor.ref");
const QString kDefaultDelay = QStringLiteral("100");

// A 64-bit Wine prefix installs the 32-bit trainer under "Program Files (x86)".
QStringList trainerFolders(const QString &prefix)
{
    if (prefix.isEmpty())
        return {};
    const QDir driveC(QDir(prefix).filePath(QStringLiteral("drive_c")));
    return {driveC.filePath(QStringLiteral("Program Files/Kalon Morse")),
            driveC.filePath(QStringLiteral("Program Files (x86)/Kalon Morse"))};
}

} // namespace

QString bundledVoiceFolder(const QString &appDir)
{
    return QDir::cleanPath(appDir + QStringLiteral("/../") + QStringLiteral(APP_DATA_SUBDIR)) + QLatin1Char('/');
}

DefaultFields defaultFields(const QString &homeDir, const QString &appDir, const QString &winePrefix)
{
#ifdef Q_OS_WIN
    Q_UNUSED(homeDir);
    Q_UNUSED(appDir);
    Q_UNUSED(winePrefix);
    const QString folder = kWindowsTrainerFolder;
#else
    Q_UNUSED(kWindowsTrainerFolder);
    QStringList candidates = trainerFolders(winePrefix);
    if (!homeDir.isEmpty())
        candidates += trainerFolders(QDir(homeDir).filePath(QStringLiteral(".wine")));
    QString folder = bundledVoiceFolder(appDir);
    for (const QString &candidate : candidates) {
        // The table, not the bare folder: an uninstalled trainer can leave an empty one behind.
        if (QFileInfo(QDir(candidate).filePath(kTableName)).isFile()) {
            folder = candidate + QLatin1Char('/');
            break;
        }
    }
#endif
    return DefaultFields{folder + kCorrectionName, folder, kDefaultDelay};
}

} // namespace platform
