// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>

#include <memory>

namespace qm::platform {

// Moves pixels of a shown window inside the display server, so that a picture scrolled by whole
// pixels need not be sent again. A copy reads what the server holds of the window: where part
// of it was covered or off screen, the server has nothing to copy, and the copy says so later
// (takeMissed()) for the caller to paint that frame in full.
class WindowCopy final {
public:
    WindowCopy();
    ~WindowCopy();
    WindowCopy(const WindowCopy &) = delete;
    WindowCopy &operator=(const WindowCopy &) = delete;

    // False where the window system cannot (not X11).
    bool available() const;
    // Moves the window's pixels by `dy` rows within the window itself: each pixel of `to` (the
    // window's device pixels) takes the one `dy` rows above it. One request, however many
    // rectangles `to` holds; later requests on the toolkit's connection follow it.
    void move(unsigned long window, const QRegion &to, int dy);
    // Sends the moves made so far.
    void flush();
    // Whether a copy since the last call read pixels the server did not have.
    bool takeMissed();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm::platform
