// SPDX-License-Identifier: GPL-3.0-or-later
#include "follow_session.h"

#include "language_model.h"
#include "scroll_state.h"

#include <QFuture>
#include <QMetaObject>
#include <QPointer>
#include <QPromise>
#include <QThreadPool>
#include <QtMath>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

namespace qm {

namespace {

// How quickly the chase closes the distance (per second) and eases its speed in and out. The
// ease is four times the rate: critically damped, the text comes to rest without overshooting,
// a line's move within about half a second.
constexpr double kChaseRate = 8;
constexpr double kEaseRate = 4 * kChaseRate;
// Nearer than this (in points) and slower than this many points a second, the text stands.
constexpr double kSettled = 0.25;
// The heard words kept from ended utterances.
constexpr qsizetype kKeepHeard = 2 * FollowMatcher::kRecent;
// Moves of the text smaller than this are the session's own rounding, not the user's.
constexpr double kMovedByOthers = 0.5;

} // namespace

struct FollowSession::Prepared {
    ScriptWords words;
    QList<QStringList> sentences;
    std::shared_ptr<const FollowMatcher::Script> script;
    // Whether the words and sentences are those already in use, when worked out elsewhere.
    std::optional<bool> same;
};

FollowSession::Prepared FollowSession::prepare(const QList<ScriptSection> &sections)
{
    Prepared p;
    p.words = scriptWords(sections);
    p.sentences = modelSentences(sections);
    p.script = FollowMatcher::prepare(p.words.spoken, p.words.alternatives);
    return p;
}

FollowSession::FollowSession(
    Clock clock, std::unique_ptr<platform::SpeechRecognizer> recognizer, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_recognizer(recognizer ? std::move(recognizer) : platform::createSpeechRecognizer())
{
    m_rebuild.setSingleShot(true);
    m_rebuild.setInterval(std::chrono::milliseconds(qRound(kRebuildDelay * 1000)));
    connect(&m_rebuild, &QTimer::timeout, this, &FollowSession::postModel);
    m_stateDue.setSingleShot(true);
    connect(&m_stateDue, &QTimer::timeout, this, &FollowSession::updateState);
    m_partialDue.setSingleShot(true);
    connect(&m_partialDue, &QTimer::timeout, this, &FollowSession::settlePartial);
}

FollowSession::~FollowSession()
{
    // The recogniser's thread posts to this object; it must end first.
    if (m_recognizer)
        m_recognizer->stop();
}

void FollowSession::setRecognizer(std::unique_ptr<platform::SpeechRecognizer> recognizer)
{
    stop();
    m_recognizer = std::move(recognizer);
    if (m_active)
        start();
}

FollowSession::Problem FollowSession::problem() const
{
    if (m_problem != Problem::None)
        return m_problem;
    if (!m_recognizer
        || m_recognizer->availability() != platform::SpeechRecognizer::Availability::Available)
        return Problem::ModelMissing;
    return Problem::None;
}

int FollowSession::tokenPosition() const
{
    const int p = m_matcher.position();
    return p >= 0 && p < m_words.tokenOf.size() ? m_words.tokenOf.at(p) : 0;
}

void FollowSession::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active && !m_sectionsApplied)
        applySections();
    if (active)
        start();
    else
        stop();
}

void FollowSession::setSections(const QList<ScriptSection> &sections)
{
    // Off, nothing listens: the script's words are worked out when following starts, not at
    // every keystroke.
    m_sections = sections;
    m_sectionsApplied = false;
    if (m_active)
        applySections();
}

void FollowSession::applySections()
{
    m_sectionsApplied = true;
    const quint64 generation = ++m_wordsGeneration;
    qsizetype chars = 0;
    for (const ScriptSection &section : m_sections)
        chars += section.body.size() + (section.cue ? section.cue->size() : 0);
    if (chars <= kWordsHereChars) {
        m_prepareAgain = false;
        adopt(prepare(m_sections), generation);
    } else if (m_preparing) {
        m_prepareAgain = true;
    } else {
        prepareElsewhere();
    }
}

