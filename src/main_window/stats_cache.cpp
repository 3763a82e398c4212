// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats_cache.h"

#include <QSet>

namespace qm {

bool sameText(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    if (a.constData() == b.constData())
        return true;
    return a == b;
}

const ScriptStats &StatsCache::stats(const QUuid &id, const QString &text)
{
    auto it = m_entries.find(id);
    if (it == m_entries.end()) {
        it = m_entries.insert(id, Entry {text, scriptStats(text)});
        ++m_computations;
    } else if (!sameText(it->text, text)) {
        it->text = text;
        it->stats = scriptStats(text);
        ++m_computations;
    } else if (it->text.constData() != text.constData()) {
        // Equal but separate buffers: keep the caller's, so the next check is the quick one.
        it->text = text;
    }
    return it->stats;
}

void StatsCache::retain(const QList<QUuid> &ids)
{
    // Scripts only leave one at a time or all together; a stale entry is harmless meanwhile.
    if (m_entries.size() <= ids.size())
        return;
    const QSet<QUuid> keep(ids.cbegin(), ids.cend());
    m_entries.removeIf([&keep](const auto &entry) { return !keep.contains(entry.key()); });
}

QString rowSubtitleText(const ScriptStats &stats)
{
    if (stats.words <= 0)
        return QStringLiteral("Empty");
    return QString::number(stats.words) + QStringLiteral(" words \u00B7 ") + stats.time;
}

QString statisticsLineText(const ScriptStats &stats)
{
    if (stats.words <= 0)
        return QStringLiteral("No words yet");
    const qsizetype cues = stats.cues.size();
    return QString::number(stats.words) + QStringLiteral(" words  \u00B7  about ") + stats.time
        + QStringLiteral(" to read  \u00B7  ") + QString::number(cues) + u' '
        + (cues == 1 ? QStringLiteral("cue") : QStringLiteral("cues"));
}

} // namespace qm
