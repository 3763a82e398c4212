// SPDX-License-Identifier: GPL-3.0-or-later
// Frame cost of the prompter view: one engine tick plus one full repaint into an offscreen
// image, as the panel does sixty times a second. Prints the median and the 99th percentile.
//
//   bench_prompter_view [benchmark flags]
//   bench_prompter_view --snapshots DIR   renders a few states into DIR as PNG files
#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/column_tiles.h"
#include "prompter_view/prompter_layout.h"
#include "prompter_view/prompter_view.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using namespace qm;

namespace {

class SilentInput final : public platform::AudioInput {
public:
    explicit SilentInput(platform::MicrophonePermission permission)
        : m_permission(permission)
    {
    }
    platform::MicrophonePermission permission() const override { return m_permission; }
    void requestPermission(std::function<void(bool)> answer) override { answer(false); }
    bool start(BlockHandler, FailureHandler) override
    {
        return m_permission == platform::MicrophonePermission::Granted;
    }
    void stop() override { }

private:
    platform::MicrophonePermission m_permission;
};

// A script of `words` words from a fixed vocabulary, in paragraphs, with a cue now and then.
QString longScript(int words)
{
    static const char *const vocabulary[] = {"the", "camera", "light", "we", "start", "with", "a",
        "question", "that", "every", "team", "asks", "before", "launch", "and", "then", "quietly",
        "forgets", "numbers", "matter", "but", "stories", "carry", "them", "further", "than",
        "slides", "ever", "could", "so", "let", "me", "show", "you", "how"};
    constexpr int n = int(sizeof(vocabulary) / sizeof(vocabulary[0]));
    QString text;
    quint32 seed = 12345;
    for (int i = 0; i < words; ++i) {
        if (i % 400 == 0)
            text += QStringLiteral("\n# Part %1\n").arg(i / 400 + 1);
        else if (i % 80 == 0)
            text += QStringLiteral("\n\n");
        seed = seed * 1664525u + 1013904223u;
        text += QLatin1String(vocabulary[(seed >> 16) % n]);
        text += QLatin1Char(i % 17 == 16 ? '.' : ' ');
    }
    return text;
}

struct Scene {
    explicit Scene(platform::MicrophonePermission mic = platform::MicrophonePermission::Granted)
        : store(dir.path())
        , voice(std::make_unique<SilentInput>(mic), [this] { return now; })
        , controller(store, voice, [this] { return now; })
    {
        // Countdown steps are kept, never run, so a picture can stay on a number.
        controller.setScheduler([](double, std::function<void()>) {});
    }

    void start(QSize size, const std::function<void(Settings &)> &change = {},
        const QString &text = QString())
    {
        Settings settings = store.settings();
        settings.countdown = false;
        if (change)
            change(settings);
        store.setSettings(settings);
        if (!text.isNull())
            store.setScriptText(*store.selectedID(), text);
        controller.show();
        view = std::make_unique<PrompterView>(controller);
        view->setClock([this] { return now; });
        view->resize(size);
        view->show();
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    }

    void frame()
    {
        now += 1.0 / 60;
        controller.tick();
        if (!controller.isPlaying() && !controller.countdown())
            controller.playPause(); // at the end: start over from the top
    }

    void paint()
    {
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }

    QTemporaryDir dir;
    double now = 1000;
    Store store;
    VoiceMonitor voice;
    PrompterController controller;
    std::unique_ptr<PrompterView> view;
    QImage image;
};

void report(benchmark::State &state, std::vector<double> &ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

void runFrames(benchmark::State &state, Scene &scene)
{
    // Let the opening animation finish and the first tiles fill.
    for (int i = 0; i < 120; ++i) {
        scene.frame();
        scene.paint();
    }
    std::vector<double> ms;
    ms.reserve(4096);
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        scene.frame();
        scene.paint();
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(elapsed / 1e3);
        ms.push_back(elapsed);
    }
    report(state, ms);
}

void BM_NotchWelcome(benchmark::State &state)
{
    Scene scene;
    scene.start(QSize(380, 150));
    runFrames(state, scene);
}

void BM_FloatingLongScript(benchmark::State &state)
{
    Scene scene;
    scene.start(
        QSize(1220, 728),
        [](Settings &s) {
            s.mode = PrompterMode::Floating;
            s.fontSize = 64;
        },
        longScript(10000));
    runFrames(state, scene);
}

// The one-off cost paid when the text, width or font size changes.
void BM_LayoutLongScript(benchmark::State &state)
{
    const QList<ScriptSection> sections = parseSections(longScript(10000));
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutColumn(sections, 1180, 64));
}

