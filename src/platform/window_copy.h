// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

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
    // Copies `from` (the window's device pixels) so that its top left lands on `to`, within the
    // window itself. Later requests on the toolkit's connection follow it.
    void copy(unsigned long window, const QRect &from, const QPoint &to);
    // Sends the copies made so far.
    void flush();
    // Whether a copy since the last call read pixels the server did not have.
    bool takeMissed();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm::platform
