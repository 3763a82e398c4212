// SPDX-License-Identifier: GPL-3.0-or-later
#include "language_model.h"

#include <QMap>
#include <QTextStream>

#include <cmath>

namespace qm {

namespace {

constexpr double kDiscount = 0.5;
const QString kStart = QStringLiteral("<s>");
const QString kEnd = QStringLiteral("</s>");

using Gram = QStringList;

QString log10Text(double p)
{
    return QString::number(std::log10(p), 'f', 6);
}

// Spreads the mass a history leaves over what its seen successors do not cover at the lower
// order. When they cover everything there is nowhere to spread it.
double backoffWeight(double left, double seenLowerMass)
{
    const double rest = 1 - seenLowerMass;
    return rest > 1e-9 ? left / rest : 1;
}

} // namespace

KnownWords keepKnown(
    const QList<QStringList> &sentences, const std::function<bool(const QString &)> &known)
{
    KnownWords out;
    QHash<QString, bool> seen;
    for (const QStringList &sentence : sentences) {
        QStringList kept;
        for (const QString &w : sentence) {
            auto it = seen.constFind(w);
            if (it == seen.constEnd())
                it = seen.insert(w, known(w));
            if (it.value())
                kept << w;
            else
                out.unknown.insert(w);
        }
        if (!kept.isEmpty())
            out.sentences << kept;
    }
    return out;
}

QByteArray arpaTrigramModel(const QList<QStringList> &sentences)
{
    // Counts, with the sentence marks around each sentence. Sorted maps keep the file the same
    // for the same script.
    QMap<QString, double> uni;
    QMap<Gram, double> bi, tri;
    double tokens = 0;
    for (const QStringList &sentence : sentences) {
        if (sentence.isEmpty())
            continue;
        Gram s;
        s << kStart << sentence << kEnd;
        for (qsizetype i = 1; i < s.size(); ++i) {
            uni[s[i]] += 1;
            tokens += 1;
            bi[{s[i - 1], s[i]}] += 1;
            if (i >= 2)
                tri[{s[i - 2], s[i - 1], s[i]}] += 1;
        }
    }
    // The start mark is never predicted, only conditioned on.
    uni.insert(kStart, 0);
    const double vocabulary = double(uni.size() - 1);

    // A history followed by every word has nothing to back off to: it keeps its counts whole.
    auto discount = [&](int followers) { return followers >= vocabulary ? 0.0 : kDiscount; };

    // Unigrams: add-one over the words that can be predicted.
    QMap<QString, double> pUni;
    for (auto it = uni.cbegin(); it != uni.cend(); ++it) {
        if (it.key() != kStart)
            pUni[it.key()] = (it.value() + 1) / (tokens + vocabulary);
    }

    // Bigrams: history → successors.
    QMap<QString, double> histUni; // c(h) over bigrams
    QMap<QString, int> followers;
    for (auto it = bi.cbegin(); it != bi.cend(); ++it) {
        histUni[it.key()[0]] += it.value();
        followers[it.key()[0]] += 1;
    }
    QMap<Gram, double> pBi;
    QMap<QString, double> seenUniMass;
    for (auto it = bi.cbegin(); it != bi.cend(); ++it) {
        const QString &h = it.key()[0];
        pBi[it.key()] = (it.value() - discount(followers[h])) / histUni[h];
        seenUniMass[h] += pUni.value(it.key()[1]);
    }
    QMap<QString, double> backUni;
    for (auto it = histUni.cbegin(); it != histUni.cend(); ++it) {
        const double left = discount(followers[it.key()]) * followers[it.key()] / it.value();
        backUni[it.key()] = backoffWeight(left, seenUniMass[it.key()]);
    }

    // Trigrams: (u, v) → successors.
    QMap<Gram, double> histBi;
    QMap<Gram, int> biFollowers;
    for (auto it = tri.cbegin(); it != tri.cend(); ++it) {
        const Gram h {it.key()[0], it.key()[1]};
        histBi[h] += it.value();
        biFollowers[h] += 1;
    }
    QMap<Gram, double> pTri;
    QMap<Gram, double> seenBiMass;
    for (auto it = tri.cbegin(); it != tri.cend(); ++it) {
        const Gram h {it.key()[0], it.key()[1]};
        pTri[it.key()] = (it.value() - discount(biFollowers[h])) / histBi[h];
        seenBiMass[h] += pBi.value({it.key()[1], it.key()[2]});
    }
    QMap<Gram, double> backBi;
    for (auto it = histBi.cbegin(); it != histBi.cend(); ++it) {
        const double left = discount(biFollowers[it.key()]) * biFollowers[it.key()] / it.value();
        backBi[it.key()] = backoffWeight(left, seenBiMass[it.key()]);
    }

    QByteArray out;
    QTextStream ts(&out);
    ts << "\\data\\\n";
    ts << "ngram 1=" << uni.size() << "\n";
    ts << "ngram 2=" << bi.size() << "\n";
    ts << "ngram 3=" << tri.size() << "\n\n";
    ts << "\\1-grams:\n";
    for (auto it = uni.cbegin(); it != uni.cend(); ++it) {
        const QString &w = it.key();
        ts << (w == kStart ? QStringLiteral("-99.000000") : log10Text(pUni[w])) << ' ' << w;
        if (backUni.contains(w))
            ts << ' ' << log10Text(backUni[w]);
        ts << '\n';
    }
    ts << "\n\\2-grams:\n";
    for (auto it = pBi.cbegin(); it != pBi.cend(); ++it) {
        ts << log10Text(it.value()) << ' ' << it.key().join(QLatin1Char(' '));
        if (backBi.contains(it.key()))
            ts << ' ' << log10Text(backBi[it.key()]);
        ts << '\n';
    }
    ts << "\n\\3-grams:\n";
    for (auto it = pTri.cbegin(); it != pTri.cend(); ++it)
        ts << log10Text(it.value()) << ' ' << it.key().join(QLatin1Char(' ')) << '\n';
    ts << "\n\\end\\\n";
    ts.flush();
    return out;
}

} // namespace qm
