// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_name.h"

#include "text/text_decoding.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // + the byte (0x80 to 0xFF)

bool isEscapedByte(QChar c, QChar before)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && !before.isHighSurrogate();
}

} // namespace

#ifdef Q_OS_UNIX

QByteArray fileNameBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar before = i > 0 ? name[i - 1] : QChar();
        if (!isEscapedByte(name[i], before))
            continue;
        bytes += QStringView(name).sliced(runStart, i - runStart).toUtf8();
        bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
        runStart = i + 1;
    }
    bytes += QStringView(name).sliced(runStart).toUtf8();
    return bytes;
}

QString fileNameText(const QByteArray &bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *end = begin + bytes.size();
    QString text;
    text.reserve(bytes.size());
    for (const unsigned char *p = begin; p < end;) {
        char32_t codePoint = 0;
        const int length = utf8SequenceAt(p, end, codePoint);
        if (length == 0) {
            text.append(QChar(static_cast<char16_t>(kEscapeBase + *p)));
            ++p;
            continue;
        }
        appendCharacter(text, codePoint);
        p += length;
    }
    return text;
}

#else

QByteArray fileNameBytes(const QString &name)
{
    return QFile::encodeName(name);
}

QString fileNameText(const QByteArray &bytes)
{
    return QFile::decodeName(bytes);
}

#endif

bool mayBeLossyName(const QString &name)
{
    return name.contains(QChar::ReplacementCharacter);
}

QString shownPath(const QString &path)
{
    QString shown = QDir::toNativeSeparators(path);
    constexpr int kEndCharacters = kMaxShownPathCharacters * 2 / 3;
    constexpr int kStartCharacters = kMaxShownPathCharacters - kEndCharacters - 1;
    if (shown.size() > kMaxShownPathCharacters) {
        qsizetype start = kStartCharacters;
        qsizetype end = shown.size() - kEndCharacters;
        // A character outside the Basic Multilingual Plane is kept whole or not at all.
        if (shown[start].isLowSurrogate())
            --start;
        if (shown[end].isLowSurrogate())
            ++end;
        shown = shown.left(start) + QChar(0x2026) + shown.mid(end);
    }
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

QString environmentFileName(const char *variable)
{
#ifdef Q_OS_UNIX
    const char *value = std::getenv(variable);
    return value ? fileNameText(QByteArray(value)) : QString();
#else
    return qEnvironmentVariable(variable);
#endif
}

} // namespace platform
