// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/copy_menu.h"

#include "ui/copy_window.h"
#include "ui/progress_window.h"

#include <QAction>

namespace ui {

namespace {

void bringForward(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

CopyMenu::CopyMenu(reading::ReadingWindow &form, reading::ReadingRun &run, QWidget *parent)
    : QMenu(QStringLiteral("&Copie"), parent)
    , m_form(form)
    , m_run(run)
{
    setObjectName(QStringLiteral("copie"));
    QAction *maCopie = addAction(QStringLiteral("Ma copie…"));
    maCopie->setObjectName(QStringLiteral("maCopie"));
    maCopie->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    // Reached from the main window, whichever of its controls has the focus.
    maCopie->setShortcutContext(Qt::WindowShortcut);
    connect(maCopie, &QAction::triggered, this, &CopyMenu::showCopyWindow);
    QAction *progres = addAction(QStringLiteral("Progrès…"));
    progres->setObjectName(QStringLiteral("progres"));
    progres->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    connect(progres, &QAction::triggered, this, &CopyMenu::showProgressWindow);
}

// The windows have no parent, so that the main window stays usable beside them; they go
// with the menu.
CopyMenu::~CopyMenu()
{
    delete m_copyWindow;
    delete m_progressWindow;
}

void CopyMenu::showCopyWindow()
{
    if (!m_copyWindow) {
        m_copyWindow = new CopyWindow(m_form, m_run);
        connect(m_copyWindow, &CopyWindow::progressWanted, this, &CopyMenu::showProgressWindow);
        connect(m_copyWindow, &CopyWindow::historyChanged, this, [this] {
            if (m_progressWindow)
                m_progressWindow->refresh();
        });
    }
    bringForward(m_copyWindow);
}

void CopyMenu::showProgressWindow()
{
    if (!m_progressWindow)
        m_progressWindow = new ProgressWindow();
    m_progressWindow->refresh();
    bringForward(m_progressWindow);
}

} // namespace ui
