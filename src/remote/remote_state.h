// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonArray>
#include <QJsonObject>

namespace qm {

class PrompterController;

// What a remote is told of the prompter: shown, playing, countdown, offset, progress,
// remaining seconds, speed, current cue, the script's id and title. Without the sections,
// which are large and change rarely; remoteSections() gives them.
QJsonObject remoteState(const PrompterController &prompter);

// The sections the prompter shows (the selected script's while hidden): id, cue (or null), body,
// and y, where the prompter has laid the cue out (or null).
QJsonArray remoteSections(const PrompterController &prompter);

// The selected script's whole text, as a follower shows it.
QString remoteText(const PrompterController &prompter);

} // namespace qm
