// SPDX-License-Identifier: GPL-3.0-or-later
#include "sections.h"

#include <QStringView>

namespace qm {

bool isLineBreak(char16_t c)
{
    switch (c) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isUnicodeWhiteSpace(char32_t c)
{
    // The White_Space property of the Unicode Character Database.
    return (c >= 0x0009 && c <= 0x000D) || c == 0x0020 || c == 0x0085 || c == 0x00A0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F
        || c == 0x3000;
}

namespace {

// Horizontal white space: tab and the space separators (general category Zs).
bool isBlank(char16_t c)
{
    return c == 0x0009 || QChar::category(char32_t(c)) == QChar::Separator_Space;
}

bool isBlankOrBreak(char16_t c)
{
    return isBlank(c) || isLineBreak(c);
}

template <typename Pred> QStringView trimmed(QStringView s, Pred pred)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && pred(s.at(begin).unicode()))
        ++begin;
    while (end > begin && pred(s.at(end - 1).unicode()))
        --end;
    return s.sliced(begin, end - begin);
}

QString cueName(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line.at(i) == u'#' || line.at(i) == u' '))
        ++i;
    const QStringView name = trimmed(line.sliced(i), isBlank);
    return name.isEmpty() ? QStringLiteral("Cue") : name.toString();
}

} // namespace

QList<ScriptSection> parseSections(const QString &text)
{
    QList<ScriptSection> result;
    std::optional<QString> cue;
    // Pending body lines are kept as one span of the text: consecutive lines of a body are
    // contiguous in the source, and joining them with '\n' only differs from the source where
    // a line ended in another break character, which the join rewrites.
    QString pending;
    bool havePending = false;

    auto flush = [&] {
        const QStringView body = trimmed(QStringView(pending), isBlankOrBreak);
        if (cue || !body.isEmpty())
            result.append(ScriptSection {qint64(result.size()), cue, body.toString()});
        pending.clear();
        havePending = false;
    };

    const QStringView all(text);
    qsizetype start = 0;
    const qsizetype n = all.size();
    while (true) {
        qsizetype end = start;
        while (end < n && !isLineBreak(all.at(end).unicode()))
            ++end;
        const QStringView line = all.sliced(start, end - start);
        if (isCueLine(line)) {
            flush();
            cue = cueName(line);
        } else {
            if (havePending)
                pending.append(u'\n');
            pending.append(line);
            havePending = true;
        }
        if (end >= n)
            break;
        start = end + 1;
    }
    flush();
    return result;
}

// The paces a presenter reads at, for the reading time. 150 words a minute is the usual figure
// for speech in English and the languages written like it. Text read by the character is
// measured in characters a minute, punctuation included. The figures for it are rules of thumb
// from speaking and broadcasting guides, not studies: about 300 a minute for NHK's Japanese news
// readers, about 200 for a Chinese speech and 250-270 for CCTV's news. 250 lies between the
// speech and the news figures. No figure was found for Korean syllables; the same pace stands
// in for it.
QString readingTimeText(qint64 words, qint64 characters)
{
    const auto seconds = qint64(
        double(words) / kWordsPerMinute * 60.0 + double(characters) / kCharactersPerMinute * 60.0);
    if (seconds > 59)
        return QString::number(seconds / 60) + QStringLiteral(" min ")
            + QString::number(seconds % 60) + QStringLiteral(" sec");
    return QString::number(seconds) + QStringLiteral(" sec");
}

bool isCountedByCharacter(char32_t c)
{
    // Everything below Hangul Jamo is written with spaces: the common case returns here.
    if (c < 0x1100)
        return false;
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        break;
    }
    // CJK punctuation, the kana marks and prolonged-sound mark (script "Common"), vertical and
    // small forms, and the full-width and half-width forms.
    return (c >= 0x3001 && c <= 0x303F) || (c >= 0x3099 && c <= 0x30FF)
        || (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF01 && c <= 0xFFEF);
}

TextCount countText(QStringView text)
{
    TextCount count;
    bool inWord = false;
    bool wordHasLetter = false; // a letter or digit, not punctuation alone
    bool wordTouches = false; // follows a character counted by itself
    bool afterCharacter = false;
    auto endWord = [&](bool touching) {
        if (inWord && (wordHasLetter || !(wordTouches || touching)))
            ++count.words;
        inWord = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (isUnicodeWhiteSpace(c)) {
            endWord(false);
            afterCharacter = false;
        } else if (isCountedByCharacter(c)) {
            endWord(true);
            ++count.characters;
            afterCharacter = true;
        } else {
            if (!inWord) {
                inWord = true;
                wordHasLetter = false;
                wordTouches = afterCharacter;
            }
            if (!wordHasLetter && QChar::isLetterOrNumber(c))
                wordHasLetter = true;
            afterCharacter = false;
        }
    }
    endWord(false);
    return count;
}

ScriptStats statsOf(const QList<ScriptSection> &sections)
{
    ScriptStats stats;
    for (const ScriptSection &s : sections) {
        const TextCount count = countText(s.body);
        stats.words += count.words;
        stats.characters += count.characters;
        if (s.cue)
            stats.cues.append(s);
    }
    stats.time = readingTimeText(stats.words, stats.characters);
    return stats;
}

ScriptStats scriptStats(const QString &text)
{
    return statsOf(parseSections(text));
}

} // namespace qm
