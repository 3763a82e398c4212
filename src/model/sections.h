// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace qm {

// One part of a script: the text before the first cue line, or a cue line and what follows it.
// Never stored; the id is the section's position in one result of parseSections.
struct ScriptSection {
    qint64 id = 0;
    std::optional<QString> cue;
    QString body;

    friend bool operator==(const ScriptSection &, const ScriptSection &) = default;
};

struct ScriptStats {
    qint64 words = 0;
    QString time;
    QList<ScriptSection> cues;
};

// True for a cue line: one whose very first character is '#' (a line that opens with a space or
// a tab is body text). Every part of the program that tells cues from text asks this.
inline bool isCueLine(QStringView line)
{
    return !line.isEmpty() && line.front() == u'#';
}

// Splits a text at every line that starts with '#'. Pure and linear in the text.
QList<ScriptSection> parseSections(const QString &text);

// Word count of the bodies, reading time at 150 words a minute, and the cue sections.
ScriptStats scriptStats(const QString &text);
ScriptStats statsOf(const QList<ScriptSection> &sections);

// Reading-time text: "4 min 5 sec", "59 sec".
QString readingTimeText(qint64 words);

// Character classes the splitting relies on.
bool isLineBreak(char16_t c);
bool isUnicodeWhiteSpace(char32_t c);

} // namespace qm
