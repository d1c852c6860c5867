// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace reading {

// The caption of every message box of the program.
inline const QString kMessageCaption = QStringLiteral("Virod idadidavir");
inline const QString kStopReadingButton = QStringLiteral("Arrêter la lecture");
inline const QString kPauseCaption = QStringLiteral("Pause");
inline const QString kResumeCaption = QStringLiteral("Reprise");

QString missingSoundMessage(char32_t character);
QString correctionUnreadableMessage(const QString &path, const QString &reason);
QString soundTableUnreadableMessage(const QString &path, const QString &reason);
QString soundFileProblemMessage(const QString &path, const QString &reason);
QString noSoundOutputMessage(const QString &reason);
QString outputStalledMessage(const QString &reason);
QString soundFolderMissingMessage(const QString &folder);

} // namespace reading
