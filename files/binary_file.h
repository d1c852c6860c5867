// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

// A correction or a sound table is read whole, and shown: past this size it is not an
// exercise, and reading it would take the memory of the machine. It is refused before
// any of it is read.
inline constexpr qint64 kMaxTextFileBytes = 64LL * 1024 * 1024;

struct FileContent
{
    bool ok = false;
    QByteArray bytes;
    QString error; // French, for the user, when !ok
    QString path;  // the file read, or created
};

// Reads a whole file of at most kMaxTextFileBytes. The file is found as NameFinder
// finds it (exact name first, otherwise the same name in another case). An existing
// file is opened read-only and never written (an exercise or table in a protected
// folder must stay readable); a file that does not exist is created empty in its
// folder, as the trainer expects, and reads as empty, unless its name may stand for
// lost bytes (U+FFFD): then it is refused, since the file meant may exist under bytes
// that name cannot give back. Only regular files are read: a pipe or a device is
// refused without ever waiting on it.
FileContent readOrCreateFile(const QString &path);

// "12 Mo", "3,0 Go": a size for a message.
QString sizeText(qint64 bytes);

// Judges a file from its first kHeadBytes (or fewer) and its size: an empty text lets
// the reading go on, any other is the reason for refusing the file.
inline constexpr qint64 kHeadBytes = 64 * 1024;
using HeadCheck = std::function<QString(const QByteArray &head, qint64 size)>;

// Opens an existing regular file for reading, as readRegularFile does; returns its
// descriptor, or -1 and the reason.
int openRegularFile(const QString &path, QString &reason);

// Reads an existing regular file of at most `maxBytes` bytes; a larger one is refused
// before any of it is read, and so is one that `checkHead` refuses from its beginning.
FileContent readRegularFile(const QString &path, qint64 maxBytes, const HeadCheck &checkHead = {});

} // namespace platform
