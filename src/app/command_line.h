// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote_commands.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qm {

// What `quillmere [options]` asks for. One parser reads every launch's switches and the ones a
// later launch hands over to the running program.
struct CommandLine {
    bool help = false;
    bool version = false;
    // Open the prompter shortly after launch (or at once, when handed over).
    bool start = false;
    // Where to write the snapshot, made absolute against the current directory; empty for none.
    QString snapshotDir;
    bool listShortcuts = false;
    // Files to import as scripts, made absolute against the current directory.
    QStringList importFiles;
    // The remote commands, in the order given.
    QList<Command> commands;
    // Why the arguments could not be read ("unknown option '--x'"); empty when they could.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // The arguments that hand this over to the running program (without the program's name).
    QStringList forHandOver() const;
};

// Reads `arguments` (the program's name first, as QCoreApplication::arguments() gives them).
// Qt's own options (-session, -platform, -display, ...) are accepted and left to Qt.
CommandLine parseCommandLine(const QStringList &arguments);

// The text `--help` prints.
QString commandLineHelp();

// The switch that asks the running program which shortcuts it holds.
inline constexpr const char *kListShortcuts = "--list-shortcuts";

} // namespace qm
