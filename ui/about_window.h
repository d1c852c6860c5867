#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace ui {

// The About window: who made the program and its sounds. Not modal; OK hides it and
// the next About shows the same window, its text as it was.
class Form2 : public QWidget
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
