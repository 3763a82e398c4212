// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

#include <optional>

namespace qm {

// Whether the pointer hovers a prompter window, from the window's own enter, motion and leave
// events. A window that appears under a resting pointer gets an enter event without the pointer
// having moved, and under XWayland the server reports the last position it saw, which may be
// where the pointer left for a native window long ago. Hover pauses the text, so it begins only
// once the pointer is seen somewhere other than where it rested when the window was shown.
class HoverGate final {
public:
    // The window is shown; the window system last saw the pointer at `pointer` (global), or
    // nowhere it can tell.
    void shown(std::optional<QPoint> pointer);
    // Enter, motion and leave events at global positions. Each returns whether the pointer
    // hovers now.
    bool entered(QPoint global);
    bool moved(QPoint global);
    bool left();

    bool hovering() const { return m_hovering; }

private:
    bool arrive(QPoint global);

    // Where the pointer rested when the window was shown, until it is seen elsewhere.
    std::optional<QPoint> m_rest;
    bool m_inside = false;
    bool m_hovering = false;
};

} // namespace qm
