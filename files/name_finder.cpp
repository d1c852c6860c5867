// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/name_finder.h"

#include "files/file_name.h"

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace platform {

namespace {

// Past this many folders the listings start afresh; a reading uses one or two.
constexpr qsizetype kMaxListings = 64;

#ifdef Q_OS_UNIX
bool statOf(const QString &path, struct stat &status)
{
    return ::stat(fileNameBytes(path).constData(), &status) == 0;
}

qint64 changedNs(const struct stat &status)
{
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

// Keeps, for one folded key, the name first in byte order.
void offer(QHash<QString, QString> &names, const QString &key, const QString &name, const QByteArray &bytes)
{
    const auto found = names.find(key);
    if (found == names.end())
        names.insert(key, name);
    else if (bytes < fileNameBytes(*found))
        *found = name;
}
#endif

} // namespace

#ifdef Q_OS_UNIX

QString NameFinder::find(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || statOf(path, status))
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return path;
    const Listing *listing = listingOf(folder);
    if (listing == nullptr)
        return path;
    const auto found = listing->byFoldedName.constFind(name.toCaseFolded());
    return found == listing->byFoldedName.constEnd() ? path : folder + *found;
}

const NameFinder::Listing *NameFinder::listingOf(const QString &folder)
{
    const QString where = folder.isEmpty() ? QStringLiteral(".") : folder;
    struct stat status {};
    if (!statOf(where, status) || !S_ISDIR(status.st_mode))
        return nullptr;
    const auto kept = m_listings.constFind(folder);
    if (kept != m_listings.constEnd() && kept->changedNs == changedNs(status) && kept->inode == status.st_ino)
        return &*kept;

    DIR *directory = ::opendir(fileNameBytes(where).constData());
    if (directory == nullptr)
        return nullptr;
    Listing listing;
    listing.changedNs = changedNs(status);
    listing.inode = status.st_ino;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray bytes(entry->d_name);
        if (bytes == "." || bytes == "..")
            continue;
        const QString name = fileNameText(bytes);
        offer(listing.byFoldedName, name.toCaseFolded(), name, bytes);
        // The same file as a lossy conversion names it.
        const QString lossy = QString::fromUtf8(bytes);
        if (mayBeLossyName(lossy) && lossy != name)
            offer(listing.byFoldedName, lossy.toCaseFolded(), name, bytes);
    }
    ::closedir(directory);
    if (m_listings.size() >= kMaxListings)
        m_listings.clear();
    return &*m_listings.insert(folder, std::move(listing));
}

#else

// Windows finds names without regard to case by itself.
QString NameFinder::find(const QString &path)
{
    return path;
}

const NameFinder::Listing *NameFinder::listingOf(const QString &)
{
    return nullptr;
}

#endif

QString NameFinder::findParts(const QString &base, const QStringList &parts)
{
    QString path = base;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        path = find(path + parts[i]);
    }
    return path;
}

QString findFile(const QString &path)
{
    NameFinder finder;
    return finder.find(path);
}

} // namespace platform
