// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame_clock.h"

#include "monotonic_clock.h"

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/present.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace qm::platform {

namespace {

// Without a notification for this long (a window the server stopped showing, a server that
// lost count) the clock goes on by itself until they come again.
constexpr auto kSilence = std::chrono::milliseconds(100);

// The display server's refresh notifications for one window, on a connection of our own: the
// toolkit's connection reads its events on another thread and would take these too.
class PresentClock final : public FrameClock {
public:
    static std::unique_ptr<PresentClock> make(xcb_window_t window, double rate)
    {
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c)) {
            if (c)
                xcb_disconnect(c);
            return nullptr;
        }
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_present_id);
        xcb_present_query_version_reply_t *version = nullptr;
        if (ext && ext->present)
            version = xcb_present_query_version_reply(c,
                xcb_present_query_version(c, XCB_PRESENT_MAJOR_VERSION, XCB_PRESENT_MINOR_VERSION),
                nullptr);
        if (!version) {
            xcb_disconnect(c);
            return nullptr;
        }
        std::free(version);
        // Asking for the notifications also proves that the window is there, on this server.
        const xcb_present_event_t eid = xcb_generate_id(c);
        xcb_generic_error_t *error = xcb_request_check(c,
            xcb_present_select_input_checked(
                c, eid, window, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY));
        if (error) {
            std::free(error);
            xcb_disconnect(c);
            return nullptr;
        }
        auto clock = std::unique_ptr<PresentClock>(new PresentClock(c, window, ext->major_opcode));
        if (std::isfinite(rate) && rate >= 10 && rate <= 500)
            clock->m_period = 1 / rate;
        return clock;
    }

    ~PresentClock() override
    {
        m_notifier.setEnabled(false);
        xcb_disconnect(m_c);
    }

    void start() override
    {
        if (m_running)
            return;
        m_running = true;
        request();
        m_silence.start();
    }

    void stop() override
    {
        m_running = false;
        m_silence.stop();
    }

    bool running() const override { return m_running; }
    double period() const override { return m_period; }
    const char *kind() const override { return "present"; }

