// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/remembered_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>
#include <utility>

namespace ui {

namespace {

const QString kDelayKey = QStringLiteral("lecture/delai");
const QString kPointsKey = QStringLiteral("fenetre/taille_texte");
const QString kPositionKey = QStringLiteral("fenetre/position");
const QString kRecentKey = QStringLiteral("corrections/recentes");

// Sizes the zoom keys can reach, and a delay the field accepts.
constexpr qreal kSmallestPoints = 6.0;
constexpr qreal kLargestPoints = 48.0;
constexpr int kLongestDelay = 65535;
// A position further out than any screen is damage, not a place.
constexpr int kFarthest = 100000;

// QSettings waits as long as its lock file is held; a lock left behind by another
// program, or damaged, must not hold the window: a write waits this long, then is dropped.
constexpr int kLockWaitMs = 200;

bool isDelay(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 && value <= kLongestDelay && text == QString::number(value);
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

void RememberedSettings::read()
{
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile())
        return;
    const QSettings file(m_path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return;

    const QString delay = file.value(kDelayKey).toString();
    if (isDelay(delay))
        m_delay = delay;

    bool ok = false;
    const qreal points = file.value(kPointsKey).toString().toDouble(&ok);
    if (ok && points >= kSmallestPoints && points <= kLargestPoints)
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

    const QVariant recent = file.value(kRecentKey);
    if (recent.canConvert<QStringList>()) {
        for (const QString &path : recent.toStringList()) {
            if (!path.isEmpty() && !m_recent.contains(path) && m_recent.size() < kRecentCount)
                m_recent << path;
        }
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
    QStringList recent = m_recent;
    recent.removeAll(path);
    recent.prepend(path);
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
    if (!m_changed || m_path.isEmpty())
        return;
    m_changed = false;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return;
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return;
    lock.unlock();

    // QSettings leaves a file it cannot parse alone: a damaged file goes first.
    if (QSettings(m_path, QSettings::IniFormat).status() == QSettings::FormatError)
        QFile::remove(m_path);
    // Written whole, through a temporary file renamed at the end.
    QSettings file(m_path, QSettings::IniFormat);
    file.clear();
    if (!m_delay.isEmpty())
        file.setValue(kDelayKey, m_delay);
    if (m_correctionPoints)
        file.setValue(kPointsKey, QString::number(*m_correctionPoints));
    if (m_windowPosition)
        file.setValue(kPositionKey, QStringList{QString::number(m_windowPosition->x()), QString::number(m_windowPosition->y())});
    if (!m_recent.isEmpty())
        file.setValue(kRecentKey, m_recent);
    file.sync();
}

} // namespace ui
