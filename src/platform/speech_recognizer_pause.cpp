// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech_recognizer_pause.h"

#include <algorithm>
#include <cmath>

namespace qm::platform {

namespace {

// The loud level is taken over the last 10 s at most, so a long utterance costs no more.
constexpr std::size_t kMaxLevels = 500;

} // namespace

bool PauseDetector::push(std::span<const int16_t> samples)
{
    for (const int16_t s : samples) {
        m_sum += double(s) * s;
        if (++m_inFrame < kFrame)
            continue;
        const auto db = float(10 * std::log10(m_sum / kFrame + 1));
        m_sum = 0;
        m_inFrame = 0;
        if (m_levels.size() >= kMaxLevels)
            m_levels.erase(m_levels.begin());
        m_levels.push_back(db);
        if (m_levels.size() < std::size_t(kMinFrames))
            continue;
        m_sorted = m_levels;
        const auto loud = m_sorted.begin() + std::ptrdiff_t(m_sorted.size() * 8 / 10);
        std::nth_element(m_sorted.begin(), loud, m_sorted.end());
        const auto floor = m_sorted.begin() + std::ptrdiff_t(m_sorted.size() / 20);
        std::nth_element(m_sorted.begin(), floor, loud);
        // Where the room is quiet, only what lies nearer its floor than the voice is a pause:
        // the closure of a stop ("it busy") drops well below the voice but stays far above
        // silence.
        const float quiet = std::min(*loud - m_drop, (*loud + *floor) / 2);
        m_quiet = db <= quiet ? m_quiet + 1 : 0;
        if (m_quiet >= m_pauseFrames)
            m_paused = true;
    }
    return m_paused;
}

void PauseDetector::reset()
{
    m_levels.clear();
    m_sum = 0;
    m_inFrame = 0;
    m_quiet = 0;
    m_paused = false;
}

} // namespace qm::platform
