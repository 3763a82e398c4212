// SPDX-License-Identifier: GPL-3.0-or-later
#include "spring_animation.h"

namespace qm {

SpringAnimation::SpringAnimation(Spring spring, QObject *parent)
    : QObject(parent)
    , m_spring(spring)
{
    m_timer.setInterval(16);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SpringAnimation::step);
}

void SpringAnimation::start()
{
    m_clock.start();
    m_progress = 0;
    m_timer.start();
    Q_EMIT progressed(m_progress);
}

void SpringAnimation::finish()
{
    const bool wasRunning = m_timer.isActive();
    m_timer.stop();
    m_progress = 1;
    Q_EMIT progressed(m_progress);
    if (wasRunning)
        Q_EMIT finished();
}

void SpringAnimation::step()
{
    const double t = double(m_clock.nsecsElapsed()) / 1e9;
    if (t >= m_spring.settleTime()) {
        finish();
        return;
    }
    m_progress = m_spring.value(t);
    Q_EMIT progressed(m_progress);
}

} // namespace qm
