// SPDX-License-Identifier: GPL-3.0-or-later
#include "follow_matcher.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>

namespace qm {

namespace {

constexpr int kMatch = 2;
constexpr int kMismatch = -1;
constexpr int kGap = -1;
// Beyond this many words ahead, every kWordsPerPoint words further cost a point of evidence.
constexpr int kNearAhead = 12;
// A move further than this many words rests on matches past the position telling this much.
constexpr int kNearMove = 3;
constexpr double kMoveInfo = 1.0;
// And beyond kNearAhead words, this much more for every word further.
constexpr double kMoveInfoPerWord = 0.1;
constexpr double kWordsPerPoint = 8;

// How much a matched word tells: 1 for a word rarer than one in 2^kRareBits of the script,
// less for common ones ("the" is about 0.6), never below kLeastInfo.
constexpr double kRareBits = 6;
constexpr double kLeastInfo = 0.25;
// A word telling this much is one of the script's distinctive ones.
constexpr double kDistinctive = 0.9;
// A re-read needs this much; a move found by the whole-script search kFarInfo, and
// kFarInfoPerDoubling more each time the distance doubles past the window: two of the
// script's rarer words and a common one will do for a skip of up to about 180 words.
constexpr double kReReadInfo = 2.0;
constexpr double kFarInfo = 2.0;
constexpr double kFarInfoPerDoubling = 0.15;
// The place found must fit better than any other by this much.
constexpr double kClearMargin = 1.0;
// A pair of words occurring more often than this says nothing of where the reader is.
constexpr std::size_t kMaxPostings = 32;
// The search looks this far ahead and beyond; nearer, the window decides alone.
constexpr int kFarAhead = 2 * kNearAhead;
// Places looked at closely per search.
constexpr int kSeedPlaces = 6;
// Seeds this close together are one place.
constexpr int kSeedSpread = 8;
constexpr int kMaxPreds = 4;

// The words English speech is full of, and the recogniser's usual guess for audio it cannot
// place: however rare in the script, one of them says little of where the reader is.
constexpr double kCommonInfo = 0.3;
const QSet<QString> &commonWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> out;
        for (const char *w : {"a", "about", "ah", "all", "an", "and", "are", "as", "at", "be",
                 "been", "but", "by", "can", "could", "did", "do", "does", "for", "from", "get",
                 "go", "had", "has", "have", "he", "her", "here", "him", "his", "how", "i", "i'll",
                 "i'm", "if", "in", "into", "is", "it", "it's", "its", "just", "like", "me", "more",
                 "my", "no", "not", "now", "of", "oh", "on", "one", "or", "our", "out", "say",
                 "see", "she", "so", "some", "than", "that", "the", "their", "them", "then",
                 "there", "they", "this", "to", "up", "us", "was", "we", "well", "were", "what",
                 "when", "where", "which", "who", "will", "with", "would", "yes", "you", "your"})
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return words;
}

quint64 pairKey(int a, int b)
{
    return (quint64(quint32(a)) << 32) | quint32(b);
}

} // namespace

class FollowMatcher::Script {
public:
    struct Alt {
        int first = 0;
        int count = 0;
        std::vector<int> ids;
    };

    QHash<QString, int> vocabulary;
    std::vector<int> ids; // by position; -1 for a word that cannot be said
    std::vector<float> info; // by word number
    std::vector<Alt> alts; // ordered by their last position
    std::vector<int> altsEndingAt; // alts[altsEndingAt[p] .. altsEndingAt[p + 1]) end at p
    std::unordered_map<quint64, std::vector<int>> pairs; // word pair → positions of its second

    int idOf(const QString &word) const { return vocabulary.value(word, -1); }
};

namespace {

// The script position the k-th word of an alternative stands for: spread over the words it
// replaces, its last word on their last.
int altPosition(const FollowMatcher::Script::Alt &a, std::size_t k)
{
    const auto words = a.ids.size();
    return k + 1 == words ? a.first + a.count - 1 : a.first + int(k * std::size_t(a.count) / words);
}

} // namespace

