// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copy/progress_history.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QTableWidget;

namespace ui {

class ProgressChart;

// « Progrès »: the percentage of each session and the characters confused most often,
// drawn, and the same figures as a table and a list that a screen reader walks.
class ProgressWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    // Reads the history again.
    void refresh();

private:
    copycheck::ProgressHistory m_history;
    ProgressChart *m_chart = nullptr;
    QLabel *m_summary = nullptr;
    QTableWidget *m_sessions = nullptr;
    QListWidget *m_confusions = nullptr;
    bool m_problemTold = false;
};

} // namespace ui
