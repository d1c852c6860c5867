// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/binary_file.h"
#include "platform/default_fields.h"
#include "platform/number_parsing.h"
#include "platform/text_decoding.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace platform;

TEST(TextDecoding, ValidUtf8ReadsAsItsCharacters)
{
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9t\xC3\xA9")), U"été");
    EXPECT_EQ(decodeText(QByteArray("a\xF0\x9F\x98\x80" "b")), U"a\U0001F600b");
}

TEST(TextDecoding, ByteOrderMarkIsNotACharacter)
{
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBF" "ab")), U"ab");
}

TEST(TextDecoding, ZeroWidthNoBreakSpaceAfterTheStartIsACharacter)
{
    EXPECT_EQ(decodeText(QByteArray("a\xEF\xBB\xBF" "b")), U"a\uFEFFb");
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "b")), U"\uFEFFb");
    // Also once shown or used in a sound name, where it may come first.
    EXPECT_EQ(toQString(U"\uFEFFb"), QStringLiteral("\uFEFFb"));
    EXPECT_EQ(toQString(U'\uFEFF'), QStringLiteral("\uFEFF"));
    EXPECT_EQ(toQString(U"a\U0001F600"), QStringLiteral("a\U0001F600"));
}

TEST(TextDecoding, AnythingElseIsWindows1252)
{
    EXPECT_EQ(decodeText(QByteArray("\xE9t\xE9")), U"été");
    EXPECT_EQ(decodeText(QByteArray("\x80\x9C\x81\xFF")), U"€œ\u0081ÿ");
    // One stray byte makes the whole file Windows-1252, not a mixture.
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9\xE9")), U"Ã©é");
}

TEST(TextDecoding, LongTextsKeepEveryCharacterWhateverItsWidth)
{
    // Runs of ASCII are taken several bytes at a time; what follows them must not be lost.
    EXPECT_EQ(decodeText(QByteArray("abcdefghij\xC3\xA9klmnopqrstuvw")), U"abcdefghijéklmnopqrstuvw");
    EXPECT_EQ(decodeText(QByteArray("abcdefghi\x80jklmnopq")), U"abcdefghi€jklmnopq");
    EXPECT_EQ(decodeText(QByteArray("0123456789abcdef\xF0\x9F\x98\x80")), U"0123456789abcdef\U0001F600");
    EXPECT_EQ(decodeText(QByteArray("0123456789abcdef\xE9")), U"0123456789abcdefé");
}

TEST(TextDecoding, MalformedUtf8IsRejected)
{
    EXPECT_FALSE(isValidUtf8(QByteArray("\xC0\xAF")));         // overlong
    EXPECT_FALSE(isValidUtf8(QByteArray("\xED\xA0\x80")));     // surrogate
    EXPECT_FALSE(isValidUtf8(QByteArray("\xF4\x90\x80\x80"))); // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8(QByteArray("\xE2\x82")));         // truncated
    EXPECT_TRUE(isValidUtf8(QByteArray("plain\r\n")));
}

TEST(LeadingNumber, ReadsTheLeadingDecimalNumber)
{
    EXPECT_EQ(leadingNumber(QStringLiteral("100")), 100.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("250ms")), 250.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("-3")), -3.0);
    EXPECT_EQ(leadingNumber(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(leadingNumber(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("3e")), 3.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("1.2.3")), 1.2);
}

TEST(LeadingNumber, BlanksTabsAndLineFeedsAreIgnoredEverywhere)
{
    EXPECT_EQ(leadingNumber(QStringLiteral(" \t1 2\n5 ")), 125.0);
    // A carriage return is not white space here: it ends the number.
    EXPECT_EQ(leadingNumber(QStringLiteral("12\r5")), 12.0);
}

TEST(LeadingNumber, NonNumbersReadZero)
{
    EXPECT_EQ(leadingNumber(QStringLiteral("abc")), 0.0);
    EXPECT_EQ(leadingNumber(QString()), 0.0);
    EXPECT_EQ(leadingNumber(QStringLiteral("-")), 0.0);
    EXPECT_EQ(leadingNumber(QStringLiteral(".")), 0.0);
    // The decimal mark is "." whatever the locale: a comma ends the number.
    EXPECT_EQ(leadingNumber(QStringLiteral("2,5")), 2.0);
}

