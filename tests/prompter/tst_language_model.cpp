// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter/language_model.h"

#include <QHash>
#include <QTest>

#include <cmath>

using namespace qm;

namespace {

// The model read back: probabilities and back-off weights in log10 by n-gram.
struct Arpa {
    QHash<QString, double> prob, back;
    QStringList vocabulary;
    QList<int> counts;

    explicit Arpa(const QByteArray &text)
    {
        int order = 0;
        for (const QByteArray &raw : text.split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1String("ngram ")))
                counts << line.section(QLatin1Char('='), 1).toInt();
            else if (line.startsWith(QLatin1Char('\\')) && line.endsWith(QLatin1String("-grams:")))
                order = line.mid(1, 1).toInt();
            else if (order > 0 && !line.isEmpty() && !line.startsWith(QLatin1Char('\\'))) {
                const QStringList f = line.split(QLatin1Char(' '));
                const QString key = f.mid(1, order).join(QLatin1Char(' '));
                prob.insert(key, f[0].toDouble());
                if (f.size() > order + 1)
                    back.insert(key, f[order + 1].toDouble());
                if (order == 1)
                    vocabulary << key;
            }
        }
    }
    // log10 P(w | history) with back-off, as a decoder computes it.
    double logp(const QStringList &history, const QString &w) const
    {
        const QString full = (history + QStringList {w}).join(QLatin1Char(' '));
        if (prob.contains(full))
            return prob[full];
        if (history.isEmpty())
            return -99;
        return back.value(history.join(QLatin1Char(' ')), 0) + logp(history.mid(1), w);
    }
};

QStringList words(const char *s)
{
    return QString::fromLatin1(s).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestLanguageModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every history's distribution over the vocabulary sums to one, the script's own order is
    // the likeliest, and any script word may still follow any other.
    void distributions_data()
    {
        QTest::addColumn<QList<QStringList>>("sentences");
        QTest::newRow("one sentence") << QList<QStringList> {words("the cat sat on the mat")};
        QTest::newRow("repeats") << QList<QStringList> {words("thank you very much"),
            words("thank you all"), words("and thank you very much again")};
        QTest::newRow("one word") << QList<QStringList> {words("hello")};
        QTest::newRow("a word after itself") << QList<QStringList> {words("go go go go")};
    }
    void distributions()
    {
        QFETCH(QList<QStringList>, sentences);
        const Arpa arpa(arpaTrigramModel(sentences));
        QCOMPARE(arpa.counts.size(), 3);
        QCOMPARE(arpa.counts[0], arpa.vocabulary.size());

        QStringList predicted = arpa.vocabulary;
        predicted.removeAll(QStringLiteral("<s>"));
        QList<QStringList> histories {{}};
        for (const QString &key : arpa.back.keys())
            histories << key.split(QLatin1Char(' '));
        for (const QStringList &h : histories) {
            double sum = 0;
            for (const QString &w : predicted) {
                const double lp = arpa.logp(h, w);
                QVERIFY2(lp < 0 && lp > -20, qPrintable(h.join(' ') + " → " + w));
                sum += std::pow(10.0, lp);
            }
            // Six decimals in the file.
            QVERIFY2(std::abs(sum - 1) < 1e-3, qPrintable(h.join(' ') + QString::number(sum)));
        }
        const QStringList &first = sentences.first();
        if (first.size() >= 3) {
            const QStringList h {first[0], first[1]};
            for (const QString &w : predicted) {
                if (w != first[2])
                    QVERIFY(arpa.logp(h, first[2]) > arpa.logp(h, w));
            }
        }
    }

    void unknownWords()
    {
        const QSet<QString> dictionary {QStringLiteral("the"), QStringLiteral("show")};
        const KnownWords known
            = keepKnown({words("the zorblax show"), words("zorblax"), words("show the show")},
                [&](const QString &w) { return dictionary.contains(w); });
        QCOMPARE(known.sentences, (QList<QStringList> {words("the show"), words("show the show")}));
        QCOMPARE(known.unknown, QSet<QString> {QStringLiteral("zorblax")});
    }
};

QTEST_APPLESS_MAIN(TestLanguageModel)
#include "tst_language_model.moc"
