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
    // Characters of the writing systems counted one by one rather than in words (see
    // isCountedByCharacter).
    qint64 characters = 0;
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

// Word and character count of the bodies, reading time, and the cue sections.
ScriptStats scriptStats(const QString &text);
ScriptStats statsOf(const QList<ScriptSection> &sections);

// Reading pace: words a minute for text written with spaces between words, characters a minute
// for Chinese, Japanese and Korean (see sections.cpp for where the figures come from).
constexpr double kWordsPerMinute = 150;
constexpr double kCharactersPerMinute = 250;

// Reading-time text: "4 min 5 sec", "59 sec".
QString readingTimeText(qint64 words, qint64 characters = 0);

// Chinese, Japanese and Korean are written without spaces between words (Korean puts them
// between phrases of several words), and are read and measured by the character: Han, kana,
// Hangul, Bopomofo, and the punctuation and full-width forms set among them.
bool isCountedByCharacter(char32_t c);

struct TextCount {
    qint64 words = 0;
    qint64 characters = 0;
    friend bool operator==(const TextCount &, const TextCount &) = default;
};
// Words are runs between white space; a character counted by itself ends the run before it. A
// run of punctuation alone that touches such a character (the comma and brackets in "你好,"
// and "(你好)") is part of that text and no word. Every non-white character counts towards one or
// the other, so a text has a count above zero exactly when it is not blank.
TextCount countText(QStringView text);

// Character classes the splitting relies on.
bool isLineBreak(char16_t c);
bool isUnicodeWhiteSpace(char32_t c);

} // namespace qm
