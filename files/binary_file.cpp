// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/binary_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The common failures in the program's own words; the system's text is never shown.
QString reasonForErrno(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("le fichier ou son dossier n'existe pas");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EISDIR:
        return QStringLiteral("c'est un dossier, pas un fichier");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case ENAMETOOLONG:
        return QStringLiteral("le chemin est trop long");
    case ELOOP:
        return QStringLiteral("le chemin contient trop de liens symboliques");
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return QStringLiteral("le système manque de ressources");
    case EIO:
    default:
        return QStringLiteral("erreur du disque");
    }
}

FileContent failure(const QString &reason)
{
    FileContent content;
    content.error = reason;
    return content;
}

// Opens without ever waiting (a FIFO with no writer would block a plain open) and
// keeps the descriptor only when it is a regular file.
int openRegular(const QString &path, QString &reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = reasonForErrno(errno);
        return -1;
    }
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool folder = S_ISDIR(status.st_mode);
        ::close(fd);
        reason = folder ? reasonForErrno(EISDIR) : QStringLiteral("ce n'est pas un fichier ordinaire");
        return -1;
    }
    return fd;
}

FileContent readOpened(int fd, qint64 maxBytes)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(reasonForErrno(EIO));
    }
    if (maxBytes >= 0 && file.size() > maxBytes)
        return failure(QStringLiteral("le fichier est trop gros (%1 Mo au plus)").arg(maxBytes / (1024 * 1024)));
    FileContent content;
    content.bytes.resize(file.size());
    const qint64 got = file.read(content.bytes.data(), content.bytes.size());
    if (got < 0 || file.error() != QFileDevice::NoError)
        return failure(reasonForErrno(EIO));
    content.bytes.truncate(got); // the file may have shrunk meanwhile
    content.ok = true;
    return content;
}

} // namespace

FileContent readRegularFile(const QString &path, qint64 maxBytes)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier n'est donné"));
    QString reason;
    const int fd = openRegular(path, reason);
    if (fd < 0)
        return failure(reason);
    return readOpened(fd, maxBytes);
}

FileContent readOrCreateFile(const QString &path)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier n'est donné"));

    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        const QDir folder = info.absoluteDir();
        if (!QFileInfo::exists(folder.path()))
            return failure(QStringLiteral("le dossier « %1 » n'existe pas").arg(QDir::toNativeSeparators(folder.path())));
        // O_EXCL: never follows a link nor opens what appeared meanwhile.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return failure(reasonForErrno(errno));
        ::close(fd);
        FileContent created;
        created.ok = true;
        return created;
    }
    return readRegularFile(path, -1);
}

} // namespace platform
