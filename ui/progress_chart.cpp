// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/progress_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace ui {

namespace {

constexpr int kMargin = 8;
constexpr size_t kConfusionsDrawn = 8;

// A curve and bars in the palette's highlight colour, which every theme makes stand out
// from its base; the points are drawn too, so that one session still shows.
QColor plotColour(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

} // namespace

ProgressChart::ProgressChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("graphiqueProgres"));
    setMinimumSize(320, 260);
    // Read as a picture: the figures it draws are in the table beside it.
    setAccessibleName(QStringLiteral("Graphique des progrès"));
}

void ProgressChart::setProgress(std::vector<double> percents, std::vector<Confusion> confusions)
{
    m_percents = std::move(percents);
    m_confusions = std::move(confusions);
    if (m_confusions.size() > kConfusionsDrawn)
        m_confusions.resize(kConfusionsDrawn);
    update();
}

QSize ProgressChart::sizeHint() const
{
    return {480, 360};
}

void ProgressChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRect inside = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int half = inside.height() * 3 / 5;
    drawPercents(painter, QRect(inside.topLeft(), QSize(inside.width(), half - kMargin)));
    drawConfusions(painter, QRect(inside.left(), inside.top() + half, inside.width(), inside.height() - half));
}

void ProgressChart::drawPercents(QPainter &painter, const QRect &area) const
{
    const QColor text = palette().color(QPalette::Text);
    const QFontMetrics metrics(font());
    painter.setPen(text);
    painter.drawText(area.left(), area.top() + metrics.ascent(), QStringLiteral("Caractères justes (%) par séance"));
    const int axisWidth = metrics.horizontalAdvance(QStringLiteral("100 %")) + 4;
    const QRect plot = area.adjusted(axisWidth, metrics.height() + 4, 0, -4);
    if (plot.width() <= 0 || plot.height() <= 0)
        return;

    QColor grid = text;
    grid.setAlpha(60);
    for (int percent = 0; percent <= 100; percent += 25) {
        const int y = plot.bottom() - plot.height() * percent / 100;
        painter.setPen(grid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(text);
        painter.drawText(QRect(area.left(), y - metrics.height() / 2, axisWidth - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(percent));
    }
    if (m_percents.empty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("Aucune séance"));
        return;
    }

    const auto pointAt = [&](size_t session) {
        const double step = m_percents.size() > 1 ? double(plot.width()) / double(m_percents.size() - 1) : 0.0;
        const double x = m_percents.size() > 1 ? plot.left() + step * double(session) : plot.center().x();
        const double percent = std::clamp(m_percents[session], 0.0, 100.0);
        return QPointF(x, plot.bottom() - plot.height() * percent / 100.0);
    };
    QPainterPath curve(pointAt(0));
    for (size_t session = 1; session < m_percents.size(); ++session)
        curve.lineTo(pointAt(session));
    const QColor colour = plotColour(palette());
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(curve);
    painter.setBrush(colour);
    for (size_t session = 0; session < m_percents.size(); ++session)
        painter.drawEllipse(pointAt(session), 3.5, 3.5);
}

void ProgressChart::drawConfusions(QPainter &painter, const QRect &area) const
{
    const QColor text = palette().color(QPalette::Text);
    const QFontMetrics metrics(font());
    painter.setPen(text);
    painter.drawText(area.left(), area.top() + metrics.ascent(), QStringLiteral("Confusions les plus fréquentes"));
    const QRect bars = area.adjusted(0, metrics.height() + 4, 0, 0);
    if (m_confusions.empty()) {
        painter.drawText(bars, Qt::AlignCenter, QStringLiteral("Aucune confusion"));
        return;
    }
    int labelWidth = 0;
    for (const Confusion &confusion : m_confusions)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(confusion.label));
    const int countWidth = metrics.horizontalAdvance(QStringLiteral("0000"));
    const int rowHeight = std::max(metrics.height(), bars.height() / int(kConfusionsDrawn));
    const int most = std::max(1, m_confusions.front().count);
    const int barSpace = std::max(1, bars.width() - labelWidth - countWidth - 12);
    painter.setBrush(plotColour(palette()));
    for (size_t row = 0; row < m_confusions.size(); ++row) {
        const Confusion &confusion = m_confusions[row];
        const int top = bars.top() + int(row) * rowHeight;
        painter.setPen(text);
        painter.drawText(QRect(bars.left(), top, labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         confusion.label);
        const int length = std::max(2, barSpace * confusion.count / most);
        const QRect bar(bars.left() + labelWidth + 6, top + 2, length, rowHeight - 4);
        painter.setPen(Qt::NoPen);
        painter.drawRect(bar);
        painter.setPen(text);
        painter.drawText(QRect(bar.right() + 4, top, countWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(confusion.count));
    }
}

} // namespace ui
