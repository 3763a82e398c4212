// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace qm::platform {

// Speech recognition on this computer from the default input. The backend listens through an
// AudioInput (whose capture it shares with any other input open at the time) and decodes on a
// thread of its own; nothing is recorded or sent anywhere.
class SpeechRecognizer {
public:
    enum class Availability {
        Available,
        ModelMissing, // the acoustic model and dictionary are not installed
        Unsupported, // this build has no recogniser
    };

    // Builds the language model (ARPA text) on the recogniser's thread. `known` says whether
    // the dictionary can pronounce a word.
    using ModelBuilder
        = std::function<QByteArray(const std::function<bool(const QString &)> &known)>;
    // The words of the utterance being heard, so far (`final` false) or as decoded when it
    // ended (`final` true). Called on the recogniser's thread.
    using HypothesisHandler = std::function<void(const QStringList &words, bool final)>;
    // A model was built and loaded (`ok`) or could not be; called on the recogniser's thread
    // with the generation given to setModel.
    using ModelHandler = std::function<void(quint64 generation, bool ok)>;
    // Listening ended for good: the model could not be loaded or the input failed. Called on
    // any thread.
    using FailureHandler = std::function<void()>;

    struct Handlers {
        HypothesisHandler hypothesis;
        ModelHandler model;
        FailureHandler failure;
    };

    virtual ~SpeechRecognizer() = default;

    virtual Availability availability() const = 0;

    // Starts loading and listening without waiting for either; decoding begins once a model
    // has been given. False only when the recogniser is not available at all.
    virtual bool start(Handlers handlers) = 0;
    // The model to decode with from the next utterance on; a later call supersedes an earlier
    // one still waiting to be built.
    virtual void setModel(quint64 generation, ModelBuilder build) = 0;
    // Stops listening and returns promptly; after it returns no handler runs any more.
    virtual void stop() = 0;
};

// The backend for this system.
std::unique_ptr<SpeechRecognizer> createSpeechRecognizer();

} // namespace qm::platform
