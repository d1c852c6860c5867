#include "platform/command_line.h"
#include "platform/default_fields.h"
#include "platform/sdl_audio_player.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    // --help and --version answer before a display is opened, so they work without one.
    if (const platform::CommandLine early = platform::parseCommandLine(platform::argumentsOf(argc, argv));
        early.exitCode == 0)
        return platform::finishCommandLine(early);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Virod idadidavir"));
    QApplication::setDesktopFileName(QStringLiteral("virod-idadidavir"));

    // Parsed again without Qt's own options, which QApplication has taken out.
    const platform::CommandLine commandLine = platform::parseCommandLine(QApplication::arguments());
    if (commandLine.exitCode)
        return platform::finishCommandLine(commandLine);

    platform::SdlAudioPlayer player;
    platform::DefaultFields fields = platform::defaultFields(QDir::homePath(), QApplication::applicationDirPath(),
                                                             qEnvironmentVariable("WINEPREFIX"));
    platform::applyCommandLine(commandLine, fields);
    ui::Form1 window(player, fields);
    window.show();
    return QApplication::exec();
}
