// SPDX-License-Identifier: GPL-3.0-or-later
#include "save_timer.h"

#include <QTimer>

namespace qm {

namespace {

class EventLoopTimer final : public SaveTimer {
public:
    explicit EventLoopTimer(std::function<void()> fire)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(fire));
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

SaveTimerFactory eventLoopSaveTimers()
{
    return [](std::function<void()> fire) -> std::unique_ptr<SaveTimer> {
        return std::make_unique<EventLoopTimer>(std::move(fire));
    };
}

} // namespace qm