private:
    PresentClock(xcb_connection_t *c, xcb_window_t window, uint8_t opcode)
        : m_c(c)
        , m_window(window)
        , m_opcode(opcode)
        , m_notifier(xcb_get_file_descriptor(c), QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { read(); });
        m_silence.setInterval(kSilence);
        m_silence.setSingleShot(true);
        QObject::connect(&m_silence, &QTimer::timeout, [this] { silent(); });
    }

    // One notification at the refresh after the last one reported, or at once if that has
    // gone by already (this program was late): the next frame is then drawn straight away
    // instead of a refresh later. The first asks for the next refresh to come.
    void request()
    {
        if (m_pending)
            return;
        m_pending = true;
        if (m_anchored)
            xcb_present_notify_msc(m_c, m_window, ++m_serial, m_lastMsc + 1, 0, 0);
        else
            xcb_present_notify_msc(m_c, m_window, ++m_serial, 0, 1, 0);
        xcb_flush(m_c);
    }

    void read()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
            if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
                const auto *ge = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
                if (ge->extension == m_opcode && ge->event_type == XCB_PRESENT_COMPLETE_NOTIFY) {
                    const auto *done
                        = reinterpret_cast<const xcb_present_complete_notify_event_t *>(event);
                    if (done->kind == XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC
                        && done->serial == m_serial)
                        refreshed(done->msc, qint64(done->ust));
                }
            }
            // Errors (the window gone) and anything else: nothing to do; the silence timer
            // keeps a running clock going.
            std::free(event);
        }
        if (xcb_connection_has_error(m_c))
            m_notifier.setEnabled(false);
    }

    void refreshed(quint64 msc, qint64 ust)
    {
        m_pending = false;
        const qint64 at = place(msc, ust);
        m_lastMsc = msc;
        if (!m_running)
            return;
        request();
        m_silence.start();
        Refresh refresh;
        refresh.msc = msc;
        refresh.ust = at;
        refresh.seconds = toSeconds(at);
        deliver(refresh);
    }

    // When refresh `msc` happened, in the server's microseconds. A notification's own timestamp
    // may be late by more than a refresh (a server with no display behind it stamps the moment
    // it sends, whenever that is), but its counter is exact: refreshes are placed on a grid of
    // the display's period from an anchor, so that equal counts are equal times.
    qint64 place(quint64 msc, qint64 ust)
    {
        if (!m_anchored || msc < m_anchorMsc) {
            m_anchored = true;
            m_anchorMsc = m_baseMsc = msc;
            m_anchorUst = m_baseUst = double(ust);
            return ust;
        }
        // The period, measured over everything seen since the first notification; taken up
        // from the current point on, so the grid never jumps.
        const quint64 span = msc - m_baseMsc;
        if (span >= 120 && msc >= m_nextFit) {
            m_nextFit = msc + 60;
            const double measured = (double(ust) - m_baseUst) / 1e6 / double(span);
            if (measured > 0.002 && measured < 0.1) {
                m_anchorUst += double(msc - m_anchorMsc) * m_period * 1e6;
                m_anchorMsc = msc;
                m_period = measured;
            }
        }
        double grid = m_anchorUst + double(msc - m_anchorMsc) * m_period * 1e6;
        const double off = double(ust) - grid;
        const double slack = 2 * m_period * 1e6;
        // A stamp is never early, but may be late by any amount: the grid follows the earliest.
        m_earliest = std::min(m_earliest, off);
        if (++m_seen >= 120) {
            m_drift = m_earliest > slack ? m_earliest : 0;
            m_earliest = std::numeric_limits<double>::infinity();
            m_seen = 0;
        }
        if (std::abs(off) > 1e6) {
            // Far off (a suspend, another counter): start a grid here.
            m_anchorMsc = msc;
            m_anchorUst = grid = double(ust);
            m_drift = 0;
        } else if (off < -slack || m_drift > 0) {
            // Drifting: pulled back gently, a fiftieth of the way each refresh.
            const double pull = (off < -slack ? off : m_drift) * 0.02;
            m_anchorUst += pull;
            grid += pull;
            m_drift = std::max(0.0, m_drift - pull);
        }
        return qint64(std::llround(grid));
    }

    void silent()
    {
        if (!m_running)
            return;
        // A request may have been lost with its window; ask again, and move on meanwhile.
        m_pending = false;
        request();
        m_silence.start();
        Refresh refresh;
        refresh.msc = m_lastMsc;
        refresh.seconds = monotonicSeconds();
        refresh.ust = qint64(std::llround((refresh.seconds + m_offset) * 1e6));
        deliver(refresh);
    }

    // The server's microseconds are CLOCK_MONOTONIC's nearly everywhere; a server with some
    // other clock is placed by its first notification instead.
    double toSeconds(qint64 ust)
    {
        if (!m_placed) {
            m_placed = true;
            timespec now {};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const double system = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
            const double here = monotonicSeconds();
            m_offset = std::abs(double(ust) / 1e6 - system) < 1 ? system - here
                                                                : double(ust) / 1e6 - here;
        }
        return double(ust) / 1e6 - m_offset;
    }

    xcb_connection_t *m_c;
    xcb_window_t m_window;
    uint8_t m_opcode;
    QSocketNotifier m_notifier;
    QTimer m_silence;
    uint32_t m_serial = 0;
    bool m_pending = false;
    bool m_running = false;
    quint64 m_lastMsc = 0;
    double m_period = 1.0 / 60;
    bool m_anchored = false;
    quint64 m_anchorMsc = 0;
    double m_anchorUst = 0;
    quint64 m_baseMsc = 0;
    double m_baseUst = 0;
    quint64 m_nextFit = 0;
    // The earliest a stamp came against the grid over the current stretch of refreshes, and
    // how far the grid still has to move later.
    double m_earliest = std::numeric_limits<double>::infinity();
    int m_seen = 0;
    double m_drift = 0;
    bool m_placed = false;
    double m_offset = 0;
};

} // namespace

std::unique_ptr<FrameClock> makeDisplayClock(quintptr window, double rate)
{
    if (!window || qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    return PresentClock::make(xcb_window_t(window), rate);
}

} // namespace qm::platform
