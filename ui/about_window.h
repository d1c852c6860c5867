// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace ui {

// The About window: who made the program and its sounds. Not modal; OK and Escape
// (a dialog's reject hides it) hide it, and the next About shows the same window, its
// text as it was. A dialog, so that screen readers present it as one.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    static QStringList textPieces();

public slots:
    void Command1_Click();

private:
    void Form_Load();

    QPlainTextEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
};

} // namespace ui
