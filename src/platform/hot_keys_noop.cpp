// SPDX-License-Identifier: GPL-3.0-or-later
// For sessions that offer no way to grab keys system-wide (offscreen, a native Wayland
// session): every chord is refused, and the remote commands remain the way in.
#include "hot_keys.h"

namespace qm::platform {

namespace {

class NoopHotKeys final : public HotKeyBackend {
public:
    void install(Dispatch, StatusChanged) override { }
    GrabStatus grab(quint32, const HotKeyChord &) override { return GrabStatus::Unsupported; }
};

} // namespace

std::unique_ptr<HotKeyBackend> createNoopHotKeyBackend()
{
    return std::make_unique<NoopHotKeys>();
}

} // namespace qm::platform
