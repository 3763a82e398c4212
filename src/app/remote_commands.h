// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

class PrompterController;

// What a hot key, a tray item or `quillmere --<command>` asks the running program to do.
enum class Command {
    Toggle,
    PlayPause,
    Restart,
    Faster,
    Slower,
    NextCue,
    PreviousCue,
    ShowWindow,
};

// The switch for a command, e.g. "--play-pause".
QString commandSwitch(Command command);
std::optional<Command> commandFromSwitch(const QString &argument);

// Runs a prompter command exactly as its hot key does. ShowWindow is not the prompter's: false.
bool performOnPrompter(Command command, PrompterController &prompter);

// The change one press of Faster or Slower makes to the speed.
inline constexpr double kSpeedNudge = 4;

} // namespace qm
