// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <functional>

namespace ui {

class RememberedSettings;

// Fichier > « Corrections récentes »: the corrections opened or read last, newest first.
// A file that no longer exists is dropped from the list each time the list is shown.
class RecentCorrectionsMenu : public QMenu
{
public:
    using Chosen = std::function<void(const QString &path)>;

    RecentCorrectionsMenu(QWidget *parent, Chosen chosen);

    void setSettings(RememberedSettings *settings);
    // Builds the entries again from the kept list, without the missing files.
    void refresh();

private:
    RememberedSettings *m_settings = nullptr;
    Chosen m_chosen;
};

} // namespace ui
