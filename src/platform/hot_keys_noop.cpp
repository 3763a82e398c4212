// SPDX-License-Identifier: GPL-3.0-or-later
// Builds without X11 development files grab no keys: every chord is refused.
#include "hot_key_backend.h"

namespace qm::platform {

std::unique_ptr<HotKeyBackend> createX11HotKeyBackend()
{
    return createNoopHotKeyBackend();
}

} // namespace qm::platform
