// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "script_words.h"

#include <QSet>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace qm {

// Where the reader is in the script, from the words a recogniser heard. Pure: no clock, no
// audio. The position is an index into the script's spoken words (ScriptWords::spoken): the
// word read last. A token said another way (a year said as "two thousand twenty five") matches
// through its alternative.
//
// The recent heard words are aligned with the script in a window around the position,
// tolerating extra, missing and misheard words. The position moves forward on at least
// kForwardRun words matching in order, and more than a few words only when one of those past
// it is not among the commonest words ("so here is" fits many lines). It goes back on a re-read:
// kReReadRun words in order among the newest heard that tell enough together (three of the script's
// rarer words; common ones take more), right after words matching beyond them, and fitting there
// better than where the reader is (a chorus repeats its own lines). Otherwise it goes back only on
// kBackRun in order from a result that may go back, and not at all on anything less, so an
// ad-lib, a cough or silence leaves it where it is. A word matching just past the position
// moves nothing when it also ends a run of rarer words behind it, heard since (a sentence
// begun again). Where a phrase occurs more than once, the occurrence nearest ahead of the
// position in the window wins, although the farther ahead
// the more evidence a move takes, and words that fit as well ahead of the position never take
// it back (a chorus sung again).
//
// When the window holds nothing that fits the words heard last, or only a short move strung
// onto the run read last across misheard words, the whole script is searched:
// pairs of heard words seed places where they occur, weighted by how rare the pair is, and
// the words are aligned around each. A move there takes kFarRun words in order telling enough
// together (two of them rare), more the farther it goes and the commoner its words, and only
// when no other
// place fits about as well (a repeated chorus moves nothing until words after it tell which
// one it is). A word English is full of ("the", "you") counts little however rare it is in
// the script: it is also the recogniser's usual guess for audio it cannot place.
//
// An empty script word, or one set unsayable, is one the recogniser cannot say: it never
// matches and is passed over at no cost.
class FollowMatcher final {
public:
    static constexpr int kBehind = 40;
    static constexpr int kAhead = 60;
    static constexpr int kRecent = 12; // heard words considered, newest last
    static constexpr int kForwardRun = 3;
    static constexpr int kReReadRun = 3;
    // A re-read or a move found by the whole-script search may end this many words before
    // the newest (the recogniser often mishears the newest words); a re-read follows this
    // many after words heard beyond it.
    static constexpr int kReReadSlack = 2;
    static constexpr int kReReadLookBack = 4;
    static constexpr int kBackRun = 5;
    static constexpr int kFarRun = 3;

    // A script made ready for matching: its words numbered and an index of word pairs. Making
    // one takes a while for a long script; it may be made on any thread and shared.
    class Script;
    static std::shared_ptr<const Script> prepare(
        QStringList words, const QList<SpokenAlternative> &alternatives = {});

    explicit FollowMatcher(
        QStringList script = {}, const QList<SpokenAlternative> &alternatives = {});
    ~FollowMatcher();
    FollowMatcher(const FollowMatcher &) = delete;
    FollowMatcher &operator=(const FollowMatcher &) = delete;

    int position() const { return m_position; }
    int size() const;

    // A new script; the position is kept within it.
    void setScript(QStringList script, const QList<SpokenAlternative> &alternatives = {});
    void setPrepared(std::shared_ptr<const Script> script);
    const std::shared_ptr<const Script> &prepared() const { return m_script; }
    // Words the recogniser cannot say (the dictionary lacks them).
    void setUnsayable(const QSet<QString> &words);
    // The reader is now here (a hand scroll, a cue jump, a restart).
    void reanchor(int position);

    // The words heard lately, oldest first (only the last kRecent are looked at). True when
    // the position moved. A result that a later one may still revise (a partial result)
    // passes `mayGoBack` false: dropping its newest words for a moment would look like going
    // back. `maxAhead` at 0 or more allows only a move forward of at most that many words:
    // words the recogniser has only just given move the position a little or not at all.
    bool hear(const QStringList &heard, bool mayGoBack = true, int maxAhead = -1);

private:
    struct Table;
    Table align(const std::vector<int> &heard, int lo, int hi, int readRows = 0) const;
    // Where the whole script says the reader is (index -1 for nowhere), and the heard rows
    // the run found there starts and ends at, and its score.
    struct Far {
        int index = -1;
        int startRow = 0;
        int endRow = 0;
        int score = 0;
    };
    Far searchFar(const std::vector<int> &heard, const Table &near) const;
    bool moveTo(int index);
    bool allowed(int index) const
    {
        return m_maxAhead < 0 || (index > m_position && index <= m_position + m_maxAhead);
    }

    std::shared_ptr<const Script> m_script;
    std::vector<char> m_unsayable; // by word number
    QStringList m_since; // the words that took the position elsewhere lately
    int m_position = 0;
    int m_maxAhead = -1; // of the hear() under way
};

} // namespace qm
