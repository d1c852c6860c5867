// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "app_version.h"
#include "files/file_name.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <cstdio>

namespace platform {

namespace {

const QString kProgram = QStringLiteral("virod-idadidavir");

QString helpText()
{
    return QStringLiteral(
               "Utilisation : %1 [OPTIONS] [CORRECTION]\n"
               "Lit à voix haute la correction d'un exercice de Morse, un son par caractère.\n"
               "\n"
               "  CORRECTION             le fichier texte de la correction à lire\n"
               "\n"
               "Options :\n"
               "  -s, --sons DOSSIER     dossier des sons et de leur table kaloncor.ref\n"
               "  -d, --delai MS         délai de lecture après chaque son, en millisecondes,\n"
               "                         pour cette séance seulement\n"
               "  -h, --help             affiche cette aide et quitte\n"
               "      --version          affiche la version et quitte\n"
               "\n"
               "Sans option, le dossier de KalonMorse sous Wine s'il existe, sinon la voix\n"
               "française fournie, et le dernier délai saisi dans la fenêtre (100 ms à défaut).\n")
        .arg(kProgram);
}

CommandLine usageError(const QString &what)
{
    CommandLine result;
    result.exitCode = 2;
    result.message = QStringLiteral("%1 : %2\nEssayez « %1 --help » pour plus d'informations.\n").arg(kProgram, what);
    return result;
}

bool endsWithSeparator(const QString &folder)
{
#ifdef Q_OS_WIN
    return folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/'));
#else
    return folder.endsWith(QLatin1Char('/'));
#endif
}

} // namespace

bool mayHoldQtOptions(const QStringList &arguments)
{
    // QGuiApplication's and QApplication's own options, with one dash or two.
    static const QStringList kQtOptions{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("reverse"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
        QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("name"), QStringLiteral("title"),
        QStringLiteral("visual"), QStringLiteral("ncols"), QStringLiteral("cmap"), QStringLiteral("im"),
        QStringLiteral("inputstyle"), QStringLiteral("background"), QStringLiteral("foreground"),
        QStringLiteral("button"), QStringLiteral("font"), QStringLiteral("fn"), QStringLiteral("bg"),
        QStringLiteral("fg"), QStringLiteral("btn")};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (name == QLatin1String("--"))
            break;
        if (!name.startsWith(QLatin1Char('-')))
            continue;
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        if (kQtOptions.contains(name.section(QLatin1Char('='), 0, 0)))
            return true;
    }
    return false;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    const QCommandLineOption sons({QStringLiteral("s"), QStringLiteral("sons")}, QString(), QStringLiteral("DOSSIER"));
    const QCommandLineOption delai({QStringLiteral("d"), QStringLiteral("delai")}, QString(), QStringLiteral("MS"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    QCommandLineParser parser;
    parser.addOptions({sons, delai, help, version});
    const bool parsed = parser.parse(arguments);

    CommandLine result;
    if (parser.isSet(help) || parser.isSet(version)) {
        result.exitCode = 0;
        result.message = parser.isSet(help) ? helpText()
                                            : QStringLiteral("Virod idadidavir %1.%2.%3\n")
                                                  .arg(kVersionMajor)
                                                  .arg(kVersionMinor)
                                                  .arg(kVersionRevision);
        return result;
    }
    if (!parsed) {
        // Qt's error texts are English: each of its two failures is told again in French.
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().constFirst();
            return usageError(QStringLiteral("option inconnue « %1%2 »")
                                  .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
        }
        // The other is a missing value, which can only be after the last argument: an option
        // that takes a value takes the next argument whatever it is.
        return usageError(QStringLiteral("l'option « %1 » attend une valeur").arg(arguments.constLast()));
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("une seule correction à la fois, pas %1").arg(positional.size()));

    if (parser.isSet(sons)) {
        result.soundFolder = parser.value(sons);
        if (result.soundFolder.isEmpty())
            return usageError(QStringLiteral("le dossier des sons est vide"));
        // Paths are the folder's text followed by a file name.
        if (!endsWithSeparator(result.soundFolder))
            result.soundFolder.append(QDir::separator());
    }
    if (parser.isSet(delai)) {
        result.delay = parser.value(delai);
        static const QRegularExpression milliseconds(QStringLiteral("^[0-9]+$"));
        if (!milliseconds.match(result.delay).hasMatch())
            return usageError(QStringLiteral("le délai « %1 » n'est pas un nombre de millisecondes").arg(result.delay));
    }
    if (!positional.isEmpty())
        result.correctionFile = positional.constFirst();
    return result;
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(fileNameText(QByteArray(argv[i])));
    return arguments;
}

void applyCommandLine(const CommandLine &commandLine, DefaultFields &fields, const QString &rememberedDelay)
{
    if (!rememberedDelay.isEmpty())
        fields.delay = rememberedDelay;
    if (!commandLine.soundFolder.isEmpty())
        fields.soundFolder = commandLine.soundFolder;
    if (!commandLine.delay.isEmpty())
        fields.delay = commandLine.delay;
    if (!commandLine.correctionFile.isEmpty())
        fields.correctionFile = commandLine.correctionFile;
}

int finishCommandLine(const CommandLine &commandLine)
{
    const int code = commandLine.exitCode.value_or(0);
    std::FILE *stream = code == 0 ? stdout : stderr;
    std::fputs(commandLine.message.toLocal8Bit().constData(), stream);
    std::fflush(stream);
    return code;
}

} // namespace platform
