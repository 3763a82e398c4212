// SPDX-License-Identifier: GPL-3.0-or-later
// Any datagram an allowed sender can send: read without a crash or a read past its end.
#include "remote/osc_dispatch.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The server reads datagrams of at most this many bytes.
    if (size > 8192)
        return 0;
    const QByteArray packet(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<qm::OscRequest> request = qm::readOscPacket(packet);
    if (request && request->command && !std::isfinite(request->command->value))
        std::abort();
    return 0;
}
