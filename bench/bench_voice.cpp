// SPDX-License-Identifier: GPL-3.0-or-later
// The loudness of one 1024-frame block runs on the audio thread for every block, about 47
// times a second; it must stay far below the block's 21 ms.
#include "prompter/voice_monitor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

std::vector<float> speechLikeBlock()
{
    std::vector<float> block(1024);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const double t = double(i) / 48000.0;
        block[i] = float(0.2 * std::sin(2 * std::numbers::pi * 180 * t)
            + 0.05 * std::sin(2 * std::numbers::pi * 2300 * t));
    }
    return block;
}

void rawLevelOfOneBlock(benchmark::State &state)
{
    const std::vector<float> block = speechLikeBlock();
    for (auto _ : state) {
        benchmark::DoNotOptimize(block.data());
        double level = qm::VoiceMonitor::rawLevel(block);
        benchmark::DoNotOptimize(level);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(block.size()));
}
BENCHMARK(rawLevelOfOneBlock);

// The same measure with one running sum, for comparison: the ratio shows what the partial sums
// in rawLevel buy.
void singleSumOfOneBlock(benchmark::State &state)
{
    const std::vector<float> block = speechLikeBlock();
    for (auto _ : state) {
        benchmark::DoNotOptimize(block.data());
        float sum = 0;
        for (float s : block)
            sum += s * s;
        const float rms = std::sqrt(sum / float(block.size()));
        double level = (20.0 * std::log10(std::max(double(rms), 1e-7)) + 60.0) / 60.0;
        benchmark::DoNotOptimize(level);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(block.size()));
}
BENCHMARK(singleSumOfOneBlock);

} // namespace

BENCHMARK_MAIN();
