// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace platform {

// Finds a file as Windows does, which ignores the case of names: sound sets and
// exercises made there name `a.wav` for `A.WAV`, `kaloncor.ref` for `KALONCOR.REF`.
//
// The exact name wins, at the cost of one look at the file system and never a listing
// of its folder (a reading may ask for a thousand sounds a second). Otherwise the last
// part of the path is looked for in its folder without regard to case; where several
// names differ only by case, the first in byte order wins (upper case before lower
// case), so the choice never depends on the order of the folder. A name that came
// through a lossy conversion (U+FFFD for bytes that are not UTF-8) also finds the one
// file it stands for. Listings are kept per folder until the folder changes.
class NameFinder
{
public:
    // The path of the file or folder found, or `path` itself when there is none.
    QString find(const QString &path);
    // `base` (an existing folder, ending with "/") followed by each of `parts` in turn,
    // each found as above.
    QString findParts(const QString &base, const QStringList &parts);

private:
    struct Listing
    {
        qint64 changedNs = 0;
        quint64 inode = 0;
        QHash<QString, QString> byFoldedName; // case-folded name -> the name chosen
    };

    const Listing *listingOf(const QString &folder);

    QHash<QString, Listing> m_listings;
};

// For a single look (start-up, a Read): nothing kept.
QString findFile(const QString &path);

} // namespace platform
