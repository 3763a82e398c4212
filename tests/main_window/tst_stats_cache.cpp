// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/stats_cache.h"

#include <QRandomGenerator>
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
    void editsMatchAFullCount_data();
    void editsMatchAFullCount();
    void randomEditsMatchAFullCount();
    void typingInABodyReadsOnlyTheEditedLines();
};

namespace {

void compareWithFullCount(const ScriptStats &got, const QString &text)
{
    const ScriptStats want = scriptStats(text);
    QCOMPARE(got.words, want.words);
    QCOMPARE(got.characters, want.characters);
    QCOMPARE(got.time, want.time);
    QCOMPARE(got.cues.size(), want.cues.size());
    for (qsizetype i = 0; i < want.cues.size(); ++i) {
        QCOMPARE(got.cues.at(i).id, want.cues.at(i).id);
        QCOMPARE(got.cues.at(i).cue, want.cues.at(i).cue);
    }
}

} // namespace

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
    QTest::newRow("Chinese") << QString(250, QChar(0x5B57))
                             << QString::fromUtf8("250 characters · 1 min 0 sec")
                             << QString::fromUtf8(
                                    "250 characters  ·  about 1 min 0 sec to read  ·  0 cues");
    QTest::newRow("both") << QStringLiteral("Qt 你好")
                          << QString::fromUtf8("1 words, 2 characters · 0 sec")
                          << QString::fromUtf8(
                                 "1 words, 2 characters  ·  about 0 sec to read  ·  0 cues");
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

void TestStatsCache::editsMatchAFullCount_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("word typed") << "# A\none two"
                                << "# A\none two three";
    QTest::newRow("lead appears") << "# A\nx\n# B\ny"
                                  << "lead\n# A\nx\n# B\ny";
    QTest::newRow("lead goes") << "lead\n# A\nx"
                               << "\n# A\nx";
    QTest::newRow("lead typed on an empty line") << "\n# A\nx\n# B"
                                                 << "w\n# A\nx\n# B";
    QTest::newRow("lead erased from its line") << "w\n# A\nx\n# B"
                                               << "\n# A\nx\n# B";
    QTest::newRow("lead made blank") << "w\n# A\nx"
                                     << "\u00A0\n# A\nx";
    QTest::newRow("line joined into a cue") << "ab\n#c d"
                                            << "ab#c d";
    QTest::newRow("cue made by typing") << "ab\ncd"
                                        << "ab\n#cd";
    QTest::newRow("cue unmade") << "ab\n#cd"
                                << "ab\n cd";
    QTest::newRow("break before a cue") << "ab\n#cd"
                                        << "ab\n\n#cd";
    QTest::newRow("break changed") << "ab\r\n#cd\nx"
                                   << "ab\u2028#cd\nx";
    QTest::newRow("words split") << "# A\nonetwo"
                                 << "# A\none two";
    QTest::newRow("words joined") << "# A\none two"
                                  << "# A\nonetwo";
    QTest::newRow("all deleted") << "# A\none"
                                 << "";
    QTest::newRow("all new") << ""
                             << "one # two\n#three";
    QTest::newRow("no-break space") << "a b"
                                    << "a\u00A0b";
    QTest::newRow("indented hash") << "x\n# A\ny"
                                   << "x\n# A\n  # y";
    // The text before the first cue is a section only when it is not blank.
    QTest::newRow("lead of characters only erased")
        << QStringLiteral("你好\n# A\nx") << QStringLiteral("\n# A\nx");
    QTest::newRow("lead of characters only made")
        << QStringLiteral("\n# A\nx") << QStringLiteral("。\n# A\nx");
    QTest::newRow("space between characters")
        << QStringLiteral("# A\n你好Qt") << QStringLiteral("# A\n你好 Qt");
}

void TestStatsCache::editsMatchAFullCount()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    StatsCache cache;
    const QUuid id = QUuid::createUuid();
    cache.stats(id, before);
    compareWithFullCount(cache.stats(id, after), after);
}

void TestStatsCache::randomEditsMatchAFullCount()
{
    const QStringList pieces {QStringLiteral("a"), QStringLiteral("word"), QStringLiteral(" "),
        QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("#"),
        QStringLiteral("# Cue"), QStringLiteral("\t"), QString(QChar(0x2028)),
        QString(QChar(0x00A0)), QString(QChar(0x0085)), QStringLiteral("\n# A\n"),
        QStringLiteral("\u00e9t\u00e9"), QString::fromUcs4(U"\U0001F3AC"), QStringLiteral("  #x"),
        QStringLiteral("\n\n"), QStringLiteral("\u4F60\u597D"), QStringLiteral("\u3002"),
        QStringLiteral(","), QStringLiteral("(")};
    QRandomGenerator rng(20240611);
    auto snippet = [&] {
        QString s;
        const int n = rng.bounded(1, 4);
        for (int i = 0; i < n; ++i)
            s += pieces.at(rng.bounded(int(pieces.size())));
        return s;
    };
    StatsCache cache;
    const QUuid id = QUuid::createUuid();
    QString text;
    for (int i = 0; i < 40; ++i)
        text += snippet();
    cache.stats(id, text);
    for (int step = 0; step < 4000; ++step) {
        const qsizetype at = rng.bounded(int(text.size()) + 1);
        switch (rng.bounded(3)) {
        case 0:
            text.insert(at, snippet());
            break;
        case 1:
            text.remove(at, rng.bounded(1, 6));
            break;
        default:
            text.replace(at, rng.bounded(1, 4), snippet());
            break;
        }
        compareWithFullCount(cache.stats(id, text), text);
        if (QTest::currentTestFailed()) {
            qWarning() << "after step" << step << "text:" << text;
            return;
        }
    }
    // Most edits touched no cue line and were counted from the lines they changed.
    QVERIFY(cache.fullComputations() < cache.computations() / 2);
}

void TestStatsCache::typingInABodyReadsOnlyTheEditedLines()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("# Part %1\nsome words in this part\n\n").arg(i);
    StatsCache cache;
    const QUuid id = QUuid::createUuid();
    cache.stats(id, text);
    const qsizetype at = text.indexOf(QStringLiteral("words in"), text.size() / 2);
    text.insert(at, QStringLiteral("more "));
    compareWithFullCount(cache.stats(id, text), text);
    text.insert(at, u'x');
    compareWithFullCount(cache.stats(id, text), text);
    QCOMPARE(cache.computations(), 3);
    QCOMPARE(cache.fullComputations(), 1);
}

QTEST_GUILESS_MAIN(TestStatsCache)
#include "tst_stats_cache.moc"
