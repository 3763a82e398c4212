// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/speech_recognizer.h"

namespace qm::testing {

// A recogniser that hears only what the test hands the session, and keeps what it was given.
class FakeSpeechRecognizer final : public platform::SpeechRecognizer {
public:
    explicit FakeSpeechRecognizer(Availability availability = Availability::Available)
        : availability_(availability)
    {
    }
    Availability availability() const override { return availability_; }
    bool start(Handlers) override
    {
        started = true;
        return availability_ == Availability::Available;
    }
    void setModel(quint64 g, ModelBuilder build) override
    {
        generation = g;
        model = std::move(build);
    }
    void stop() override { started = false; }

    Availability availability_;
    bool started = false;
    ModelBuilder model;
    quint64 generation = 0;
};

} // namespace qm::testing
