// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// What a file is, its size and the moment it was last written, from one look at the
// file system: enough to tell whether a file read before is still the same. A sound is
// looked at before every character, so this is a single system call.
struct FileStamp
{
    enum class Kind { Missing, RegularFile, Folder, Other };

    Kind kind = Kind::Missing;
    qint64 size = 0;
    qint64 modifiedNs = 0; // since the epoch

    bool operator==(const FileStamp &other) const
    {
        return kind == other.kind && size == other.size && modifiedNs == other.modifiedNs;
    }
};

FileStamp stampOf(const QString &path);

} // namespace platform
