// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame_clock.h"

#include "monotonic_clock.h"

#include <QTimer>

#include <chrono>
#include <cmath>
#include <ctime>

namespace qm::platform {

namespace {

constexpr double kDefaultRate = 60;
// A timer may fire this much before its deadline (its milliseconds are rounded); the refresh
// is still the one due.
constexpr double kEarlySlack = 0.0015;

// CLOCK_MONOTONIC's seconds less monotonicSeconds(): the refreshes' microseconds are given on the
// system's clock, as a display server gives them.
double systemOffset()
{
    static const double offset = [] {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - monotonicSeconds();
    }();
    return offset;
}

class DeadlineClock final : public FrameClock {
public:
    DeadlineClock(double rate, std::function<double()> now)
        : m_period(1.0 / (std::isfinite(rate) && rate > 0 ? rate : kDefaultRate))
        , m_now(now ? std::move(now) : std::function<double()>(monotonicSeconds))
        , m_origin(m_now())
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    }

    void start() override
    {
        if (m_running)
            return;
        m_running = true;
        // The deadlines stay on one grid across stops and starts, as a display's refreshes do.
        m_last = index(m_now());
        arm();
    }

    void stop() override
    {
        m_running = false;
        m_timer.stop();
    }

    bool running() const override { return m_running; }
    double period() const override { return m_period; }
    const char *kind() const override { return "deadline"; }

private:
    qint64 index(double t) const { return qint64(std::floor((t - m_origin) / m_period)); }
    double at(qint64 n) const { return m_origin + double(n) * m_period; }

    void arm()
    {
        const double wait = at(m_last + 1) - m_now();
        // Rounded up: a timer that fires early would only have to be set again.
        m_timer.start(std::chrono::milliseconds(qint64(std::ceil(std::max(wait, 0.0) * 1000))));
    }

    void fire()
    {
        if (!m_running)
            return;
        const double now = m_now();
        qint64 n = index(now + kEarlySlack);
        if (n <= m_last) {
            arm();
            return;
        }
        m_last = n;
        // Armed first: the callback may stop the clock.
        arm();
        Refresh refresh;
        refresh.msc = quint64(n);
        refresh.seconds = at(n);
        refresh.ust = qint64(std::llround((refresh.seconds + systemOffset()) * 1e6));
        deliver(refresh);
    }

    double m_period;
    std::function<double()> m_now;
    double m_origin;
    qint64 m_last = 0;
    bool m_running = false;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<FrameClock> makeDeadlineClock(double rate, std::function<double()> now)
{
    return std::make_unique<DeadlineClock>(rate, std::move(now));
}

std::unique_ptr<FrameClock> makeFrameClock(quintptr window, double rate)
{
    bool forced = false;
    const double forcedRate = qEnvironmentVariable("QUILLMERE_FRAME_RATE").toDouble(&forced);
    if (forced && forcedRate > 0)
        return makeDeadlineClock(forcedRate);
    if (window) {
        if (std::unique_ptr<FrameClock> display = makeDisplayClock(window, rate))
            return display;
    }
    return makeDeadlineClock(rate);
}

} // namespace qm::platform
