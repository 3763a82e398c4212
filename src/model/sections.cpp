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

QString readingTimeText(qint64 words)
{
    const auto seconds = qint64(double(words) / 150.0 * 60.0);
    if (seconds > 59)
        return QString::number(seconds / 60) + QStringLiteral(" min ")
            + QString::number(seconds % 60) + QStringLiteral(" sec");
    return QString::number(seconds) + QStringLiteral(" sec");
}

ScriptStats statsOf(const QList<ScriptSection> &sections)
{
    ScriptStats stats;
    for (const ScriptSection &s : sections) {
        bool inWord = false;
        const QString &body = s.body;
        for (qsizetype i = 0; i < body.size(); ++i) {
            char32_t c = body.at(i).unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < body.size()
                && body.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(body.at(i), body.at(i + 1));
                ++i;
            }
            if (isUnicodeWhiteSpace(c)) {
                inWord = false;
            } else if (!inWord) {
                inWord = true;
                ++stats.words;
            }
        }
        if (s.cue)
            stats.cues.append(s);
    }
    stats.time = readingTimeText(stats.words);
    return stats;
}

ScriptStats scriptStats(const QString &text)
{
    return statsOf(parseSections(text));
}

} // namespace qm
