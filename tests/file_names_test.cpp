// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "files/binary_file.h"
#include "files/file_name.h"
#include "files/name_finder.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;


TEST(NameFinder, ExactNameWinsOverTheSameNameInAnotherCase)
{
    QTemporaryDir dir;
    for (const char *name : {"a.wav", "A.WAV"})
        ASSERT_TRUE(testing_support::writeFile(dir.filePath(QLatin1String(name)), name));
    NameFinder finder;
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("a.wav"))), dir.filePath(QStringLiteral("a.wav")));
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("A.WAV"))), dir.filePath(QStringLiteral("A.WAV")));
}

TEST(NameFinder, OtherCaseIsFoundAndAmongSeveralTheFirstInByteOrderWins)
{
    QTemporaryDir dir;
    for (const char *name : {"test.TXT", "Test.txt", "TEST.TXT", "KALONCOR.REF", "\xC3\x89t\xC3\xA9.wav"})
        ASSERT_TRUE(testing_support::writeFile(dir.filePath(QString::fromUtf8(name)), name));
    NameFinder finder;
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("test.txt"))), dir.filePath(QStringLiteral("TEST.TXT")));
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("kaloncor.ref"))), dir.filePath(QStringLiteral("KALONCOR.REF")));
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("été.WAV"))), dir.filePath(QStringLiteral("Été.wav")));
    // Nothing there: the name asked for, unchanged.
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("b.wav"))), dir.filePath(QStringLiteral("b.wav")));
    EXPECT_EQ(finder.find(dir.filePath(QStringLiteral("absent/a.wav"))), dir.filePath(QStringLiteral("absent/a.wav")));
}

TEST(NameFinder, FileAddedToAFolderAlreadyListedIsFound)
{
    QTemporaryDir dir;
    NameFinder finder;
    const QString wanted = dir.filePath(QStringLiteral("b.wav"));
    EXPECT_EQ(finder.find(wanted), wanted);
    ASSERT_TRUE(testing_support::writeFile(dir.filePath(QStringLiteral("B.WAV")), "b"));
    EXPECT_EQ(finder.find(wanted), dir.filePath(QStringLiteral("B.WAV")));
}

TEST(FileNameBytes, NamesThatAreNotUtf8ComeBackByteForByte)
{
    QByteArray every;
    for (int byte = 1; byte < 256; ++byte)
        every.append(static_cast<char>(byte));
    for (const QByteArray &bytes : {QByteArray("corr-\xE9t\xE9.txt"), QByteArray("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"),
                                    QByteArray("\xED\xB2\x80 \xC3"), every}) {
        const QString text = fileNameText(bytes);
        EXPECT_EQ(fileNameBytes(text), bytes) << bytes.toHex().constData();
        EXPECT_FALSE(mayBeLossyName(text));
    }
    EXPECT_EQ(fileNameText("\xC3\xA9t\xC3\xA9"), QStringLiteral("été"));
}

TEST(FileNameBytes, Latin1CorrectionOnTheCommandLineIsReadAndNothingIsCreated)
{
    QTemporaryDir dir;
    const QByteArray name = "corr-\xE9t\xE9.txt";
    ASSERT_TRUE(testing_support::writeFileNamed(dir.path(), name, "VVV"));
    QByteArray program("virod-idadidavir");
    QByteArray argument = QFile::encodeName(dir.path()) + '/' + name;
    char *argv[] = {program.data(), argument.data()};
    DefaultFields fields;
    applyCommandLine(parseCommandLine(argumentsOf(2, argv)), fields, {});

    const FileContent content = readOrCreateFile(fields.correctionFile);
    EXPECT_TRUE(content.ok) << qPrintable(content.error);
    EXPECT_EQ(content.bytes, QByteArray("VVV"));
    EXPECT_EQ(testing_support::entryBytes(dir.path()), QList<QByteArray>{name});
    testing_support::removeEntries(dir.path());
}

TEST(ShownPath, LongPathKeepsItsStartAndItsEndWithinTheBound)
{
    const QString folder = QStringLiteral("/tmp/") + QStringList(650, QString(200, QLatin1Char('d'))).join(QLatin1Char('/'));
    const QString shown = shownPath(folder + QStringLiteral("/kaloncor.ref"));
    EXPECT_LE(shown.size(), kMaxShownPathCharacters);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/tmp/ddd")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("ddd/kaloncor.ref")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    // A short path is left alone but for its control characters; a pair is never split.
    EXPECT_EQ(shownPath(QStringLiteral("/a\nb")), QStringLiteral("/a\uFFFDb"));
    const QString emoji = QStringLiteral("/x") + QString(300, QChar(0xD83D)).replace(QChar(0xD83D), QStringLiteral("\U0001F600"));
    const QString cut = shownPath(emoji);
    EXPECT_LT(cut.size(), emoji.size());
    EXPECT_EQ(QString::fromUtf8(cut.toUtf8()), cut); // no lone surrogate
}