// The words of a long script are worked out on a worker; one at a time, the latest sections
// once it is done.
void FollowSession::prepareElsewhere()
{
    m_preparing = true;
    m_prepareAgain = false;
    const quint64 generation = m_wordsGeneration;
    auto promise = std::make_shared<QPromise<Prepared>>();
    QFuture<Prepared> future = promise->future();
    // Comparing with the words in use is the worker's job too: no other words are taken
    // while it works, or its result would be of an older generation and let go.
    QThreadPool::globalInstance()->start(
        [promise, sections = m_sections, words = m_words, sentences = m_sentences] {
            promise->start();
            Prepared p = prepare(sections);
            p.same = p.words.spoken == words.spoken && p.words.alternatives == words.alternatives
                && p.sentences == sentences;
            promise->addResult(std::move(p));
            promise->finish();
        });
    future.then(this, [this, generation](Prepared prepared) {
        m_preparing = false;
        if (m_prepareAgain)
            prepareElsewhere();
        else if (generation == m_wordsGeneration)
            adopt(std::move(prepared), generation);
    });
}

void FollowSession::adopt(Prepared prepared, quint64 generation)
{
    m_adoptedWords = generation;
    const bool same = (prepared.same ? *prepared.same
                                     : prepared.words.spoken == m_words.spoken
                                  && prepared.words.alternatives == m_words.alternatives
                                  && prepared.sentences == m_sentences)
        && m_matcher.size() == m_words.spoken.size();
    // The words let go are freed on a worker: for a long script that takes longer than a frame.
    auto old = std::make_shared<Prepared>();
    old->words = std::exchange(m_words, std::move(prepared.words));
    if (!same) {
        old->sentences = std::exchange(m_sentences, std::move(prepared.sentences));
        old->script = m_matcher.prepared();
        m_matcher.setPrepared(std::move(prepared.script));
        applyUnknown();
    }
    QThreadPool::globalInstance()->start([old = std::move(old)]() mutable { old.reset(); });
    if (!m_running)
        return;
    if (!m_modelPosted)
        postModel();
    else if (!same)
        m_rebuild.start();
}

// The words the recogniser cannot say are passed over by the matcher.
void FollowSession::applyUnknown()
{
    m_matcher.setUnsayable(m_unknown);
}

void FollowSession::start()
{
    m_problem = Problem::None;
    // Nothing is heard before a first model has loaded; a model that fails to load says so.
    m_modelCurrent = true;
    m_heard.clear();
    m_partial.clear();
    m_stable.clear();
    m_ignore = 0;
    m_movedThisUtterance = false;
    m_modelPosted = false;
    m_lastOffset.reset();
    m_velocity = 0;
    m_unmatchedSince.reset();
    m_holdUntilMove = false;
    m_matcher.reanchor(0);
    if (!m_recognizer
        || m_recognizer->availability() != platform::SpeechRecognizer::Availability::Available) {
        m_problem = Problem::ModelMissing;
        setState(FollowState::Unavailable);
        return;
    }
    const quint64 session = ++m_session;
    QPointer<FollowSession> self(this);
    auto post = [self, session](auto f) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, session, f] {
                if (self && self->m_running && self->m_session == session)
                    f(*self);
            },
            Qt::QueuedConnection);
    };
    platform::SpeechRecognizer::Handlers handlers;
    handlers.hypothesis = [post](const QStringList &words, bool final) {
        post([words, final](FollowSession &s) { s.hear(words, final); });
    };
    handlers.model = [post](quint64 generation, bool ok) {
        post([generation, ok](FollowSession &s) { s.modelLoaded(generation, ok); });
    };
    handlers.failure = [post] { post([](FollowSession &s) { s.failed(); }); };
    if (!m_recognizer->start(std::move(handlers))) {
        m_problem = Problem::CannotStart;
        setState(FollowState::Unavailable);
        return;
    }
    m_running = true;
    setState(FollowState::Listening);
    // A long script's words may still be on their way: the model follows them.
    if (!wordsPending())
        postModel();
}

void FollowSession::stop()
{
    m_rebuild.stop();
    m_partialDue.stop();
    if (m_running && m_recognizer)
        m_recognizer->stop();
    m_running = false;
    ++m_session;
    setState(FollowState::Off);
}

void FollowSession::postModel()
{
    if (!m_running)
        return;
    m_modelPosted = true;
    const quint64 generation = ++m_generation;
    // The builder runs on the recogniser's thread; what it leaves out comes back through the
    // holder once the model has loaded.
    auto holder = std::make_shared<std::pair<std::mutex, QSet<QString>>>();
    m_pendingUnknown = holder;
    m_pendingGeneration = generation;
    m_recognizer->setModel(generation,
        [sentences = m_sentences, holder](const std::function<bool(const QString &)> &known) {
            KnownWords kept = keepKnown(sentences, known);
            {
                std::lock_guard lock(holder->first);
                holder->second = kept.unknown;
            }
            return arpaTrigramModel(kept.sentences);
        });
}

