// SPDX-License-Identifier: GPL-3.0-or-later
#include "follow_matcher.h"

#include <algorithm>
#include <vector>

namespace qm {

namespace {

constexpr int kMatch = 2;
constexpr int kMismatch = -1;
constexpr int kGap = -1;
// Beyond this many words ahead, every kWordsPerPoint words further cost a point of evidence.
constexpr int kNearAhead = 12;
constexpr double kWordsPerPoint = 8;

struct Cell {
    int score = 0;
    int matches = 0;
    bool endsInMatch = false;
};

} // namespace

FollowMatcher::FollowMatcher(QStringList script)
    : m_script(std::move(script))
{
}

void FollowMatcher::setScript(QStringList script)
{
    m_script = std::move(script);
    m_position = std::clamp(m_position, 0, std::max(int(m_script.size()) - 1, 0));
}

void FollowMatcher::reanchor(int position)
{
    m_position = std::clamp(position, 0, std::max(int(m_script.size()) - 1, 0));
}

bool FollowMatcher::hear(const QStringList &heardAll, bool mayGoBack)
{
    if (m_script.isEmpty() || heardAll.isEmpty())
        return false;
    const int n = int(heardAll.size());
    const int first = std::max(0, n - kRecent);
    const int m = n - first;
    const int lo = std::max(0, m_position - kBehind);
    const int hi = std::min(int(m_script.size()), m_position + kAhead + 1);
    const int w = hi - lo;

    // Local alignment of the heard words (rows) with the window (columns).
    std::vector<Cell> cells(std::size_t(m + 1) * std::size_t(w + 1));
    auto at = [&](int i, int j) -> Cell & { return cells[std::size_t(i) * (w + 1) + j]; };
    for (int i = 1; i <= m; ++i) {
        const QString &heard = heardAll.at(first + i - 1);
        for (int j = 1; j <= w; ++j) {
            const QString &word = m_script.at(lo + j - 1);
            const bool same = !word.isEmpty() && heard == word;
            // A word the recogniser cannot say is passed over for free.
            const int skip = word.isEmpty() ? 0 : kGap;
            const Cell &diag = at(i - 1, j - 1);
            Cell best;
            const int d = diag.score + (same ? kMatch : kMismatch);
            if (d > 0)
                best = {d, diag.matches + (same ? 1 : 0), same};
            if (const Cell &up = at(i - 1, j); up.score + kGap > best.score)
                best = {up.score + kGap, up.matches, false};
            if (const Cell &left = at(i, j - 1); left.score + skip > best.score)
                best = {left.score + skip, left.matches, false};
            // A match that starts afresh beats carrying a weak path into it.
            if (same && best.score < kMatch)
                best = {kMatch, 1, true};
            at(i, j) = best;
        }
    }

    // How far a word of the script is from where the reader is, looking ahead first.
    auto distance = [&](int index) {
        return index >= m_position ? 2 * (index - m_position) : 3 * (m_position - index);
    };
    // A run far ahead needs more evidence than one just ahead: scripts repeat short phrases
    // ("of the town"), and three of their words far ahead are more often chance than a skip.
    auto evidence = [&](int index, const Cell &c) {
        const int ahead = index - m_position - kNearAhead;
        return double(c.score) - (ahead > 0 ? double(ahead) / kWordsPerPoint : 0.0);
    };

    // The newest heard word that ends a convincing run decides.
    for (int i = m; i >= 1; --i) {
        int bestJ = -1;
        for (int j = 1; j <= w; ++j) {
            const Cell &c = at(i, j);
            if (!c.endsInMatch || c.matches < kForwardRun
                || evidence(lo + j - 1, c) < kMatch * kForwardRun - 1)
                continue;
            if (bestJ < 0)
                bestJ = j;
            const double e = evidence(lo + j - 1, c);
            const double be = evidence(lo + bestJ - 1, at(i, bestJ));
            if (e > be || (e == be && distance(lo + j - 1) < distance(lo + bestJ - 1)))
                bestJ = j;
        }
        if (bestJ < 0)
            continue;
        const int index = lo + bestJ - 1;
        const Cell &c = at(i, bestJ);
        // Going back takes a longer run, ending with the word heard last: older heard words
        // matching where they were already read are no evidence of a re-read.
        const bool back
            = mayGoBack && i == m && c.matches >= kBackRun && c.score >= kMatch * kBackRun - 1;
        if (index > m_position || (index < m_position && back)) {
            m_position = index;
            return true;
        }
        return false;
    }
    return false;
}

} // namespace qm
