// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace qm::platform {

// Tells the window manager never to give `window` the keyboard, whether it is shown, clicked,
// dragged or resized, and to leave it out of the task bar and the pager. Call once the native
// window exists and before it is first shown. Does nothing where there is no such hint.
void setNeverFocused(QWindow *window);

} // namespace qm::platform
