// SPDX-License-Identifier: GPL-3.0-or-later
// Builds without X11 development files have no X11 hot keys.
#include "hot_keys.h"

namespace qm::platform {

std::unique_ptr<HotKeyBackend> createX11HotKeyBackend()
{
    return createNoopHotKeyBackend();
}

} // namespace qm::platform
