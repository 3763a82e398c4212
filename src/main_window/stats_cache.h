// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

namespace qm {

// True when both hold the same characters; texts that share their buffer (the usual case
// between the editor, the store and this cache) are recognised without reading them.
bool sameText(const QString &a, const QString &b);

// The statistics of each script, recomputed only when its text changed. The list rows and the
// editor ask on every store change; typing changes one script, so one computation per keystroke.
//
// The result equals scriptStats(text) except that the cue sections carry no body (their id and
// cue text are exact): nothing here shows a body, and leaving them out lets an edit that touches
// no cue line be counted from the lines it changed instead of from the whole text, so typing in
// a long script costs the same as in a short one.
class StatsCache final {
public:
    const ScriptStats &stats(const QUuid &id, const QString &text);
    // Forgets the scripts not in `ids`.
    void retain(const QList<QUuid> &ids);
    qsizetype size() const { return m_entries.size(); }
    // How many times the statistics were computed, and how many of those read the whole text.
    qint64 computations() const { return m_computations; }
    qint64 fullComputations() const { return m_fullComputations; }

private:
    struct Entry {
        QString text;
        ScriptStats stats;
        // Where the first cue line starts (-1 without cues) and how many words and characters
        // stand before it: the text before the first cue is a section of its own only when it
        // is not blank, which moves every cue's id by one.
        qsizetype firstCue = -1;
        qint64 leadCount = 0;
    };
    static Entry compute(const QString &text);
    static bool update(Entry &entry, const QString &text);

    QHash<QUuid, Entry> m_entries;
    qint64 m_computations = 0;
    qint64 m_fullComputations = 0;
};

// "1 234 words · 8 min 13 sec" for a list row (characters for Chinese, Japanese and Korean),
// "Empty" without words.
QString rowSubtitleText(const ScriptStats &stats);
// The editor's line under the title: words, reading time and cues, or "No words yet".
QString statisticsLineText(const ScriptStats &stats);

} // namespace qm
