// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

struct FileContent
{
    bool ok = false;
    QByteArray bytes;
    QString error; // French, for the user, when !ok
};

// Reads a whole file. An existing file is opened read-only and never written (an
// exercise or table in a protected folder must stay readable); a file that does not
// exist is created empty in its folder, as the trainer expects, and reads as empty.
// Only regular files are read: a pipe or a device is refused without ever waiting on it.
FileContent readOrCreateFile(const QString &path);

// Reads an existing regular file of at most `maxBytes` bytes; a larger one is refused
// before any of it is read.
FileContent readRegularFile(const QString &path, qint64 maxBytes);

} // namespace platform