std::shared_ptr<const FollowMatcher::Script> FollowMatcher::prepare(
    QStringList words, const QList<SpokenAlternative> &alternatives)
{
    auto s = std::make_shared<Script>();
    std::vector<int> counts;
    auto intern = [&](const QString &w) {
        if (w.isEmpty())
            return -1;
        auto it = s->vocabulary.find(w);
        if (it == s->vocabulary.end()) {
            it = s->vocabulary.insert(w, int(counts.size()));
            counts.push_back(0);
        }
        ++counts[std::size_t(*it)];
        return *it;
    };
    const int n = int(words.size());
    s->ids.reserve(std::size_t(n));
    for (const QString &w : words)
        s->ids.push_back(intern(w));
    for (const SpokenAlternative &a : alternatives) {
        if (a.first < 0 || a.count < 1 || a.first + a.count > n || a.words.isEmpty())
            continue;
        Script::Alt alt {a.first, a.count, {}};
        for (const QString &w : a.words)
            alt.ids.push_back(intern(w));
        s->alts.push_back(std::move(alt));
    }
    std::stable_sort(
        s->alts.begin(), s->alts.end(), [](const Script::Alt &a, const Script::Alt &b) {
            return a.first + a.count < b.first + b.count;
        });
    s->altsEndingAt.assign(std::size_t(n) + 1, 0);
    for (const Script::Alt &a : s->alts)
        ++s->altsEndingAt[std::size_t(a.first + a.count)];
    for (int p = 0; p < n; ++p)
        s->altsEndingAt[std::size_t(p) + 1] += s->altsEndingAt[std::size_t(p)];

    double total = 0;
    for (int c : counts)
        total += c;
    s->info.resize(counts.size());
    for (auto it = s->vocabulary.cbegin(); it != s->vocabulary.cend(); ++it) {
        const auto id = std::size_t(it.value());
        const double rare = std::clamp(std::log2(total / counts[id]) / kRareBits, kLeastInfo, 1.0);
        s->info[id] = float(commonWords().contains(it.key()) ? std::min(rare, kCommonInfo) : rare);
    }

    auto addPair = [&](int a, int b, int position) {
        if (a >= 0 && b >= 0)
            s->pairs[pairKey(a, b)].push_back(position);
    };
    for (int p = 1; p < n; ++p)
        addPair(s->ids[std::size_t(p - 1)], s->ids[std::size_t(p)], p);
    for (const Script::Alt &a : s->alts) {
        const int last = a.first + a.count - 1;
        int prev = a.first > 0 ? s->ids[std::size_t(a.first - 1)] : -1;
        for (std::size_t k = 0; k < a.ids.size(); ++k) {
            addPair(prev, a.ids[k], altPosition(a, k));
            prev = a.ids[k];
        }
        if (last + 1 < n)
            addPair(prev, s->ids[std::size_t(last + 1)], last + 1);
    }
    return s;
}

// MARK: Alignment

struct FollowMatcher::Table {
    struct Cell {
        int score = 0;
        int matches = 0;
        int start = -1; // heard row (1-based) of the path's first match
        int beyond = 0; // matches past the position the alignment was made from
        float info = 0;
        bool endsInMatch = false;
        float beyondInfo = 0; // what the matches past the position tell
        float beyondMost = 0; // and the most that one of them tells
    };

    // One script word in an alignment: a word of the script or of one of its alternatives, with
    // the columns that may come before it (0: nothing before, the alignment starts there).
    struct Column {
        int id = -1;
        int position = 0;
        std::array<int, kMaxPreds> preds {};
        int predCount = 0;
        void addPred(int column)
        {
            if (predCount < kMaxPreds)
                preds[std::size_t(predCount++)] = column;
        }
    };

    int m = 0;
    int lo = 0;
    int hi = 0;
    std::vector<Column> cols;
    std::vector<Cell> cells;
    const Cell &at(int i, int j) const { return cells[std::size_t(i) * (cols.size() + 1) + j]; }
    Cell &at(int i, int j) { return cells[std::size_t(i) * (cols.size() + 1) + j]; }
};

