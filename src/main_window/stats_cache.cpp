// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats_cache.h"

#include "model/sections.h"

#include <QSet>

#include <cstring>

namespace qm {

bool sameText(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    if (a.constData() == b.constData())
        return true;
    return a == b;
}

namespace {

// Compares in blocks first: the texts are long and differ in one small place.
qsizetype commonPrefix(QStringView a, QStringView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    constexpr qsizetype kBlock = 512;
    qsizetype i = 0;
    while (i + kBlock <= n && std::memcmp(a.data() + i, b.data() + i, kBlock * sizeof(QChar)) == 0)
        i += kBlock;
    while (i < n && a.at(i) == b.at(i))
        ++i;
    return i;
}

qsizetype commonSuffix(QStringView a, QStringView b, qsizetype limit)
{
    constexpr qsizetype kBlock = 512;
    qsizetype i = 0;
    while (i + kBlock <= limit
        && std::memcmp(a.data() + a.size() - i - kBlock, b.data() + b.size() - i - kBlock,
               kBlock * sizeof(QChar))
            == 0)
        i += kBlock;
    while (i < limit && a.at(a.size() - 1 - i) == b.at(b.size() - 1 - i))
        ++i;
    return i;
}

qsizetype lineStartBefore(QStringView text, qsizetype pos)
{
    while (pos > 0 && !isLineBreak(text.at(pos - 1).unicode()))
        --pos;
    return pos;
}

qsizetype lineEndFrom(QStringView text, qsizetype pos)
{
    while (pos < text.size() && !isLineBreak(text.at(pos).unicode()))
        ++pos;
    return pos;
}

// True when one of the lines of `span` (whole lines) is a cue line.
bool hasCueLine(QStringView span)
{
    qsizetype start = 0;
    while (start <= span.size()) {
        const qsizetype end = lineEndFrom(span, start);
        if (isCueLine(span.sliced(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

qsizetype firstCueStart(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = lineEndFrom(text, start);
        if (isCueLine(text.sliced(start, end - start)))
            return start;
        start = end + 1;
    }
    return -1;
}

} // namespace

StatsCache::Entry StatsCache::compute(const QString &text)
{
    Entry entry;
    entry.text = text;
    const QList<ScriptSection> sections = parseSections(text);
    entry.stats = statsOf(sections);
    for (ScriptSection &cue : entry.stats.cues)
        cue.body.clear();
    entry.firstCue = firstCueStart(text);
    if (!sections.isEmpty() && !sections.first().cue) {
        const TextCount lead = countText(sections.first().body);
        entry.leadCount = lead.words + lead.characters;
    }
    return entry;
}

bool StatsCache::update(Entry &entry, const QString &text)
{
    const QStringView before(entry.text);
    const QStringView after(text);
    const qsizetype prefix = commonPrefix(before, after);
    const qsizetype suffix
        = commonSuffix(before, after, qMin(before.size(), after.size()) - prefix);

    // The whole lines the edit touched, before and after it.
    const qsizetype start = lineStartBefore(before, prefix);
    const qsizetype oldEnd = lineEndFrom(before, before.size() - suffix);
    const qsizetype newEnd = lineEndFrom(after, after.size() - suffix);
    const QStringView oldLines = before.sliced(start, oldEnd - start);
    const QStringView newLines = after.sliced(start, newEnd - start);
    // A cue line made, changed or removed changes the list of cues: count it all again.
    if (hasCueLine(oldLines) || hasCueLine(newLines))
        return false;

    // Lines without cues are all body text, and no word runs across a line break, so the
    // counts of the changed lines give the change of the whole.
    const TextCount added = countText(newLines);
    const TextCount removed = countText(oldLines);
    const qint64 words = added.words - removed.words;
    const qint64 characters = added.characters - removed.characters;
    const bool inLead = entry.firstCue < 0 || start < entry.firstCue;
    if (inLead) {
        const bool hadLead = entry.leadCount > 0;
        entry.leadCount += words + characters;
        if (entry.firstCue >= 0)
            entry.firstCue += after.size() - before.size();
        if ((entry.leadCount > 0) != hadLead) {
            const qint64 shift = entry.leadCount > 0 ? 1 : 0;
            for (qsizetype i = 0; i < entry.stats.cues.size(); ++i)
                entry.stats.cues[i].id = i + shift;
        }
    }
    entry.stats.words += words;
    entry.stats.characters += characters;
    entry.stats.time = readingTimeText(entry.stats.words, entry.stats.characters);
    entry.text = text;
    return true;
}

const ScriptStats &StatsCache::stats(const QUuid &id, const QString &text)
{
    auto it = m_entries.find(id);
    if (it != m_entries.end() && sameText(it->text, text)) {
        // Equal but separate buffers: keep the caller's, so the next check is the quick one.
        if (it->text.constData() != text.constData())
            it->text = text;
        return it->stats;
    }
    ++m_computations;
    if (it != m_entries.end() && update(*it, text))
        return it->stats;
    ++m_fullComputations;
    if (it == m_entries.end())
        it = m_entries.insert(id, compute(text));
    else
        *it = compute(text);
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

namespace {

// "12 words", "480 characters" for Chinese or Japanese, both for a text that mixes them.
QString countLabel(const ScriptStats &stats)
{
    const QString words = QString::number(stats.words) + QStringLiteral(" words");
    const QString characters = QString::number(stats.characters) + QStringLiteral(" characters");
    if (stats.characters <= 0)
        return words;
    if (stats.words <= 0)
        return characters;
    return words + QStringLiteral(", ") + characters;
}

bool hasText(const ScriptStats &stats)
{
    return stats.words > 0 || stats.characters > 0;
}

} // namespace

QString rowSubtitleText(const ScriptStats &stats)
{
    if (!hasText(stats))
        return QStringLiteral("Empty");
    return countLabel(stats) + QStringLiteral(" \u00B7 ") + stats.time;
}

QString statisticsLineText(const ScriptStats &stats)
{
    if (!hasText(stats))
        return QStringLiteral("No words yet");
    const qsizetype cues = stats.cues.size();
    return countLabel(stats) + QStringLiteral("  \u00B7  about ") + stats.time
        + QStringLiteral(" to read  \u00B7  ") + QString::number(cues) + u' '
        + (cues == 1 ? QStringLiteral("cue") : QStringLiteral("cues"));
}

} // namespace qm
