// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

CommandLine parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("virod-idadidavir"));
    return parseCommandLine(arguments);
}

DefaultFields applied(const QStringList &arguments, const QString &rememberedDelay = {})
{
    DefaultFields fields{QStringLiteral("/bundled/test.txt"), QStringLiteral("/bundled/"), QStringLiteral("100")};
    applyCommandLine(parse(arguments), fields, rememberedDelay);
    return fields;
}

} // namespace

TEST(CommandLine, NoArgumentsKeepEveryDefault)
{
    const CommandLine none = parse({});
    EXPECT_FALSE(none.exitCode.has_value());
    const DefaultFields fields = applied({});
    EXPECT_EQ(fields.correctionFile, QStringLiteral("/bundled/test.txt"));
    EXPECT_EQ(fields.soundFolder, QStringLiteral("/bundled/"));
    EXPECT_EQ(fields.delay, QStringLiteral("100"));
}

TEST(CommandLine, FolderDelayAndCorrectionFillTheFields)
{
    DefaultFields fields = applied({QStringLiteral("--sons"), QStringLiteral("/home/me/sons"), QStringLiteral("-d"),
                                    QStringLiteral("250"), QStringLiteral("/tmp/exercice 1.txt")});
    EXPECT_EQ(fields.soundFolder, QStringLiteral("/home/me/sons/")) << "the separator the paths need is added";
    EXPECT_EQ(fields.delay, QStringLiteral("250"));
    EXPECT_EQ(fields.correctionFile, QStringLiteral("/tmp/exercice 1.txt"));

    fields = applied({QStringLiteral("-s/home/me/sons/"), QStringLiteral("--delai=0")});
    EXPECT_EQ(fields.soundFolder, QStringLiteral("/home/me/sons/")) << "no second separator";
    EXPECT_EQ(fields.delay, QStringLiteral("0"));
    EXPECT_EQ(fields.correctionFile, QStringLiteral("/bundled/test.txt"));

    // The delay kept from the last run replaces the default, and the command line's wins
    // over it, even a delay of 0 that the field turns into 1.
    EXPECT_EQ(applied({}, QStringLiteral("250")).delay, QStringLiteral("250"));
    EXPECT_EQ(applied({QStringLiteral("--delai"), QStringLiteral("0")}, QStringLiteral("250")).delay, QStringLiteral("0"));

    // After "--", a correction may start with a dash.
    EXPECT_EQ(applied({QStringLiteral("--"), QStringLiteral("-x.txt")}).correctionFile, QStringLiteral("-x.txt"));
}

TEST(CommandLine, HelpAndVersionPrintInFrenchAndSucceed)
{
    for (const QString &option : {QStringLiteral("-h"), QStringLiteral("--help")}) {
        const CommandLine help = parse({option});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.message.startsWith(QStringLiteral("Utilisation : virod-idadidavir [OPTIONS] [CORRECTION]\n")));
        for (const QString &documented : {QStringLiteral("-s, --sons DOSSIER"), QStringLiteral("-d, --delai MS"),
                                          QStringLiteral("--version")})
            EXPECT_TRUE(help.message.contains(documented)) << qPrintable(documented);
        // The default delay is the one kept, not always 100 ms.
        EXPECT_TRUE(help.message.contains(QStringLiteral("le dernier délai saisi dans la fenêtre (100 ms à défaut)")));
    }
    EXPECT_EQ(parse({QStringLiteral("--version")}).message, QStringLiteral("Virod idadidavir 1.1.1\n"));
    // Qt's own options are still in the list when the program first looks for these two.
    EXPECT_EQ(parse({QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--version")}).exitCode, 0);
}

TEST(CommandLine, BadUseIsAFrenchErrorWithCodeTwo)
{
    const QList<QPair<QStringList, QString>> cases{
        {{QStringLiteral("--volume")}, QStringLiteral("option inconnue « --volume »")},
        {{QStringLiteral("-x")}, QStringLiteral("option inconnue « -x »")},
        {{QStringLiteral("--sons")}, QStringLiteral("l'option « --sons » attend une valeur")},
        {{QStringLiteral("a.txt"), QStringLiteral("-d")}, QStringLiteral("l'option « -d » attend une valeur")},
        {{QStringLiteral("--sons=")}, QStringLiteral("le dossier des sons est vide")},
        {{QStringLiteral("-d"), QStringLiteral("vite")}, QStringLiteral("le délai « vite » n'est pas un nombre")},
        {{QStringLiteral("-d"), QStringLiteral("-5")}, QStringLiteral("le délai « -5 » n'est pas un nombre")},
        {{QStringLiteral("a.txt"), QStringLiteral("b.txt")}, QStringLiteral("une seule correction à la fois")},
    };
    for (const auto &[arguments, expected] : cases) {
        const CommandLine bad = parse(arguments);
        const QString name = arguments.join(QLatin1Char(' '));
        EXPECT_EQ(bad.exitCode, 2) << qPrintable(name);
        EXPECT_TRUE(bad.message.startsWith(QStringLiteral("virod-idadidavir : ") + expected)) << qPrintable(bad.message);
        EXPECT_TRUE(bad.message.endsWith(QStringLiteral("Essayez « virod-idadidavir --help » pour plus d'informations.\n")));
    }
}

// Only a line that may hold Qt's own options waits for QApplication to take them out;
// any other bad line is answered at once, with no display needed.
TEST(CommandLine, QtOwnOptionsAreToldApart)
{
    const auto withProgram = [](QStringList arguments) {
        arguments.prepend(QStringLiteral("virod-idadidavir"));
        return arguments;
    };
    EXPECT_TRUE(mayHoldQtOptions(withProgram({QStringLiteral("-platform"), QStringLiteral("offscreen")})));
    EXPECT_TRUE(mayHoldQtOptions(withProgram({QStringLiteral("a.txt"), QStringLiteral("--style=fusion")})));
    EXPECT_FALSE(mayHoldQtOptions(withProgram({QStringLiteral("--volume"), QStringLiteral("-d"), QStringLiteral("5")})));
    EXPECT_FALSE(mayHoldQtOptions(withProgram({QStringLiteral("--"), QStringLiteral("-style")})));
    EXPECT_FALSE(mayHoldQtOptions(withProgram({QStringLiteral("style")})));
}
