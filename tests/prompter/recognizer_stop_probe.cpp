// SPDX-License-Identifier: GPL-3.0-or-later
// Stops the real recogniser while it builds a script's model: stop() must return while the
// build is still going, not wait for it (hiding the prompter or quitting would freeze).
// Prints "stop returned during the build" and exits 0, or says what happened and exits 1.
#include "platform/speech_recognizer.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
        bool gaveUp = false;
    };
    auto gate = std::make_shared<Gate>();

    std::unique_ptr<qm::platform::SpeechRecognizer> recognizer
        = qm::platform::createSpeechRecognizer();
    if (!recognizer->start({})) {
        std::printf("the recogniser did not start\n");
        return 1;
    }
    // A build that takes as long as the test lets it: it waits until released, or gives up
    // after a minute (a stop that waited for it would then return only after that).
    recognizer->setModel(1, [gate](const std::function<bool(const QString &)> &) {
        std::unique_lock lock(gate->mutex);
        if (!gate->entered) {
            gate->entered = true;
            gate->changed.notify_all();
            if (!gate->changed.wait_for(
                    lock, std::chrono::seconds(60), [&] { return gate->released; }))
                gate->gaveUp = true;
        }
        return QByteArray();
    });
    {
        std::unique_lock lock(gate->mutex);
        if (!gate->changed.wait_for(
                lock, std::chrono::seconds(120), [&] { return gate->entered; })) {
            std::printf("the model was never built\n");
            return 1;
        }
    }
    recognizer->stop();
    bool duringBuild = false;
    {
        std::lock_guard lock(gate->mutex);
        duringBuild = !gate->gaveUp;
        gate->released = true;
    }
    gate->changed.notify_all();
    recognizer.reset();
    std::printf(
        duringBuild ? "stop returned during the build\n" : "stop waited for the build to end\n");
    return duringBuild ? 0 : 1;
}
