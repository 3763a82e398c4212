// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

namespace qm::platform {

// The toolkit's own connection to the X server; null when the program is not on X11 or the
// connection has failed.
xcb_connection_t *qtConnection();

// The screen DISPLAY names, or the first one where it names none that exists; `number`, when
// given, receives its number.
xcb_screen_t *displayScreen(xcb_connection_t *connection, int *number = nullptr);

// The atom of `name`, made if the server does not know it yet; XCB_ATOM_NONE on failure.
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name);

} // namespace qm::platform
