// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

namespace qm::platform {

// One refresh of a display, as a frame clock reports it.
struct Refresh {
    // The display's refresh counter; consecutive refreshes differ by one, a gap means refreshes
    // went by unreported. Counters of different clocks are unrelated.
    quint64 msc = 0;
    // When the refresh happened, in CLOCK_MONOTONIC's microseconds (the display server's UST
    // on X11, placed on the display's grid); for the trace.
    qint64 ust = 0;
    // The same instant in monotonicSeconds().
    double seconds = 0;
};

// Calls back once per display refresh while it runs, and not at all while stopped: a window
// that draws nothing leaves it stopped. Works on the thread that made it; the callback may stop
// the clock, start it again or delete nothing but itself.
class FrameClock {
public:
    using Callback = std::function<void(const Refresh &)>;

    virtual ~FrameClock() = default;
    FrameClock(const FrameClock &) = delete;
    FrameClock &operator=(const FrameClock &) = delete;

    void setCallback(Callback callback) { m_callback = std::move(callback); }

    // Reports every refresh from the next one on. Starting a running clock changes nothing.
    virtual void start() = 0;
    // Reports nothing more until started again; a refresh already on its way is dropped.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // Seconds between refreshes, as far as the clock knows.
    virtual double period() const = 0;
    // A short name for measurements: "present" or "deadline".
    virtual const char *kind() const = 0;

protected:
    FrameClock() = default;
    void deliver(const Refresh &refresh)
    {
        if (m_callback)
            m_callback(refresh);
    }

private:
    Callback m_callback;
};

// Deadlines at whole multiples of 1/rate from the moment it starts, each timer set afresh for
// the next multiple so that lateness never adds up. `now` is monotonic seconds (monotonicSeconds
// by default). A rate that is not a positive number means 60.
std::unique_ptr<FrameClock> makeDeadlineClock(double rate, std::function<double()> now = {});

// The refreshes of the monitor that shows `window` (an X11 window id), told by the display
// server; `rate`, the monitor's refresh rate as far as known, is a first guess at the period
// until it is measured. Null when there is no such server or it cannot tell.
std::unique_ptr<FrameClock> makeDisplayClock(quintptr window, double rate);

// What a window should draw by: the display's own clock for `window` where there is one, the
// deadline clock at `rate` otherwise. QUILLMERE_FRAME_RATE=<hz>, for measurements, forces the
// deadline clock at that rate.
std::unique_ptr<FrameClock> makeFrameClock(quintptr window, double rate);

} // namespace qm::platform
