// SPDX-License-Identifier: GPL-3.0-or-later
#include "script_words.h"

#include <array>

namespace qm {

namespace {

const std::array<const char *, 20> kOnes = {"zero", "one", "two", "three", "four", "five", "six",
    "seven", "eight", "nine", "ten", "eleven", "twelve", "thirteen", "fourteen", "fifteen",
    "sixteen", "seventeen", "eighteen", "nineteen"};
const std::array<const char *, 10> kTens
    = {"", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};

void belowThousand(int n, QStringList &out)
{
    if (n >= 100) {
        out << QLatin1String(kOnes[n / 100]) << QStringLiteral("hundred");
        n %= 100;
        if (n == 0)
            return;
    }
    if (n >= 20) {
        out << QLatin1String(kTens[n / 10]);
        if (n % 10)
            out << QLatin1String(kOnes[n % 10]);
    } else {
        out << QLatin1String(kOnes[n]);
    }
}

// Letters (and inner apostrophes) of a word in lower case; anything else ends a piece, so
// "well-known" and "and/or" become two words each.
void letterWords(QStringView token, QStringList &out)
{
    QString word;
    auto flush = [&] {
        while (word.endsWith(QLatin1Char('\'')))
            word.chop(1);
        if (!word.isEmpty())
            out << word;
        word.clear();
    };
    for (QChar c : token) {
        if (c.isLetter()) {
            word += c.toLower();
        } else if ((c == QLatin1Char('\'') || c == QChar(0x2019)) && !word.isEmpty()) {
            word += QLatin1Char('\'');
        } else {
            flush();
        }
    }
    flush();
}

} // namespace

bool isTokenSpace(QChar c)
{
    return c.isSpace() || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

bool isTokenChar(QChar c)
{
    return c.isLetterOrNumber();
}

QStringList numberWords(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 9)
        return {};
    int n = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        n = n * 10 + (c.unicode() - '0');
    }
    QStringList out;
    if (n == 0)
        return {QStringLiteral("zero")};
    if (n >= 1000000) {
        belowThousand(n / 1000000, out);
        out << QStringLiteral("million");
        n %= 1000000;
    }
    if (n >= 1000) {
        belowThousand(n / 1000, out);
        out << QStringLiteral("thousand");
        n %= 1000;
    }
    if (n > 0)
        belowThousand(n, out);
    return out;
}

QStringList spokenWords(QStringView token)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = token.size();
    while (i < n) {
        if (token[i].isDigit()) {
            qsizetype j = i;
            // Group separators inside a number: "1,000,000".
            QString digits;
            while (j < n
                && (token[j].isDigit()
                    || (token[j] == QLatin1Char(',') && j + 1 < n && token[j + 1].isDigit()
                        && !digits.isEmpty()))) {
                if (token[j].isDigit())
                    digits += token[j];
                ++j;
            }
            const QStringList words = numberWords(digits);
            if (!words.isEmpty()) {
                out << words;
            } else {
                // Too long to say as one number: digit by digit.
                for (QChar d : digits)
                    out << QLatin1String(kOnes[d.digitValue()]);
            }
            i = j;
        } else {
            qsizetype j = i;
            while (j < n && !token[j].isDigit())
                ++j;
            letterWords(token.mid(i, j - i), out);
            i = j;
        }
    }
    return out;
}

ScriptWords scriptWords(const QList<ScriptSection> &sections)
{
    ScriptWords out;
    for (const ScriptSection &section : sections) {
        const QStringView body(section.body);
        forEachToken(body, [&](qsizetype start, qsizetype end) {
            for (const QString &w : spokenWords(body.mid(start, end - start))) {
                out.spoken << w;
                out.tokenOf << out.tokenCount;
            }
            ++out.tokenCount;
        });
    }
    return out;
}

QList<QStringList> modelSentences(const QList<ScriptSection> &sections)
{
    QList<QStringList> out;
    auto sentencesOf = [&](QStringView text) {
        QStringList sentence;
        forEachToken(text, [&](qsizetype start, qsizetype end) {
            const QStringView token = text.mid(start, end - start);
            sentence << spokenWords(token);
            const QChar last = token.back();
            const bool lineEnds = end < text.size()
                && (text[end] == QLatin1Char('\n') || text[end] == QChar::LineSeparator
                    || text[end] == QChar::ParagraphSeparator);
            if (last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?')
                || last == QLatin1Char(':') || last == QLatin1Char(';') || lineEnds) {
                if (!sentence.isEmpty())
                    out << sentence;
                sentence.clear();
            }
        });
        if (!sentence.isEmpty())
            out << sentence;
    };
    for (const ScriptSection &section : sections) {
        if (section.cue)
            sentencesOf(*section.cue);
        sentencesOf(section.body);
    }
    return out;
}

} // namespace qm
