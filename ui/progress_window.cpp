// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/progress_window.h"

#include "reading/reading_window.h"
#include "ui/message_box.h"
#include "ui/percent_text.h"
#include "ui/progress_chart.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace ui {

namespace {

// Confusions of all sessions added up, most frequent first.
std::vector<ProgressChart::Confusion> confusionsOf(const std::vector<copycheck::HistoryEntry> &entries)
{
    std::map<std::pair<QString, QString>, int> counts;
    for (const copycheck::HistoryEntry &entry : entries) {
        for (const copycheck::Confusion &confusion : entry.confusions)
            counts[{confusion.expected, confusion.copied}] += confusion.count;
    }
    std::vector<ProgressChart::Confusion> confusions;
    for (const auto &[pair, count] : counts)
        confusions.push_back({QStringLiteral("%1 copié %2").arg(pair.first, pair.second), count});
    std::stable_sort(confusions.begin(), confusions.end(),
                     [](const auto &a, const auto &b) { return a.count > b.count; });
    return confusions;
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

ProgressWindow::ProgressWindow(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("progresFenetre"));
    setWindowTitle(QStringLiteral("Progrès"));
    m_chart = new ProgressChart(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("resumeProgres"));
    m_summary->setWordWrap(true);
    m_sessions = new QTableWidget(0, 5, this);
    m_sessions->setObjectName(QStringLiteral("seances"));
    m_sessions->setAccessibleName(QStringLiteral("Séances"));
    m_sessions->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Correction"),
                                           QStringLiteral("Caractères"), QStringLiteral("Erreurs"),
                                           QStringLiteral("Justes")});
    m_sessions->verticalHeader()->hide();
    m_sessions->horizontalHeader()->setStretchLastSection(true);
    m_sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sessions->setTabKeyNavigation(false);
    m_confusions = new QListWidget(this);
    m_confusions->setObjectName(QStringLiteral("confusionsProgres"));
    m_confusions->setAccessibleName(QStringLiteral("Confusions les plus fréquentes"));

    auto *sessionsLabel = new QLabel(QStringLiteral("&Séances :"), this);
    sessionsLabel->setBuddy(m_sessions);
    auto *confusionsLabel = new QLabel(QStringLiteral("&Confusions les plus fréquentes :"), this);
    confusionsLabel->setBuddy(m_confusions);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_chart, 3);
    layout->addWidget(m_summary);
    layout->addWidget(sessionsLabel);
    layout->addWidget(m_sessions, 2);
    layout->addWidget(confusionsLabel);
    layout->addWidget(m_confusions, 1);
    resize(560, 640);
}

void ProgressWindow::refresh()
{
    QString problem;
    const std::vector<copycheck::HistoryEntry> entries = m_history.entries(&problem);
    if (!problem.isEmpty() && !m_problemTold) {
        m_problemTold = true;
        openMessageBox(this, problem, reading::MessageButtons::Ok, {});
    }

    const QLocale french(QLocale::French);
    std::vector<double> percents;
    m_sessions->setRowCount(static_cast<int>(entries.size()));
    for (size_t row = 0; row < entries.size(); ++row) {
        const copycheck::HistoryEntry &entry = entries[row];
        percents.push_back(entry.percent);
        const int r = static_cast<int>(row);
        m_sessions->setItem(r, 0, cell(french.toString(entry.when, QLocale::ShortFormat)));
        m_sessions->setItem(r, 1, cell(entry.correctionFile));
        m_sessions->setItem(r, 2, cell(QString::number(entry.characters)));
        m_sessions->setItem(r, 3, cell(QString::number(entry.errors)));
        m_sessions->setItem(r, 4, cell(percentText(entry.percent)));
    }
    m_sessions->resizeColumnsToContents();

    const std::vector<ProgressChart::Confusion> confusions = confusionsOf(entries);
    m_confusions->clear();
    for (const ProgressChart::Confusion &confusion : confusions)
        m_confusions->addItem(QStringLiteral("%1 : %2 fois").arg(confusion.label).arg(confusion.count));
    if (confusions.empty())
        m_confusions->addItem(QStringLiteral("Aucune confusion"));

    if (entries.empty())
        m_summary->setText(QStringLiteral("Aucune séance pour l'instant : comparez une copie dans « Ma copie »."));
    else
        m_summary->setText(QStringLiteral("%1 ; dernière : %2 de caractères justes ; meilleure : %3.")
                               .arg(entries.size() == 1 ? QStringLiteral("1 séance")
                                                        : QStringLiteral("%1 séances").arg(entries.size()))
                               .arg(percentText(percents.back()))
                               .arg(percentText(*std::max_element(percents.begin(), percents.end()))));
    m_chart->setAccessibleDescription(m_summary->text());
    m_chart->setProgress(std::move(percents), confusions);
}

} // namespace ui
