// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "support/fake_audio_input.h"

#include <QList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace qm::testing {

// A microphone that never delivers; `permission` decides whether voice mode is refused.
using FakeAudioInput = qm::testing::FakeAudioInput;

// A store on a temporary folder and a controller with no window: the prompter is "shown" only
// as state. Time and delayed steps are in the test's hands.
struct ControllerFixture {
    explicit ControllerFixture(
        platform::MicrophonePermission permission = platform::MicrophonePermission::Granted)
        : store(dir.path())
        , voice(std::make_unique<FakeAudioInput>(permission), [this] { return now; })
        , controller(store, voice, [this] { return now; })
    {
        controller.setWindowHost(nullptr);
        controller.setScheduler(
            [this](double, std::function<void()> step) { pending.append(std::move(step)); });
        Settings s = store.settings();
        s.countdown = false;
        store.setSettings(s);
    }

    void setText(const QString &text) { store.setScriptText(store.selectedScript()->id, text); }

    // Runs the delayed steps scheduled so far.
    void runPending()
    {
        const QList<std::function<void()>> steps = std::exchange(pending, {});
        for (const auto &step : steps)
            step();
    }

    // Advances the clock and runs one frame step.
    void tick(double seconds = 1.0 / 60)
    {
        now += seconds;
        controller.tick();
    }

    QTemporaryDir dir;
    double now = 0;
    Store store;
    VoiceMonitor voice;
    PrompterController controller;
    QList<std::function<void()>> pending;
};

} // namespace qm::testing
