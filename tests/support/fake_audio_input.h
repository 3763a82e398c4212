// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/audio_input.h"

namespace qm::testing {

// A microphone that never delivers a block. With permission granted it opens; otherwise it
// refuses, as a refused or missing microphone does.
class FakeAudioInput final : public platform::AudioInput {
public:
    explicit FakeAudioInput(
        platform::MicrophonePermission permission = platform::MicrophonePermission::Granted)
        : m_permission(permission)
    {
    }
    platform::MicrophonePermission permission() const override { return m_permission; }
    void requestPermission(std::function<void(bool)> answer) override
    {
        answer(m_permission == platform::MicrophonePermission::Granted);
    }
    bool start(BlockHandler, FailureHandler) override
    {
        return m_permission == platform::MicrophonePermission::Granted;
    }
    void stop() override { }

private:
    platform::MicrophonePermission m_permission;
};

} // namespace qm::testing
