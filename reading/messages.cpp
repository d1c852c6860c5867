// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/messages.h"

#include "files/file_name.h"
#include "text/text_decoding.h"

namespace reading {

QString missingSoundMessage(char32_t character)
{
    // This exact wording, unaccented words and trailing blank included, is the message
    // learners know and search for.
    return QStringLiteral("le caractere : ") + platform::toQString(character)
        + QStringLiteral(" n'a pas de fichier .wav associé dans la table kaloncor.ref, editez cette table et associez lui un fichier wav ");
}

QString correctionUnreadableMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Le fichier de correction « %1 » n'a pas pu être ouvert : %2.\nLa lecture n'a pas commencé.")
        .arg(platform::shownPath(path), reason);
}

QString soundTableUnreadableMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("La table des sons « %1 » n'a pas pu être ouverte : %2.\n"
                          "Aucun caractère n'aura de son ; vérifiez le chemin des fichiers .wav et relancez le programme.")
        .arg(platform::shownPath(path), reason);
}

QString soundFileProblemMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Le fichier son « %1 » n'a pas pu être joué : %2.").arg(platform::shownPath(path), reason);
}

QString noSoundOutputMessage(const QString &reason)
{
    return QStringLiteral("Aucune sortie son n'est disponible (%1).\nLa lecture continue sans son.").arg(reason);
}

QString outputStalledMessage(const QString &reason)
{
    return QStringLiteral("La sortie son s'est arrêtée de jouer (%1).\nLa lecture attend qu'elle reprenne.").arg(reason);
}

QString soundFolderMissingMessage(const QString &folder)
{
    return QStringLiteral("Le dossier des sons « %1 » n'existe pas : aucun caractère ne peut être dit.\n"
                          "Vérifiez le chemin des fichiers .wav.")
        .arg(platform::shownPath(folder));
}

} // namespace reading
