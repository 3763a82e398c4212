// SPDX-License-Identifier: GPL-3.0-or-later
#include "script_words.h"

#include <QHash>

#include <algorithm>
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

using Forms = QList<QStringList>;

// "1234" → "one thousand two hundred thirty four"; n below a billion.
QStringList cardinal(int n)
{
    if (n == 0)
        return {QStringLiteral("zero")};
    QStringList out;
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

// "twenty two" → "twenty second".
QStringList ordinal(QStringList words)
{
    if (words.isEmpty())
        return words;
    static const QHash<QString, QString> irregular {
        {QStringLiteral("one"), QStringLiteral("first")},
        {QStringLiteral("two"), QStringLiteral("second")},
        {QStringLiteral("three"), QStringLiteral("third")},
        {QStringLiteral("five"), QStringLiteral("fifth")},
        {QStringLiteral("eight"), QStringLiteral("eighth")},
        {QStringLiteral("nine"), QStringLiteral("ninth")},
        {QStringLiteral("twelve"), QStringLiteral("twelfth")}};
    QString &last = words.last();
    if (const auto it = irregular.constFind(last); it != irregular.constEnd())
        last = *it;
    else if (last.endsWith(QLatin1Char('y')))
        last = last.chopped(1) + QStringLiteral("ieth");
    else
        last += QStringLiteral("th");
    return words;
}

// A four-digit number said in pairs, as years are: "1999" → "nineteen ninety nine", "1905" →
// "nineteen oh five", "1900" → "nineteen hundred".
QStringList inPairs(int n)
{
    QStringList out;
    belowThousand(n / 100, out);
    const int low = n % 100;
    if (low == 0) {
        out << QStringLiteral("hundred");
    } else if (low < 10) {
        out << QStringLiteral("oh") << QLatin1String(kOnes[low]);
    } else {
        belowThousand(low, out);
    }
    return out;
}

// The ways to say a whole number written with `digits` digits ("2025" as a year and as a
// count); more than nine digits are said one by one.
Forms wholeNumber(QStringView digits, bool grouped)
{
    if (digits.size() > 9) {
        QStringList out;
        for (QChar d : digits)
            out << QLatin1String(kOnes[d.digitValue()]);
        return {out};
    }
    const int n = digits.toInt();
    const QStringList count = cardinal(n);
    if (grouped || digits.size() != 4 || n < 1000 || n % 1000 == 0)
        return {count};
    const bool yearFirst = (n >= 1100 && n < 2000) || (n >= 2010 && n < 2100);
    return yearFirst ? Forms {inPairs(n), count} : Forms {count, inPairs(n)};
}

// "10:30" → "ten thirty", "half past ten".
Forms timeOfDay(int hour, int minutes)
{
    const QStringList h = cardinal(hour);
    if (minutes == 0)
        return {h + QStringList {QStringLiteral("o'clock")}, h};
    QStringList main = h;
    if (minutes < 10)
        main << QStringLiteral("oh") << QLatin1String(kOnes[minutes]);
    else
        belowThousand(minutes, main);
    const QStringList past {QStringLiteral("past")};
    if (minutes == 15)
        return {main, QStringList {QStringLiteral("quarter")} + past + h};
    if (minutes == 30)
        return {main, QStringList {QStringLiteral("half")} + past + h};
    if (minutes == 45)
        return {main,
            QStringList {QStringLiteral("quarter"), QStringLiteral("to")}
                + cardinal(hour % 12 + 1)};
    return {main};
}

bool isCurrency(QChar c)
{
    return c == QLatin1Char('$') || c == QChar(0x20AC) || c == QChar(0x00A3);
}

// A number at `token[i]` (after any currency sign) with what belongs to it: group separators,
// a decimal part, a time of day, a percent sign, an ordinal ending. Returns where it ends.
qsizetype number(QStringView token, qsizetype i, QChar currency, Forms &out)
{
    const qsizetype n = token.size();
    auto digitsAt = [&](qsizetype k) {
        qsizetype e = k;
        while (e < n && token[e].isDigit())
            ++e;
        return e - k;
    };
    qsizetype j = i + digitsAt(i);
    QString digits = token.mid(i, j - i).toString();
    // Group separators: "1,000,000"; "1,2,3" is a list.
    bool grouped = false;
    if (digits.size() <= 3) {
        qsizetype k = j;
        QString more;
        while (k < n && token[k] == QLatin1Char(',') && digitsAt(k + 1) == 3) {
            more += token.mid(k + 1, 3);
            k += 4;
        }
        if (!more.isEmpty()) {
            digits += more;
            grouped = true;
            j = k;
        }
    }
    // A time of day: "10:30".
    if (!grouped && currency.isNull() && digits.size() <= 2 && j < n && token[j] == QLatin1Char(':')
        && digitsAt(j + 1) == 2) {
        const int hour = digits.toInt();
        const int minutes = token.mid(j + 1, 2).toInt();
        if (hour <= 24 && minutes < 60) {
            out = timeOfDay(hour, minutes);
            return j + 3;
        }
    }
    QString fraction;
    if (j + 1 < n && token[j] == QLatin1Char('.') && token[j + 1].isDigit()) {
        const qsizetype f = digitsAt(j + 1);
        fraction = token.mid(j + 1, f).toString();
        j += 1 + f;
    }
    bool percent = false;
    if (j < n && token[j] == QLatin1Char('%')) {
        percent = true;
        ++j;
    }
    bool ordinalEnding = false;
    if (fraction.isEmpty() && !percent && currency.isNull() && j + 2 <= n) {
        const QString ending = token.mid(j, 2).toString().toLower();
        if ((ending == QLatin1String("st") || ending == QLatin1String("nd")
                || ending == QLatin1String("rd") || ending == QLatin1String("th"))
            && (j + 2 == n || !token[j + 2].isLetter())) {
            ordinalEnding = true;
            j += 2;
        }
    }

    const bool plain = fraction.isEmpty() && !percent && !ordinalEnding && currency.isNull();
    Forms forms = wholeNumber(digits, grouped || !plain);
    if (ordinalEnding && digits.size() <= 9)
        forms = {ordinal(forms.front())};
    const bool cents = !currency.isNull() && fraction.size() == 2;
    if (!fraction.isEmpty() && !cents) {
        QStringList point {QStringLiteral("point")};
        for (QChar d : fraction)
            point << QLatin1String(kOnes[d.digitValue()]);
        forms = {forms.front() + point};
        if (digits.toInt() == 0 && digits.size() <= 9)
            forms << point;
    }
    if (!currency.isNull()) {
        const bool one = digits.toInt() == 1 && digits.size() <= 9 && fraction.isEmpty();
        const QString unit = currency == QLatin1Char('$') ? QStringLiteral("dollar")
            : currency == QChar(0x20AC)                   ? QStringLiteral("euro")
                                                          : QStringLiteral("pound");
        const QString units = one ? unit : unit + QLatin1Char('s');
        const int hundredths = cents ? fraction.toInt() : 0;
        if (hundredths == 0) {
            forms = {forms.front() + QStringList {units}};
        } else {
            const QStringList small = cardinal(hundredths);
            const QString smallUnit = currency == QChar(0x00A3)
                ? QStringLiteral("pence")
                : (hundredths == 1 ? QStringLiteral("cent") : QStringLiteral("cents"));
            if (digits.toInt() == 0 && digits.size() <= 9) {
                forms = {small + QStringList {smallUnit}};
            } else {
                const QStringList whole = forms.front();
                forms = {whole + QStringList {units} + small, whole + small,
                    whole + QStringList {units, QStringLiteral("and")} + small
                        + QStringList {smallUnit}};
            }
        }
    }
    if (percent) {
        for (QStringList &f : forms)
            f << QStringLiteral("percent");
    }
    out = forms;
    return j;
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
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    }
    return cardinal(digits.toInt());
}

