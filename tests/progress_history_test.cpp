// SPDX-License-Identifier: GPL-3.0-or-later
#include "copy/progress_history.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace copycheck;

namespace {

HistoryEntry session(int errors)
{
    const Comparison comparison = compareCopy(QStringLiteral("HHHH 5555"), errors ? QStringLiteral("SHHH 5555") : QStringLiteral("HHHH 5555"));
    return historyEntry(comparison, QStringLiteral("leçon 1.txt"), QDateTime(QDate(2026, 12, 10), QTime(16, 30, 5), Qt::OffsetFromUTC, 3600));
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

TEST(ProgressHistory, SessionsAreKeptInOrderWithTheirFigures)
{
    QTemporaryDir dir;
    ProgressHistory history(dir.filePath(QStringLiteral("données/progres.jsonl")));
    EXPECT_TRUE(history.entries().empty());
    EXPECT_EQ(history.append(session(0)), QString());
    EXPECT_EQ(history.append(session(1)), QString());

    QString problem;
    const std::vector<HistoryEntry> entries = history.entries(&problem);
    EXPECT_EQ(problem, QString());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].when, session(1).when);
    EXPECT_EQ(entries[1].correctionFile, QStringLiteral("leçon 1.txt"));
    EXPECT_EQ(entries[1].characters, 8);
    EXPECT_EQ(entries[1].errors, 1);
    EXPECT_DOUBLE_EQ(entries[1].percent, 87.5);
    ASSERT_EQ(entries[1].confusions.size(), 1u);
    EXPECT_EQ(entries[1].confusions[0].expected, QStringLiteral("H"));
    EXPECT_EQ(entries[1].confusions[0].copied, QStringLiteral("S"));
    EXPECT_EQ(entries[1].confusions[0].count, 1);
    EXPECT_TRUE(entries[0].confusions.empty());
}

// The damaged file stays whole under another name, its readable sessions go on in a new
// one, and the user is told once.
TEST(ProgressHistory, DamagedFileIsSetAsideAndItsReadableSessionsKept)
{
    for (const bool readFirst : {false, true}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("progres.jsonl"));
        ProgressHistory history(path);
        ASSERT_EQ(history.append(session(1)), QString());
        const QByteArray damaged = contentOf(path) + "{\"date\": \"hier\", \x01\xff garbage\n";
        ASSERT_TRUE(testing_support::writeFile(path, damaged));

        QString problem;
        if (readFirst)
            EXPECT_EQ(history.entries(&problem).size(), 1u);
        else
            problem = history.append(session(0));
        EXPECT_TRUE(problem.contains(QStringLiteral("endommagé"))) << problem.toStdString();
        const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("progres-endommage-*.jsonl")});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(contentOf(dir.filePath(aside[0])), damaged);

        EXPECT_EQ(history.append(session(0)), QString());
        problem.clear();
        EXPECT_EQ(history.entries(&problem).size(), readFirst ? 2u : 3u);
        EXPECT_EQ(problem, QString());
    }
}

TEST(ProgressHistory, UnwritableFolderIsToldAndLosesNothing)
{
    QTemporaryDir dir;
    // A file where the folder should be: no one, not even root, can write inside it.
    const QString notAFolder = dir.filePath(QStringLiteral("progres"));
    ASSERT_TRUE(testing_support::writeFile(notAFolder, "mes notes"));
    ProgressHistory history(notAFolder + QStringLiteral("/progres.jsonl"));
    const QString problem = history.append(session(1));
    EXPECT_TRUE(problem.contains(QStringLiteral("n'a pas pu être enregistré"))) << problem.toStdString();
    EXPECT_EQ(contentOf(notAFolder), QByteArray("mes notes"));
    EXPECT_TRUE(history.entries().empty());

}
