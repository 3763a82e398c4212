// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <span>

namespace qm::platform {

enum class MicrophonePermission { Granted, Undetermined, Denied };

// A capture stream from the default input: mono float32 blocks of about 1024 frames at 48 kHz,
// delivered to `onBlock` on a thread of the backend's own (never the main thread). Inputs open
// at the same time may share one stream underneath and get the same blocks; each still starts,
// stops and hears of failures on its own.
class AudioInput {
public:
    using BlockHandler = std::function<void(std::span<const float> samples)>;
    // Called (off the main thread) when the source cannot be opened after all, or fails while
    // running.
    using FailureHandler = std::function<void()>;
    // Called (off the main thread, or within open) once the source is open and delivering.
    using ReadyHandler = std::function<void()>;

    virtual ~AudioInput() = default;

    virtual MicrophonePermission permission() const = 0;
    // Asks the user where the platform asks; `answer` may run on any thread.
    virtual void requestPermission(std::function<void(bool granted)> answer) = 0;

    // Opens the default source and starts delivering. False when it cannot be opened.
    virtual bool start(BlockHandler onBlock, FailureHandler onFailure) = 0;
    // Starts opening the default source without waiting for it: false only when opening
    // cannot even begin. The outcome comes later through `onReady` or `onFailure`. Backends
    // whose start returns promptly keep this default, which opens with start and reports
    // ready before returning.
    virtual bool open(BlockHandler onBlock, FailureHandler onFailure, ReadyHandler onReady)
    {
        if (!start(std::move(onBlock), std::move(onFailure)))
            return false;
        if (onReady)
            onReady();
        return true;
    }
    // Stops delivering and returns promptly even when the source is silent; after it returns,
    // no handler runs any more.
    virtual void stop() = 0;
};

// The backend for this system.
std::unique_ptr<AudioInput> createAudioInput();

} // namespace qm::platform