QList<QStringList> spokenForms(QStringView token)
{
    // Most tokens are words: said one way.
    if (std::none_of(token.begin(), token.end(), [](QChar c) { return c.isDigit(); })) {
        QStringList words;
        letterWords(token, words);
        return words.isEmpty() ? QList<QStringList> {} : QList<QStringList> {words};
    }
    // Each piece of the token (a number with its signs, a run of letters) is said one or more
    // ways; the k-th way of the token takes each piece's k-th way, or its first.
    QList<Forms> pieces;
    qsizetype i = 0;
    const qsizetype n = token.size();
    auto numberStarts = [&](qsizetype k) {
        return token[k].isDigit() || (isCurrency(token[k]) && k + 1 < n && token[k + 1].isDigit());
    };
    while (i < n) {
        if (numberStarts(i)) {
            QChar currency;
            if (isCurrency(token[i]))
                currency = token[i++];
            Forms forms;
            i = number(token, i, currency, forms);
            pieces << forms;
        } else {
            qsizetype j = i;
            while (j < n && !numberStarts(j))
                ++j;
            QStringList words;
            letterWords(token.mid(i, j - i), words);
            if (!words.isEmpty())
                pieces << Forms {words};
            i = j;
        }
    }
    qsizetype ways = 0;
    for (const Forms &p : pieces)
        ways = std::max(ways, p.size());
    QList<QStringList> out;
    for (qsizetype k = 0; k < ways; ++k) {
        QStringList form;
        for (const Forms &p : pieces)
            form << p.at(std::min(k, p.size() - 1));
        if (!out.contains(form))
            out << form;
    }
    return out;
}

