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
class StatsCache final {
public:
    const ScriptStats &stats(const QUuid &id, const QString &text);
    // Forgets the scripts not in `ids`.
    void retain(const QList<QUuid> &ids);
    qsizetype size() const { return m_entries.size(); }
    // How many times the statistics were actually computed.
    qint64 computations() const { return m_computations; }

private:
    struct Entry {
        QString text;
        ScriptStats stats;
    };
    QHash<QUuid, Entry> m_entries;
    qint64 m_computations = 0;
};

// "1 234 words · 8 min 13 sec" for a list row, "Empty" without words.
QString rowSubtitleText(const ScriptStats &stats);
// The editor's line under the title: words, reading time and cues, or "No words yet".
QString statisticsLineText(const ScriptStats &stats);

} // namespace qm
