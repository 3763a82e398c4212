// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/save_timer.h"

#include <QList>
#include <QtGlobal>

#include <algorithm>

namespace qm::testing {

// The store's save timers on a clock the test moves by hand: advance() runs each timer that
// comes due, at its time and in order. Must outlive the store.
class ManualSaveTimers {
public:
    SaveTimerFactory factory()
    {
        return [this](std::function<void()> fire) -> std::unique_ptr<SaveTimer> {
            return std::make_unique<Timer>(*this, std::move(fire));
        };
    }

    void advance(qint64 ms)
    {
        const qint64 until = m_now + ms;
        for (;;) {
            Timer *next = nullptr;
            for (Timer *t : std::as_const(m_timers)) {
                if (t->due >= 0 && t->due <= until && (!next || t->due < next->due))
                    next = t;
            }
            if (!next)
                break;
            m_now = next->due;
            next->due = -1;
            next->fire();
        }
        m_now = until;
    }

    qint64 now() const { return m_now; }

private:
    struct Timer final : SaveTimer {
        Timer(ManualSaveTimers &clock, std::function<void()> action)
            : clock(clock)
            , fire(std::move(action))
        {
            clock.m_timers.append(this);
        }
        ~Timer() override { clock.m_timers.removeOne(this); }
        void start(int ms) override { due = clock.m_now + ms; }
        void stop() override { due = -1; }
        bool isActive() const override { return due >= 0; }

        ManualSaveTimers &clock;
        std::function<void()> fire;
        qint64 due = -1;
    };

    QList<Timer *> m_timers;
    qint64 m_now = 0;
};

} // namespace qm::testing
