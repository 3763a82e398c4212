// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter/follow_matcher.h"
#include "prompter/script_words.h"

#include <QTest>

using namespace qm;

namespace {

const QString kScript = QStringLiteral(
    "good evening and welcome to the show tonight we talk about the weather in the north "
    "then the news from the city council and finally a story about a dog who learned to "
    "surf on the cold waves of the bay thank you very much for watching and see you soon");

QStringList words(const QString &s)
{
    return s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestFollowMatcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The heard words arrive one at a time, as partial results do; the row gives where the
    // position ends and the lowest it may pass through on the way.
    void follows_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<QString>("heard");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("lowest");

        QTest::newRow("straight reading")
            << kScript << 0 << "good evening and welcome to the show tonight" << 7 << 0;
        QTest::newRow("two words are not enough") << kScript << 0 << "evening and" << 0 << 0;
        QTest::newRow("misheard and dropped words")
            << kScript << 0 << "good evening an welcome to show tonight we" << 8 << 0;
        QTest::newRow("a skipped sentence")
            << kScript << 8 << "we talk then the news from the city" << 21 << 8;
        QTest::newRow("ad-lib holds still")
            << kScript << 10 << "oh what a lovely crowd you are i must say honestly truly lovely"
            << 10 << 10;
        QTest::newRow("ad-lib of script words in no order holds still")
            << kScript << 10 << "dog the weather council waves the a" << 10 << 10;
        QTest::newRow("back to the script after an ad-lib")
            << kScript << 10 << "oh what a lovely crowd you are the weather in the north" << 15
            << 10;
        QTest::newRow("repeating the last words does not pull back")
            << kScript << 15 << "weather in the north" << 15 << 15;
        QTest::newRow("going back needs five in order")
            << kScript << 30 << "the weather in the" << 30 << 30;
        QTest::newRow("five in order go back")
            << kScript << 30 << "about the weather in the north" << 15 << 14;
        QTest::newRow("nothing heard") << kScript << 5 << "" << 5 << 5;
        QTest::newRow("three words far ahead are chance")
            << kScript << 0 << "about a dog" << 0 << 0;
        QTest::newRow("four words far ahead are a skip")
            << kScript << 0 << "story about a dog" << 29 << 0;
    }
    void follows()
    {
        QFETCH(QString, script);
        QFETCH(int, anchor);
        QFETCH(QString, heard);
        QFETCH(int, expected);
        QFETCH(int, lowest);

        FollowMatcher matcher(words(script));
        matcher.reanchor(anchor);
        QStringList sofar;
        int low = matcher.position();
        for (const QString &w : words(heard)) {
            sofar << w;
            matcher.hear(sofar);
            low = std::min(low, matcher.position());
        }
        QCOMPARE(matcher.position(), expected);
        QCOMPARE(low, lowest);
    }

    // A partial result that drops its newest words looks like the reader going back; only a
    // final one may move the position back.
    void partialsNeverGoBack()
    {
        FollowMatcher matcher(words(kScript));
        matcher.reanchor(21);
        const QStringList heard = words(QStringLiteral("about the weather in the north"));
        QVERIFY(!matcher.hear(heard, false));
        QCOMPARE(matcher.position(), 21);
        QVERIFY(matcher.hear(heard, true));
        QCOMPARE(matcher.position(), 15);
    }

    // A phrase said twice in the script: the occurrence nearest ahead is the one being read,
    // and having read it, the same words do not jump to the next one.
    void repeatedPhrase_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<QString>("heard");
        QTest::addColumn<int>("expected");
        QTest::newRow("first occurrence") << 0 << "thank you very much" << 3;
        QTest::newRow("then onwards") << 0 << "thank you very much and now" << 5;
        QTest::newRow("second occurrence") << 11 << "thank you very much" << 15;
        QTest::newRow("read words stay read") << 3 << "thank you very much" << 3;
    }
    void repeatedPhrase()
    {
        QFETCH(int, anchor);
        QFETCH(QString, heard);
        QFETCH(int, expected);
        FollowMatcher matcher(words(QStringLiteral("thank you very much and now the weather "
                                                   "for the region today thank you very much "
                                                   "good night")));
        matcher.reanchor(anchor);
        QStringList sofar;
        for (const QString &w : words(heard)) {
            sofar << w;
            matcher.hear(sofar);
        }
        QCOMPARE(matcher.position(), expected);
    }

    // A hand scroll or restart puts the reader elsewhere; the words heard from then on count
    // from there.
    void reanchor()
    {
        FollowMatcher matcher(words(kScript));
        matcher.hear(words(QStringLiteral("good evening and welcome")));
        QCOMPARE(matcher.position(), 3);
        matcher.reanchor(30);
        QCOMPARE(matcher.position(), 30);
        matcher.hear(words(QStringLiteral("the cold waves")));
        QCOMPARE(matcher.position(), 37);
        matcher.reanchor(0);
        matcher.hear(words(QStringLiteral("welcome to the show")));
        QCOMPARE(matcher.position(), 6);
        matcher.reanchor(1000);
        QCOMPARE(matcher.position(), int(words(kScript).size()) - 1);
        matcher.setScript({});
        QCOMPARE(matcher.position(), 0);
        QVERIFY(!matcher.hear(words(QStringLiteral("good evening and"))));
    }

    void spokenWords_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("expected");
        QTest::newRow("case and punctuation") << "\u201cHello,\u201d"
                                              << "hello";
        QTest::newRow("apostrophes kept inside") << "Don\u2019t"
                                                 << "don't";
        QTest::newRow("quote after a word") << "dogs'"
                                            << "dogs";
        QTest::newRow("hyphen splits") << "well-known"
                                       << "well known";
        QTest::newRow("number") << "42"
                                << "forty two";
        QTest::newRow("teen and hundred") << "115"
                                          << "one hundred fifteen";
        QTest::newRow("grouped thousands") << "1,000,002"
                                           << "one million two";
        QTest::newRow("year") << "1999"
                              << "one thousand nine hundred ninety nine";
        QTest::newRow("zero") << "0"
                              << "zero";
        QTest::newRow("long digit run")
            << "0123456789012"
            << "zero one two three four five six seven eight nine zero one two";
        QTest::newRow("mixed") << "3D"
                               << "three d";
        QTest::newRow("only punctuation") << "--"
                                          << "";
    }
    void spokenWords()
    {
        QFETCH(QString, token);
        QFETCH(QString, expected);
        QCOMPARE(qm::spokenWords(token).join(QLatin1Char(' ')), expected);
    }

    // Positions count body tokens only; heading words are in the model but not in positions.
    void scriptWordsAndSentences()
    {
        const QList<ScriptSection> sections = parseSections(QStringLiteral(
            "Hello there, friends!\nIt's 2 o'clock.\n# Part two\nWell-known -- facts: none"));
        const ScriptWords w = scriptWords(sections);
        QCOMPARE(w.spoken.join(QLatin1Char(' ')),
            QStringLiteral("hello there friends it's two o'clock well known facts none"));
        QCOMPARE(w.tokenOf, (QList<int> {0, 1, 2, 3, 4, 5, 6, 6, 7, 8}));
        QCOMPARE(w.tokenCount, 9);
        QList<QStringList> expected {words(QStringLiteral("hello there friends")),
            words(QStringLiteral("it's two o'clock")), words(QStringLiteral("part two")),
            words(QStringLiteral("well known facts")), words(QStringLiteral("none"))};
        QCOMPARE(modelSentences(sections), expected);
    }
};

QTEST_APPLESS_MAIN(TestFollowMatcher)
#include "tst_follow_matcher.moc"
