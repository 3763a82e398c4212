// SPDX-License-Identifier: GPL-3.0-or-later
// Speech recognition with pocketsphinx and its US-English model. One worker thread loads the
// decoder, opens a 16 kHz mono record stream of its own through PulseAudio and decodes what
// arrives; the stream's threaded main loop hands samples over through a queue, so stopping
// never waits for a silent source.
#include "speech_recognizer.h"

#include <pocketsphinx.h>
#include <pulse/context.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace qm::platform {

namespace {

constexpr uint32_t kRate = 16000;
// Samples decoded at a time: 100 ms, which is also how often a partial result can change.
constexpr std::size_t kChunk = kRate / 10;
// More than this waiting means decoding fell behind; the oldest audio is dropped.
constexpr std::size_t kMaxQueued = kRate * 5;
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

QString modelDir()
{
    const QByteArray custom = qgetenv("QUILLMERE_SPEECH_MODEL");
    if (!custom.isEmpty())
        return QString::fromLocal8Bit(custom);
    return QStringLiteral(QM_POCKETSPHINX_MODELDIR "/en-us");
}

QString acousticModel()
{
    return modelDir() + QStringLiteral("/en-us");
}
QString dictionary()
{
    return modelDir() + QStringLiteral("/cmudict-en-us.dict");
}

// A recognised word without its pronunciation variant: "read(2)" → "read".
QString plainWord(const char *w)
{
    QString word = QString::fromUtf8(w);
    if (const qsizetype paren = word.indexOf(QLatin1Char('(')); paren > 0)
        word.truncate(paren);
    return word;
}

QStringList hypothesisWords(const char *hyp)
{
    QStringList out;
    if (!hyp)
        return out;
    for (const QString &w : QString::fromUtf8(hyp).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        // Fillers and sentence marks carry no words.
        if (w.startsWith(QLatin1Char('<')) || w.startsWith(QLatin1Char('[')))
            continue;
        out << plainWord(w.toUtf8().constData());
    }
    return out;
}

using Handlers = SpeechRecognizer::Handlers;

struct ModelBuilderSlot {
    SpeechRecognizer::ModelBuilder build;
    quint64 generation = 0;
};

// The record stream: PulseAudio's threaded main loop, samples appended to a queue.
class Capture {
public:
    Capture(
        std::mutex &mutex, std::condition_variable &wake, std::deque<int16_t> &queue, bool &failed)
        : m_mutex(mutex)
        , m_wake(wake)
        , m_queue(queue)
        , m_failed(failed)
    {
    }
    ~Capture() { close(); }

    bool open();
    void close();

private:
    bool connect();
    void fail();
    static void contextState(pa_context *c, void *self);
    static void streamState(pa_stream *s, void *self);
    static void readable(pa_stream *s, size_t, void *self);
    static void timeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self);

    std::mutex &m_mutex;
    std::condition_variable &m_wake;
    std::deque<int16_t> &m_queue;
    bool &m_failed;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    pa_time_event *m_timeout = nullptr;
    bool m_timedOut = false;
    bool m_ready = false;
};

bool Capture::open()
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        return false;
    }
    pa_threaded_mainloop_lock(m_loop);
    const bool ok = connect();
    m_ready = ok;
    pa_threaded_mainloop_unlock(m_loop);
    if (!ok)
        close();
    return ok;
}

bool Capture::connect()
{
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
    m_context = pa_context_new(api, "Quillmere");
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, contextState, this);
    m_timeout = pa_context_rttime_new(m_context, pa_rtclock_now() + kConnectTimeout, timeout, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state) || m_timedOut)
            return false;
        pa_threaded_mainloop_wait(m_loop);
    }
    const pa_sample_spec format {PA_SAMPLE_S16LE, kRate, 1};
    m_stream = pa_stream_new(m_context, "Speech", &format, nullptr);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(m_stream, streamState, this);
    pa_stream_set_read_callback(m_stream, readable, this);
    constexpr uint32_t any = static_cast<uint32_t>(-1);
    // 50 ms fragments: the decoder sees speech soon after it is said.
    const pa_buffer_attr attr {any, any, any, any, static_cast<uint32_t>(kChunk)};
    if (pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY) < 0)
        return false;
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state) || m_timedOut)
            return false;
        pa_threaded_mainloop_wait(m_loop);
    }
    api->time_free(m_timeout);
    m_timeout = nullptr;
    return true;
}

void Capture::close()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_stop(m_loop);
    if (m_timeout)
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_timeout);
    m_timeout = nullptr;
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
            pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void Capture::fail()
{
    if (!m_ready)
        return;
    m_ready = false;
    {
        std::lock_guard lock(m_mutex);
        m_failed = true;
    }
    m_wake.notify_all();
}

