// SPDX-License-Identifier: GPL-3.0-or-later
// Typing into a 100,000-word script: the main-thread time of one keystroke from the key event
// to the repainted window, including the write into the store, the statistics of the edited
// script (editor line and list row) and the restyle of the touched line. Each keystroke must
// stay well inside a frame; the figure to watch is p95_ms (target: under 8 ms).
#include "main_window/content_view.h"
#include "main_window/cue_highlighter.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/script_editor.h"
#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

class SilentAudioInput final : public qm::platform::AudioInput {
public:
    qm::platform::MicrophonePermission permission() const override
    {
        return qm::platform::MicrophonePermission::Granted;
    }
    void requestPermission(std::function<void(bool)> answer) override { answer(true); }
    bool start(BlockHandler, FailureHandler) override { return true; }
    void stop() override { }
};

// Paragraphs of 60 words with a cue line before every twentieth.
QString longScript(int words)
{
    static const char *const vocabulary[] = {"the", "speaker", "looks", "into", "camera", "while",
        "reading", "every", "line", "slowly", "and", "clearly", "without", "losing", "place",
        "audience", "listens", "story", "begins", "again"};
    QString text;
    text.reserve(words * 8);
    int paragraph = 0;
    for (int i = 0; i < words; ++i) {
        if (i % 60 == 0) {
            if (i > 0)
                text += QStringLiteral("\n\n");
            if (paragraph % 20 == 0)
                text += QStringLiteral("# Part %1\n").arg(paragraph / 20 + 1);
            ++paragraph;
        } else {
            text += u' ';
        }
        text += QLatin1String(vocabulary[(i * 7 + i / 13) % 20]);
    }
    return text;
}

struct Scene {
    QTemporaryDir dir;
    std::unique_ptr<qm::Store> store;
    std::unique_ptr<qm::VoiceMonitor> voice;
    std::unique_ptr<qm::PrompterController> controller;
    std::unique_ptr<qm::MainWindow> window;
    qm::ScriptEditor *editor = nullptr;

    Scene()
    {
        store = std::make_unique<qm::Store>(dir.path());
        QList<qm::Script> scripts {qm::Script(QStringLiteral("Keynote"), longScript(100000))};
        for (int i = 0; i < 5; ++i)
            scripts.append(qm::Script(QStringLiteral("Short %1").arg(i), longScript(300)));
        store->setScripts(scripts);
        store->setSelectedID(scripts.first().id);
        voice = std::make_unique<qm::VoiceMonitor>(std::make_unique<SilentAudioInput>());
        controller = std::make_unique<qm::PrompterController>(*store, *voice);
        window = std::make_unique<qm::MainWindow>(*store, *controller);
        window->present();
        editor = window->contentView()->editor()->scriptEditor();
        editor->setFocus();
        // The caret in the middle of a paragraph halfway down, scrolled into view.
        QTextCursor cursor(
            editor->document()->findBlockByNumber(editor->document()->blockCount() / 2));
        cursor.movePosition(QTextCursor::EndOfWord);
        editor->setTextCursor(cursor);
        editor->centerCursor();
        QCoreApplication::processEvents();
    }

    void key(int key, const QString &text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(editor, &release);
        QCoreApplication::processEvents();
    }
};

// Built on first use and gone before the application object is.
std::unique_ptr<Scene> g_scene;

Scene &scene()
{
    if (!g_scene)
        g_scene = std::make_unique<Scene>();
    return *g_scene;
}

void report(benchmark::State &state, std::vector<double> &ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters["max_ms"] = ms.back();
}

// One keystroke: letters and now and then a space, as typed.
void BM_KeystrokeIn100kWords(benchmark::State &state)
{
    Scene &s = scene();
    const QString typed = QStringLiteral("and then the speaker pauses ");
    std::vector<double> ms;
    ms.reserve(std::size_t(state.max_iterations));
    qsizetype i = 0;
    for (auto _ : state) {
        const QChar c = typed.at(i++ % typed.size());
        const auto start = std::chrono::steady_clock::now();
        s.key(c == u' ' ? Qt::Key_Space : Qt::Key_A + (c.unicode() - u'a'), QString(c));
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        ms.push_back(elapsed.count() * 1000);
    }
    report(state, ms);
    state.counters["words"] = double(qm::scriptStats(s.store->scripts().first().text).words);
}
BENCHMARK(BM_KeystrokeIn100kWords)
    ->UseManualTime()
    ->Iterations(1500)
    ->Unit(benchmark::kMillisecond);

// Return and Backspace: a paragraph appears and goes, which shifts every line below it.
void BM_NewLineIn100kWords(benchmark::State &state)
{
    Scene &s = scene();
    std::vector<double> ms;
    ms.reserve(std::size_t(state.max_iterations));
    bool open = false;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (open)
            s.key(Qt::Key_Backspace, QString());
        else
            s.key(Qt::Key_Return, QStringLiteral("\r"));
        open = !open;
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        ms.push_back(elapsed.count() * 1000);
    }
    report(state, ms);
}
BENCHMARK(BM_NewLineIn100kWords)->UseManualTime()->Iterations(400)->Unit(benchmark::kMillisecond);

// For comparison: restyling the whole text, what every keystroke would add if each edit
// restyled every line instead of the ones it touched.
void BM_RestyleWholeText(benchmark::State &state)
{
    Scene &s = scene();
    for (auto _ : state)
        s.editor->highlighter()->rehighlight();
}
BENCHMARK(BM_RestyleWholeText)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qm::fonts::install();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_scene.reset();
    return 0;
}
