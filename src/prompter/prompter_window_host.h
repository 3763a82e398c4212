// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/settings.h"
#include "platform/frame_clock.h"

#include <memory>

namespace qm {

// The window side of the prompter, implemented by the panel and by test fakes. The controller
// calls it at fixed points of show, hide and settings changes; it never reaches widgets itself.
class PrompterWindowHost {
public:
    virtual ~PrompterWindowHost() = default;

    // Builds a new panel for `settings`, replacing any current one, and shows it without taking
    // the focus. Returns the top inset of the new panel (0 where nothing covers its top).
    virtual double buildPanel(const Settings &settings) = 0;
    // Orders the panel out and drops it.
    virtual void closePanel() = 0;
    // Whether a panel exists.
    virtual bool hasPanel() const = 0;
    // Applies a settings change to the panel built for the same mode: capture exclusion, and in
    // notch mode its frame.
    virtual void reapply(const Settings &settings) = 0;
    // Installs whatever routes wheel events over the panel to PrompterController::scroll. Called
    // once, on the first show.
    virtual void installWheelMonitor() = 0;
    // The refreshes of the display the panel just built is on; null keeps the controller's
    // current clock.
    virtual std::unique_ptr<platform::FrameClock> makeFrameClock() { return nullptr; }
};

} // namespace qm
