#include "platform/default_fields.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

const QString kWindowsTrainerFolder = QStringLiteral("C:\\Program Files\\Kalon Morse\\");
const QString kWineTrainerFolder = QStringLiteral(".wine/drive_c/Program Files/Kalon Morse/");
const QString kCorrectionName = QStringLiteral("test.txt");
const QString kDefaultDelay = QStringLiteral("100");

} // namespace

QString bundledVoiceFolder(const QString &appDir)
{
    return QDir::cleanPath(appDir + QStringLiteral("/../") + QStringLiteral(APP_DATA_SUBDIR)) + QLatin1Char('/');
}

DefaultFields defaultFields(const QString &homeDir, const QString &appDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(homeDir);
    Q_UNUSED(appDir);
    const QString folder = kWindowsTrainerFolder;
#else
    Q_UNUSED(kWindowsTrainerFolder);
    QString folder = QDir(homeDir).filePath(kWineTrainerFolder);
    if (homeDir.isEmpty() || !QFileInfo(folder).isDir())
        folder = bundledVoiceFolder(appDir);
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
#endif
    return DefaultFields{folder + kCorrectionName, folder, kDefaultDelay};
}

} // namespace platform
