// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_input_downsample.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm::platform {

namespace {

// A windowed-sinc low-pass: 95 taps and a Blackman window pass speech up to about 6 kHz
// untouched and take more than 70 dB off what lies beyond 9 kHz. What folds back from between
// 8 and 9 kHz lands above 7 kHz, beyond the highest band the recogniser listens to.
constexpr int kTaps = 95;
constexpr double kCutoffHz = 7500;
constexpr double kInputRate = 48000;

} // namespace

Downsampler::Downsampler()
    : m_taps(kTaps)
    , m_buffer(kTaps - 1, 0.0f)
    , m_next(kTaps - 1)
{
    const double fc = kCutoffHz / kInputRate;
    const double middle = (kTaps - 1) / 2.0;
    double sum = 0;
    for (int n = 0; n < kTaps; ++n) {
        const double x = n - middle;
        const double sinc
            = x == 0 ? 2 * fc : std::sin(2 * std::numbers::pi * fc * x) / (std::numbers::pi * x);
        const double phase = 2 * std::numbers::pi * n / (kTaps - 1);
        const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase);
        m_taps[n] = float(sinc * window);
        sum += m_taps[n];
    }
    for (float &t : m_taps)
        t = float(t / sum);
}

void Downsampler::push(std::span<const float> in, std::vector<int16_t> &out)
{
    m_buffer.insert(m_buffer.end(), in.begin(), in.end());
    for (; m_next < m_buffer.size(); m_next += kFactor) {
        const float *newest = m_buffer.data() + m_next;
        float y = 0;
        for (int k = 0; k < kTaps; ++k)
            y += m_taps[k] * newest[-k];
        const float scaled = std::clamp(y * 32767.0f, -32768.0f, 32767.0f);
        out.push_back(int16_t(std::lrint(scaled)));
    }
    // Keep what the next outputs still reach back to.
    const std::size_t keep = kTaps - 1;
    const std::size_t drop = m_buffer.size() - keep;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(drop));
    m_next -= drop;
}

} // namespace qm::platform