void Capture::contextState(pa_context *c, void *self)
{
    auto *capture = static_cast<Capture *>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
        capture->fail();
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

void Capture::streamState(pa_stream *s, void *self)
{
    auto *capture = static_cast<Capture *>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
        capture->fail();
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

void Capture::timeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
{
    auto *capture = static_cast<Capture *>(self);
    capture->m_timedOut = true;
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

void Capture::readable(pa_stream *s, size_t, void *self)
{
    auto *capture = static_cast<Capture *>(self);
    for (;;) {
        const void *data = nullptr;
        size_t nbytes = 0;
        if (pa_stream_peek(s, &data, &nbytes) < 0) {
            capture->fail();
            return;
        }
        if (nbytes == 0)
            return;
        if (data) {
            const std::size_t count = nbytes / 2;
            std::vector<int16_t> samples(count);
            std::memcpy(samples.data(), data, count * 2);
            {
                std::lock_guard lock(capture->m_mutex);
                capture->m_queue.insert(capture->m_queue.end(), samples.begin(), samples.end());
                while (capture->m_queue.size() > kMaxQueued)
                    capture->m_queue.pop_front();
            }
            capture->m_wake.notify_all();
        }
        pa_stream_drop(s);
    }
}

// What the worker thread shares with the recogniser. The worker holds it too, so that a worker
// still loading the decoder when listening stops can be let go and finish on its own.
struct Shared {
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by mutex.
    std::deque<int16_t> queue;
    bool stopping = false;
    bool failed = false;
    bool loading = true;
    // A script's model is being built and loaded: seconds for a long script, not interruptible.
    bool building = false;
    ModelBuilderSlot pending;
    SpeechRecognizer::Handlers handlers;

    // Runs `f` with the handlers unless listening has stopped; holding the lock means stop
    // cannot return while a handler runs.
    template <typename F> void notify(F f)
    {
        std::lock_guard lock(mutex);
        if (!stopping)
            f(handlers);
    }
};

class PocketsphinxRecognizer final : public SpeechRecognizer {
public:
    PocketsphinxRecognizer() = default;
    PocketsphinxRecognizer(const PocketsphinxRecognizer &) = delete;
    PocketsphinxRecognizer &operator=(const PocketsphinxRecognizer &) = delete;
    ~PocketsphinxRecognizer() override { stop(); }

    Availability availability() const override
    {
        return QFileInfo::exists(acousticModel() + QStringLiteral("/mdef"))
                && QFileInfo::exists(dictionary())
            ? Availability::Available
            : Availability::ModelMissing;
    }

    bool start(Handlers handlers) override
    {
        if (m_worker.joinable())
            return true;
        if (availability() != Availability::Available)
            return false;
        m_shared = std::make_shared<Shared>();
        m_shared->handlers = std::move(handlers);
        m_worker = std::thread([shared = m_shared] { run(*shared); });
        return true;
    }

    void setModel(quint64 generation, ModelBuilder build) override
    {
        if (!m_shared)
            return;
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->pending = {std::move(build), generation};
        }
        m_shared->wake.notify_all();
    }

    void stop() override
    {
        if (!m_worker.joinable())
            return;
        bool loading = false;
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->stopping = true;
            m_shared->handlers = {};
            loading = m_shared->loading || m_shared->building;
        }
        m_shared->wake.notify_all();
        // Loading the decoder or a long script's model takes seconds and cannot be interrupted;
        // the worker then finishes on its own, sees it was stopped and frees what it loaded, and
        // hiding the prompter or quitting never waits for it.
        if (loading)
            m_worker.detach();
        else
            m_worker.join();
        m_shared.reset();
    }

private:
    static void run(Shared &shared);
    static bool loadModel(ps_decoder_t *ps, const ModelBuilder &build);

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};

// The pronunciations of `words` (and their variants, "read(2)") from the dictionary file, read
// through once. The decoder starts with an almost empty dictionary and is given only the
// script's words: mapping a language model onto all 134,000 words of the full dictionary would
// cost seconds of CPU on every model.
QHash<QByteArray, QList<QPair<QByteArray, QByteArray>>> pronunciations(
    const QSet<QByteArray> &words)
{
    QHash<QByteArray, QList<QPair<QByteArray, QByteArray>>> out;
    QFile file(dictionary());
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        const QByteArray name = line.left(space);
        const qsizetype paren = name.indexOf('(');
        const QByteArray base = paren > 0 ? name.left(paren) : name;
        if (words.contains(base))
            out[base].append({name, line.mid(space + 1).trimmed()});
    }
    return out;
}

bool PocketsphinxRecognizer::loadModel(ps_decoder_t *ps, const ModelBuilder &build)
{
    // Once to learn the script's words, once more with the ones the dictionary has.
    QSet<QByteArray> vocabulary;
    build([&](const QString &word) {
        vocabulary.insert(word.toUtf8());
        return true;
    });
    const auto known = pronunciations(vocabulary);
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (ps_lookup_word(ps, it.key().constData()))
            continue;
        for (const auto &[name, phones] : it.value())
            ps_add_word(ps, name.constData(), phones.constData(), FALSE);
    }
    const QByteArray arpa
        = build([&](const QString &word) { return known.contains(word.toUtf8()); });
    // A private file (mode 0600) that lives only while the decoder reads it.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmere-lm-XXXXXX.arpa"));
    if (!file.open() || file.write(arpa) != arpa.size() || !file.flush())
        return false;
    const QByteArray path = QFile::encodeName(file.fileName());
    const bool ok
        = ps_set_lm_file(ps, "script", path.constData()) == 0 && ps_set_search(ps, "script") == 0;
    file.remove();
    return ok;
}