void FollowSession::modelLoaded(quint64 generation, bool ok)
{
    if (generation != m_pendingGeneration || !m_pendingUnknown)
        return;
    // The recogniser keeps listening with the model it had, if any; the text must not follow
    // words of another script, so it holds still until this script's model loads.
    m_modelCurrent = ok;
    if (!ok) {
        m_problem = Problem::NothingToHear;
        setState(FollowState::Unavailable);
        return;
    }
    if (m_problem == Problem::NothingToHear) {
        m_problem = Problem::None;
        updateState();
    }
    {
        std::lock_guard lock(m_pendingUnknown->first);
        m_unknown = m_pendingUnknown->second;
    }
    applyUnknown();
    Q_EMIT modelReady();
}

void FollowSession::failed()
{
    stop();
    m_problem = Problem::CannotStart;
    setState(FollowState::Unavailable);
}

void FollowSession::hear(const QStringList &words, bool final)
{
    // Heard through another script's model, or none: nothing to place.
    if (!m_modelCurrent) {
        m_partial.clear();
        m_stable.clear();
        m_ignore = 0;
        return;
    }
    const double now = m_clock();
    const qsizetype skip = std::min(m_ignore, words.size());
    const QStringList fresh = words.mid(skip);
    // The text goes back only on a re-read, or on a final result when nothing in its
    // utterance moved the text: a final that revises the partials before it must not take a
    // move back once the speaker has stopped.
    bool mayGoBack = false;
    if (final) {
        m_heard << fresh;
        if (m_heard.size() > kKeepHeard)
            m_heard = m_heard.mid(m_heard.size() - kKeepHeard);
        m_partial.clear();
        m_stable.clear();
        m_ignore = 0;
        mayGoBack = !m_movedThisUtterance;
        m_movedThisUtterance = false;
    } else {
        if (fresh == m_partial)
            return;
        // A partial result's newest words are a guess the next one often revises: only what
        // two in a row agree on is taken as said, so the text never runs ahead of the voice.
        qsizetype agree = 0;
        while (agree < fresh.size() && agree < m_partial.size() && fresh[agree] == m_partial[agree])
            ++agree;
        m_partial = fresh;
        m_partialSince = now;
        m_partialTried = false;
        if (!fresh.isEmpty()) {
            m_lastHeard = now;
            m_partialDue.start(std::chrono::milliseconds(qCeil(kPartialSoon * 1000) + 1));
        }
        const QStringList stable = fresh.first(agree);
        if (stable == m_stable) {
            if (!fresh.isEmpty() && !m_unmatchedSince)
                m_unmatchedSince = now;
            updateState();
            return;
        }
        m_stable = stable;
    }
    if (fresh.isEmpty())
        return;
    m_lastHeard = now;
    place(final ? m_heard : m_heard + m_stable, mayGoBack, final, now);
}

void FollowSession::place(
    const QStringList &heard, bool mayGoBack, bool final, double now, int maxAhead)
{
    if (m_matcher.hear(heard, mayGoBack, maxAhead)) {
        m_lastMove = now;
        m_holdUntilMove = false;
        m_movedThisUtterance = !final;
        m_unmatchedSince.reset();
        Q_EMIT positionChanged(m_matcher.position());
    } else if (!m_unmatchedSince) {
        m_unmatchedSince = now;
    }
    updateState();
}

// A partial result the recogniser has not revised for a while is one it has settled on, as
// much as two in a row agreeing: its newest word is taken as said without waiting for more.
// A little sooner it may move the text on a word or two already, where the reader is most of
// the time; a move farther waits until the result has stood long enough.
void FollowSession::settlePartial()
{
    if (!m_modelCurrent || m_partial.isEmpty() || m_stable == m_partial)
        return;
    const double now = m_clock();
    const double standing = now - m_partialSince;
    if (standing < kPartialSoon || (standing < kPartialStands && m_partialTried))
        return;
    if (standing < kPartialStands) {
        m_partialTried = true;
        m_partialDue.start(
            std::chrono::milliseconds(qCeil((kPartialStands - standing) * 1000) + 1));
        place(m_heard + m_partial, false, false, now, kSoonWords);
        return;
    }
    m_partialDue.stop();
    m_stable = m_partial;
    place(m_heard + m_stable, false, false, now);
}

