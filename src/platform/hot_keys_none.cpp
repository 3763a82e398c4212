// SPDX-License-Identifier: GPL-3.0-or-later
// Builds without X11 development files have no system-wide hot keys.
#include "hot_keys.h"

namespace qm::platform {

std::unique_ptr<HotKeyBackend> createHotKeyBackend()
{
    return createNoopHotKeyBackend();
}

} // namespace qm::platform
