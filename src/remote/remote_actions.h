// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote_command.h"

#include <QString>

namespace qm {

class PrompterController;

// Does `command` through the controller's own operations, as the hot keys do. Answers why it
// could not (an unknown script or cue), or an empty text.
QString performRemoteCommand(const RemoteCommand &command, PrompterController &prompter);

} // namespace qm
