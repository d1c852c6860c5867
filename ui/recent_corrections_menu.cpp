// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/recent_corrections_menu.h"

#include "ui/remembered_settings.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <utility>

namespace ui {

namespace {

// Wide enough for most paths; a longer one loses its middle, never its file name.
constexpr int kEntryWidthPixels = 480;

} // namespace

RecentCorrectionsMenu::RecentCorrectionsMenu(QWidget *parent, Chosen chosen)
    : QMenu(QStringLiteral("Corrections &récentes"), parent)
    , m_chosen(std::move(chosen))
{
    setObjectName(QStringLiteral("recentes"));
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
    QStringList present;
    if (m_settings) {
        for (const QString &path : m_settings->recentCorrections()) {
            if (QFileInfo(path).isFile())
                present << path;
        }
        m_settings->setRecentCorrections(present);
    }
    for (int i = 0; i < present.size(); ++i) {
        const QString path = QDir::toNativeSeparators(present[i]);
        const QString shown = fontMetrics().elidedText(path, Qt::ElideMiddle, kEntryWidthPixels);
        // A "&" of the path is shown, not taken for a mnemonic.
        QAction *entry = addAction(QStringLiteral("&%1 ").arg(i + 1) + QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { m_chosen(path); });
    }
    setEnabled(!present.isEmpty());
}

} // namespace ui
