// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

bool installFrenchQtTranslation(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    const QLocale french(QLocale::French, QLocale::France);
    if (!translator->load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace ui
