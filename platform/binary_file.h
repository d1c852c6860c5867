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
FileContent readOrCreateFile(const QString &path);

} // namespace platform
