// SPDX-License-Identifier: GPL-3.0-or-later
// Speech recognition with pocketsphinx and its US-English model. One worker thread loads the
// decoder and decodes what the microphone capture (shared with the loudness monitor) hands
// over through a queue, made 16 kHz on the capture's thread; stopping never waits for a silent
// source.
#include "audio_input.h"
#include "audio_input_downsample.h"
#include "speech_recognizer.h"
#include "speech_recognizer_pause.h"
#include "speech_recognizer_pronounce.h"

#include <pocketsphinx.h>
#include <sphinxbase/ngram_model.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace qm::platform {

namespace {

constexpr std::size_t kDecodeRate = 16000;
// Samples decoded at a time: 100 ms, which is also how often a partial result can change.
constexpr std::size_t kChunk = kDecodeRate / 10;
// More than this waiting means decoding fell behind; the oldest audio is dropped.
constexpr std::size_t kMaxQueued = kDecodeRate * 5;
// The longest utterance: in a room where others talk the speech detector may never hear a
// pause, and one endless utterance would hold every result back and grow without bound.
// QUILLMERE_SPEECH_MAX_UTTERANCE (seconds) changes it, for measuring.
constexpr double kMaxUtteranceSeconds = 6;
// Words of general English the script's model is mixed with, and their share: misheard audio
// and words off the script then come out as ordinary words rather than as script phrases.
constexpr int kGeneralWords = 500;
constexpr float kGeneralWeight = 0.3f;

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
QString generalModel()
{
    return modelDir() + QStringLiteral("/en-us.lm.bin");
}

// The share of general English in the model and how many of its words; for measuring,
// QUILLMERE_SPEECH_GENERAL="WEIGHT[,WORDS]" changes them (a weight of 0 turns the mix off).
std::pair<float, int> generalMix()
{
    const QByteArray custom = qgetenv("QUILLMERE_SPEECH_GENERAL");
    if (custom.isEmpty())
        return {kGeneralWeight, kGeneralWords};
    const QList<QByteArray> parts = custom.split(',');
    bool ok = false;
    const float weight = parts[0].toFloat(&ok);
    const int words = parts.size() > 1 ? parts[1].toInt() : kGeneralWords;
    return {ok ? std::clamp(weight, 0.0f, 0.9f) : kGeneralWeight, std::max(words, 0)};
}

// The decoder's settings beyond its defaults, as "-name value" pairs.
// QUILLMERE_SPEECH_ARGS="-name value ..." adds to or overrides them, for measuring.
//
// No second, flat-lexicon pass at the end of each utterance: it scored the utterance's audio
// again, a third of the decoder's CPU, for a few more words heard on clean reading and no
// following that runs could tell apart. A language weight of 9 (the default is 6.5) holds the
// search closer to the script's words: with others talking 10 dB below the reader, 63 % of the
// words said are heard instead of 54 %, and the text is within a line of the reader 82 to 84 %
// of the time instead of 75 to 78 %. Both together halve the CPU with others talking (16 % of
// a core to 8 %, on a loaded machine). Weights of 10 and more cost a re-reading reader 6 points
// of following and move the text far ahead more often with others talking.
//
// No phone-loop lookahead (the library's default looks 5 frames ahead): it pruned words the
// fast British voice said, and held the search 50 ms behind the audio. Without it 55 % of that
// voice's words are heard instead of 52 %, the text is within a line of it 91 to 92 % of the
// time instead of 86 to 87 %, and 85 % instead of 83 to 84 % with others talking, for no more
// CPU: the lookahead's own search cost about what it saved.
QList<QByteArray> decoderSettings()
{
    QList<std::pair<QByteArray, QByteArray>> settings {
        {"-logfn", "/dev/null"}, {"-fwdflat", "no"}, {"-lw", "9"}, {"-pl_window", "0"}};
    QList<QByteArray> custom = qgetenv("QUILLMERE_SPEECH_ARGS").split(' ');
    custom.removeAll(QByteArray());
    if (custom.size() % 2)
        qWarning(
            "QUILLMERE_SPEECH_ARGS: \"%s\" has no value; left out", custom.constLast().constData());
    for (qsizetype i = 0; i + 1 < custom.size(); i += 2) {
        auto same = [&](const auto &s) { return s.first == custom[i]; };
        settings.removeIf(same);
        settings.append({custom[i], custom[i + 1]});
    }
    QList<QByteArray> out;
    for (const auto &[name, value] : settings)
        out << name << value;
    return out;
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

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};

using Pronunciations = QHash<QByteArray, QList<QPair<QByteArray, QByteArray>>>;

// The pronunciations of `words` (and their variants, "read(2)") from the dictionary file, read
// through once. The decoder starts with an almost empty dictionary and is given only the words
// it listens for: mapping a language model onto all 134,000 words of the full dictionary would
// cost seconds of CPU on every model.
Pronunciations pronunciations(const QSet<QByteArray> &words)
{
    Pronunciations out;
    QFile file(dictionary());
    if (words.isEmpty() || !file.open(QIODevice::ReadOnly))
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

void addWords(ps_decoder_t *ps, const Pronunciations &words)
{
    for (auto it = words.cbegin(); it != words.cend(); ++it) {
        if (ps_lookup_word(ps, it.key().constData()))
            continue;
        for (const auto &[name, phones] : it.value())
            ps_add_word(ps, name.constData(), phones.constData(), FALSE);
    }
}

// A word as the spelling rules read it: lower case a-z with accents taken off.
QByteArray plainLetters(const QString &word)
{
    QByteArray out;
    for (const QChar c : word.normalized(QString::NormalizationForm_KD)) {
        const char16_t u = c.toLower().unicode();
        if ((u >= 'a' && u <= 'z') || u == '\'')
            out.append(char(u));
        else if (!c.isMark())
            return {}; // a letter of another alphabet: no guess
    }
    return out;
}

// Pronunciations for the words the dictionary lacks: composed of dictionary words where they
// can be ("sandcastles"), guessed from the spelling otherwise.
Pronunciations guessed(const QSet<QByteArray> &unknown)
{
    QSet<QByteArray> parts;
    for (const QByteArray &w : unknown) {
        for (const QByteArray &p : pronunciationParts(w))
            parts.insert(p);
    }
    const Pronunciations known = pronunciations(parts);
    auto lookup = [&](const QByteArray &w) {
        const auto it = known.constFind(w);
        return it == known.constEnd() ? QByteArray() : it.value().front().second;
    };
    Pronunciations out;
    for (const QByteArray &w : unknown) {
        QByteArray phones = composedPronunciation(w, lookup);
        if (phones.isEmpty()) {
            const QByteArray letters = plainLetters(QString::fromUtf8(w));
            if (!letters.isEmpty())
                phones = guessPronunciation(letters);
        }
        if (!phones.isEmpty())
            out[w].append({w, phones});
    }
    return out;
}

// The most frequent words of the general English model that the dictionary can say, as a
// unigram model (ARPA text), their pronunciations added to the decoder. Empty when the general
// model is not installed.
QByteArray generalUnigrams(ps_decoder_t *ps, int count)
{
    if (count <= 0)
        return {};
    const QByteArray path = QFile::encodeName(generalModel());
    ngram_model_t *lm = ngram_model_read(nullptr, path.constData(), NGRAM_AUTO, ps_get_logmath(ps));
    if (!lm)
        return {};
    logmath_t *math = ps_get_logmath(ps);
    const int32 size = int32(ngram_model_get_counts(lm)[0]);
    std::vector<std::pair<int32, int32>> byScore; // (log probability, word id)
    byScore.reserve(std::size_t(size));
    for (int32 id = 0; id < size; ++id) {
        int32 used = 0;
        byScore.emplace_back(ngram_ng_prob(lm, id, nullptr, 0, &used), id);
    }
    std::sort(byScore.begin(), byScore.end(), std::greater<>());
    // Twice as many candidates as wanted: some are marks or lack a pronunciation.
    QSet<QByteArray> candidates;
    QList<QByteArray> order;
    for (const auto &[score, id] : byScore) {
        const QByteArray w(ngram_word(lm, id));
        if (w.startsWith('<') || w.startsWith('['))
            continue;
        candidates.insert(w);
        order << w;
        if (order.size() >= 2 * count)
            break;
    }
    QHash<QByteArray, double> prob;
    for (const auto &[score, id] : byScore) {
        const QByteArray w(ngram_word(lm, id));
        if (candidates.contains(w) || w == "</s>")
            prob.insert(w, logmath_exp(math, score));
        if (prob.size() > candidates.size())
            break;
    }
    ngram_model_free(lm);

    Pronunciations said = pronunciations(candidates);
    QList<QByteArray> chosen;
    for (const QByteArray &w : order) {
        if (said.contains(w))
            chosen << w;
        if (chosen.size() >= count)
            break;
    }
    Pronunciations added;
    double total = prob.value("</s>");
    for (const QByteArray &w : chosen) {
        added.insert(w, said.value(w));
        total += prob.value(w);
    }
    addWords(ps, added);
    QByteArray arpa = "\\data\\\nngram 1=" + QByteArray::number(chosen.size() + 2)
        + "\n\n\\1-grams:\n-99.000000 <s>\n";
    auto line = [&](const QByteArray &w) {
        arpa += QByteArray::number(std::log10(prob.value(w) / total), 'f', 6) + ' ' + w + '\n';
    };
    line("</s>");
    for (const QByteArray &w : chosen)
        line(w);
    arpa += "\n\\end\\\n";
    return arpa;
}

ngram_model_t *readArpa(ps_decoder_t *ps, const QByteArray &arpa)
{
    // A private file (mode 0600) that lives only while the decoder reads it.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/quillmere-lm-XXXXXX.arpa"));
    if (!file.open() || file.write(arpa) != arpa.size() || !file.flush())
        return nullptr;
    const QByteArray path = QFile::encodeName(file.fileName());
    ngram_model_t *lm = ngram_model_read(nullptr, path.constData(), NGRAM_ARPA, ps_get_logmath(ps));
    file.remove();
    // The decoder's language weight and word penalty, applied here: read with the decoder's
    // settings, the library applies them even to a model it failed to read, and crashes.
    if (lm) {
        cmd_ln_t *config = ps_get_config(ps);
        ngram_model_apply_weights(
            lm, cmd_ln_float32_r(config, "-lw"), cmd_ln_float32_r(config, "-wip"));
    }
    return lm;
}

// The language model the decoder listens with: the script's, mixed with general English when
// that is installed. The parts of a mix are held here until the decoder has let go of the mix
// (some versions of the library do not keep parts alive for their mix).
class ModelSlot {
public:
    explicit ModelSlot(ps_decoder_t *ps)
        : m_ps(ps)
    {
    }
    ModelSlot(const ModelSlot &) = delete;
    ModelSlot &operator=(const ModelSlot &) = delete;
    // Only once the decoder is gone.
    ~ModelSlot() { release(m_parts); }

    QByteArray general;
    float generalWeight = 0;

    bool load(const SpeechRecognizer::ModelBuilder &build);

private:
    static void release(std::vector<ngram_model_t *> &parts)
    {
        for (ngram_model_t *p : parts)
            ngram_model_free(p);
        parts.clear();
    }

    ps_decoder_t *m_ps;
    std::vector<ngram_model_t *> m_parts;
};

bool ModelSlot::load(const SpeechRecognizer::ModelBuilder &build)
{
    // Once to learn the script's words, once more with the ones the decoder can say.
    QSet<QByteArray> vocabulary;
    build([&](const QString &word) {
        vocabulary.insert(word.toUtf8());
        return true;
    });
    const Pronunciations known = pronunciations(vocabulary);
    addWords(m_ps, known);
    QSet<QByteArray> unknown;
    for (const QByteArray &w : vocabulary) {
        if (!known.contains(w))
            unknown.insert(w);
    }
    const Pronunciations guesses = guessed(unknown);
    addWords(m_ps, guesses);
    const QByteArray arpa = build([&](const QString &word) {
        const QByteArray w = word.toUtf8();
        return known.contains(w) || guesses.contains(w);
    });
    ngram_model_t *script = readArpa(m_ps, arpa);
    if (!script)
        return false;
    std::vector<ngram_model_t *> parts;
    ngram_model_t *lm = script;
    ngram_model_t *open
        = general.isEmpty() || generalWeight <= 0 ? nullptr : readArpa(m_ps, general);
    if (open) {
        ngram_model_t *models[] = {script, open};
        char scriptName[] = "script";
        char generalName[] = "general";
        char *names[] = {scriptName, generalName};
        // The parts' scores already carry the language weight (probabilities to its power),
        // so the shares are raised to it too for the mix to weigh them as probabilities.
        const double lw = cmd_ln_float32_r(ps_get_config(m_ps), "-lw");
        const float32 weights[] = {float32(std::pow(1.0 - generalWeight, lw)),
            float32(std::pow(double(generalWeight), lw))};
        if (ngram_model_t *set = ngram_model_set_init(nullptr, models, names, weights, 2)) {
            parts = {script, open};
            lm = set;
        } else {
            ngram_model_free(open);
        }
    }
    // The decoder keeps the model it is given; the previous one, and with it the previous
    // mix, goes here.
    const bool ok = ps_set_lm(m_ps, "script", lm) == 0 && ps_set_search(m_ps, "script") == 0;
    ngram_model_free(lm);
    if (!ok) {
        release(parts);
        return false;
    }
    release(m_parts);
    m_parts = std::move(parts);
    return true;
}

void PocketsphinxRecognizer::run(Shared &shared)
{
    const QByteArray hmm = QFile::encodeName(acousticModel());
    // A dictionary of one word to start from; each model adds the words it listens for.
    QTemporaryFile seed(QDir::tempPath() + QStringLiteral("/quillmere-dict-XXXXXX.dict"));
    ps_decoder_t *ps = nullptr;
    if (seed.open() && seed.write("a AH\n") > 0 && seed.flush()) {
        const QByteArray dict = QFile::encodeName(seed.fileName());
        QList<QByteArray> args {"quillmere", "-hmm", hmm, "-dict", dict};
        args << decoderSettings();
        std::vector<char *> argv;
        for (QByteArray &a : args)
            argv.push_back(a.data());
        cmd_ln_t *config
            = cmd_ln_parse_r(nullptr, ps_args(), int32(argv.size()), argv.data(), TRUE);
        ps = config ? ps_init(config) : nullptr;
        if (config)
            cmd_ln_free_r(config);
    }
    seed.remove();
    auto models = std::make_unique<ModelSlot>(ps);
    if (ps) {
        const auto [weight, words] = generalMix();
        models->generalWeight = weight;
        if (weight > 0)
            models->general = generalUnigrams(ps, words);
    }

    std::deque<int16_t> &queue = shared.queue;
    bool failed = !ps;
    {
        std::lock_guard lock(shared.mutex);
        if (shared.stopping)
            failed = true;
    }
    // The capture's thread makes the samples 16 kHz and queues them.
    auto downsampler = std::make_shared<Downsampler>();
    auto converted = std::make_shared<std::vector<int16_t>>();
    auto onBlock = [&shared, downsampler, converted](std::span<const float> samples) {
        converted->clear();
        downsampler->push(samples, *converted);
        {
            std::lock_guard lock(shared.mutex);
            shared.queue.insert(shared.queue.end(), converted->begin(), converted->end());
            while (shared.queue.size() > kMaxQueued)
                shared.queue.pop_front();
        }
        shared.wake.notify_all();
    };
    auto onFailure = [&shared] {
        {
            std::lock_guard lock(shared.mutex);
            shared.failed = true;
        }
        shared.wake.notify_all();
    };
    std::unique_ptr<AudioInput> input = createAudioInput();
    if (!failed && !input->start(onBlock, onFailure))
        failed = true;
    {
        std::lock_guard lock(shared.mutex);
        shared.loading = false;
    }

    const double maxSeconds = qEnvironmentVariableIsSet("QUILLMERE_SPEECH_MAX_UTTERANCE")
        ? std::clamp(qEnvironmentVariable("QUILLMERE_SPEECH_MAX_UTTERANCE").toDouble(), 1.0, 600.0)
        : kMaxUtteranceSeconds;
    const auto maxUtterance = std::size_t(maxSeconds * kDecodeRate);
    bool haveModel = false;
    bool inUtterance = false;
    bool heardSpeech = false;
    std::size_t utteranceSamples = 0;
    // For measuring, QUILLMERE_SPEECH_PAUSES=0 leaves ending utterances to the speech detector
    // and "DROP,FRAMES" changes what counts as a pause.
    const QStringList pauseSetting = qEnvironmentVariable("QUILLMERE_SPEECH_PAUSES").split(u',');
    const bool endAtPauses = pauseSetting.front() != QLatin1String("0");
    PauseDetector pauses(
        pauseSetting.size() == 2 ? pauseSetting[0].toFloat() : PauseDetector::kDrop,
        pauseSetting.size() == 2 ? pauseSetting[1].toInt() : PauseDetector::kPauseFrames);
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
        utteranceSamples = 0;
        pauses.reset();
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
            const bool ok = models->load(build.build);
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
            utteranceSamples += chunk.size();
            int32 score = 0;
            const QStringList words = hypothesisWords(ps_get_hyp(ps, &score));
            if (words != lastPartial) {
                lastPartial = words;
                shared.notify([&](const Handlers &h) {
                    if (h.hypothesis)
                        h.hypothesis(words, false);
                });
            }
            // Where others talk on, the speech detector never hears the speaker pause: the
            // utterance ends where the speaker's voice drops away, and at the latest after a
            // bounded length, each ending in a final result.
            const bool paused = pauses.push(chunk) && endAtPauses;
            if (paused || utteranceSamples >= maxUtterance)
                endUtterance();
        } else if (heardSpeech) {
            // The speaker paused: the utterance ends and the next starts afresh.
            endUtterance();
        }
    }

    if (inUtterance)
        ps_end_utt(ps);
    // No block arrives once the input has stopped, so the queue and converter it fills may go.
    input->stop();
    if (ps)
        ps_free(ps);
    models.reset();
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
