// SPDX-License-Identifier: GPL-3.0-or-later
// The frame step runs 60 times a second for as long as the prompter is shown; one step while
// playing should stay well under a microsecond.
#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

namespace {

class SilentInput final : public qm::platform::AudioInput {
public:
    qm::platform::MicrophonePermission permission() const override
    {
        return qm::platform::MicrophonePermission::Granted;
    }
    void requestPermission(std::function<void(bool)> answer) override { answer(true); }
    bool start(BlockHandler, FailureHandler) override { return true; }
    void stop() override { }
};

// A shown, playing prompter on a script with `cues` cue sections, laid out 300 points apart from
// `firstCue` in a column tall enough never to reach its end during the run.
struct Engine {
    explicit Engine(int cues, double firstCue = 300)
    {
        QString text = QStringLiteral("Opening words.\n");
        QHash<qint64, double> offsets;
        for (int i = 0; i < cues; ++i) {
            text += QStringLiteral("# Cue %1\nSome words to read aloud.\n").arg(i);
            offsets.insert(i + 1, firstCue + 300.0 * i);
        }
        store.setScriptText(*store.selectedID(), text);
        qm::Settings s = store.settings();
        s.countdown = false;
        store.setSettings(s);
        controller.show();
        controller.setContentHeight(1e15);
        controller.setViewportHeight(400);
        controller.setCueOffsets(offsets);
    }

    QTemporaryDir dir;
    qm::Store store {dir.path()};
    double now = 0;
    qm::VoiceMonitor voice {std::make_unique<SilentInput>(), [this] { return now; }};
    qm::PrompterController controller {store, voice, [this] { return now; }};
};

void tickWhilePlaying(benchmark::State &state)
{
    Engine engine(int(state.range(0)));
    // What the view and the glow do on every frame: observe the offset and the frame signal.
    double seen = 0;
    QObject::connect(&engine.controller.scroll(), &qm::ScrollState::offsetChanged,
        [&](double offset) { seen = offset; });
    int frames = 0;
    QObject::connect(&engine.controller, &qm::PrompterController::frame, [&] { ++frames; });

    for (auto _ : state) {
        engine.now += 1.0 / 60.0;
        engine.controller.tick();
    }
    benchmark::DoNotOptimize(seen);
    benchmark::DoNotOptimize(frames);
    if (!engine.controller.isPlaying())
        state.SkipWithError("stopped playing during the run");
}
BENCHMARK(tickWhilePlaying)->Arg(0)->Arg(10)->Arg(100);

// The worst case of the current-cue walk: every cue still ahead, so each step visits all.
void tickBeforeAllCues(benchmark::State &state)
{
    Engine engine(int(state.range(0)), 1e14);
    for (auto _ : state) {
        engine.now += 1.0 / 60.0;
        engine.controller.tick();
    }
    if (engine.controller.currentCueID())
        state.SkipWithError("reached a cue during the run");
}
BENCHMARK(tickBeforeAllCues)->Arg(10)->Arg(100);

// A cue glide: one step of the exponential approach. Every 20th step starts a new glide (a hand
// scroll and a jump), so that it never settles; that share is included in the figure.
void tickWhileGliding(benchmark::State &state)
{
    Engine engine(10);
    int n = 0;
    for (auto _ : state) {
        if (n++ % 20 == 0) {
            engine.controller.scrollBy(1000);
            engine.controller.jump(5);
        }
        engine.now += 1.0 / 60.0;
        engine.controller.tick();
    }
    benchmark::DoNotOptimize(engine.controller.scroll().offset());
}
BENCHMARK(tickWhileGliding);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
