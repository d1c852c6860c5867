// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/messages.h"

#include "files/file_name.h"
#include "text/text_decoding.h"

namespace reading {

namespace {

// A character the learner cannot see on screen: a space other than the plain blank, a
// control, a combining mark or a format character.
bool isInvisible(char32_t character)
{
    if (character == U' ')
        return false;
    switch (QChar::category(character)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

} // namespace

QString missingSoundMessage(char32_t character)
{
    // This exact wording, unaccented words and trailing blank included, is the message
    // learners know and search for; an invisible character is named by its code after it.
    QString shown = platform::toQString(character);
    if (isInvisible(character))
        shown += QStringLiteral(" U+%1").arg(static_cast<uint>(character), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("le caractere : ") + shown
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
