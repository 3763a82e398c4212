// SPDX-License-Identifier: GPL-3.0-or-later
#include "server_fence.h"

namespace qm::platform {

struct ServerFence::State { };

ServerFence::ServerFence() = default;
ServerFence::~ServerFence() = default;
bool ServerFence::available() const
{
    return false;
}
void ServerFence::mark()
{
}
void ServerFence::invalidate()
{
}
void ServerFence::wait()
{
}

} // namespace qm::platform
