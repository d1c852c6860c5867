// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copy/copy_comparison.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace copycheck {

// One compared copy, as the history keeps it.
struct HistoryEntry {
    QDateTime when;
    QString correctionFile; // file name as shown to the user
    int characters = 0;
    int errors = 0;
    double percent = 0;
    std::vector<Confusion> confusions;
};

HistoryEntry historyEntry(const Comparison &comparison, const QString &correctionFile, const QDateTime &when);

// The learner's sessions, one JSON object a line: a person can read the file, and one
// damaged line is found and set apart without losing the others.
class ProgressHistory {
public:
    explicit ProgressHistory(QString filePath = defaultPath());
    static QString defaultPath(); // QStandardPaths::AppDataLocation + "/progres.jsonl"

    QString filePath() const { return m_filePath; }

    // Adds one entry; returns an empty string, or the French problem to tell the user once.
    QString append(const HistoryEntry &entry);
    // All readable entries, oldest first; `problem` gets a French message once when the file was damaged.
    std::vector<HistoryEntry> entries(QString *problem = nullptr) const;

private:
    QString m_filePath;
};

} // namespace copycheck
