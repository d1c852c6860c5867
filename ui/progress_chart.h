// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace ui {

// The learner's progress drawn: the percentage of characters right at each session, and
// below it the characters confused most often. Painted with QPainter: two simple plots
// need no charting library, and Qt Charts would add a dependency to the program and
// its package for them. The figures are given as text by the window around it.
class ProgressChart : public QWidget
{
public:
    struct Confusion
    {
        QString label; // « H copié S »
        int count = 0;
    };

    explicit ProgressChart(QWidget *parent = nullptr);

    // Sessions oldest first; confusions most frequent first.
    void setProgress(std::vector<double> percents, std::vector<Confusion> confusions);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawPercents(QPainter &painter, const QRect &area) const;
    void drawConfusions(QPainter &painter, const QRect &area) const;

    std::vector<double> m_percents;
    std::vector<Confusion> m_confusions;
};

} // namespace ui
