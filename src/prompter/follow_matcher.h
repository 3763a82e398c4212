// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace qm {

// Where the reader is in the script, from the words a recogniser heard. Pure: no clock, no
// audio. The position is an index into the script's spoken words (ScriptWords::spoken): the
// word read last.
//
// The recent heard words are aligned with the script in a window around the position,
// tolerating extra, missing and misheard words. The position moves forward on at least
// kForwardRun words matching in order, back only on kBackRun ending with the word heard last,
// and not at all otherwise, so an
// ad-lib, a cough or silence leaves it where it is. Where a phrase occurs more than once, the
// occurrence nearest ahead of the position wins. An empty script word is one the recogniser
// cannot say: it never matches and is passed over at no cost.
class FollowMatcher final {
public:
    static constexpr int kBehind = 20;
    static constexpr int kAhead = 60;
    static constexpr int kRecent = 10; // heard words considered, newest last
    static constexpr int kForwardRun = 3;
    static constexpr int kBackRun = 5;

    explicit FollowMatcher(QStringList script = {});

    const QStringList &script() const { return m_script; }
    int position() const { return m_position; }

    // A new script; the position is kept within it.
    void setScript(QStringList script);
    // The reader is now here (a hand scroll, a cue jump, a restart).
    void reanchor(int position);

    // The words heard lately, oldest first (only the last kRecent are looked at). True when
    // the position moved. A recogniser's partial result may drop its newest words for a
    // moment, which would look like a re-read; such results pass `mayGoBack` false.
    bool hear(const QStringList &heard, bool mayGoBack = true);

private:
    QStringList m_script;
    int m_position = 0;
};

} // namespace qm
