#include "platform/binary_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

QString reasonFor(const QFile &file)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("accès refusé");
    case QFileDevice::ReadError:
        return QStringLiteral("erreur de lecture");
    case QFileDevice::OpenError:
        return QStringLiteral("ouverture impossible (%1)").arg(file.errorString());
    default:
        return file.errorString();
    }
}

FileContent failure(const QString &reason)
{
    FileContent content;
    content.error = reason;
    return content;
}

} // namespace

FileContent readOrCreateFile(const QString &path)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier n'est donné"));

    const QFileInfo info(path);
    if (info.isDir())
        return failure(QStringLiteral("c'est un dossier, pas un fichier"));

    QFile file(path);
    if (!info.exists()) {
        const QDir folder = info.absoluteDir();
        if (!folder.exists())
            return failure(QStringLiteral("le dossier « %1 » n'existe pas").arg(QDir::toNativeSeparators(folder.path())));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failure(reasonFor(file));
        file.close();
        FileContent created;
        created.ok = true;
        return created;
    }

    if (!file.open(QIODevice::ReadOnly))
        return failure(reasonFor(file));
    FileContent content;
    content.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(reasonFor(file));
    content.ok = true;
    return content;
}

} // namespace platform
