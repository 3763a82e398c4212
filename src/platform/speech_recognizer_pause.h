// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qm::platform {

// Hears the speaker pause even where other people talk on in the room, so that the recogniser
// can end an utterance there: the speech detector takes the room's voices for speech and
// never ends one by itself. A pause is a stretch of at least kPauseFrames 20 ms frames each
// kDrop dB or more below the utterance's loud frames (its 80th percentile) and nearer its
// quietest ones (the 5th percentile) than its loud ones, once the utterance has run for
// kMinFrames. Fed 16 kHz samples in blocks of any size.
class PauseDetector {
public:
    static constexpr int kFrame = 320;
    static constexpr int kPauseFrames = 10;
    static constexpr int kMinFrames = 50;
    static constexpr float kDrop = 8.0f;

    explicit PauseDetector(float drop = kDrop, int pauseFrames = kPauseFrames)
        : m_drop(drop)
        , m_pauseFrames(pauseFrames)
    {
    }

    // True when a pause ended in these samples (or had by an earlier call, until reset).
    bool push(std::span<const int16_t> samples);
    // A new utterance begins.
    void reset();

private:
    float m_drop;
    int m_pauseFrames;
    std::vector<float> m_levels; // dB of each frame of the utterance, bounded
    std::vector<float> m_sorted; // scratch
    double m_sum = 0;
    int m_inFrame = 0;
    int m_quiet = 0;
    bool m_paused = false;
};

} // namespace qm::platform
