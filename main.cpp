// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "app/default_fields.h"
#include "files/file_name.h"
#include "sound/audio_player.h"
#include "ui/main_window.h"
#include "ui/remembered_settings.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>

#ifdef Q_OS_UNIX
#include "app/termination_signals.h"
#endif

int main(int argc, char *argv[])
{
    // --help, --version and a bad option are answered before a display is opened, so they
    // work without one; only a line that may hold Qt's own options waits for QApplication.
    const QStringList arguments = platform::argumentsOf(argc, argv);
    if (const platform::CommandLine early = platform::parseCommandLine(arguments);
        early.exitCode == 0 || (early.exitCode && !platform::mayHoldQtOptions(arguments)))
        return platform::finishCommandLine(early);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Virod idadidavir"));
    QApplication::setDesktopFileName(QStringLiteral("virod-idadidavir"));
    ui::installFrenchQtTranslation(app);

    // Parsed again without Qt's own options, which QApplication has taken out.
    const platform::CommandLine commandLine = platform::parseCommandLine(platform::argumentsOf(argc, argv));
    if (commandLine.exitCode)
        return platform::finishCommandLine(commandLine);

    platform::AudioPlayer player;
    platform::DefaultFields fields = platform::defaultFields(QDir::homePath(), QApplication::applicationDirPath(),
                                                             platform::environmentFileName("WINEPREFIX"));
    ui::RememberedSettings remembered(ui::RememberedSettings::userFile());
    platform::applyCommandLine(commandLine, fields, remembered.delay());
    ui::Form1 window(player, fields);
    window.remember(remembered);
#ifdef Q_OS_UNIX
    // Ctrl+C, kill or the end of the session: the program ends as its own Quit does.
    platform::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &platform::TerminationSignals::received, &window, &ui::Form1::quitter_Click);
#endif
    window.show();
    // A correction named on the command line (« Ouvrir avec ») is opened as Ctrl+O opens it.
    if (!commandLine.correctionFile.isEmpty())
        window.openCorrection(fields.correctionFile);
    const int status = QApplication::exec();
    // Nothing is waited for: not a sound, not a decoding, not a closing device.
    player.shutDown();
    return status;
}
