#include "platform/default_fields.h"
#include "platform/sdl_audio_player.h"
#include "ui/main_window.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Virod idadidavir"));
    QApplication::setDesktopFileName(QStringLiteral("virod-idadidavir"));
    ui::installFrenchQtTranslation(app);

    platform::SdlAudioPlayer player;
    const platform::DefaultFields fields =
        platform::defaultFields(QDir::homePath(), QApplication::applicationDirPath());
    ui::Form1 window(player, fields);
    window.show();
    return QApplication::exec();
}
