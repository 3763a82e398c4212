// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_commands.h"

#include "prompter/prompter_controller.h"

namespace qm {

namespace {

struct Entry {
    Command command;
    const char *name;
};

constexpr Entry kSwitches[] = {
    {Command::Toggle, "--toggle"},
    {Command::PlayPause, "--play-pause"},
    {Command::Restart, "--restart"},
    {Command::Faster, "--faster"},
    {Command::Slower, "--slower"},
    {Command::NextCue, "--next-cue"},
    {Command::PreviousCue, "--previous-cue"},
    {Command::ShowWindow, "--show-window"},
};

} // namespace

QString commandSwitch(Command command)
{
    for (const Entry &e : kSwitches) {
        if (e.command == command)
            return QString::fromLatin1(e.name);
    }
    return {};
}

std::optional<Command> commandFromSwitch(const QString &argument)
{
    for (const Entry &e : kSwitches) {
        if (argument == QLatin1String(e.name))
            return e.command;
    }
    return std::nullopt;
}

bool performOnPrompter(Command command, PrompterController &prompter)
{
    switch (command) {
    case Command::Toggle:
        prompter.toggle();
        return true;
    case Command::PlayPause:
        prompter.playPause();
        return true;
    case Command::Restart:
        prompter.restart();
        return true;
    case Command::Faster:
        prompter.nudgeSpeed(kSpeedNudge);
        return true;
    case Command::Slower:
        prompter.nudgeSpeed(-kSpeedNudge);
        return true;
    case Command::NextCue:
        prompter.nextCue();
        return true;
    case Command::PreviousCue:
        prompter.previousCue();
        return true;
    case Command::ShowWindow:
        return false;
    }
    return false;
}

} // namespace qm
