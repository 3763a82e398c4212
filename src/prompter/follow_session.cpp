// SPDX-License-Identifier: GPL-3.0-or-later
#include "follow_session.h"

#include "language_model.h"
#include "scroll_state.h"

#include <QMetaObject>
#include <QPointer>
#include <QtMath>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>

namespace qm {

namespace {

// How quickly the chase closes the distance (per second) and eases its speed in and out.
constexpr double kChaseRate = 3;
constexpr double kEaseRate = 5;
constexpr double kSettled = 0.05;
// The heard words kept from ended utterances.
constexpr qsizetype kKeepHeard = 2 * FollowMatcher::kRecent;
// Moves of the text smaller than this are the session's own rounding, not the user's.
constexpr double kMovedByOthers = 0.5;

} // namespace

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
    const QList<ScriptSection> &sections = m_sections;
    ScriptWords words = scriptWords(sections);
    QList<QStringList> sentences = modelSentences(sections);
    if (words.spoken == m_words.spoken && sentences == m_sentences) {
        m_words = std::move(words);
        return;
    }
    m_words = std::move(words);
    m_sentences = std::move(sentences);
    applyUnknown();
    if (m_running)
        m_rebuild.start();
}

// The matcher's script, with the words the recogniser cannot say left blank.
void FollowSession::applyUnknown()
{
    QStringList script = m_words.spoken;
    if (!m_unknown.isEmpty()) {
        for (QString &w : script) {
            if (m_unknown.contains(w))
                w.clear();
        }
    }
    m_matcher.setScript(std::move(script));
}

void FollowSession::start()
{
    m_problem = Problem::None;
    // Nothing is heard before a first model has loaded; a model that fails to load says so.
    m_modelCurrent = true;
    m_heard.clear();
    m_partial.clear();
    m_ignore = 0;
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
    postModel();
}

void FollowSession::stop()
{
    m_rebuild.stop();
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
        m_ignore = 0;
        return;
    }
    const double now = m_clock();
    const qsizetype skip = std::min(m_ignore, words.size());
    const QStringList fresh = words.mid(skip);
    if (final) {
        m_heard << fresh;
        if (m_heard.size() > kKeepHeard)
            m_heard = m_heard.mid(m_heard.size() - kKeepHeard);
        m_partial.clear();
        m_ignore = 0;
    } else {
        if (fresh == m_partial)
            return;
        m_partial = fresh;
    }
    if (fresh.isEmpty())
        return;
    m_lastHeard = now;
    if (m_matcher.hear(m_heard + m_partial, final)) {
        m_lastMove = now;
        m_holdUntilMove = false;
        m_unmatchedSince.reset();
        Q_EMIT positionChanged(m_matcher.position());
    } else if (!m_unmatchedSince) {
        m_unmatchedSince = now;
    }
    updateState();
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
    const double cap = std::max(speed, 1.0) * kChaseSpeedFactor;
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
