// SPDX-License-Identifier: GPL-3.0-or-later
#include "compositor.h"
#include "x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

namespace qm::platform {

// The selection's owner is asked once; from then on the server tells of every change (XFixes
// selection events, for a window of this class's own). Without XFixes it is asked afresh each
// time.
struct CompositorWatch::State final : QAbstractNativeEventFilter {
    xcb_connection_t *connection = nullptr;
    xcb_atom_t selection = XCB_NONE;
    xcb_window_t window = XCB_NONE;
    int firstEvent = -1;
    bool running = true;
    std::function<void(bool)> changed;

    bool ask()
    {
        xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = reply && reply->owner != XCB_NONE;
        std::free(reply);
        return owned;
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || firstEvent < 0)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != firstEvent + XCB_XFIXES_SELECTION_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->window != window || notify->selection != selection)
            return false;
        const bool now = notify->owner != XCB_NONE;
        if (now != running) {
            running = now;
            if (changed)
                changed(now);
        }
        return true;
    }
};

CompositorWatch::CompositorWatch(std::function<void(bool)> changed)
    : m_state(std::make_unique<State>())
{
    State &s = *m_state;
    s.changed = std::move(changed);
    s.connection = qtConnection();
    int number = 0;
    xcb_screen_t *screen = s.connection ? displayScreen(s.connection, &number) : nullptr;
    if (!screen) {
        s.connection = nullptr;
        return;
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(number);
    s.selection = internAtom(s.connection, name.constData());
    if (s.selection == XCB_NONE) {
        s.connection = nullptr;
        return;
    }
    s.running = s.ask();

    const xcb_query_extension_reply_t *xfixes
        = xcb_get_extension_data(s.connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    xcb_xfixes_query_version_reply_t *version = xcb_xfixes_query_version_reply(s.connection,
        xcb_xfixes_query_version(s.connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr);
    const bool usable = version && version->major_version >= 1;
    std::free(version);
    if (!usable)
        return;
    s.window = xcb_generate_id(s.connection);
    xcb_create_window(s.connection, 0, s.window, screen->root, -1, -1, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_xfixes_select_selection_input(s.connection, s.window, s.selection,
        XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // An owner that came between the question and the selection of events is caught here.
    s.running = s.ask();
    s.firstEvent = xfixes->first_event;
    qGuiApp->installNativeEventFilter(&s);
}

CompositorWatch::~CompositorWatch()
{
    State &s = *m_state;
    if (s.firstEvent < 0 || !s.connection || qtConnection() != s.connection)
        return;
    qGuiApp->removeNativeEventFilter(&s);
    xcb_destroy_window(s.connection, s.window);
    xcb_flush(s.connection);
}

bool CompositorWatch::running() const
{
    State &s = *m_state;
    if (!s.connection)
        return true;
    if (s.firstEvent < 0)
        s.running = s.ask();
    return s.running;
}

} // namespace qm::platform
