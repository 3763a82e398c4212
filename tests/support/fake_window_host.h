// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter/prompter_window_host.h"

namespace qm::testing {

// A window side without windows: it only remembers whether a panel would exist.
class FakeWindowHost final : public PrompterWindowHost {
public:
    double buildPanel(const Settings &) override
    {
        panel = true;
        return 0;
    }
    void closePanel() override { panel = false; }
    bool hasPanel() const override { return panel; }
    void reapply(const Settings &) override { }
    void installWheelMonitor() override { }

    bool panel = false;
};

} // namespace qm::testing
