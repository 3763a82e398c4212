// SPDX-License-Identifier: GPL-3.0-or-later
#include "server_fence.h"
#include "x11_connection.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>

namespace qm::platform {

struct ServerFence::State {
    xcb_connection_t *connection = nullptr;
    // GetInputFocus is the cheapest request with an answer; the server answers in order.
    xcb_get_input_focus_cookie_t cookie {};
    bool pending = false;
    bool unknown = false;
};

ServerFence::ServerFence()
    : m_state(std::make_unique<State>())
{
    m_state->connection = qtConnection();
}

ServerFence::~ServerFence()
{
    // An answer asked for and never read would wait in the connection for ever; a connection
    // already closed with the application holds nothing any more.
    if (m_state->pending && m_state->connection && qtConnection() == m_state->connection)
        xcb_discard_reply(m_state->connection, m_state->cookie.sequence);
}

bool ServerFence::available() const
{
    return m_state->connection != nullptr;
}

void ServerFence::mark()
{
    State &s = *m_state;
    if (!s.connection)
        return;
    if (s.pending)
        xcb_discard_reply(s.connection, s.cookie.sequence);
    s.cookie = xcb_get_input_focus(s.connection);
    s.pending = true;
    s.unknown = false;
    xcb_flush(s.connection);
}

void ServerFence::invalidate()
{
    m_state->unknown = true;
}

void ServerFence::wait()
{
    State &s = *m_state;
    if (!s.connection)
        return;
    if (s.unknown) {
        // One answer to a request sent now covers the marked one too.
        if (s.pending)
            xcb_discard_reply(s.connection, s.cookie.sequence);
        s.cookie = xcb_get_input_focus(s.connection);
        s.pending = true;
        s.unknown = false;
    }
    if (!s.pending)
        return;
    s.pending = false;
    void *reply = nullptr;
    xcb_generic_error_t *error = nullptr;
    if (xcb_poll_for_reply(s.connection, s.cookie.sequence, &reply, &error)) {
        std::free(reply);
        std::free(error);
        return;
    }
    std::free(xcb_get_input_focus_reply(s.connection, s.cookie, nullptr));
}

} // namespace qm::platform
