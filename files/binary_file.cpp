// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/binary_file.h"

#include "files/file_name.h"
#include "files/name_finder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
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

} // namespace

// Opens without ever waiting (a FIFO with no writer would block a plain open) and
// keeps the descriptor only when it is a regular file.
int openRegularFile(const QString &path, QString &reason)
{
    const QByteArray name = fileNameBytes(path);
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

namespace {

FileContent readOpened(int fd, qint64 maxBytes, const HeadCheck &checkHead)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(reasonForErrno(EIO));
    }
    const qint64 size = file.size();
    if (maxBytes >= 0 && size > maxBytes)
        return failure(QStringLiteral("le fichier est trop gros : %1, plus que les %2 permis")
                           .arg(sizeText(size), sizeText(maxBytes)));
    FileContent content;
    content.bytes.resize(size);
    qint64 got = 0;
    if (checkHead) {
        got = file.read(content.bytes.data(), std::min(size, kHeadBytes));
        if (got < 0)
            return failure(reasonForErrno(EIO));
        if (const QString reason = checkHead(content.bytes.left(got), size); !reason.isEmpty())
            return failure(reason);
    }
    const qint64 rest = got < size ? file.read(content.bytes.data() + got, size - got) : 0;
    if (rest < 0 || file.error() != QFileDevice::NoError)
        return failure(reasonForErrno(EIO));
    content.bytes.truncate(got + rest); // the file may have shrunk meanwhile
    content.ok = true;
    return content;
}

} // namespace

FileContent readRegularFile(const QString &path, qint64 maxBytes, const HeadCheck &checkHead)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier n'est donné"));
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0)
        return failure(reason);
    return readOpened(fd, maxBytes, checkHead);
}

FileContent readOrCreateFile(const QString &path)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier n'est donné"));

    const QString found = findFile(path);
    const QByteArray name = fileNameBytes(found);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 && errno == ENOENT) {
        const qsizetype slash = found.lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QStringLiteral(".") : found.left(slash + 1);
        if (::stat(fileNameBytes(folder).constData(), &status) != 0)
            return failure(QStringLiteral("le dossier « %1 » n'existe pas").arg(shownPath(folder)));
        if (mayBeLossyName(found))
            return failure(QStringLiteral("son nom contient des caractères illisibles (�) et ne désigne aucun fichier ; "
                                          "aucun fichier n'est créé sous ce nom"));
        // O_EXCL: never follows a link nor opens what appeared meanwhile.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return failure(reasonForErrno(errno));
        ::close(fd);
        FileContent created;
        created.ok = true;
        created.path = found;
        return created;
    }
    FileContent content = readRegularFile(found, kMaxTextFileBytes);
    content.path = found;
    return content;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kMega = 1024 * 1024;
    const QLocale french(QLocale::French);
    if (bytes >= 1024 * kMega)
        return QStringLiteral("%1 Go").arg(french.toString(double(bytes) / (1024 * kMega), 'f', 1));
    return QStringLiteral("%1 Mo").arg((bytes + kMega - 1) / kMega);
}

} // namespace platform