// The step-by-step layout with the 4 ms budget the view gives it between frames: the whole
// layout, and its longest single step (max_step_ms, the figure to watch: it is what a keystroke
// can cost the window).
void layOutInSteps(benchmark::State &state, const QString &text)
{
    const QList<ScriptSection> sections = parseSections(text);
    double maxStep = 0;
    for (auto _ : state) {
        ColumnLayouter layouter(sections, 1180, 64);
        bool done = false;
        while (!done) {
            const auto start = std::chrono::steady_clock::now();
            done = layouter.advance(std::numeric_limits<double>::infinity(), 0.004);
            const std::chrono::duration<double, std::milli> step
                = std::chrono::steady_clock::now() - start;
            maxStep = std::max(maxStep, step.count());
        }
        benchmark::DoNotOptimize(layouter.snapshot());
    }
    state.counters["max_step_ms"] = maxStep;
}

// A script holding one 120,000-character line with no break point in it, after a screenful of
// prose.
void BM_LayoutLongUnbrokenLine(benchmark::State &state)
{
    layOutInSteps(state,
        longScript(200) + QStringLiteral("\n\n# The long line\n") + QString(120000, u'x')
            + QStringLiteral("\n\n# After\nThe end."));
}

// The same for ordinary prose of about the same length, to compare with.
void BM_LayoutProseInSteps(benchmark::State &state)
{
    layOutInSteps(state, longScript(20000));
}

// A frame that scrolls a new strip of the column into view: one tile rendered from the cached
// layout, plus the usual composition of the reading area.
void BM_NewTileLongScript(benchmark::State &state)
{
    auto layout = std::make_shared<const ColumnLayout>(
        layoutColumn(parseSections(longScript(10000)), 1180, 64));
    ColumnTiles tiles;
    tiles.setLayout(layout);
    tiles.setStyle({Qt::white, false, 1.0, 1180});
    QImage out(1180, 714, QImage::Format_ARGB32_Premultiplied);
    double offset = 0;
    tiles.compose(out, offset, 1);
    for (auto _ : state) {
        offset += ColumnTiles::kTileRows;
        if (offset + 800 > layout->contentHeight)
            offset = 0;
        benchmark::DoNotOptimize(tiles.compose(out, offset, 1));
    }
}

BENCHMARK(BM_NotchWelcome)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloatingLongScript)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewTileLongScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutLongScript)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutLongUnbrokenLine)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutProseInSteps)->Iterations(3)->Unit(benchmark::kMillisecond);

bool save(Scene &scene, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    const bool ok = scene.view->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

int snapshots(const QString &dir)
{
    QDir().mkpath(dir);
    bool ok = true;
    {
        Scene scene;
        scene.start(QSize(380, 150), [](Settings &s) { s.countdown = true; });
        for (int i = 0; i < 90; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("notch-countdown"));
    }
    {
        Scene scene;
        scene.start(QSize(380, 150));
        for (int i = 0; i < 240; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("notch-playing"));
        scene.controller.setHovering(true);
        for (int i = 0; i < 30; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("notch-hovered"));
    }
    {
        Scene scene;
        scene.start(QSize(560, 240), [](Settings &s) {
            s.mode = PrompterMode::Floating;
            s.mirror = true;
        });
        for (int i = 0; i < 200; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("floating-mirror"));
    }
    {
        Scene scene(platform::MicrophonePermission::Denied);
        scene.start(QSize(380, 150), [](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        for (int i = 0; i < 120; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("notch-voice-denied"));
        scene.controller.setHovering(true);
        for (int i = 0; i < 30; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("notch-voice-hovered"));
    }
    {
        Scene scene;
        scene.start(QSize(380, 150), {}, QStringLiteral("# Last words\nThank you all."));
        for (int i = 0; i < 120 && !scene.controller.atEnd(); ++i) {
            scene.now += 1.0 / 60;
            scene.controller.tick();
        }
        ok &= save(scene, dir, QStringLiteral("notch-end"));
    }
    {
        Scene scene;
        scene.start(
            QSize(560, 240), [](Settings &s) { s.mode = PrompterMode::Floating; },
            QStringLiteral(""));
        for (int i = 0; i < 60; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("floating-empty"));
    }
    {
        Scene scene;
        scene.start(
            QSize(1220, 728),
            [](Settings &s) {
                s.mode = PrompterMode::Floating;
                s.fontSize = 64;
            },
            longScript(10000));
        for (int i = 0; i < 300; ++i)
            scene.frame();
        ok &= save(scene, dir, QStringLiteral("floating-large"));
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::install();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--snapshots") == 0)
            return snapshots(QString::fromLocal8Bit(argv[i + 1]));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
