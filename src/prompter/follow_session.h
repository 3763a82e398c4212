// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "follow_matcher.h"
#include "model/sections.h"
#include "platform/speech_recognizer.h"
#include "script_words.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace qm {

class ScrollState;

// One laid-out line of the script column: the first body token on it and where it is.
struct WordLine {
    int firstToken = 0;
    double y = 0; // top, in column points
    double height = 0;

    friend bool operator==(const WordLine &, const WordLine &) = default;
};

enum class FollowState {
    Off, // not in follow mode, or the prompter is hidden
    Listening, // ready, nothing read lately
    Following, // the position moved lately
    Lost, // words are heard but none matched for a while
    Unavailable, // no model, or the recogniser or the input could not start
};

// Follow mode: the recogniser listening, the matcher placing the reader in the script, and the
// motion that keeps the word being read on the reading line.
class FollowSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FollowSession)

public:
    using Clock = std::function<double()>;
    // NothingToHear: the script (empty, or of words the dictionary lacks) gives no model; it
    // clears by itself once the script has words to listen for.
    enum class Problem { None, ModelMissing, CannotStart, NothingToHear };

    // The reading line sits this far down the reading area.
    static constexpr double kReadingLine = 1.0 / 3.0;
    // Lost after this long hearing words that match nothing; Following for this long after a
    // move.
    static constexpr double kLostAfter = 3.0;
    static constexpr double kFollowingFor = 2.5;
    // The model is built again this long after the last edit.
    static constexpr double kRebuildDelay = 0.6;
    // A partial result standing this long unrevised is taken as said; standing kPartialSoon,
    // it may already move the text on by up to kSoonWords words.
    static constexpr double kPartialStands = 0.2;
    static constexpr double kPartialSoon = 0.12;
    static constexpr int kSoonWords = 2;
    // The chase is capped at this many times the speed setting, or, farther away, this many
    // points a second for each point still to go.
    static constexpr double kChaseSpeedFactor = 2.0;
    static constexpr double kFarChaseRate = 6.0;

    // `recognizer` null means the platform's default backend.
    explicit FollowSession(Clock clock, std::unique_ptr<platform::SpeechRecognizer> recognizer = {},
        QObject *parent = nullptr);
    ~FollowSession() override;

    void setRecognizer(std::unique_ptr<platform::SpeechRecognizer> recognizer);

    FollowState state() const { return m_state; }
    // What keeps follow mode from working; a missing model is known before it starts.
    Problem problem() const;
    bool active() const { return m_active; }
    // Index of the spoken word read last, and the body token it belongs to.
    int position() const { return m_matcher.position(); }
    int tokenPosition() const;
    const ScriptWords &words() const { return m_words; }
    // Script words the dictionary could not pronounce, left out of the model.
    const QSet<QString> &unknownWords() const { return m_unknown; }
    // Whether the words of the script shown are still being worked out (a long script's are
    // worked out on another thread; what was there before stays in use meanwhile).
    bool wordsPending() const { return m_adoptedWords != m_wordsGeneration; }

    // Starts or stops listening; sections are the script shown. While following, the words
    // of a script longer than kWordsHereChars are worked out on another thread.
    void setActive(bool active);
    void setSections(const QList<ScriptSection> &sections);
    static constexpr qsizetype kWordsHereChars = 20000;

    // Written by the view whenever its layout changes; sorted by firstToken and y.
    void setWordLines(QList<WordLine> lines) { m_lines = std::move(lines); }
    const QList<WordLine> &wordLines() const { return m_lines; }

    // One frame: moves the text toward the reading line's target, or re-anchors the reader
    // when something else moved the text since the last step.
    void step(
        double dt, ScrollState &scroll, double viewportHeight, double maxOffset, double speed);
    // Whether the last step left the text on its way to the reading line: the frames go on
    // while it is, and rest once the text stands where it should.
    bool gliding() const { return m_gliding; }
    // Where the text should stand for the current position; nothing until lines are known.
    std::optional<double> targetOffset(double viewportHeight, double maxOffset) const;
    // The reader is wherever the reading line is with the text at `offset`.
    void reanchorAt(double offset, double viewportHeight);

    // What the recogniser heard, on the main thread (the backend's thread posts it here).
    void hear(const QStringList &words, bool final);
    void modelLoaded(quint64 generation, bool ok);
    void failed();

Q_SIGNALS:
    void stateChanged(FollowState state);
    void positionChanged(int position);
    // A model of the current script was loaded: from now on speech is followed.
    void modelReady();

private:
    struct Prepared;
    static Prepared prepare(const QList<ScriptSection> &sections);
    void adopt(Prepared prepared, quint64 generation);
    void prepareElsewhere();
    void applySections();
    void start();
    void stop();
    void postModel();
    void place(const QStringList &heard, bool mayGoBack, bool final, double now, int maxAhead = -1);
    void settlePartial();
    void updateState();
    void setState(FollowState state);
    void applyUnknown();

    Clock m_clock;
    std::unique_ptr<platform::SpeechRecognizer> m_recognizer;
    FollowMatcher m_matcher;
    QList<ScriptSection> m_sections;
    bool m_sectionsApplied = true;
    ScriptWords m_words;
    QList<QStringList> m_sentences;
    quint64 m_wordsGeneration = 0; // of the sections last asked for
    quint64 m_adoptedWords = 0; // of the words in use
    bool m_preparing = false; // a worker is working out words
    bool m_prepareAgain = false; // and the sections changed since it started
    bool m_modelPosted = false; // since listening started
    QSet<QString> m_unknown;
    QList<WordLine> m_lines;
    QTimer m_rebuild;
    // Wakes the state up when it is next due to change by time alone.
    QTimer m_stateDue;

    bool m_active = false;
    bool m_running = false;
    FollowState m_state = FollowState::Off;
    Problem m_problem = Problem::None;
    quint64 m_session = 0;
    quint64 m_generation = 0;

    std::shared_ptr<std::pair<std::mutex, QSet<QString>>> m_pendingUnknown;
    quint64 m_pendingGeneration = 0;
    // False once a model of the script shown could not be loaded: the recogniser still hears
    // through the model it had, which is another script's.
    bool m_modelCurrent = true;

    QStringList m_heard; // words of ended utterances, newest last
    QStringList m_partial; // the utterance being heard
    // Its leading words that the partial result before agreed on: words taken as said.
    QStringList m_stable;
    double m_partialSince = 0; // when it was heard
    bool m_partialTried = false; // and was tried for a short move since
    QTimer m_partialDue;
    qsizetype m_ignore = 0; // leading words of the current utterance heard before a re-anchor
    bool m_movedThisUtterance = false;

    double m_lastMove = -1e9;
    std::optional<double> m_unmatchedSince;
    double m_lastHeard = -1e9;

    std::optional<double> m_lastOffset;
    // After a re-anchor the text stays where the user put it until the reader moves on.
    bool m_holdUntilMove = false;
    double m_velocity = 0;
    bool m_gliding = false;
};

} // namespace qm
