// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <functional>

namespace ui {

class RememberedSettings;

// Fichier > « Corrections récentes »: the corrections opened or read last, newest first.
// A file that cannot be opened now (a stick unplugged, a folder renamed) stays in the
// list, shown disabled with the reason, until the user takes it out: « Retirer les
// corrections introuvables » or « Effacer la liste ».
class RecentCorrectionsMenu : public QMenu
{
public:
    using Chosen = std::function<void(const QString &path)>;

    RecentCorrectionsMenu(QWidget *parent, Chosen chosen);

    void setSettings(RememberedSettings *settings);
    // Builds the entries again from the kept list, each file looked at anew.
    void refresh();

private:
    void keepOnly(const QStringList &paths);

    RememberedSettings *m_settings = nullptr;
    Chosen m_chosen;
};

} // namespace ui
