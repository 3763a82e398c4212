// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qm::platform {

// 48 kHz float capture made into the 16 kHz 16-bit samples a recogniser takes: a low-pass
// filter below the new half rate (so that nothing above it folds back into speech), then every
// third sample. Blocks of any size may follow one another; the filter runs across them.
class Downsampler {
public:
    static constexpr int kFactor = 3;

    Downsampler();
    // Appends the samples `in` yields to `out`.
    void push(std::span<const float> in, std::vector<int16_t> &out);

private:
    std::vector<float> m_taps;
    // The input not yet behind the filter's reach: the last taps - 1 samples, and any newer.
    std::vector<float> m_buffer;
    // Index in m_buffer of the newest sample of the next output.
    std::size_t m_next;
};

} // namespace qm::platform