void FollowSession::updateState()
{
    m_stateDue.stop();
    if (!m_running)
        return;
    if (m_problem == Problem::NothingToHear)
        return;
    const double now = m_clock();
    if (now - m_lastMove < kFollowingFor)
        setState(FollowState::Following);
    else if (m_unmatchedSince && now - *m_unmatchedSince >= kLostAfter
        && now - m_lastHeard < kLostAfter)
        setState(FollowState::Lost);
    else
        setState(FollowState::Listening);

    // The text may be at rest with no frames to look again: the next change due by time alone
    // (Following running out, Lost starting or ending) is looked at when it falls due.
    double due = std::numeric_limits<double>::infinity();
    const auto consider = [&](double at) {
        if (at > now)
            due = std::min(due, at);
    };
    consider(m_lastMove + kFollowingFor);
    if (m_unmatchedSince)
        consider(*m_unmatchedSince + kLostAfter);
    consider(m_lastHeard + kLostAfter);
    if (std::isfinite(due))
        m_stateDue.start(std::chrono::milliseconds(qCeil((due - now) * 1000) + 1));
}

void FollowSession::setState(FollowState state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

// MARK: Motion

std::optional<double> FollowSession::targetOffset(double viewportHeight, double maxOffset) const
{
    if (m_lines.isEmpty() || m_words.spoken.isEmpty())
        return std::nullopt;
    const int token = tokenPosition();
    auto it = std::upper_bound(m_lines.cbegin(), m_lines.cend(), token,
        [](int t, const WordLine &line) { return t < line.firstToken; });
    const WordLine &line = it == m_lines.cbegin() ? m_lines.front() : *(it - 1);
    const double target = line.y + line.height / 2 - kReadingLine * viewportHeight;
    return std::clamp(target, 0.0, std::max(maxOffset, 0.0));
}

void FollowSession::reanchorAt(double offset, double viewportHeight)
{
    m_heard.clear();
    // The words of this utterance heard so far stay behind, those before an earlier re-anchor
    // in it included.
    m_ignore += m_partial.size();
    m_partial.clear();
    m_stable.clear();
    m_movedThisUtterance = false;
    m_unmatchedSince.reset();
    m_holdUntilMove = true;
    if (offset <= kMovedByOthers || m_lines.isEmpty()) {
        m_matcher.reanchor(0);
        return;
    }
    const double reading = offset + kReadingLine * viewportHeight;
    auto it = std::upper_bound(m_lines.cbegin(), m_lines.cend(), reading,
        [](double y, const WordLine &line) { return y < line.y; });
    const WordLine &line = it == m_lines.cbegin() ? m_lines.front() : *(it - 1);
    // The first spoken word of the line's first token.
    const auto word
        = std::lower_bound(m_words.tokenOf.cbegin(), m_words.tokenOf.cend(), line.firstToken);
    m_matcher.reanchor(int(word - m_words.tokenOf.cbegin()));
}

void FollowSession::step(
    double dt, ScrollState &scroll, double viewportHeight, double maxOffset, double speed)
{
    settlePartial();
    updateState();
    m_gliding = false;
    const double offset = scroll.offset();
    if (m_lastOffset && std::abs(offset - *m_lastOffset) > kMovedByOthers) {
        // A hand scroll, a cue jump or a restart: the reader is where the user put the text.
        reanchorAt(offset, viewportHeight);
        m_velocity = 0;
        m_lastOffset = offset;
        return;
    }
    const std::optional<double> target
        = m_problem == Problem::None && m_modelCurrent && !m_holdUntilMove
        ? targetOffset(viewportHeight, maxOffset)
        : std::nullopt;
    if (!target) {
        m_velocity = 0;
        m_lastOffset = offset;
        return;
    }
    // Far behind or ahead (a catch-up after words heard late, a skip), the cap rises with the
    // distance: the text still eases in, but arrives within a second.
    const double cap = std::max(
        std::max(speed, 1.0) * kChaseSpeedFactor, std::abs(*target - offset) * kFarChaseRate);
    const double wanted = std::clamp((*target - offset) * kChaseRate, -cap, cap);
    m_velocity += (wanted - m_velocity) * std::min(1.0, dt * kEaseRate);
    double next = offset + m_velocity * dt;
    if (std::abs(*target - next) < kSettled && std::abs(m_velocity) < kSettled * kChaseRate) {
        next = *target;
        m_velocity = 0;
    }
    next = std::clamp(next, 0.0, std::max(maxOffset, 0.0));
    scroll.setOffset(next);
    m_lastOffset = next;
    // Held at an end of the column the text cannot come nearer: it rests there too.
    m_gliding = m_velocity != 0 && next != offset;
}

} // namespace qm
