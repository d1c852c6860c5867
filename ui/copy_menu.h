// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QPointer>

namespace reading {
class ReadingRun;
class ReadingWindow;
} // namespace reading

namespace ui {

class CopyWindow;
class ProgressWindow;

// The « Copie » menu: the learner's copy checked against the correction, and the
// progress kept. Its windows are made on first use and live as long as the menu.
class CopyMenu : public QMenu
{
public:
    CopyMenu(reading::ReadingWindow &form, reading::ReadingRun &run, QWidget *parent);
    ~CopyMenu() override;

    void showCopyWindow();
    void showProgressWindow();

private:
    reading::ReadingWindow &m_form;
    reading::ReadingRun &m_run;
    QPointer<CopyWindow> m_copyWindow;
    QPointer<ProgressWindow> m_progressWindow;
};

} // namespace ui
