// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace ui {

// The About window: who made the program and its sounds. Not modal; OK and Escape hide
// it, and the next About shows the same window, its text as it was; the close box
// unloads it. A dialog, so that screen readers present it as one.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    static QStringList textPieces();

public slots:
    void Command1_Click();
    // Escape: hidden as by OK. A dialog's own reject would close it, and closing unloads it.
    void reject() override;

private:
    void Form_Load();

    QPlainTextEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
};

} // namespace ui
