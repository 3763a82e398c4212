// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <span>

namespace qm::platform {

enum class MicrophonePermission { Granted, Undetermined, Denied };

// A capture stream from the default input: mono float32 blocks of about 1024 frames, delivered
// to `onBlock` on a thread of the backend's own (never the main thread).
class AudioInput {
public:
    using BlockHandler = std::function<void(std::span<const float> samples)>;
    // Called (off the main thread) when the stream fails while running.
    using FailureHandler = std::function<void()>;

    virtual ~AudioInput() = default;

    virtual MicrophonePermission permission() const = 0;
    // Asks the user where the platform asks; `answer` may run on any thread.
    virtual void requestPermission(std::function<void(bool granted)> answer) = 0;

    // Opens the default source and starts delivering. False when it cannot be opened.
    virtual bool start(BlockHandler onBlock, FailureHandler onFailure) = 0;
    // Stops delivering and returns promptly even when the source is silent; after it returns,
    // no handler runs any more.
    virtual void stop() = 0;
};

// The backend for this system.
std::unique_ptr<AudioInput> createAudioInput();

} // namespace qm::platform
