// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar, keys, tab stops and names for screen readers.
#include "ui/main_window.h"

#include "ui/copy_menu.h"
#include "ui/correction_zoom.h"
#include "ui/recent_corrections_menu.h"
#include "ui/remembered_settings.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace ui {

namespace {

constexpr qreal kZoomStepPoints = 2.0;

} // namespace

void Form1::createMenus()
{
    fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    ouvrir = fichier->addAction(QStringLiteral("Ouvrir une correction…"));
    ouvrir->setObjectName(QStringLiteral("ouvrir"));
    ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(ouvrir, &QAction::triggered, this, &Form1::ouvrir_Click);
    recentes = new RecentCorrectionsMenu(fichier, [this](const QString &path) { openCorrection(path); });
    fichier->addMenu(recentes);
    // Files gone since are dropped from the list each time it can be seen.
    connect(fichier, &QMenu::aboutToShow, recentes, &RecentCorrectionsMenu::refresh);
    quitter = fichier->addAction(QStringLiteral("Quitter"));
    quitter->setObjectName(QStringLiteral("quitter"));
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitter->setShortcutContext(Qt::ApplicationShortcut); // from the About window too
    connect(quitter, &QAction::triggered, this, &Form1::quitter_Click);

    // A menu-bar entry of its own, with no drop-down: it acts when clicked.
    apropos = menuBar()->addAction(QStringLiteral("&A propos"));
    apropos->setObjectName(QStringLiteral("apropos"));
    apropos->setShortcut(QKeySequence(Qt::Key_F1));
    connect(apropos, &QAction::triggered, this, &Form1::apropos_Click);

    // The learner's copy checked and the progress kept, in windows of their own.
    menuBar()->insertMenu(apropos, new CopyMenu(*this, m_run, menuBar()));
}

void Form1::setTabStops()
{
    // The designed tab indices, visible controls only.
    QWidget::setTabOrder(Command1, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, Text5);
    QWidget::setTabOrder(Text5, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Text2);
}

void Form1::createKeys()
{
    const auto addKey = [this](const char *name, const QList<QKeySequence> &keys, auto pressed) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, pressed);
        addAction(action);
    };
    // Keys act as the clicks do, and only where the button can be clicked.
    addKey("readKey", {Qt::Key_F5}, [this] {
        if (readingMayStart())
            Command1->click();
    });
    addKey("stopKey", {Qt::Key_Escape}, [this] { pressIfShown(Command2); });
    addKey("pauseKey", {Qt::Key_F6}, [this] { pressIfShown(Command3); });
    // Also in the text's context menu, where it shows its key.
    lireSelection = new QAction(QStringLiteral("Lire la sélection"), this);
    lireSelection->setObjectName(QStringLiteral("lireSelection"));
    lireSelection->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    connect(lireSelection, &QAction::triggered, this, &Form1::lireSelection_Click);
    addAction(lireSelection);
    Text2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Text2, &QWidget::customContextMenuRequested, this, &Form1::showTextMenu);
    // Ctrl+= too: it is Ctrl++ without Shift on most layouts.
    addKey("zoomInKey", {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
           [this] { zoomCorrection(kZoomStepPoints); });
    addKey("zoomOutKey", {QKeySequence::ZoomOut}, [this] { zoomCorrection(-kZoomStepPoints); });
}

void Form1::nameForScreenReaders()
{
    // Each field is named by its caption; the buddy gives the labelled-by relation too.
    const std::pair<QLabel *, QLineEdit *> captions[] = {{Label1, Text3}, {Label2, Text4}, {Label4, Text5}};
    for (const auto &[label, field] : captions) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
    Text5->setAccessibleDescription(QStringLiteral("en millisecondes"));
    Text2->setAccessibleName(QStringLiteral("Texte de la correction"));
}

void Form1::pressIfShown(QPushButton *button)
{
    if (button->isVisibleTo(this) && button->isEnabled())
        button->click();
}

void Form1::zoomCorrection(qreal points)
{
    QFont font = Text2->font();
    font.setPointSizeF(std::clamp(font.pointSizeF() + points, kSmallestCorrectionPoints, kLargestCorrectionPoints));
    Text2->setFont(font);
    if (m_settings) {
        m_settings->setCorrectionPoints(font.pointSizeF());
        keepSoon();
    }
}

void Form1::showTextMenu(const QPoint &position)
{
    QMenu *menu = Text2->createStandardContextMenu(position);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *first = menu->actions().value(0);
    menu->insertAction(first, lireSelection);
    menu->insertSeparator(first);
    menu->popup(Text2->viewport()->mapToGlobal(position));
}

} // namespace ui
