// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace platform {

// A file's text as characters (Unicode code points). The trainer writes Windows-1252;
// a file that is entirely valid UTF-8 is read as UTF-8 instead, without its byte-order mark
// and in composed form (NFC: e + U+0301 is é).
std::u32string decodeText(const QByteArray &bytes);

bool isValidUtf8(const QByteArray &bytes);
// Length of the UTF-8 sequence at p (before end) and its code point, or 0 if invalid.
int utf8SequenceAt(const unsigned char *p, const unsigned char *end, char32_t &codePoint);
std::u32string decodeWindows1252(const QByteArray &bytes);
char32_t windows1252Character(unsigned char byte);

// A U+FEFF anywhere is kept as a character.
void appendCharacter(QString &text, char32_t character);
QString toQString(const std::u32string &text);
QString toQString(char32_t character);

} // namespace platform
