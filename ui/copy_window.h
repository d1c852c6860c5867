// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copy/copy_comparison.h"
#include "copy/progress_history.h"

#include <QTimer>
#include <QWidget>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace reading {
class ReadingRun;
class ReadingWindow;
} // namespace reading

namespace ui {

class CopyResultView;

// « Ma copie »: the learner types, pastes or opens what they copied, compares it with
// the correction of the main window, sees and hears their errors. Each comparison is
// added to the progress history.
class CopyWindow : public QWidget
{
    Q_OBJECT

public:
    CopyWindow(reading::ReadingWindow &form, reading::ReadingRun &run, QWidget *parent = nullptr);


protected:
    void changeEvent(QEvent *event) override;

signals:
    void progressWanted();
    void historyChanged();

private:
    void openCopy();
    void compare();
    void readErrors();
    void followReading();
    std::optional<QString> currentCorrection();
    void keepInHistory(const copycheck::Comparison &comparison);
    void tell(const QString &text);

    reading::ReadingWindow &m_form;
    reading::ReadingRun &m_run;
    copycheck::ProgressHistory m_history;
    QPlainTextEdit *m_copy = nullptr;
    QPushButton *m_compare = nullptr;
    QPushButton *m_readErrors = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_pause = nullptr;
    CopyResultView *m_result = nullptr;
    QTimer m_readingWatch; // the buttons follow a reading started here
    QString m_compared; // the correction of the result shown
    std::optional<copycheck::Comparison> m_comparison;
    bool m_historyProblemTold = false;
};

} // namespace ui
