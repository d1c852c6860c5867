// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/default_fields.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// What the command line asks for: values for the start-up fields, or a text to print and
// an exit code (help and version: 0 on standard output; a usage error: 2 on standard error).
struct CommandLine
{
    QString soundFolder;    // empty: keep the default; otherwise ends with a path separator
    QString delay;          // empty: keep the default
    QString correctionFile; // empty: keep the default
    std::optional<int> exitCode;
    QString message;
};

// arguments[0] is the program. Help and version win over any error, so that they can be
// answered before Qt has taken its own options (-platform, -style...) out of the list.
CommandLine parseCommandLine(const QStringList &arguments);

// The arguments as file names: bytes that are not UTF-8 are kept (see fileNameText), so
// that a correction named in Latin-1 is the file read. QCoreApplication::arguments()
// would replace them.
QStringList argumentsOf(int argc, char *argv[]);

// Whether an argument may be one of Qt's own options, which only QApplication knows: a
// command line without any can be judged before a display is opened.
bool mayHoldQtOptions(const QStringList &arguments);

// Puts what the command line gave into the fields; the delay kept from the last run
// (empty: none) comes before the default, and the command line's before both. The rest
// keeps its default.
void applyCommandLine(const CommandLine &commandLine, DefaultFields &fields, const QString &rememberedDelay);

// Prints the message on the stream its exit code calls for and returns that code.
int finishCommandLine(const CommandLine &commandLine);

} // namespace platform
