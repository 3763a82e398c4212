// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter/prompter_window_host.h"

#include <QStringList>

namespace qm::testing {

// A window side without windows: it remembers whether a panel would exist and records what the
// engine asks of it.
class FakeWindowHost final : public PrompterWindowHost {
public:
    double buildPanel(const Settings &settings) override
    {
        calls << QStringLiteral("build");
        built = settings;
        panel = true;
        return inset;
    }
    void closePanel() override
    {
        calls << QStringLiteral("close");
        panel = false;
    }
    bool hasPanel() const override { return panel; }
    void reapply(const Settings &settings) override
    {
        calls << QStringLiteral("reapply");
        reapplied = settings;
    }
    void installWheelMonitor() override { calls << QStringLiteral("wheel"); }

    QStringList calls;
    Settings built;
    Settings reapplied;
    bool panel = false;
    // What the built panel keeps clear at its top.
    double inset = 0;
};

} // namespace qm::testing