void PocketsphinxRecognizer::run(Shared &shared)
{
    const QByteArray hmm = QFile::encodeName(acousticModel());
    // A dictionary of one word to start from; each model adds the script's words.
    QTemporaryFile seed(QDir::tempPath() + QStringLiteral("/quillmere-dict-XXXXXX.dict"));
    ps_decoder_t *ps = nullptr;
    if (seed.open() && seed.write("a AH\n") > 0 && seed.flush()) {
        const QByteArray dict = QFile::encodeName(seed.fileName());
        cmd_ln_t *config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
            dict.constData(), "-logfn", "/dev/null", nullptr);
        ps = config ? ps_init(config) : nullptr;
        if (config)
            cmd_ln_free_r(config);
    }
    seed.remove();

    std::deque<int16_t> &queue = shared.queue;
    bool failed = !ps;
    Capture capture(shared.mutex, shared.wake, queue, shared.failed);
    {
        std::lock_guard lock(shared.mutex);
        if (shared.stopping)
            failed = true;
    }
    if (!failed && !capture.open())
        failed = true;
    {
        std::lock_guard lock(shared.mutex);
        shared.loading = false;
    }

    bool haveModel = false;
    bool inUtterance = false;
    bool heardSpeech = false;
    QStringList lastPartial;
    std::vector<int16_t> chunk;
    chunk.reserve(kChunk);

    auto endUtterance = [&] {
        if (!inUtterance)
            return;
        ps_end_utt(ps);
        inUtterance = false;
        if (heardSpeech) {
            int32 score = 0;
            const QStringList words = hypothesisWords(ps_get_hyp(ps, &score));
            shared.notify([&](const Handlers &h) {
                if (h.hypothesis)
                    h.hypothesis(words, true);
            });
        }
        heardSpeech = false;
        lastPartial.clear();
    };

    bool stopped = false;
    while (!failed) {
        ModelBuilderSlot build;
        {
            std::unique_lock lock(shared.mutex);
            shared.wake.wait(lock, [&] {
                return shared.stopping || shared.failed || shared.pending.build
                    || (haveModel && queue.size() >= kChunk);
            });
            if (shared.stopping) {
                stopped = true;
                break;
            }
            if (shared.failed) {
                failed = true;
                break;
            }
            if (shared.pending.build) {
                build = std::move(shared.pending);
                shared.pending = {};
                // Said in the same step, so a stop never takes the worker for idle meanwhile.
                shared.building = true;
            } else {
                chunk.assign(queue.begin(), queue.begin() + kChunk);
                queue.erase(queue.begin(), queue.begin() + kChunk);
            }
        }
        if (build.build) {
            // A search changes only between utterances.
            endUtterance();
            const bool ok = loadModel(ps, build.build);
            {
                std::lock_guard lock(shared.mutex);
                shared.building = false;
            }
            // A script with nothing to listen for (empty, or of words the dictionary lacks)
            // gives no model; the next script's may load, so the recogniser waits for it.
            // What was recorded meanwhile belongs to no model and is let go.
            if (ok && !haveModel) {
                std::lock_guard lock(shared.mutex);
                queue.clear();
            }
            haveModel = haveModel || ok;
            shared.notify([&](const Handlers &h) {
                if (h.model)
                    h.model(build.generation, ok);
            });
            continue;
        }
        if (!inUtterance) {
            if (ps_start_utt(ps) < 0) {
                failed = true;
                break;
            }
            inUtterance = true;
        }
        ps_process_raw(ps, chunk.data(), chunk.size(), FALSE, FALSE);
        if (ps_get_in_speech(ps)) {
            heardSpeech = true;
            int32 score = 0;
            const QStringList words = hypothesisWords(ps_get_hyp(ps, &score));
            if (words != lastPartial) {
                lastPartial = words;
                shared.notify([&](const Handlers &h) {
                    if (h.hypothesis)
                        h.hypothesis(words, false);
                });
            }
        } else if (heardSpeech) {
            // The speaker paused: the utterance ends and the next starts afresh.
            endUtterance();
        }
    }

    if (inUtterance)
        ps_end_utt(ps);
    capture.close();
    if (ps)
        ps_free(ps);
    if (failed && !stopped) {
        shared.notify([](const Handlers &h) {
            if (h.failure)
                h.failure();
        });
    }
}

} // namespace

std::unique_ptr<SpeechRecognizer> createSpeechRecognizer()
{
    return std::make_unique<PocketsphinxRecognizer>();
}

} // namespace qm::platform
