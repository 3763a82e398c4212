// SPDX-License-Identifier: GPL-3.0-or-later
// Builds without a recogniser: follow mode says it is unavailable and holds still.
#include "speech_recognizer.h"

namespace qm::platform {

namespace {

class NoSpeechRecognizer final : public SpeechRecognizer {
public:
    Availability availability() const override { return Availability::Unsupported; }
    bool start(Handlers) override { return false; }
    void setModel(quint64, ModelBuilder) override { }
    void stop() override { }
};

} // namespace

std::unique_ptr<SpeechRecognizer> createSpeechRecognizer()
{
    return std::make_unique<NoSpeechRecognizer>();
}

} // namespace qm::platform
