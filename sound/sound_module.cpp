// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sound_module.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QtDebug>

namespace platform {

const SoundModule *loadSoundModule(QString &problem)
{
    static const SoundModule *loaded = nullptr;
    if (loaded != nullptr)
        return loaded;
    // Installed and built alike: the module's folder relative to the program's.
    QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/" VIROD_SOUND_MODULE));
    using Entry = const SoundModule *(*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve("virodSoundModule"));
    if (entry == nullptr) {
        problem = QStringLiteral("le module de son ne peut pas être chargé : %1").arg(library.errorString());
        qWarning("%s", qUtf8Printable(problem));
        return nullptr;
    }
    loaded = entry();
    return loaded;
}

std::unique_ptr<AudioOutput> openPreferredOutput(const SoundModule &module, QString &problem)
{
    const QByteArray wanted = qgetenv("VIROD_SOUND_OUTPUT");
    if (wanted != "sdl") {
        std::unique_ptr<AudioOutput> server = module.openOutput(SoundModule::Output::SoundServer, problem);
        if (server || wanted == "pulse")
            return server;
    }
    return module.openOutput(SoundModule::Output::SdlDevice, problem);
}

} // namespace platform
