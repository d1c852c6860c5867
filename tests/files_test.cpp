// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/binary_file.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace platform;

TEST(ReadOrCreateFile, ReadsAnExistingFileWithoutWritingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc\r\n\xE9");
    file.close();
    // A protected exercise must still be readable.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    const QDateTime before = QFileInfo(path).lastModified();

    const FileContent content = readOrCreateFile(path);
    EXPECT_TRUE(content.ok);
    EXPECT_EQ(content.bytes, QByteArray("abc\r\n\xE9"));
    EXPECT_EQ(QFileInfo(path).lastModified(), before);
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::WriteOwner, 0);
}

TEST(ReadOrCreateFile, AbsentFileIsCreatedEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.txt"));
    const FileContent content = readOrCreateFile(path);
    EXPECT_TRUE(content.ok);
    EXPECT_TRUE(content.bytes.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST(ReadOrCreateFile, MissingFolderOrFolderPathIsAnErrorInFrench)
{
    QTemporaryDir dir;
    const FileContent missing = readOrCreateFile(dir.filePath(QStringLiteral("nope/test.txt")));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("n'existe pas"))) << qPrintable(missing.error);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nope"))));

    const FileContent folder = readOrCreateFile(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_TRUE(folder.error.contains(QStringLiteral("dossier")));
    EXPECT_FALSE(readOrCreateFile(QString()).ok);
}

TEST(ReadOrCreateFile, PipesAndDevicesAreRefusedWithoutWaiting)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Nobody writes to the pipe: a blocking open would never return.
    for (const QString &path : {fifo, QStringLiteral("/dev/zero")}) {
        const FileContent content = readOrCreateFile(path);
        EXPECT_FALSE(content.ok) << qPrintable(path);
        EXPECT_EQ(content.error, QStringLiteral("ce n'est pas un fichier ordinaire")) << qPrintable(path);
    }
}

TEST(ReadOrCreateFile, ReasonsAreInTheProgramsOwnWords)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    testing_support::writeFile(plain, "x");
    EXPECT_EQ(readOrCreateFile(plain + QStringLiteral("/test.txt")).error,
              QStringLiteral("un élément du chemin n'est pas un dossier"));
    EXPECT_EQ(readRegularFile(dir.filePath(QStringLiteral("absent.wav")), -1).error,
              QStringLiteral("le fichier ou son dossier n'existe pas"));
    const QString link = dir.filePath(QStringLiteral("loop"));
    ASSERT_TRUE(QFile::link(link, link));
    EXPECT_EQ(readOrCreateFile(link).error, QStringLiteral("le chemin contient trop de liens symboliques"));
}

TEST(ReadRegularFile, LargerThanTheLimitIsRefusedUnread)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big"));
    testing_support::writeFile(path, QByteArray(11, 'a'));
    EXPECT_TRUE(readRegularFile(path, 11).ok);
    const FileContent refused = readRegularFile(path, 10);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.bytes.isEmpty());
}

TEST(ReadOrCreateFile, NameInAnotherCaseIsReadAndNothingIsCreatedBesideIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(testing_support::writeFile(dir.filePath(QStringLiteral("Test.txt")), "VVV"));
    const FileContent content = readOrCreateFile(dir.filePath(QStringLiteral("test.txt")));
    EXPECT_TRUE(content.ok);
    EXPECT_EQ(content.bytes, QByteArray("VVV"));
    EXPECT_EQ(content.path, dir.filePath(QStringLiteral("Test.txt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Test.txt")});
}

TEST(ReadOrCreateFile, NameThatLostItsBytesFindsItsFileOrIsNeverCreated)
{
    QTemporaryDir dir;
    // As a file dialog names "été.txt" written in Latin-1: each lost byte is U+FFFD.
    ASSERT_TRUE(testing_support::writeFileNamed(dir.path(), "\xE9t\xE9.txt", "E"));
    const FileContent found = readOrCreateFile(dir.filePath(QStringLiteral("\uFFFDt\uFFFD.txt")));
    EXPECT_TRUE(found.ok) << qPrintable(found.error);
    EXPECT_EQ(found.bytes, QByteArray("E"));

    const FileContent refused = readOrCreateFile(dir.filePath(QStringLiteral("autre-\uFFFD.txt")));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(testing_support::entryBytes(dir.path()), QList<QByteArray>{"\xE9t\xE9.txt"});
    testing_support::removeEntries(dir.path());
}

TEST(ReadOrCreateFile, CorrectionOverTheLimitIsRefusedUnread)
{
    QTemporaryDir dir;
    // Sparse: reading it would take 3 GB.
    const QString path = dir.filePath(QStringLiteral("huge.txt"));
    ASSERT_TRUE(testing_support::writeFile(path, "A"));
    ASSERT_TRUE(QFile::resize(path, 3LL * 1024 * 1024 * 1024));
    const FileContent refused = readOrCreateFile(path);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.bytes.isEmpty());
    EXPECT_EQ(refused.error, QStringLiteral("le fichier est trop gros : 3,0 Go, plus que les 64 Mo permis"));

    ASSERT_TRUE(QFile::resize(path, kMaxTextFileBytes + 1));
    EXPECT_FALSE(readOrCreateFile(path).ok);
    ASSERT_TRUE(QFile::resize(path, kMaxTextFileBytes));
    EXPECT_TRUE(readOrCreateFile(path).ok);
}
