// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

namespace qm::platform {

// A pronunciation guessed from the spelling for a word the dictionary lacks, in the
// recogniser's US-English phones ("M AA R V EH L AH"): a few hundred of English's spelling
// rules, good enough for names and made-up words to be listened for at all. Empty when the word
// has no letters a-z. `word` is lower case; apostrophes are ignored.
QByteArray guessPronunciation(const QByteArray &word);

// A pronunciation built from the dictionary's: a compound of two known words ("sandcastle"),
// or a known word with a plural, possessive or verb ending ("quintrooks"); empty when no such
// reading exists. `lookup` gives a known word's first pronunciation or an empty array.
QByteArray composedPronunciation(
    const QByteArray &word, const std::function<QByteArray(const QByteArray &)> &lookup);

// The words `composedPronunciation` may ask `lookup` about for `word`: its parts and stems.
QList<QByteArray> pronunciationParts(const QByteArray &word);

} // namespace qm::platform
