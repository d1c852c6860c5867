// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

namespace ui {

// What the program keeps from one run to the next, in an INI file of the user's
// configuration folder: the reading delay, the size of the correction's text, the
// window's place and the corrections read last. The paths of the correction and of the
// sounds are not kept: the trainer writes a new exercise at the same place each time.
//
// A file that is missing, damaged, unreadable or unwritable means the defaults: nothing
// is told, and a write that cannot be made is tried again at the next save. A path that
// is not a regular file (a pipe, a device, a folder, a broken link) is neither read nor
// written, which is told once on standard error.
//
// Paths of recent corrections keep the bytes of names that are not UTF-8 (see
// platform::fileNameText) through the file.
class RememberedSettings
{
public:
    static constexpr int kRecentCount = 8;

    // Reads `path` at once; an empty path keeps nothing.
    explicit RememberedSettings(QString path);

    // ~/.config/virod-idadidavir/virod-idadidavir.conf (XDG_CONFIG_HOME is followed).
    static QString userFile();

    // Each is empty when nothing valid is kept.
    QString delay() const { return m_delay; }
    std::optional<qreal> correctionPoints() const { return m_correctionPoints; }
    std::optional<QPoint> windowPosition() const { return m_windowPosition; }
    QStringList recentCorrections() const { return m_recent; }

    void setDelay(const QString &delay);
    void setCorrectionPoints(qreal points);
    void setWindowPosition(QPoint position);
    // Puts `path` (made absolute) first, drops its earlier place and anything beyond the
    // eighth; only a regular file that exists now enters the list.
    void addRecentCorrection(const QString &path);
    void setRecentCorrections(const QStringList &paths);

    // Writes the file now if anything changed since the last write that succeeded. Never
    // waits for long: not on a lock held elsewhere, not on a pipe.
    void save();

private:
    void read();
    // Whether `path` may be opened; tells on standard error, once, why not.
    bool usable(const QString &path);
    std::optional<QByteArray> iniText() const;

    QString m_path;
    QString m_delay;
    std::optional<qreal> m_correctionPoints;
    std::optional<QPoint> m_windowPosition;
    QStringList m_recent;
    bool m_changed = false;
    bool m_refusalTold = false;
};

} // namespace ui
