// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_stamp.h"

#ifdef Q_OS_UNIX
#include "files/file_name.h"
#include <sys/stat.h>
#else
#include <QDateTime>
#include <QFileInfo>
#endif

namespace platform {

#ifdef Q_OS_UNIX

// QFileInfo would ask three times and turn the time into local time (which looks at the
// time zone file) for each sound.
FileStamp stampOf(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(fileNameBytes(path).constData(), &status) != 0)
        return {};
    FileStamp stamp;
    stamp.kind = S_ISREG(status.st_mode)   ? FileStamp::Kind::RegularFile
        : S_ISDIR(status.st_mode)            ? FileStamp::Kind::Folder
                                             : FileStamp::Kind::Other;
    stamp.size = static_cast<qint64>(status.st_size);
#ifdef Q_OS_MACOS
    stamp.modifiedNs = qint64(status.st_mtimespec.tv_sec) * 1000000000 + status.st_mtimespec.tv_nsec;
#else
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
#endif
    return stamp;
}

#else

FileStamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    FileStamp stamp;
    stamp.kind = info.isFile() ? FileStamp::Kind::RegularFile
        : info.isDir()             ? FileStamp::Kind::Folder
                                   : FileStamp::Kind::Other;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    return stamp;
}

#endif

} // namespace platform
