// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/remembered_settings.h"

#include "files/binary_file.h"
#include "files/file_name.h"
#include "files/file_stamp.h"
#include "text/number_parsing.h"
#include "ui/correction_zoom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>
#include <cstdlib>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace ui {

namespace {

const QString kDelayKey = QStringLiteral("lecture/delai");
const QString kPointsKey = QStringLiteral("fenetre/taille_texte");
const QString kPositionKey = QStringLiteral("fenetre/position");
const QString kRecentKey = QStringLiteral("corrections/recentes");

// Eight long paths and a few numbers take a few kilobytes.
constexpr qint64 kLargestFileBytes = 1024 * 1024;
// A position further out than any screen is damage, not a place.
constexpr int kFarthest = 100000;

// QSettings waits as long as its lock file is held; a lock left behind by another
// program, or damaged, must not hold the window: a save waits this long, then leaves the
// change to the next save.
constexpr int kLockWaitMs = 200;

bool isDelay(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 && value <= platform::kMaxDelayMs && text == QString::number(value);
}

// Why `path` must be neither read nor written (opening a pipe or a device waits for
// its other end, for ever), or empty when it is a regular file or does not exist yet.
QString notAFile(const QString &path)
{
    bool exists = false;
    bool brokenLink = false;
    bool regular = false;
    bool folder = false;
#ifdef Q_OS_UNIX
    const QByteArray name = platform::fileNameBytes(path);
    struct stat status {};
    exists = ::lstat(name.constData(), &status) == 0;
    brokenLink = exists && ::stat(name.constData(), &status) != 0; // dangling or looping
    regular = S_ISREG(status.st_mode);
    folder = S_ISDIR(status.st_mode);
#else
    const QFileInfo status(path);
    exists = status.exists() || status.isSymLink();
    brokenLink = !status.exists() && status.isSymLink();
    regular = status.isFile();
    folder = status.isDir();
#endif
    if (!exists || (regular && !brokenLink))
        return {};
    if (brokenLink)
        return QStringLiteral("est un lien vers un fichier introuvable");
    if (folder)
        return QStringLiteral("est un dossier");
    return QStringLiteral("n'est pas un fichier ordinaire");
}

// The recent corrections, read back as the paths saved by iniText().
QStringList recentPaths(const QVariant &value)
{
    QVariantList items;
    if (value.typeId() == QMetaType::QVariantList)
        items = value.toList();
    else if (value.typeId() == QMetaType::QStringList)
        for (const QString &path : value.toStringList())
            items << path;
    else if (value.isValid())
        items << value;
    QStringList paths;
    for (const QVariant &item : items)
        paths << (item.typeId() == QMetaType::QByteArray ? platform::fileNameText(item.toByteArray()) : item.toString());
    return paths;
}

// A name that UTF-8 cannot hold (bytes kept from a Latin-1 name) is saved as its bytes,
// any other as text, so that the file stays readable and no byte turns into U+FFFD.
QVariant savedPaths(const QStringList &paths)
{
    QVariantList items;
    bool allText = true;
    for (const QString &path : paths) {
        const QByteArray bytes = platform::fileNameBytes(path);
        allText = allText && QString::fromUtf8(bytes) == path;
        items << (QString::fromUtf8(bytes) == path ? QVariant(path) : QVariant(bytes));
    }
    if (allText)
        return paths;
    // A list of one would be written as Qt's binary form of a list: one item is written alone.
    return items.size() == 1 ? items.constFirst() : QVariant(items);
}

bool writeWhole(const QString &path, const QByteArray &text)
{
    // Through a temporary file renamed at the end: a link is followed, and the file itself
    // is never opened for writing.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

} // namespace

RememberedSettings::RememberedSettings(QString path)
    : m_path(std::move(path))
{
    read();
}

QString RememberedSettings::userFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/virod-idadidavir/virod-idadidavir.conf");
}

bool RememberedSettings::usable(const QString &path)
{
    const QString problem = notAFile(path);
    if (problem.isEmpty())
        return true;
    if (!m_refusalTold) {
        m_refusalTold = true;
        const QString line = QStringLiteral("virod-idadidavir : réglages ni lus ni enregistrés, « %1 » %2\n")
                                 .arg(platform::shownPath(path), problem);
        std::fputs(line.toLocal8Bit().constData(), stderr);
    }
    return false;
}

