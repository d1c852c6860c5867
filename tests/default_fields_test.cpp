// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/default_fields.h"
#include "test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

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

TEST(DefaultFields, TrainerFolderTableAndCorrectionAreFoundWhateverTheirCase)
{
    QTemporaryDir prefix;
    const QString trainer = prefix.filePath(QStringLiteral("drive_c/PROGRAM FILES (X86)/kalon morse"));
    ASSERT_TRUE(QDir().mkpath(trainer));
    ASSERT_TRUE(testing_support::writeFile(trainer + QStringLiteral("/KALONCOR.REF"), "A a\r\n"));
    ASSERT_TRUE(testing_support::writeFile(trainer + QStringLiteral("/Test.txt"), "A"));
    const DefaultFields fields = defaultFields(QString(), QStringLiteral("/opt/app/bin"), prefix.path());
    EXPECT_EQ(fields.soundFolder, trainer + QLatin1Char('/'));
    EXPECT_EQ(fields.correctionFile, trainer + QStringLiteral("/Test.txt"));
}
