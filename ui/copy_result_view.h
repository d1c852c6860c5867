// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copy/copy_comparison.h"

#include <QString>
#include <QWidget>

class QLabel;
class QListWidget;
class QTextEdit;

namespace ui {

// What a comparison found, shown three ways: the correction with each character marked
// (by shape as well as colour, so that it reads without colours and in any theme), the
// score and the confusions, and a list that a screen reader walks group by group
// (« R juste, H copié S »).
class CopyResultView : public QWidget
{
public:
    explicit CopyResultView(QWidget *parent = nullptr);

    void showComparison(const QString &correction, const copycheck::Comparison &comparison);

    // As a screen reader says it: « R juste », « H copié S », « Z manqué », « X en trop ».
    static QString spoken(const QString &correction, const copycheck::CharacterResult &result);

private:
    void showMarks(const QString &correction, const copycheck::Comparison &comparison);
    void showScore(const copycheck::Comparison &comparison);
    void showDetails(const QString &correction, const copycheck::Comparison &comparison);

    QTextEdit *m_marked = nullptr;
    QLabel *m_score = nullptr;
    QListWidget *m_confusions = nullptr;
    QListWidget *m_details = nullptr;
};

} // namespace ui
