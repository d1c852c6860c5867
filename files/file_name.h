// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// File names on Unix are bytes. A name that is not valid UTF-8 (copied from an old
// system in Latin-1, say) must still open the very file it names: each byte that cannot
// be decoded is held as the lone low surrogate U+DC80 + (byte - 0x80), which no decoded
// text ever holds, and turned back into that byte on the way to the system. Qt's own
// conversion would replace such bytes by U+FFFD and name another file.
QByteArray fileNameBytes(const QString &name);
QString fileNameText(const QByteArray &bytes);

// Whether a name holds U+FFFD: it came through a lossy conversion (a file dialog, a
// dropped link) and may stand for bytes that are lost, so no file is created under it.
bool mayBeLossyName(const QString &name);

// A path as a message shows it: native separators, control characters shown as U+FFFD,
// and a path longer than kMaxShownPathCharacters cut in its middle ("…"), keeping its
// start and its end (the file's name), so that no message outgrows the screen.
inline constexpr int kMaxShownPathCharacters = 160;
QString shownPath(const QString &path);

// An environment variable read as a file name (WINEPREFIX, HOME).
QString environmentFileName(const char *variable);

} // namespace platform
