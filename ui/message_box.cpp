// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_box.h"

#include "reading/messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {

void openMessageBox(QWidget *parent, const QString &text, reading::MessageButtons buttons,
                    reading::ReadingWindow::AnswerHandler answered)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, reading::kMessageCaption, text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    auto *okButton = qobject_cast<QPushButton *>(box->button(QMessageBox::Ok));
    QPushButton *stopButton = nullptr;
    if (buttons == reading::MessageButtons::OkOrStopReading) {
        stopButton = box->addButton(reading::kStopReadingButton, QMessageBox::RejectRole);
        stopButton->setObjectName(QStringLiteral("stopReadingButton"));
    }
    box->setDefaultButton(okButton);
    // Escape and the close box mean OK; stopping is asked for explicitly.
    box->setEscapeButton(okButton);

    QObject::connect(box, &QMessageBox::finished, box, [box, stopButton, answered] {
        if (!answered)
            return;
        const bool stop = stopButton != nullptr && box->clickedButton() == stopButton;
        answered(stop ? reading::MessageAnswer::StopReading : reading::MessageAnswer::Ok);
    });
    // show(), not open(): open() would make the box modal to its window only, and
    // exec() would block the reading's timers.
    box->show();
}

} // namespace ui
