// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/recent_corrections_menu.h"

#include "files/file_name.h"
#include "files/file_stamp.h"
#include "ui/remembered_settings.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <utility>

namespace ui {

namespace {

// Wide enough for most paths; a longer one loses its middle, never its file name.
constexpr int kEntryWidthPixels = 480;

// Why the correction at `path` cannot be opened now, or empty. Looked at through the
// name's bytes: Qt's own file test cannot see a name that is not UTF-8.
QString unavailable(const QString &path)
{
    using Kind = platform::FileStamp::Kind;
    switch (platform::stampOf(path).kind) {
    case Kind::RegularFile:
        return {};
    case Kind::Missing:
        // An unplugged stick or a renamed folder: the file may come back.
        return platform::stampOf(QFileInfo(path).path()).kind == Kind::Folder ? QStringLiteral("fichier introuvable")
                                                                               : QStringLiteral("dossier introuvable");
    default:
        return QStringLiteral("pas un fichier");
    }
}

} // namespace

RecentCorrectionsMenu::RecentCorrectionsMenu(QWidget *parent, Chosen chosen)
    : QMenu(QStringLiteral("Corrections &récentes"), parent)
    , m_chosen(std::move(chosen))
{
    setObjectName(QStringLiteral("recentes"));
    setToolTipsVisible(true);
    setEnabled(false);
}

void RecentCorrectionsMenu::setSettings(RememberedSettings *settings)
{
    m_settings = settings;
    refresh();
}

void RecentCorrectionsMenu::refresh()
{
    clear();
    const QStringList recent = m_settings ? m_settings->recentCorrections() : QStringList();
    QStringList available;
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        // Bytes that are not UTF-8 are shown as U+FFFD; the path itself keeps them.
        const QString shownPath = QString::fromUtf8(platform::fileNameBytes(QDir::toNativeSeparators(path)));
        const QString reason = unavailable(path);
        QString shown = fontMetrics().elidedText(shownPath, Qt::ElideMiddle, kEntryWidthPixels);
        if (!reason.isEmpty())
            shown += QStringLiteral(" (%1)").arg(reason);
        // A "&" of the path is shown, not taken for a mnemonic.
        QAction *entry = addAction(QStringLiteral("&%1 ").arg(i + 1) + shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setToolTip(reason.isEmpty() ? shownPath : QStringLiteral("%1 : %2").arg(shownPath, reason));
        // Kept, but not offered, while it cannot be opened: it may come back.
        entry->setEnabled(reason.isEmpty());
        if (reason.isEmpty())
            available << path;
        connect(entry, &QAction::triggered, this, [this, path] { m_chosen(path); });
    }
    if (!recent.isEmpty()) {
        addSeparator();
        QAction *removeGone = addAction(QStringLiteral("Retirer les corrections introuvables"));
        removeGone->setObjectName(QStringLiteral("retirerIntrouvables"));
        removeGone->setEnabled(available.size() < recent.size());
        connect(removeGone, &QAction::triggered, this, [this, available] { keepOnly(available); });
        QAction *clearAll = addAction(QStringLiteral("Effacer la liste"));
        clearAll->setObjectName(QStringLiteral("effacerListe"));
        connect(clearAll, &QAction::triggered, this, [this] { keepOnly({}); });
    }
    setEnabled(!recent.isEmpty());
}

void RecentCorrectionsMenu::keepOnly(const QStringList &paths)
{
    if (!m_settings)
        return;
    m_settings->setRecentCorrections(paths);
    // The user's own choice: kept at once.
    m_settings->save();
    // Not from inside the entry's own signal: the entries are deleted by a refresh.
    QMetaObject::invokeMethod(this, &RecentCorrectionsMenu::refresh, Qt::QueuedConnection);
}

} // namespace ui
