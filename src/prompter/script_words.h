// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qm {

// Another way to say the spoken words [first, first + count) of a script: "2025" is "twenty
// twenty five" and also "two thousand twenty five".
struct SpokenAlternative {
    int first = 0;
    int count = 0;
    QStringList words;

    friend bool operator==(const SpokenAlternative &, const SpokenAlternative &) = default;
};

// The words of a script as they are spoken, for following the reader.
//
// A token is what the reader sees as one word: a run of non-space characters holding at least
// one letter or digit. A token says one or more spoken words: "well-known" is two, "1999" is
// three. Only bodies count; cue headings are optional speech and take no part in positions.
// Positions count the first way of saying each token; the others are in `alternatives`.
struct ScriptWords {
    QStringList spoken; // lower case, punctuation stripped
    QList<int> tokenOf; // spoken index → index of the body token it comes from
    int tokenCount = 0;
    QList<SpokenAlternative> alternatives; // in the order of `first`
};

ScriptWords scriptWords(const QList<ScriptSection> &sections);

// The spoken words of one token ("Don't," → "don't"; "42" → "forty two"); empty for a token
// that says nothing.
QStringList spokenWords(QStringView token);

// Every way people say a token, the usual one first: "1999" → "nineteen ninety nine", "one
// thousand nine hundred ninety nine"; "$5" → "five dollars"; "10:30" → "ten thirty", "half past
// ten". Empty for a token that says nothing.
QList<QStringList> spokenForms(QStringView token);

// Calls `f(start, end)` for each token of `text`, in order. The layout counts tokens per
// line with this, so its token indices agree with scriptWords.
template <typename F> void forEachToken(QStringView text, F f);

// "42" → "forty two"; nothing above 999 999 999 or for a non-number.
QStringList numberWords(QStringView digits);

// Sentences of spoken words to build a language model from: bodies split at . ! ? and line
// breaks, each cue heading a sentence of its own. A sentence with a token said more than one
// way comes again once for each further way.
QList<QStringList> modelSentences(const QList<ScriptSection> &sections);

// MARK: Implementation

bool isTokenSpace(QChar c);
bool isTokenChar(QChar c); // a letter or digit: what makes a run of characters a token

template <typename F> void forEachToken(QStringView text, F f)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && isTokenSpace(text[i]))
            ++i;
        const qsizetype start = i;
        bool counts = false;
        while (i < n && !isTokenSpace(text[i])) {
            counts = counts || isTokenChar(text[i]);
            ++i;
        }
        if (counts)
            f(start, i);
    }
}

} // namespace qm
