// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_connection.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>

namespace qm::platform {

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

xcb_screen_t *displayScreen(xcb_connection_t *connection, int *number)
{
    int wanted = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &wanted) == 0)
        wanted = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    xcb_screen_t *first = it.rem > 0 ? it.data : nullptr;
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == wanted) {
            if (number)
                *number = i;
            return it.data;
        }
    }
    if (number)
        *number = 0;
    return first;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace qm::platform
