// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit already clears the input hint for windows that refuse the focus, but it still
// lists WM_TAKE_FOCUS among the window's protocols. A window manager then treats a click on the
// window as "globally active input": mutter moves the focus away from the application the user
// was typing in and offers it to us. Without the protocol the window is "no input" under ICCCM
// and every window manager leaves the focus where it was.
#include "window_focus.h"
#include "x11_connection.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qm::platform {

namespace {

std::vector<xcb_atom_t> atomList(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property)
{
    std::vector<xcb_atom_t> out;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        out.assign(atoms, atoms + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return out;
}

void setAtomList(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property,
    const std::vector<xcb_atom_t> &atoms)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_ATOM, 32,
        quint32(atoms.size()), atoms.data());
}

} // namespace

void setNeverFocused(QWindow *window)
{
    xcb_connection_t *c = qtConnection();
    if (!c || !window)
        return;
    const auto id = xcb_window_t(window->winId());

    const xcb_atom_t protocols = internAtom(c, "WM_PROTOCOLS");
    const xcb_atom_t takeFocus = internAtom(c, "WM_TAKE_FOCUS");
    std::vector<xcb_atom_t> list = atomList(c, id, protocols);
    std::erase(list, takeFocus);
    setAtomList(c, id, protocols, list);

    // Read before mapping; the toolkit adds its own states (above) to what it finds.
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> states = atomList(c, id, state);
    for (const char *name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = internAtom(c, name);
        if (std::find(states.begin(), states.end(), atom) == states.end())
            states.push_back(atom);
    }
    setAtomList(c, id, state, states);
    xcb_flush(c);
}

} // namespace qm::platform
