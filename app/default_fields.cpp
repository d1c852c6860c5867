// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/default_fields.h"

#include "files/file_stamp.h"
#include "files/name_finder.h"
#include "reading/sound_table.h"

#include <QDir>
#include <QStringList>

namespace platform {

namespace {

const QString kWindowsTrainerFolder = QStringLiteral("C:\\Program Files\\Kalon Morse\\");
const QString kCorrectionName = QStringLiteral("test.txt");
const QString kDefaultDelay = QStringLiteral("100");

// A 64-bit Wine prefix installs the 32-bit trainer under "Program Files (x86)". Windows
// ignores the case of names, and so does the trainer under Wine: each part is found as
// it would be there.
QStringList trainerFolders(NameFinder &finder, const QString &prefix)
{
    if (prefix.isEmpty())
        return {};
    const QString driveC = QDir(prefix).filePath(QStringLiteral("drive_c"));
    QStringList folders;
    for (const QString &programFiles : {QStringLiteral("Program Files"), QStringLiteral("Program Files (x86)")})
        folders += finder.findParts(driveC, {programFiles, QStringLiteral("Kalon Morse")});
    return folders;
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
    return DefaultFields{kWindowsTrainerFolder + kCorrectionName, kWindowsTrainerFolder, kDefaultDelay};
#else
    Q_UNUSED(kWindowsTrainerFolder);
    NameFinder finder;
    QStringList candidates = trainerFolders(finder, winePrefix);
    if (!homeDir.isEmpty())
        candidates += trainerFolders(finder, QDir(homeDir).filePath(QStringLiteral(".wine")));
    QString folder = bundledVoiceFolder(appDir);
    for (const QString &candidate : candidates) {
        // The table, not the bare folder: an uninstalled trainer can leave an empty one behind.
        const QString table = finder.findParts(candidate, {reading::SoundTable::kFileName});
        if (stampOf(table).kind == FileStamp::Kind::RegularFile) {
            folder = candidate + QLatin1Char('/');
            break;
        }
    }
    // The trainer's own exercise, whatever the case of its name; created there on Read
    // when it is not.
    return DefaultFields{finder.find(folder + kCorrectionName), folder, kDefaultDelay};
#endif
}

} // namespace platform
