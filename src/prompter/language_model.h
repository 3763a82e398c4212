// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

namespace qm {

// A trigram language model of a script's sentences in the ARPA text format, for the recogniser
// to expect exactly the words of the script, mostly in their order. Seen n-grams are
// discounted by a fixed amount and the rest backs off to the next order; unigrams are smoothed
// so that any word of the script may follow any other (a skipped sentence, an ad-lib). The
// vocabulary is the words of the sentences plus the sentence marks.
QByteArray arpaTrigramModel(const QList<QStringList> &sentences);

// The sentences without the words `known` rejects (the dictionary has no pronunciation for
// them), and those words. A sentence left empty is dropped.
struct KnownWords {
    QList<QStringList> sentences;
    QSet<QString> unknown;
};
KnownWords keepKnown(
    const QList<QStringList> &sentences, const std::function<bool(const QString &)> &known);

} // namespace qm
