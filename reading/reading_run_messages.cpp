// SPDX-License-Identifier: GPL-3.0-or-later
// The reading run's messages: the sound problems it tells, and the holds they make.
#include "reading/reading_run.h"

#include "files/file_stamp.h"
#include "reading/messages.h"

#include <QFileInfo>

namespace reading {

namespace {

// Keys under which a fault that is not one file's is told once per run, whatever the file.
const QString kNoOutputKey = QStringLiteral("\n(no output)");
const QString kNoFolderKey = QStringLiteral("\n(no folder)");
const QString kStalledKey = QStringLiteral("\n(stalled)");

} // namespace

// Each problem once per run; returns whether the user is being told.
bool ReadingRun::tellSoundProblem(const SoundProblem &problem)
{
    // A missing folder is one fault, whatever the file: told once per run.
    const bool noFolder = problem.kind == SoundProblem::Kind::BadFile
        && platform::stampOf(QFileInfo(problem.path).absolutePath()).kind != platform::FileStamp::Kind::Folder;
    const QString key = problem.kind == SoundProblem::Kind::NoOutput ? kNoOutputKey
        : problem.kind == SoundProblem::Kind::OutputStalled          ? kStalledKey
        : noFolder                                                   ? kNoFolderKey
                                                                     : problem.path;
    if (m_reportedSoundProblems.contains(key))
        return false;
    m_reportedSoundProblems.insert(key);
    if (noFolder)
        askUser(soundFolderMissingMessage(QFileInfo(problem.path).absolutePath()), true);
    else
        reportSoundProblem(problem);
    return true;
}

// A sound found unplayable after it was started: told as if at its start, unless a
// message is already open. The last sound's can come once the run is over: it is told
// all the same, or the sound would be lost without a word.
void ReadingRun::lateSoundProblem(const SoundProblem &problem)
{
    if (m_ended)
        return;
    if (!m_running) {
        m_window.showMessage(problemMessage(problem), MessageButtons::Ok, {});
        return;
    }
    if (m_hold != Hold::Message)
        tellSoundProblem(problem);
}

QString ReadingRun::problemMessage(const SoundProblem &problem)
{
    switch (problem.kind) {
    case SoundProblem::Kind::NoOutput:
        return noSoundOutputMessage(problem.reason);
    case SoundProblem::Kind::OutputStalled:
        return outputStalledMessage(problem.reason);
    case SoundProblem::Kind::BadFile:
        break;
    }
    return soundFileProblemMessage(problem.path, problem.reason);
}

void ReadingRun::reportSoundProblem(const SoundProblem &problem)
{
    askUser(problemMessage(problem), true);
}

void ReadingRun::askUser(const QString &text, bool pauseAfterwards)
{
    // An open message holds everything.
    withdrawAhead();
    m_hold = Hold::Message;
    m_window.showMessage(text, MessageButtons::OkOrStopReading, [this, pauseAfterwards](MessageAnswer answer) {
        messageClosed(answer, pauseAfterwards);
    });
}

void ReadingRun::messageClosed(MessageAnswer answer, bool pauseAfterwards)
{
    if (!m_running || m_hold != Hold::Message)
        return;
    m_hold = pauseAfterwards && m_flags.pauseFlag == 1 ? Hold::Pause : Hold::None;
    if (answer == MessageAnswer::StopReading)
        stop();
    else
        advance();
}

} // namespace reading