// Local alignment of the heard words (rows) with the script words lo..hi-1 and the
// alternatives lying wholly among them (columns, in an order where every column comes after
// those that may precede it). A match in the first `readRows` rows never counts as past the
// position: those words are explained by the text already read.
FollowMatcher::Table FollowMatcher::align(
    const std::vector<int> &heard, int lo, int hi, int readRows) const
{
    const Script &s = *m_script;
    Table t;
    t.m = int(heard.size());
    t.lo = lo;
    t.hi = hi;
    auto said = [&](int id) { return id >= 0 && !m_unsayable[std::size_t(id)] ? id : -1; };
    std::vector<int> columnOf(std::size_t(std::max(hi - lo, 0)), 0);
    std::vector<int> altEnds, nextAltEnds;
    for (int p = lo; p < hi; ++p) {
        Table::Column c;
        c.id = said(s.ids[std::size_t(p)]);
        c.position = p;
        if (p > lo) {
            c.addPred(columnOf[std::size_t(p - 1 - lo)]);
            for (int e : altEnds)
                c.addPred(e);
        }
        t.cols.push_back(c);
        columnOf[std::size_t(p - lo)] = int(t.cols.size());
        nextAltEnds.clear();
        for (int k = s.altsEndingAt[std::size_t(p)]; k < s.altsEndingAt[std::size_t(p) + 1]; ++k) {
            const Script::Alt &a = s.alts[std::size_t(k)];
            if (a.first < lo)
                continue;
            for (std::size_t w = 0; w < a.ids.size(); ++w) {
                Table::Column ac;
                ac.id = said(a.ids[w]);
                ac.position = altPosition(a, w);
                if (w > 0)
                    ac.addPred(int(t.cols.size()));
                else if (a.first > lo)
                    ac.addPred(columnOf[std::size_t(a.first - 1 - lo)]);
                t.cols.push_back(ac);
            }
            nextAltEnds.push_back(int(t.cols.size()));
        }
        std::swap(altEnds, nextAltEnds);
    }

    const int w = int(t.cols.size());
    t.cells.assign(std::size_t(t.m + 1) * std::size_t(w + 1), Table::Cell {});
    for (int i = 1; i <= t.m; ++i) {
        const int h = heard[std::size_t(i - 1)];
        const float hInfo = h >= 0 ? s.info[std::size_t(h)] : 0.0F;
        for (int j = 1; j <= w; ++j) {
            const Table::Column &col = t.cols[std::size_t(j - 1)];
            const bool same = h >= 0 && col.id == h;
            // A word the recogniser cannot say is passed over for free.
            const int skip = col.id < 0 ? 0 : kGap;
            Table::Cell best;
            const int predCount = std::max(col.predCount, 1);
            for (int k = 0; k < predCount; ++k) {
                const int q = col.predCount ? col.preds[std::size_t(k)] : 0;
                const Table::Cell &diag = t.at(i - 1, q);
                const int d = diag.score + (same ? kMatch : kMismatch);
                if (d > best.score) {
                    const bool past = same && col.position > m_position && i > readRows;
                    best = {d, diag.matches + (same ? 1 : 0),
                        same && diag.start < 0 ? i : diag.start, diag.beyond + (past ? 1 : 0),
                        diag.info + (same ? hInfo : 0), same, diag.beyondInfo + (past ? hInfo : 0),
                        past ? std::max(diag.beyondMost, hInfo) : diag.beyondMost};
                }
                const Table::Cell &left = t.at(i, q);
                if (left.score + skip > best.score) {
                    best = left;
                    best.score += skip;
                    best.endsInMatch = false;
                }
            }
            if (const Table::Cell &up = t.at(i - 1, j); up.score + kGap > best.score) {
                best = up;
                best.score += kGap;
                best.endsInMatch = false;
            }
            // A match that starts afresh beats carrying a weak path into it.
            if (same && best.score < kMatch) {
                const bool past = col.position > m_position && i > readRows;
                best
                    = {kMatch, 1, i, past ? 1 : 0, hInfo, true, past ? hInfo : 0, past ? hInfo : 0};
            }
            t.at(i, j) = best;
        }
    }
    return t;
}

// MARK: Matching

FollowMatcher::FollowMatcher(QStringList script, const QList<SpokenAlternative> &alternatives)
{
    setScript(std::move(script), alternatives);
}

FollowMatcher::~FollowMatcher() = default;

int FollowMatcher::size() const
{
    return m_script ? int(m_script->ids.size()) : 0;
}

void FollowMatcher::setScript(QStringList script, const QList<SpokenAlternative> &alternatives)
{
    setPrepared(prepare(std::move(script), alternatives));
}

void FollowMatcher::setPrepared(std::shared_ptr<const Script> script)
{
    m_script = script ? std::move(script) : prepare({});
    m_since.clear();
    m_unsayable.assign(m_script->info.size(), 0);
    m_position = std::clamp(m_position, 0, std::max(size() - 1, 0));
}

