// SPDX-License-Identifier: GPL-3.0-or-later
#include "compositor.h"
#include "x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qm::platform {

// The selection's owner is asked once; from then on the server tells of every change (XFixes
// selection events, for a window of this watch's own). Without XFixes it is asked afresh each
// time. One watch serves every CompositorWatch alive (the panel's host and each prompter
// view's frames ask the same question), and goes with the last of them.
struct CompositorSelection final : QAbstractNativeEventFilter {
    xcb_connection_t *connection = nullptr;
    xcb_atom_t selection = XCB_NONE;
    xcb_window_t window = XCB_NONE;
    int firstEvent = -1;
    bool running = true;
    std::vector<const std::function<void(bool)> *> listeners;

    CompositorSelection();
    ~CompositorSelection() override;

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
            // A listener may take others with it (the host builds the panel again, and its
            // view's watch goes): each is told only while it is still listening.
            const auto told = listeners;
            for (const auto *changed : told) {
                if (std::find(listeners.begin(), listeners.end(), changed) != listeners.end())
                    (*changed)(now);
            }
        }
        return true;
    }
};

CompositorSelection::CompositorSelection()
{
    connection = qtConnection();
    int number = 0;
    xcb_screen_t *screen = connection ? displayScreen(connection, &number) : nullptr;
    if (!screen) {
        connection = nullptr;
        return;
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(number);
    selection = internAtom(connection, name.constData());
    if (selection == XCB_NONE) {
        connection = nullptr;
        return;
    }
    running = ask();

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    xcb_xfixes_query_version_reply_t *version = xcb_xfixes_query_version_reply(connection,
        xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr);
    const bool usable = version && version->major_version >= 1;
    std::free(version);
    if (!usable)
        return;
    window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, screen->root, -1, -1, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_xfixes_select_selection_input(connection, window, selection,
        XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
            | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // An owner that came between the question and the selection of events is caught here.
    running = ask();
    firstEvent = xfixes->first_event;
    qGuiApp->installNativeEventFilter(this);
}

CompositorSelection::~CompositorSelection()
{
    if (firstEvent < 0 || !connection || qtConnection() != connection)
        return;
    qGuiApp->removeNativeEventFilter(this);
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
}

struct CompositorWatch::State final {
    std::shared_ptr<CompositorSelection> watch;
    std::function<void(bool)> changed;
};

CompositorWatch::CompositorWatch(std::function<void(bool)> changed)
    : m_state(std::make_unique<State>())
{
    static std::weak_ptr<CompositorSelection> shared;
    m_state->watch = shared.lock();
    if (!m_state->watch) {
        m_state->watch = std::make_shared<CompositorSelection>();
        shared = m_state->watch;
    }
    m_state->changed = std::move(changed);
    if (m_state->changed)
        m_state->watch->listeners.push_back(&m_state->changed);
}

CompositorWatch::~CompositorWatch()
{
    auto &listeners = m_state->watch->listeners;
    listeners.erase(
        std::remove(listeners.begin(), listeners.end(), &m_state->changed), listeners.end());
}

bool CompositorWatch::running() const
{
    CompositorSelection &w = *m_state->watch;
    if (!w.connection)
        return true;
    if (w.firstEvent < 0)
        w.running = w.ask();
    return w.running;
}

} // namespace qm::platform
