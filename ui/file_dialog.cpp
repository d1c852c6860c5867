// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <utility>

namespace ui {

namespace {

std::function<QString(const FileQuestion &)> &nextAnswer()
{
    static std::function<QString(const FileQuestion &)> answer;
    return answer;
}

} // namespace

void answerNextFileQuestion(std::function<QString(const FileQuestion &)> answer)
{
    nextAnswer() = std::move(answer);
}

void askForFile(QWidget *parent, const FileQuestion &question, FileAnswerHandler chosen)
{
    if (nextAnswer()) {
        const auto answer = std::exchange(nextAnswer(), {});
        const QString path = answer(question);
        if (!path.isEmpty())
            chosen(path);
        return;
    }

    auto *dialog = new QFileDialog(parent, question.title, question.folder, question.filter);
    dialog->setObjectName(QStringLiteral("fileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (QFileInfo(QDir(question.folder), question.fileName).isFile())
        dialog->selectFile(question.fileName);
    // show(), not open() (which makes it modal to its window only) nor exec(): the
    // reading and its sounds go on while it is open.
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen](const QString &path) {
        if (!path.isEmpty())
            chosen(path);
    });
    dialog->show();
}

} // namespace ui