void FollowMatcher::setUnsayable(const QSet<QString> &words)
{
    m_unsayable.assign(m_script->info.size(), 0);
    for (const QString &w : words) {
        if (const int id = m_script->idOf(w); id >= 0)
            m_unsayable[std::size_t(id)] = 1;
    }
}

void FollowMatcher::reanchor(int position)
{
    m_since.clear();
    m_position = std::clamp(position, 0, std::max(size() - 1, 0));
}

bool FollowMatcher::moveTo(int index)
{
    if (index == m_position || !allowed(index))
        return false;
    m_position = index;
    return true;
}

bool FollowMatcher::hear(const QStringList &heardAll, bool mayGoBack, int maxAhead)
{
    m_maxAhead = maxAhead;
    if (size() == 0 || heardAll.isEmpty())
        return false;
    // Words heard before the reader went elsewhere are history: they would pull the position
    // back to where it was.
    int since = 0;
    if (!m_since.isEmpty()) {
        since = -1;
        for (int k = int(heardAll.size() - m_since.size()); k >= 0 && since < 0; --k) {
            if (std::equal(m_since.cbegin(), m_since.cend(), heardAll.cbegin() + k))
                since = k;
        }
        if (since < 0) {
            m_since.clear();
            since = 0;
        }
    }
    const int n = int(heardAll.size());
    const int first = std::max(since, n - kRecent);
    std::vector<int> heard;
    for (int i = first; i < n; ++i) {
        const int id = m_script->idOf(heardAll.at(i));
        heard.push_back(id >= 0 && !m_unsayable[std::size_t(id)] ? id : -1);
    }
    if (heard.empty())
        return false;
    // A move elsewhere starts the history afresh from the words that found it.
    auto moveElsewhere = [&](int index, int startRow) {
        if (!allowed(index))
            return false;
        m_since = heardAll.mid(first + startRow - 1);
        return moveTo(index);
    };
    const int m = int(heard.size());
    const int p = m_position;
    const int lo = std::max(0, p - kBehind);
    const int hi = std::min(size(), p + kAhead + 1);
    const Table near = align(heard, lo, hi);
    const int w = int(near.cols.size());
    auto pos = [&](int j) { return near.cols[std::size_t(j - 1)].position; };
    // The newest heard word ending a run read up to the position, and fitting there better
    // than anywhere ahead: it and the words before it are explained by the text read. Where
    // they stand again past the next two lines, they are no evidence of a move there ("the
    // town" just read, then an ad-lib's "and the", is not "the town and the" a line on): only
    // the words heard after them count as matching past the position. Nearer, a chorus line
    // the recogniser dropped words of may well be the next one.
    int readRow = 0;
    for (int r = m; r >= 1 && readRow == 0; --r) {
        int read = std::numeric_limits<int>::min();
        int ahead = std::numeric_limits<int>::min();
        for (int j = 1; j <= w; ++j) {
            const Table::Cell &c = near.at(r, j);
            if (!c.endsInMatch)
                continue;
            if (pos(j) > p)
                ahead = std::max(ahead, c.score);
            else if (pos(j) >= p - 1 && c.matches >= kForwardRun)
                read = std::max(read, c.score);
        }
        if (read > ahead)
            readRow = r;
    }
    std::optional<Table> unread;
    if (readRow > 0)
        unread = align(heard, lo, hi, readRow);

    // Words the reader can say after `from`, up to `to`.
    auto sayable = [&](int from, int to) {
        int count = 0;
        for (int k = from + 1; k <= to; ++k) {
            const int id = m_script->ids[std::size_t(k)];
            count += id >= 0 && !m_unsayable[std::size_t(id)] ? 1 : 0;
        }
        return count;
    };
    // Words that must match past the position to move `words` further: one word on rests on
    // the run behind it, misheard words between included; a longer move on more of its own.
    auto beyondNeeded = [](int words) { return words <= 3 ? 1 : words <= 8 ? 2 : kForwardRun; };
    // How far a word of the script is from where the reader is, looking ahead first.
    auto distance = [&](int index) { return index >= p ? 2 * (index - p) : 3 * (p - index); };
    // A run far ahead needs more evidence than one just ahead: scripts repeat short phrases
    // ("of the town"), and three of their words far ahead are more often chance than a skip.
    auto evidence = [&](int index, const Table::Cell &c) {
        const int ahead = index - p - kNearAhead;
        return double(c.score) - (ahead > 0 ? double(ahead) / kWordsPerPoint : 0.0);
    };
    // Whether a heard word just before row `start` matched beyond `index`: the reader was
    // there, then went back to read again.
    // A word of its own says so when it is a distinctive one.
    auto cameFromBeyond = [&](int start, int index) {
        for (int r = start - 1; r >= std::max(1, start - kReReadLookBack); --r) {
            const int h = heard[std::size_t(r - 1)];
            const bool distinctive = h >= 0 && m_script->info[std::size_t(h)] >= kDistinctive;
            for (int j = 1; j <= w; ++j) {
                const Table::Cell &c = near.at(r, j);
                if (c.endsInMatch && (c.matches >= 2 || distinctive) && pos(j) > index)
                    return true;
            }
        }
        return false;
    };
    // Whether heard words newer than row i, in a run of their own, match behind `index`: the
    // reader is no longer where row i points.
    auto newerBehind = [&](int i, int index) {
        for (int r = i + 1; r <= m; ++r) {
            for (int j = 1; j <= w; ++j) {
                const Table::Cell &c = near.at(r, j);
                if (c.endsInMatch && c.matches >= 2 && c.start > i && pos(j) < index)
                    return true;
            }
        }
        return false;
    };
    // Whether the word heard at row i also ends a run of its own behind the position, begun
    // after the run read up to it and holding one of the script's distinctive words: the
    // reader went back there ("crack", then "an old stronger the" as the sentence is begun
    // again), and the same word just past the position is chance.
    auto runBehind = [&](int i) {
        int atPosition = 0;
        for (int r = i - 1; r >= 1 && atPosition == 0; --r) {
            for (int j = 1; j <= w; ++j) {
                if (pos(j) == p && near.at(r, j).endsInMatch)
                    atPosition = r;
            }
        }
        for (int j = 1; j <= w && atPosition > 0; ++j) {
            const Table::Cell &c = near.at(i, j);
            if (pos(j) < p - 1 && c.endsInMatch && c.matches >= 2 && c.start > atPosition
                && c.info >= float(kDistinctive + kCommonInfo))
                return true;
        }
        return false;
    };

    // Whether the words of a run behind the position fit as well somewhere ahead of it, in the
    // window: a chorus sung again, with the reader at or before its later copy.
    auto fitsAhead = [&](int i, const Table::Cell &r) {
        for (int j = 1; j <= w; ++j) {
            const Table::Cell &c = near.at(i, j);
            if (c.endsInMatch && pos(j) > p && c.score >= r.score)
                return true;
        }
        return false;
    };

    // Whether the words of a run found far off fit about as well in the window on their own,
    // at another place than the one found (a phrase the script repeats).
    auto fitsNear = [&](const Far &far) {
        const std::vector<int> rows(heard.begin() + far.startRow - 1, heard.begin() + far.endRow);
        const Table t = align(rows, near.lo, near.hi);
        for (int j = 1; j <= int(t.cols.size()); ++j) {
            if (t.at(t.m, j).score > far.score - kMatch
                && std::abs(t.cols[std::size_t(j - 1)].position - far.index) > 2 * kRecent)
                return true;
        }
        return false;
    };

    // A re-read: a run of its own among the newest heard words, more than a word behind the
    // position (a revised guess moves a word), right after words that matched beyond it. The
    // words after it may be misheard, but none may start a run of their own at the position
    // or past it: then the reader is there. The recogniser is often a word or two behind
    // with the newest ones.
    int rereadRow = -1;
    int rereadJ = -1;
    for (int i = m; i >= std::max(1, m - kReReadSlack) && rereadJ < 0; --i) {
        // The same words may fit where the reader is as well or better (a line said twice in
        // a row, a chorus): then they are read on, not again.
        auto fitsHere = [&](const Table::Cell &r) {
            for (int j = 1; j <= w; ++j) {
                const Table::Cell &c = near.at(i, j);
                if (c.endsInMatch && pos(j) >= p - 1 && c.start >= r.start && c.score >= r.score)
                    return true;
            }
            return false;
        };
        for (int j = 1; j <= w; ++j) {
            const Table::Cell &r = near.at(i, j);
            if (pos(j) < p - 1 && r.endsInMatch && !fitsHere(r) && r.matches >= kReReadRun
                && r.score >= kMatch * kReReadRun - 1 && r.info >= kReReadInfo
                && (rereadJ < 0 || r.score > near.at(i, rereadJ).score)
                && cameFromBeyond(r.start, pos(j))) {
                rereadRow = i;
                rereadJ = j;
            }
        }
    }
    // Nor is it one when the same run goes on to the position: that is reading on.
    if (rereadJ >= 0) {
        const int rereadStart = near.at(rereadRow, rereadJ).start;
        for (int r = rereadRow + 1; r <= m && rereadJ >= 0; ++r) {
            for (int j = 1; j <= w; ++j) {
                const Table::Cell &c = near.at(r, j);
                if (c.endsInMatch && c.matches >= 2
                    && (c.start > rereadRow || c.start == rereadStart) && pos(j) >= p - 1) {
                    rereadJ = -1;
                    break;
                }
            }
        }
    }

    // The newest heard word that ends a convincing run decides.
    for (int i = m; i >= 1; --i) {
        int bestJ = -1;
        for (int j = 1; j <= w; ++j) {
            const int index = pos(j);
            const Table::Cell &c
                = unread && index > p + kNearAhead ? unread->at(i, j) : near.at(i, j);
            if (!c.endsInMatch || c.matches < kForwardRun
                || evidence(index, c) < kMatch * kForwardRun - 1)
                continue;
            // Words matching up to the position and then one far on say nothing of a move:
            // one further on rests on more words matching past the position. Far ahead, the
            // rest of the script may fit as well: the search decides.
            if (index > p && (index >= p + kFarAhead || c.beyond < beyondNeeded(sayable(p, index))))
                continue;
            // Nor do a few common words far apart: "the ... the ... it" fits anywhere, and so
            // does "so here is" a line on, whatever the recogniser made of the reader's words.
            // Past the next two lines they must tell more, the farther the more: "the market
            // up the" three lines on is more often the recogniser's guess than the reader.
            const double moveInfo
                = kMoveInfo + kMoveInfoPerWord * std::max(0, index - p - kNearAhead);
            if (index > p + kNearMove
                && (c.beyondInfo < moveInfo || c.beyondMost <= float(kCommonInfo)))
                continue;
            if (bestJ < 0)
                bestJ = j;
            // The same words fitting as well at two places (a chorus, a line said twice): the
            // nearer one, looking ahead first, whatever the distance costs as evidence.
            const Table::Cell &bc = near.at(i, bestJ);
            const double e = evidence(pos(j), c);
            const double be = evidence(pos(bestJ), bc);
            if (c.score == bc.score ? distance(pos(j)) < distance(pos(bestJ)) : e > be)
                bestJ = j;
        }
        if (bestJ < 0)
            continue;
        const int index = pos(bestJ);
        const Table::Cell &c = near.at(i, bestJ);
        // The re-read wins over a move on that rests on fewer words matching past the
        // position.
        if (rereadJ >= 0 && (index <= p || c.beyond < near.at(rereadRow, rereadJ).matches))
            return moveElsewhere(pos(rereadJ), near.at(rereadRow, rereadJ).start);
        if (index > p) {
            if (i < m && newerBehind(i, index))
                break;
            if (c.beyond < 2 && runBehind(i))
                break;
            // Words heard after the run that fit well elsewhere in the script: the reader
            // read on here, then went there. Or the run's newest words fit better elsewhere
            // than this run fits here (a few words past the position strung onto it across
            // misheard ones): the reader went there.
            const Far far = searchFar(heard, near);
            if (far.index >= 0 && (far.startRow > i || (far.endRow >= i && !fitsNear(far))))
                return moveElsewhere(far.index, far.startRow);
            return moveTo(index);
        }
        // Going back otherwise takes a longer run ending with the word heard last, from a
        // result that may go back.
        if (index < p && i == m && mayGoBack && c.matches >= kBackRun
            && c.score >= kMatch * kBackRun - 1 && !fitsAhead(i, c))
            return moveElsewhere(index, c.start);
        break;
    }
    if (rereadJ >= 0)
        return moveElsewhere(pos(rereadJ), near.at(rereadRow, rereadJ).start);
    // Words found far off that fit as well where the reader is were read there: at the
    // script's end, its last phrase standing earlier on too must not pull the text back while
    // talk goes on; a phrase just read that stands again far ahead must not pull it on.
    const Far far = searchFar(heard, near);
    return far.index >= 0 && !fitsNear(far) && moveElsewhere(far.index, far.startRow);
}