TEST(LeadingNumber, HugeValuesDoNotWrap)
{
    EXPECT_GT(leadingNumber(QStringLiteral("1e999")), 1e300);
    EXPECT_LT(leadingNumber(QStringLiteral("-1e999")), -1e300);
    EXPECT_GT(leadingNumber(QString(400, QLatin1Char('9')) + QStringLiteral("e-10")), 1e300);
}

TEST(RoundHalfToEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfToEven(2.5), 2.0);
    EXPECT_EQ(roundHalfToEven(3.5), 4.0);
    EXPECT_EQ(roundHalfToEven(2.4999), 2.0);
    EXPECT_EQ(roundHalfToEven(2.5001), 3.0);
    EXPECT_EQ(roundHalfToEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfToEven(100.0), 100.0);
}

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

TEST(DefaultFields, FirstWineTrainerFolderHoldingATableWins)
{
    // Folders of a fake home and a fake WINEPREFIX, by short name; "*" marks those that hold a
    // sound table. The first of prefix/PF, prefix/x86, home/PF, home/x86 with a table wins.
    struct Layout
    {
        QStringList folders;
        QString winner; // empty: the bundled voice set
    };
    const QMap<QString, QString> paths{
        {QStringLiteral("prefix/PF"), QStringLiteral("prefix/drive_c/Program Files/Kalon Morse")},
        {QStringLiteral("prefix/x86"), QStringLiteral("prefix/drive_c/Program Files (x86)/Kalon Morse")},
        {QStringLiteral("home/PF"), QStringLiteral("home/.wine/drive_c/Program Files/Kalon Morse")},
        {QStringLiteral("home/x86"), QStringLiteral("home/.wine/drive_c/Program Files (x86)/Kalon Morse")},
    };
    const QList<Layout> layouts{
        {{QStringLiteral("*prefix/PF"), QStringLiteral("*prefix/x86"), QStringLiteral("*home/PF")}, QStringLiteral("prefix/PF")},
        {{QStringLiteral("*prefix/x86"), QStringLiteral("*home/PF")}, QStringLiteral("prefix/x86")},
        {{QStringLiteral("prefix/PF"), QStringLiteral("prefix/x86"), QStringLiteral("*home/PF")}, QStringLiteral("home/PF")},
        {{QStringLiteral("home/PF"), QStringLiteral("*home/x86")}, QStringLiteral("home/x86")},
        {{QStringLiteral("prefix/PF"), QStringLiteral("home/PF")}, QString()},
        {{}, QString()},
    };
    for (const Layout &layout : layouts) {
        QTemporaryDir root;
        for (QString folder : layout.folders) {
            const bool withTable = folder.startsWith(QLatin1Char('*'));
            folder.remove(QLatin1Char('*'));
            ASSERT_TRUE(QDir().mkpath(root.filePath(paths[folder])));
            if (withTable) {
                ASSERT_TRUE(testing_support::writeFile(root.filePath(paths[folder] + QStringLiteral("/kaloncor.ref")), "A a\r\n"));
            }
        }
        const DefaultFields fields = defaultFields(root.filePath(QStringLiteral("home")), QStringLiteral("/opt/app/bin"),
                                                   root.filePath(QStringLiteral("prefix")));
        const QString expected = layout.winner.isEmpty() ? QStringLiteral("/opt/app/share/virod-idadidavir/")
                                                         : root.filePath(paths[layout.winner]) + QLatin1Char('/');
        const QString name = layout.folders.join(QLatin1Char(' '));
        EXPECT_EQ(fields.soundFolder, expected) << qPrintable(name);
        EXPECT_EQ(fields.correctionFile, expected + QStringLiteral("test.txt")) << qPrintable(name);
        EXPECT_EQ(fields.delay, QStringLiteral("100"));
    }
}

TEST(DefaultFields, UnsetWinePrefixOrHomeIsSkipped)
{
    QTemporaryDir home;
    const QString trainer = home.filePath(QStringLiteral(".wine/drive_c/Program Files/Kalon Morse"));
    ASSERT_TRUE(QDir().mkpath(trainer));
    ASSERT_TRUE(testing_support::writeFile(trainer + QStringLiteral("/kaloncor.ref"), QByteArray()));
    EXPECT_EQ(defaultFields(home.path(), QStringLiteral("/opt/app/bin"), QString()).soundFolder, trainer + QLatin1Char('/'));
    // With neither, no relative "drive_c/..." or ".wine/..." folder is made up.
    EXPECT_EQ(defaultFields(QString(), QStringLiteral("/opt/app/bin"), QString()).soundFolder,
              QStringLiteral("/opt/app/share/virod-idadidavir/"));
}