void RememberedSettings::read()
{
    if (m_path.isEmpty() || !usable(m_path))
        return;
    // Read by the program (never waiting on a pipe put there meanwhile), then parsed from
    // a scratch copy: QSettings keeps a file it has parsed once, and would not tell
    // again that it rejects it.
    const platform::FileContent content = platform::readRegularFile(m_path, kLargestFileBytes);
    QTemporaryFile scratch;
    if (!content.ok || !scratch.open() || scratch.write(content.bytes) != content.bytes.size())
        return;
    scratch.close();
    const QSettings file(scratch.fileName(), QSettings::IniFormat);
    // QSettings parses on the first question: only then does its status tell a file it
    // rejects, which means the defaults, whatever parts of it look right.
    if (file.allKeys().isEmpty() || file.status() != QSettings::NoError)
        return;

    const QString delay = file.value(kDelayKey).toString();
    if (isDelay(delay))
        m_delay = delay;

    bool ok = false;
    const qreal points = file.value(kPointsKey).toString().toDouble(&ok);
    if (ok && points >= kSmallestCorrectionPoints && points <= kLargestCorrectionPoints)
        m_correctionPoints = points;

    const QStringList xy = file.value(kPositionKey).toStringList();
    if (xy.size() == 2) {
        bool xOk = false;
        bool yOk = false;
        const int x = xy[0].toInt(&xOk);
        const int y = xy[1].toInt(&yOk);
        if (xOk && yOk && std::abs(x) < kFarthest && std::abs(y) < kFarthest)
            m_windowPosition = QPoint(x, y);
    }

    for (const QString &path : recentPaths(file.value(kRecentKey))) {
        if (!path.isEmpty() && !m_recent.contains(path) && m_recent.size() < kRecentCount)
            m_recent << path;
    }
}

void RememberedSettings::setDelay(const QString &delay)
{
    if (!isDelay(delay) || delay == m_delay)
        return;
    m_delay = delay;
    m_changed = true;
}

void RememberedSettings::setCorrectionPoints(qreal points)
{
    if (m_correctionPoints == points)
        return;
    m_correctionPoints = points;
    m_changed = true;
}

void RememberedSettings::setWindowPosition(QPoint position)
{
    if (m_windowPosition == position)
        return;
    m_windowPosition = position;
    m_changed = true;
}

void RememberedSettings::addRecentCorrection(const QString &path)
{
    // Looked at through its bytes: Qt's own file test cannot see a name that is not UTF-8.
    if (path.isEmpty() || platform::stampOf(path).kind != platform::FileStamp::Kind::RegularFile)
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList recent = m_recent;
    recent.removeAll(absolute);
    recent.prepend(absolute);
    setRecentCorrections(recent);
}

void RememberedSettings::setRecentCorrections(const QStringList &paths)
{
    const QStringList kept = paths.mid(0, kRecentCount);
    if (kept == m_recent)
        return;
    m_recent = kept;
    m_changed = true;
}

void RememberedSettings::save()
{
    const QString lockPath = m_path + QStringLiteral(".lock");
    if (!m_changed || m_path.isEmpty() || !usable(m_path) || !usable(lockPath))
        return;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return;
    // The lock another copy of the program, or QSettings, takes to write the same file.
    QLockFile lock(lockPath);
    if (!lock.tryLock(kLockWaitMs))
        return;
    const std::optional<QByteArray> text = iniText();
    // Written whole: whatever the file held, damaged or not, is replaced.
    if (text && writeWhole(m_path, *text))
        m_changed = false;
}

std::optional<QByteArray> RememberedSettings::iniText() const
{
    // QSettings writes only to a file, and would take the lock held above: it writes a
    // scratch file, whose text is then put in place.
    QTemporaryFile scratch;
    if (!scratch.open())
        return std::nullopt;
    scratch.close();
    {
        QSettings file(scratch.fileName(), QSettings::IniFormat);
        file.clear();
        if (!m_delay.isEmpty())
            file.setValue(kDelayKey, m_delay);
        if (m_correctionPoints)
            file.setValue(kPointsKey, QString::number(*m_correctionPoints));
        if (m_windowPosition)
            file.setValue(kPositionKey, QStringList{QString::number(m_windowPosition->x()), QString::number(m_windowPosition->y())});
        if (!m_recent.isEmpty())
            file.setValue(kRecentKey, savedPaths(m_recent));
        file.sync();
        if (file.status() != QSettings::NoError)
            return std::nullopt;
    }
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return std::nullopt;
    return written.readAll();
}

} // namespace ui
