// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_copy.h"
#include "x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QDebug>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <utility>
#include <vector>

namespace qm::platform {

// The copies' graphics context asks for exposure events: GraphicsExpose names each part of a
// copy the server could not read, NoExpose says a copy was whole. Both are this class's own
// and never reach the toolkit.
struct WindowCopy::State final : QAbstractNativeEventFilter {
    xcb_connection_t *connection = nullptr;
    xcb_gcontext_t gc = 0;
    xcb_window_t window = 0;
    bool missed = false;

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || !window)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        switch (event->response_type & 0x7f) {
        case XCB_GRAPHICS_EXPOSURE:
            if (reinterpret_cast<const xcb_graphics_exposure_event_t *>(event)->drawable != window)
                return false;
            missed = true;
            return true;
        case XCB_NO_EXPOSURE:
            return reinterpret_cast<const xcb_no_exposure_event_t *>(event)->drawable == window;
        default:
            return false;
        }
    }
};

WindowCopy::WindowCopy()
    : m_state(std::make_unique<State>())
{
    m_state->connection = qtConnection();
    if (m_state->connection)
        qGuiApp->installNativeEventFilter(m_state.get());
}

WindowCopy::~WindowCopy()
{
    State &s = *m_state;
    if (!s.connection || qtConnection() != s.connection)
        return;
    qGuiApp->removeNativeEventFilter(&s);
    if (s.gc)
        xcb_free_gc(s.connection, s.gc);
}

bool WindowCopy::available() const
{
    return m_state->connection != nullptr;
}

void WindowCopy::move(unsigned long window, const QRegion &to, int dy)
{
    State &s = *m_state;
    if (!s.connection || to.isEmpty())
        return;
    if (window != s.window) {
        // A context is made for drawables of one depth: a new window gets its own.
        if (s.gc)
            xcb_free_gc(s.connection, s.gc);
        s.gc = xcb_generate_id(s.connection);
        const uint32_t exposures = 1;
        xcb_create_gc(
            s.connection, s.gc, xcb_window_t(window), XCB_GC_GRAPHICS_EXPOSURES, &exposures);
        s.window = xcb_window_t(window);
    }
    // The region's rectangles clip one copy of their bounds: the server walks them in a single
    // request, and answers it with a single event, where a copy each would cost one of each.
    // A region's rectangles come sorted by rows, then across, in bands of equal height.
    std::vector<xcb_rectangle_t> clip;
    clip.reserve(std::size_t(to.rectCount()));
    for (const QRect &r : to)
        clip.push_back({qint16(r.x()), qint16(r.y()), quint16(r.width()), quint16(r.height())});
    xcb_set_clip_rectangles(
        s.connection, XCB_CLIP_ORDERING_YX_BANDED, s.gc, 0, 0, uint32_t(clip.size()), clip.data());
    const QRect bounds = to.boundingRect();
    xcb_copy_area(s.connection, s.window, s.window, s.gc, qint16(bounds.x()),
        qint16(bounds.y() - dy), qint16(bounds.x()), qint16(bounds.y()), quint16(bounds.width()),
        quint16(bounds.height()));
}

void WindowCopy::flush()
{
    if (m_state->connection)
        xcb_flush(m_state->connection);
}

bool WindowCopy::takeMissed()
{
    return std::exchange(m_state->missed, false);
}

} // namespace qm::platform