QStringList spokenWords(QStringView token)
{
    QList<QStringList> forms = spokenForms(token);
    return forms.isEmpty() ? QStringList {} : forms.takeFirst();
}

ScriptWords scriptWords(const QList<ScriptSection> &sections)
{
    ScriptWords out;
    for (const ScriptSection &section : sections) {
        const QStringView body(section.body);
        forEachToken(body, [&](qsizetype start, qsizetype end) {
            const QList<QStringList> forms = spokenForms(body.mid(start, end - start));
            if (!forms.isEmpty()) {
                const int first = int(out.spoken.size());
                for (qsizetype k = 1; k < forms.size(); ++k)
                    out.alternatives.append({first, int(forms.front().size()), forms.at(k)});
                for (const QString &w : forms.front()) {
                    out.spoken << w;
                    out.tokenOf << out.tokenCount;
                }
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
        // The sentence as its tokens' ways of saying them.
        QList<QList<QStringList>> sentence;
        qsizetype ways = 0;
        auto flush = [&] {
            for (qsizetype k = 0; k < ways; ++k) {
                QStringList words;
                for (const QList<QStringList> &forms : sentence)
                    words << forms.at(std::min(k, forms.size() - 1));
                out << words;
            }
            sentence.clear();
            ways = 0;
        };
        forEachToken(text, [&](qsizetype start, qsizetype end) {
            const QStringView token = text.mid(start, end - start);
            QList<QStringList> forms = spokenForms(token);
            if (!forms.isEmpty()) {
                ways = std::max(ways, forms.size());
                sentence << std::move(forms);
            }
            const QChar last = token.back();
            const bool lineEnds = end < text.size()
                && (text[end] == QLatin1Char('\n') || text[end] == QChar::LineSeparator
                    || text[end] == QChar::ParagraphSeparator);
            if (last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?')
                || last == QLatin1Char(':') || last == QLatin1Char(';') || lineEnds)
                flush();
        });
        flush();
    };
    for (const ScriptSection &section : sections) {
        if (section.cue)
            sentencesOf(*section.cue);
        sentencesOf(section.body);
    }
    return out;
}

} // namespace qm
