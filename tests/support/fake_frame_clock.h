// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/frame_clock.h"

namespace qm::testing {

// A display the test refreshes by hand; like a real one, it reports nothing while stopped.
class FakeFrameClock final : public platform::FrameClock {
public:
    explicit FakeFrameClock(double period = 1.0 / 60.0)
        : m_period(period)
    {
    }
    void start() override { on = true; }
    void stop() override { on = false; }
    bool running() const override { return on; }
    double period() const override { return m_period; }
    const char *kind() const override { return "fake"; }
    void refresh(double seconds)
    {
        if (on)
            deliver({++msc, qint64(seconds * 1e6), seconds});
    }

    bool on = false;
    quint64 msc = 0;

private:
    double m_period;
};

} // namespace qm::testing
