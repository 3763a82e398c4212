// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace qm::platform {

// Whether a compositing manager puts windows on the screen, so that a window with an alpha
// channel shows what lies behind it. On X11 that is whoever owns the screen's _NET_WM_CM_S<n>
// selection. Without one, the X server keeps such a window's pixels off screen and copies them
// onto the screen after every change, and the see-through parts show black anyway: an opaque
// window looks the same and costs the server half as much.
class CompositorWatch final {
public:
    // `changed` is called with the new answer whenever it changes.
    explicit CompositorWatch(std::function<void(bool)> changed = {});
    ~CompositorWatch();
    CompositorWatch(const CompositorWatch &) = delete;
    CompositorWatch &operator=(const CompositorWatch &) = delete;

    // True elsewhere than on X11 (Wayland composites every window).
    bool running() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm::platform
