// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes a client can send as a command: read without a crash, and anything read back is a
// command whose arguments lie in their ranges.
#include "model/settings.h"
#include "remote/remote_command.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qm::RemoteRead read = qm::readRemoteCommand(bytes);
    if (const auto *command = std::get_if<qm::RemoteCommand>(&read)) {
        using Kind = qm::RemoteCommand::Kind;
        if (command->index < 0 || !std::isfinite(command->value))
            std::abort();
        if (command->kind == Kind::SetSpeed && !qm::limits::speed.contains(command->value))
            std::abort();
        if (qm::remoteCommandName(command->kind).isEmpty())
            std::abort();
    } else if (std::get<qm::RemoteError>(read).message.isEmpty()) {
        std::abort();
    }
    return 0;
}
