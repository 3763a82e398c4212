// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace qm {

// A one-shot delay before the store saves. The program's runs on a QTimer; a test's runs on a
// clock the test moves by hand, so it never waits for real.
class SaveTimer {
public:
    virtual ~SaveTimer() = default;
    // Runs the timer's action once, `ms` from now; a start while running starts it over.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// Makes a timer that runs `fire` when it expires.
using SaveTimerFactory = std::function<std::unique_ptr<SaveTimer>(std::function<void()> fire)>;

// Timers on the event loop's clock.
SaveTimerFactory eventLoopSaveTimers();

} // namespace qm
