// SPDX-License-Identifier: GPL-3.0-or-later
// Follow mode on a 100,000-word script: the matcher runs on the main thread for every result
// the recogniser gives (about ten a second) and must stay far below a frame, reading along or
// searching the whole script for a reader it lost. An edit while following costs the main
// thread only the hand-over: the words are worked out on a worker (worker_ms).
#include "model/sections.h"
#include "platform/speech_recognizer.h"
#include "prompter/follow_matcher.h"
#include "prompter/follow_session.h"
#include "prompter/script_words.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <memory>

namespace {

// A word of letters for n: "ba", "bb", ...
QString madeUpWord(quint32 n)
{
    QString w;
    do {
        w.prepend(QChar(u'a' + n % 26));
        n /= 26;
    } while (n > 0);
    return QLatin1Char('q') + w;
}

// Sentences drawn from 2,000 words, common ones more often, as prose is.
QString longText(int words)
{
    QString text;
    text.reserve(words * 7);
    quint32 seed = 7;
    auto next = [&] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16) & 0x7fff;
    };
    static const char *const common[]
        = {"the", "of", "and", "a", "to", "in", "is", "it", "that", "we", "was", "for"};
    for (int i = 0; i < words; ++i) {
        if (next() % 3 == 0)
            text += QLatin1String(common[next() % 12]);
        else
            text += madeUpWord(next() % 2000);
        text += (i % 12 == 11) ? QStringLiteral(".\n") : QStringLiteral(" ");
    }
    return text;
}

struct ScriptWordsHolder {
    qm::ScriptWords words = qm::scriptWords(qm::parseSections(longText(100000)));
};

const ScriptWordsHolder &words()
{
    static const ScriptWordsHolder holder;
    return holder;
}

// Reading along: one more word heard each call.
void matcherReadingAlong(benchmark::State &state)
{
    const QStringList &script = words().words.spoken;
    qm::FollowMatcher matcher(script);
    int at = 50000;
    matcher.reanchor(at);
    for (auto _ : state) {
        ++at;
        const QStringList heard = script.mid(at - 11, 12);
        benchmark::DoNotOptimize(matcher.hear(heard, false));
        if (at > 90000) {
            state.PauseTiming();
            at = 50000;
            matcher.reanchor(at);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(matcherReadingAlong)->Unit(benchmark::kMicrosecond);

// The reader is lost: every call searches the whole script, for words from far away.
void matcherSearching(benchmark::State &state)
{
    const QStringList &script = words().words.spoken;
    qm::FollowMatcher matcher(script);
    const QStringList heard
        = script.mid(80000, 3) + QStringList {QStringLiteral("umm")} + script.mid(80003, 3);
    matcher.reanchor(10000);
    if (!matcher.hear(heard, false) || matcher.position() != 80005) {
        state.SkipWithError("the search did not find the words heard");
        return;
    }
    for (auto _ : state) {
        matcher.reanchor(10000);
        benchmark::DoNotOptimize(matcher.hear(heard, false));
    }
}
BENCHMARK(matcherSearching)->Unit(benchmark::kMicrosecond);

// What a worker works out for each edit of the script while following.
void spokenWordsOfScript(benchmark::State &state)
{
    const QList<qm::ScriptSection> sections = qm::parseSections(longText(100000));
    for (auto _ : state)
        benchmark::DoNotOptimize(qm::scriptWords(sections));
}
BENCHMARK(spokenWordsOfScript)->Unit(benchmark::kMillisecond);

void sentencesOfScript(benchmark::State &state)
{
    const QList<qm::ScriptSection> sections = qm::parseSections(longText(100000));
    for (auto _ : state)
        benchmark::DoNotOptimize(qm::modelSentences(sections));
}
BENCHMARK(sentencesOfScript)->Unit(benchmark::kMillisecond);

void prepareScript(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            qm::FollowMatcher::prepare(words().words.spoken, words().words.alternatives));
}
BENCHMARK(prepareScript)->Unit(benchmark::kMillisecond);

class IdleRecognizer final : public qm::platform::SpeechRecognizer {
public:
    Availability availability() const override { return Availability::Available; }
    bool start(Handlers) override { return true; }
    void setModel(quint64, ModelBuilder) override { }
    void stop() override { }
};

// One keystroke while following: the main thread's share (the time), and the worker's until the
// words are handed back (worker_ms).
void editWhileFollowing(benchmark::State &state)
{
    double now = 0;
    qm::FollowSession session([&] { return now; }, std::make_unique<IdleRecognizer>());
    QString text = longText(100000);
    session.setSections(qm::parseSections(text));
    session.setActive(true);
    while (session.wordsPending())
        QCoreApplication::processEvents();
    double worker = 0;
    for (auto _ : state) {
        state.PauseTiming();
        text.insert(text.size() / 2, QStringLiteral("x"));
        const QList<qm::ScriptSection> sections = qm::parseSections(text);
        state.ResumeTiming();
        session.setSections(sections);
        state.PauseTiming();
        QElapsedTimer t;
        t.start();
        while (session.wordsPending())
            QCoreApplication::processEvents();
        worker += double(t.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
    }
    state.counters["worker_ms"] = worker / double(state.iterations());
}
BENCHMARK(editWhileFollowing)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
