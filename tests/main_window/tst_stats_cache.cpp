// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/stats_cache.h"

#include <QTest>

using namespace qm;

class TestStatsCache final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void recomputesOnlyChangedText();
    void equalTextInAnotherBufferIsAHit();
    void retainForgetsRemovedScripts();
};

void TestStatsCache::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("statistics");
    QTest::newRow("empty") << ""
                           << "Empty"
                           << "No words yet";
    QTest::newRow("only blanks") << " \n\t "
                                 << "Empty"
                                 << "No words yet";
    QTest::newRow("cues without words") << "# One\n# Two"
                                        << "Empty"
                                        << "No words yet";
    QTest::newRow("one word") << "Hello" << QString::fromUtf8("1 words · 0 sec")
                              << QString::fromUtf8("1 words  ·  about 0 sec to read  ·  0 cues");
    QTest::newRow("one cue") << "# Intro\nHello world" << QString::fromUtf8("2 words · 0 sec")
                             << QString::fromUtf8("2 words  ·  about 0 sec to read  ·  1 cue");
    QTest::newRow("two cues") << "# A\none\n# B\ntwo three" << QString::fromUtf8("3 words · 1 sec")
                              << QString::fromUtf8("3 words  ·  about 1 sec to read  ·  2 cues");
    QTest::newRow("minutes") << QStringLiteral("w ").repeated(163)
                             << QString::fromUtf8("163 words · 1 min 5 sec")
                             << QString::fromUtf8(
                                    "163 words  ·  about 1 min 5 sec to read  ·  0 cues");
    QTest::newRow("indented hash is body")
        << "  # x" << QString::fromUtf8("2 words · 0 sec")
        << QString::fromUtf8("2 words  ·  about 0 sec to read  ·  0 cues");
}

void TestStatsCache::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, subtitle);
    QFETCH(QString, statistics);
    const ScriptStats stats = scriptStats(text);
    QCOMPARE(rowSubtitleText(stats), subtitle);
    QCOMPARE(statisticsLineText(stats), statistics);
}

void TestStatsCache::recomputesOnlyChangedText()
{
    StatsCache cache;
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    QString textA = QStringLiteral("one two");
    const QString textB = QStringLiteral("# Cue\nthree");
    QCOMPARE(cache.stats(a, textA).words, 2);
    QCOMPARE(cache.stats(b, textB).cues.size(), 1);
    QCOMPARE(cache.computations(), 2);

    QCOMPARE(cache.stats(a, textA).words, 2);
    QCOMPARE(cache.stats(b, textB).words, 1);
    QCOMPARE(cache.computations(), 2);

    textA += QStringLiteral(" four");
    QCOMPARE(cache.stats(a, textA).words, 3);
    QCOMPARE(cache.stats(b, textB).words, 1);
    QCOMPARE(cache.computations(), 3);
}

void TestStatsCache::equalTextInAnotherBufferIsAHit()
{
    StatsCache cache;
    const QUuid id = QUuid::createUuid();
    const QString text = QStringLiteral("same words here");
    cache.stats(id, text);
    const QString copy(text.constData(), text.size());
    QVERIFY(copy.constData() != text.constData());
    QCOMPARE(cache.stats(id, copy).words, 3);
    QCOMPARE(cache.computations(), 1);
    // Same length, other characters.
    QCOMPARE(cache.stats(id, QStringLiteral("same words hers")).words, 3);
    QCOMPARE(cache.computations(), 2);
}

void TestStatsCache::retainForgetsRemovedScripts()
{
    StatsCache cache;
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    cache.stats(a, QStringLiteral("x"));
    cache.stats(b, QStringLiteral("y"));
    cache.retain({b});
    QCOMPARE(cache.size(), 1);
    cache.stats(b, QStringLiteral("y"));
    QCOMPARE(cache.computations(), 2);
}

QTEST_GUILESS_MAIN(TestStatsCache)
#include "tst_stats_cache.moc"
