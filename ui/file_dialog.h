// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ui {

struct FileQuestion
{
    QString title;
    QString folder;   // where the dialog starts
    QString fileName; // preselected when it is in that folder
    QString filter;
};

using FileAnswerHandler = std::function<void(const QString &path)>;

// Asks for an existing file, modal to the application, without blocking: `chosen`
// runs with the path picked, and does not run at all when the user cancels.
void askForFile(QWidget *parent, const FileQuestion &question, FileAnswerHandler chosen);

// Tests: the next question is answered by `answer` (an empty path cancels) instead of
// being shown.
void answerNextFileQuestion(std::function<QString(const FileQuestion &)> answer);

} // namespace ui
