// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_actions.h"

#include "model/script.h"
#include "model/sections.h"
#include "prompter/prompter_controller.h"
#include "store/store.h"

namespace qm {

namespace {

using Kind = RemoteCommand::Kind;

// The section id of the cue at `index` among the sections that have one.
std::optional<qint64> cueAt(const QList<ScriptSection> &sections, int index)
{
    int n = 0;
    for (const ScriptSection &s : sections) {
        if (!s.cue)
            continue;
        if (n == index)
            return s.id;
        ++n;
    }
    return std::nullopt;
}

} // namespace

QString performRemoteCommand(const RemoteCommand &command, PrompterController &prompter)
{
    switch (command.kind) {
    case Kind::Play:
        if (!prompter.isPlaying())
            prompter.playPause();
        break;
    case Kind::Pause:
        if (prompter.isPlaying())
            prompter.playPause();
        break;
    case Kind::Toggle:
        prompter.playPause();
        break;
    case Kind::Restart:
        prompter.restart();
        break;
    case Kind::NextCue:
        prompter.nextCue();
        break;
    case Kind::PreviousCue:
        prompter.previousCue();
        break;
    case Kind::Jump: {
        // While hidden the sections are those of the next show: the selected script's.
        const QList<ScriptSection> sections = prompter.isVisible()
            ? prompter.sections()
            : parseSections(prompter.store().selectedScript()
                    ? prompter.store().selectedScript()->text
                    : QString());
        const std::optional<qint64> id = cueAt(sections, command.index);
        if (!id)
            return QStringLiteral("no cue at that index");
        prompter.jump(*id);
        break;
    }
    case Kind::SetSpeed:
        prompter.nudgeSpeed(command.value - prompter.store().settings().speed);
        break;
    case Kind::NudgeSpeed:
        prompter.nudgeSpeed(command.value);
        break;
    case Kind::ScrollBy:
        prompter.scrollBy(command.value);
        break;
    case Kind::Show:
        if (!prompter.isVisible())
            prompter.show();
        break;
    case Kind::Hide:
        if (prompter.isVisible())
            prompter.hide();
        break;
    case Kind::SelectScript: {
        Store &store = prompter.store();
        const std::optional<QUuid> id = parseCanonicalUuid(command.script);
        bool known = false;
        for (const Script &s : store.scripts())
            known = known || (id && s.id == *id);
        if (!known)
            return QStringLiteral("no script with that id");
        store.setSelectedID(id);
        break;
    }
    }
    return {};
}

} // namespace qm
