// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <unistd.h>

namespace testing_support {

// Writes `bytes` as the whole content of the file at `path`.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Names as bytes, for names that are not UTF-8, which Qt cannot give back.
inline QByteArray bytePath(const QString &folder, const QByteArray &name)
{
    return QFile::encodeName(folder) + '/' + name;
}

inline bool writeFileNamed(const QString &folder, const QByteArray &name, const QByteArray &bytes)
{
    const QByteArray path = bytePath(folder, name);
    std::FILE *file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file) == size_t(bytes.size());
    return std::fclose(file) == 0 && written;
}

// The folder's entries, as bytes, in byte order.
inline QList<QByteArray> entryBytes(const QString &folder)
{
    QList<QByteArray> names;
    if (DIR *directory = ::opendir(QFile::encodeName(folder).constData())) {
        while (const dirent *entry = ::readdir(directory)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(directory);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Removes the files that QTemporaryDir cannot name.
inline void removeEntries(const QString &folder)
{
    for (const QByteArray &name : entryBytes(folder))
        ::unlink(bytePath(folder, name).constData());
}

} // namespace testing_support
