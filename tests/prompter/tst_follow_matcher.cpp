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

// A song whose chorus comes three times: words 16, 66 and 114 start it.
const QString kSong = QStringLiteral(
    "welcome back everyone to the evening show tonight we sing for the river and the road "
    "carry me home by the river carry me home by the road carry me home when the lanterns are "
    "lit and the long day is done my grandfather built a boat from the pine behind the barn "
    "and every spring he sailed it down to trade for seed and yarn carry me home by the river "
    "carry me home by the road carry me home when the lanterns are lit and the long day is "
    "done my mother kept the ledger and she counted every coin she said a family is a rope "
    "where many threads must join carry me home by the river carry me home by the road carry "
    "me home when the lanterns are lit and the long day is done thank you all for singing "
    "with us tonight");

QStringList words(const QString &s)
{
    return s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A long script of made-up prose: every third word a common one, the rest drawn from 150
// others, and a chorus line at three places.
const QString kChorus = QStringLiteral("oh the river runs and carries us all home");
constexpr int kChorusAt[] = {150, 300, 450};

QStringList longScript()
{
    static const char *common[] = {"the", "of", "and", "a", "to", "in", "we", "it"};
    QStringList out;
    quint32 seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16) & 0x7fff;
    };
    while (out.size() < 600) {
        for (int at : kChorusAt) {
            if (out.size() == at)
                out << words(kChorus);
        }
        out << (out.size() % 3 == 0 ? QLatin1String(common[next() % 8])
                                    : QStringLiteral("w%1").arg(next() % 150));
    }
    return out;
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
        QTest::newRow("common words far ahead are chance")
            << kScript << 0 << "for and see you" << 0 << 0;
        QTest::newRow("three common words a line on are chance")
            << QStringLiteral("it is paid in mistakes in short tempers in slow thinking in colds "
                              "that never quite leave so here is my proposal")
            << 0 << "it is paid in mistakes in short tempers in so here is" << 8 << 0;
        QTest::newRow("one rare word among common ones three lines on is chance")
            << QStringLiteral("some people wanted to build a new wall higher and wider than the "
                              "first one others said the money would be better spent on moving "
                              "the market up the hill away from the danger")
            << 6 << "the market up the" << 6 << 6;
        QTest::newRow("a chorus sung again does not go back to its last copy")
            << kSong << 110 << "carry me home when the lanterns" << 131 << 110;
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

    // One result whose newest words are misheard, as the recogniser often gives them: the
    // words before them still say where the reader went. A final result may go back.
    void movesAmidMisheardWords_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<QString>("heard");
        QTest::addColumn<bool>("final");
        QTest::addColumn<int>("expected");
        const QString chorus = QStringLiteral("carry me home by the river carry me home by the "
                                              "road carry me home when the lanterns are lit");
        const QStringList longer = longScript();
        QTest::newRow("a re-read")
            << kScript << 22 << "then the news from the city council talk about the weather uh um"
            << false << 12;
        QTest::newRow("a re-read heard from three rare words")
            << kScript << 22 << "the news from the city council tonight we talk" << false << 9;
        QTest::newRow("three words behind, not rare ones, are chance")
            << kScript << 22 << "the news from the city council in the north" << false << 22;
        // "council" stands further on, as if the reader had been there and come back.
        QTest::newRow("a run read on to the position is no re-read of its start")
            << QStringLiteral("people worked in the market by the water when the storms grew "
                              "stronger the old wall that kept the waves away began to crack and "
                              "the council met every week to decide about moving the market up "
                              "the hill before the first snow of winter")
            << 20 << "council water when war the old wall that kept the waves away" << false << 20;
        // The reader begins the sentence again: "stronger the" after the last word read is a
        // run behind it, not misheard words before the next "the".
        QTest::newRow("a sentence begun again is no move a word on")
            << QStringLiteral("people worked in the market by the water when the storms grew "
                              "stronger the old wall that kept the waves away began to crack the "
                              "council met every week for a whole winter to decide about moving "
                              "the market up the hill before the first snow")
            << 23 << "the old wall that kept the waves away began to crack an old stronger the"
            << false << 23;
        QTest::newRow("reading on") << kScript << 22
                                    << "weather in the north then the news from the city council "
                                       "uh um"
                                    << false << 22;
        QTest::newRow("a line said again in a chorus reads on")
            << chorus << 15 << "carry in me home by the rather read carry me home when the line"
            << false << 16;
        QTest::newRow("common words far apart are chance")
            << QStringLiteral("protect it from the phone guard the last hour of the evening the "
                              "way you guard the first hour of work try it for two weeks")
            << 10 << "protect it from the phone got the last hour of the the it" << false << 12;
        QTest::newRow("a skip back")
            << longer.join(u' ') << 400
            << (longer.mid(389, 12) + longer.mid(200, 5)).join(u' ') + QStringLiteral(" uh um")
            << false << 204;
        // The skip's last word comes again just ahead, where the words before it would string
        // it onto the run read last.
        QTest::newRow("a skip whose last word also comes next")
            << longer.join(u' ') << 60
            << (longer.mid(52, 9) + QStringList {QStringLiteral("uh")} + longer.mid(127, 4))
                   .join(u' ')
            << false << 130;
        // The words just read stand again a line on: an ad-lib's common words after them do not
        // make them evidence for moving there.
        QTest::newRow("words just read are no evidence for a move a line on")
            << QStringLiteral("most people cared less about the wall itself and more about keeping "
                              "the town together an old captain told her that the sea has always "
                              "taken something from the town and the town has always found a way "
                              "to give something back")
            << 14 << "and more about keeping the town together and on the there got" << false << 14;
        // The later copy lies beyond what the window decides alone: nothing moves.
        QTest::newRow("a chorus sung again, far behind it, does not go back")
            << kSong << 105 << "carry me home when the lanterns are lit and the long day is" << true
            << 105;
        // Talk goes on after the last line, whose words stand earlier in the script too.
        const QStringList ending = longer.mid(0, 40)
            + words(QStringLiteral("after the break we will hear")) + longer.mid(40, 80)
            + words(QStringLiteral("thank you for watching and see you after the break"));
        QTest::newRow("the last line's words earlier on do not pull the end back")
            << ending.join(u' ') << int(ending.size()) - 1
            << "thank you for watching and see you after the break easy on" << false
            << int(ending.size()) - 1;
        // Just read, the phrase that also closes the script far ahead stays read here.
        QTest::newRow("a phrase just read that also stands far ahead does not pull the text on")
            << ending.join(u' ') << 42
            << (longer.mid(30, 10) + words(QStringLiteral("after the break"))).join(u' ') << false
            << 42;
    }
    void movesAmidMisheardWords()
    {
        QFETCH(QString, script);
        QFETCH(int, anchor);
        QFETCH(QString, heard);
        QFETCH(bool, final);
        QFETCH(int, expected);
        FollowMatcher matcher(words(script));
        matcher.reanchor(anchor);
        matcher.hear(words(heard), final);
        QCOMPARE(matcher.position(), expected);
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

    // Every way of saying a token, the usual first, separated by " | ".
    void spokenForms_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("expected");
        const QList<std::pair<const char *, const char *>> rows {
            {"\u201cHello,\u201d", "hello"},
            {"Don\u2019t", "don't"},
            {"dogs'", "dogs"},
            {"well-known", "well known"},
            {"42", "forty two"},
            {"115", "one hundred fifteen"},
            {"1,000,002", "one million two"},
            {"1,2,3", "one two three"},
            {"1999", "nineteen ninety nine | one thousand nine hundred ninety nine"},
            {"2025.", "twenty twenty five | two thousand twenty five"},
            {"2005", "two thousand five | twenty oh five"},
            {"1905", "nineteen oh five | one thousand nine hundred five"},
            {"2000", "two thousand"},
            {"1st", "first"},
            {"22nd", "twenty second"},
            {"3rd", "third"},
            {"40th", "fortieth"},
            {"3.5", "three point five"},
            {"0.25", "zero point two five | point two five"},
            {"10%", "ten percent"},
            {"$5", "five dollars"},
            {"$1", "one dollar"},
            {"$5.50", "five dollars fifty | five fifty | five dollars and fifty cents"},
            {"\u20ac20", "twenty euros"},
            {"\u00a31,000", "one thousand pounds"},
            {"10:30", "ten thirty | half past ten"},
            {"9:05", "nine oh five"},
            {"7:00", "seven o'clock | seven"},
            {"0", "zero"},
            {"0123456789012", "zero one two three four five six seven eight nine zero one two"},
            {"3D", "three d"},
            {"--", ""},
        };
        for (const auto &[token, expected] : rows)
            QTest::newRow(token) << QString::fromUtf8(token) << QString::fromUtf8(expected);
    }
    void spokenForms()
    {
        QFETCH(QString, token);
        QFETCH(QString, expected);
        QStringList forms;
        for (const QStringList &f : qm::spokenForms(token))
            forms << f.join(QLatin1Char(' '));
        QCOMPARE(forms.join(QStringLiteral(" | ")), expected);
        QCOMPARE(
            qm::spokenWords(token).join(QLatin1Char(' ')), expected.section(u'|', 0, 0).trimmed());
    }

    // A number said another way than the script's first is followed just the same.
    void alternativesMatch_data()
    {
        QTest::addColumn<QString>("heard");
        QTest::addColumn<int>("expected");
        QTest::newRow("first way") << "back in twenty twenty five we" << 7;
        QTest::newRow("another way") << "back in two thousand twenty five we" << 7;
        QTest::newRow("half way into it") << "back in two thousand" << 4;
    }
    void alternativesMatch()
    {
        QFETCH(QString, heard);
        QFETCH(int, expected);
        const ScriptWords w
            = scriptWords(parseSections(QStringLiteral("It was back in 2025 we met")));
        FollowMatcher matcher(w.spoken, w.alternatives);
        QStringList sofar;
        for (const QString &word : words(heard)) {
            sofar << word;
            matcher.hear(sofar, false);
        }
        QCOMPARE(matcher.position(), expected);
    }

    // The reader goes somewhere else in a long script. Heard as partial results, one word
    // more each time: the position never passes the word just read, and lands where the
    // reader is within `within` words.
    void findsThePlace_data()
    {
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("within");

        QTest::newRow("skip 60 forward") << 70 << 130 << 8 << 5;
        QTest::newRow("skip 120 forward") << 70 << 190 << 8 << 5;
        QTest::newRow("skip 120 forward, found from two rare words and a common one")
            << 70 << 191 << 6 << 3;
        QTest::newRow("skip 200 forward") << 80 << 280 << 10 << 6;
        QTest::newRow("skip 200 back") << 520 << 320 << 10 << 6;
        QTest::newRow("re-read the last ten words") << 240 << 231 << 8 << 4;
        QTest::newRow("re-read twenty-six words back") << 240 << 214 << 8 << 4;
        QTest::newRow("into the chorus, said three times") << 100 << 450 << 14 << 12;
        QTest::newRow("reading through the chorus") << 140 << 141 << 16 << 3;
    }
    void findsThePlace()
    {
        QFETCH(int, anchor);
        QFETCH(int, from);
        QFETCH(int, count);
        QFETCH(int, within);
        const QStringList script = longScript();
        FollowMatcher matcher(script);
        matcher.reanchor(anchor);
        QStringList heard = script.mid(anchor - 11, 12);
        int landed = -1;
        for (int k = 0; k < count; ++k) {
            heard << script.at(from + k);
            matcher.hear(heard, false);
            const int at = matcher.position();
            if (at != anchor) {
                QVERIFY2(at >= from && at <= from + k,
                    qPrintable(QStringLiteral("at %1 after word %2").arg(at).arg(from + k)));
                if (landed < 0)
                    landed = k + 1;
            }
        }
        QCOMPARE(matcher.position(), from + count - 1);
        QVERIFY2(landed <= within, qPrintable(QStringLiteral("found after %1 words").arg(landed)));
    }

    // Nothing moves while the words heard fit places equally far apart: the chorus, or words
    // common all over the script.
    void ambiguousWordsHoldStill_data()
    {
        QTest::addColumn<QString>("heard");
        QTest::newRow("the chorus") << kChorus;
        QTest::newRow("common words") << "the of and a to in we it the of and";
    }
    void ambiguousWordsHoldStill()
    {
        QFETCH(QString, heard);
        FollowMatcher matcher(longScript());
        matcher.reanchor(30);
        QStringList sofar;
        for (const QString &w : words(heard)) {
            sofar << w;
            matcher.hear(sofar, true);
            QCOMPARE(matcher.position(), 30);
        }
    }

    // Positions count body tokens only; heading words are in the model but not in positions.
    // A token said more than one way has alternatives, and its sentence comes again with each.
    void scriptWordsAndSentences()
    {
        const QList<ScriptSection> sections = parseSections(QStringLiteral(
            "Hello there, friends!\nIt's 2 o'clock.\n# Part two\nWell-known -- facts: none\n"
            "In 1999 at 10:30."));
        const ScriptWords w = scriptWords(sections);
        QCOMPARE(w.spoken.join(QLatin1Char(' ')),
            QStringLiteral("hello there friends it's two o'clock well known facts none in "
                           "nineteen ninety nine at ten thirty"));
        QCOMPARE(w.tokenOf, (QList<int> {0, 1, 2, 3, 4, 5, 6, 6, 7, 8, 9, 10, 10, 10, 11, 12, 12}));
        QCOMPARE(w.tokenCount, 13);
        QCOMPARE(w.alternatives,
            (QList<SpokenAlternative> {
                {11, 3, words(QStringLiteral("one thousand nine hundred ninety nine"))},
                {15, 2, words(QStringLiteral("half past ten"))}}));
        QList<QStringList> expected {words(QStringLiteral("hello there friends")),
            words(QStringLiteral("it's two o'clock")), words(QStringLiteral("part two")),
            words(QStringLiteral("well known facts")), words(QStringLiteral("none")),
            words(QStringLiteral("in nineteen ninety nine at ten thirty")),
            words(QStringLiteral("in one thousand nine hundred ninety nine at half past ten"))};
        QCOMPARE(modelSentences(sections), expected);
    }
};

QTEST_APPLESS_MAIN(TestFollowMatcher)
#include "tst_follow_matcher.moc"
