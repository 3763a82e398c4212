// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <variant>

namespace qm {

// One thing a remote asks of the prompter, read from the network and checked, not yet done.
struct RemoteCommand {
    enum class Kind {
        Play,
        Pause,
        Toggle, // play when paused, pause when playing
        Restart,
        NextCue,
        PreviousCue,
        Jump, // index: the cue's place among the script's cues, from 0
        SetSpeed, // value: points a second
        NudgeSpeed, // value: points a second to add
        ScrollBy, // value: points, positive moves the text up
        Show,
        Hide,
        SelectScript, // script: the script's id
    };
    Kind kind = Kind::Play;
    int index = 0;
    double value = 0;
    QString script;

    friend bool operator==(const RemoteCommand &, const RemoteCommand &) = default;
};

// Why a message was refused, in words a client shows as they are.
struct RemoteError {
    QString message;
};

using RemoteRead = std::variant<RemoteCommand, RemoteError>;

// Reads `{"command": "<name>", ...arguments}`. Anything else — not JSON, not an object, an
// unknown name, a missing, non-finite or out-of-range argument — is an error and nothing
// else. Pure: the network's input goes through here before anything acts on it.
RemoteRead readRemoteCommand(const QByteArray &json);
RemoteRead readRemoteCommand(const QJsonObject &message);

// The command's wire name, e.g. "nextCue".
QString remoteCommandName(RemoteCommand::Kind kind);

} // namespace qm
