// SPDX-License-Identifier: GPL-3.0-or-later
// For systems without a capture backend: there is no microphone to open.
#include "audio_input.h"

namespace qm::platform {

namespace {

class NoAudioInput final : public AudioInput {
public:
    MicrophonePermission permission() const override { return MicrophonePermission::Granted; }
    void requestPermission(std::function<void(bool)> answer) override { answer(false); }
    bool start(BlockHandler, FailureHandler) override { return false; }
    void stop() override { }
};

} // namespace

std::unique_ptr<AudioInput> createAudioInput()
{
    return std::make_unique<NoAudioInput>();
}

} // namespace qm::platform
