// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/spring.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace qm {

// Drives a spring from 0 to 1 on the display's frame rate. Views read progress() when they
// paint; the clock is read here, never in a paint event.
class SpringAnimation final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpringAnimation)

public:
    explicit SpringAnimation(Spring spring, QObject *parent = nullptr);

    // Starts again from 0.
    void start();
    // Jumps to the end at once.
    void finish();

    double progress() const { return m_progress; }
    bool isRunning() const { return m_timer.isActive(); }

Q_SIGNALS:
    void progressed(double progress);
    void finished();

private:
    void step();

    Spring m_spring;
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_progress = 1;
};

} // namespace qm