// The whole script searched for where the newest heard words fit, outside the window.
FollowMatcher::Far FollowMatcher::searchFar(const std::vector<int> &heard, const Table &near) const
{
    const Script &s = *m_script;
    const int m = int(heard.size());
    if (m < kFarRun)
        return {};
    const int p = m_position;
    // Where the window alone decides: behind the position, and just ahead of it.
    auto nearZone = [&](int index) { return index >= near.lo && index < p + kFarAhead; };

    // Seeds: where each pair of heard words occurs, as the place the newest word would be.
    struct Seed {
        int end;
        double weight;
    };
    std::vector<Seed> seeds;
    const double total = double(std::max<std::size_t>(s.ids.size(), 2));
    for (int r = 0; r + 1 < m; ++r) {
        const int a = heard[std::size_t(r)], b = heard[std::size_t(r + 1)];
        if (a < 0 || b < 0)
            continue;
        const auto it = s.pairs.find(pairKey(a, b));
        if (it == s.pairs.end() || it->second.size() > kMaxPostings)
            continue;
        const double weight = std::log2(total / double(it->second.size()));
        for (int at : it->second) {
            const int end = at + (m - 2 - r);
            if (!nearZone(end))
                seeds.push_back({end, weight});
        }
    }
    if (seeds.empty())
        return {};
    std::sort(
        seeds.begin(), seeds.end(), [](const Seed &x, const Seed &y) { return x.end < y.end; });
    struct Place {
        int from;
        int to;
        double weight;
    };
    std::vector<Place> places;
    for (const Seed &seed : seeds) {
        if (!places.empty() && seed.end - places.back().to <= kSeedSpread) {
            places.back().to = seed.end;
            places.back().weight += seed.weight;
        } else {
            places.push_back({seed.end, seed.end, seed.weight});
        }
    }
    std::sort(places.begin(), places.end(),
        [](const Place &x, const Place &y) { return x.weight > y.weight; });
    if (int(places.size()) > kSeedPlaces)
        places.resize(kSeedPlaces);

    // The best run ending with one of the two newest heard words, in each place.
    struct Found {
        int index = -1;
        int row = 0;
        Table::Cell cell;
    };
    std::vector<Found> found;
    for (const Place &place : places) {
        const int lo = std::max(0, place.from - m - kSeedSpread);
        const int hi = std::min(int(s.ids.size()), place.to + kSeedSpread + 1);
        const Table t = align(heard, lo, hi);
        Found best;
        for (int i = m; i >= std::max(1, m - kReReadSlack); --i) {
            for (int j = 1; j <= int(t.cols.size()); ++j) {
                const Table::Cell &c = t.at(i, j);
                const int index = t.cols[std::size_t(j - 1)].position;
                if (!c.endsInMatch || nearZone(index))
                    continue;
                if (best.index < 0 || c.info > best.cell.info)
                    best = {index, i, c};
            }
        }
        if (best.index >= 0)
            found.push_back(best);
    }
    if (found.empty())
        return {};
    std::sort(found.begin(), found.end(),
        [](const Found &x, const Found &y) { return x.cell.info > y.cell.info; });
    const Found &best = found.front();
    const Table::Cell &c = best.cell;
    const double d = std::abs(best.index - p);
    const double needed = kFarInfo + kFarInfoPerDoubling * std::log2(1.0 + d / kAhead);
    if (c.matches < kFarRun || c.score < kMatch * kFarRun - 1 || c.info < needed)
        return {};
    // Another place that fits the same words about as well (a repeated chorus) leaves the
    // reader where they are.
    for (std::size_t k = 1; k < found.size(); ++k) {
        if (std::abs(found[k].index - best.index) > 2 * kRecent
            && found[k].cell.info > c.info - kClearMargin)
            return {};
    }
    for (int i = m; i >= std::max(1, m - kReReadSlack); --i) {
        for (int j = 1; j <= int(near.cols.size()); ++j) {
            const Table::Cell &nc = near.at(i, j);
            const int index = near.cols[std::size_t(j - 1)].position;
            if (nc.endsInMatch && nc.start >= c.start && std::abs(index - best.index) > 2 * kRecent
                && nc.info > c.info - kClearMargin)
                return {};
        }
    }
    return {best.index, c.start, best.row, c.score};
}

} // namespace qm
