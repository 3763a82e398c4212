// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote_command.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QVariant>

#include <optional>

namespace qm {

// What one OSC packet asks for: a command, a request for the state alone
// (/quillmere/state), or nothing we know, which is dropped.
struct OscRequest {
    std::optional<RemoteCommand> command;
    bool stateOnly = false;
};

// Reads one OSC message (liblo decodes it): /quillmere/play, /pause, /toggle, /restart,
// /cue/next, /cue/previous, /cue/jump i, /speed f, /speed/nudge f, /show, /hide, /state.
// A number may come as int32, float, double or int64, as different controllers send them.
// Pure; anything malformed gives nothing.
std::optional<OscRequest> readOscPacket(const QByteArray &packet);

// Encodes one message with a single int32, float or string argument; empty when liblo cannot.
QByteArray encodeOscMessage(const QByteArray &path, const QVariant &value);

} // namespace qm
