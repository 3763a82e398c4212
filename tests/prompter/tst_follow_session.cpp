// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter/follow_session.h"
#include "prompter/scroll_state.h"
#include "support/fake_speech_recognizer.h"

#include <QTest>

#include <cmath>

using namespace qm;

namespace {

using FakeRecognizer = testing::FakeSpeechRecognizer;

const QString kText = QStringLiteral(
    "one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen "
    "sixteen seventeen eighteen nineteen twenty alpha bravo charlie delta echo foxtrot golf "
    "hotel india juliet kilo lima mike november oscar papa quebec romeo sierra tango");

constexpr double kLine = 30; // each line five tokens, 30 pt
constexpr double kViewport = 150;
constexpr double kMax = 1000;
constexpr double kSpeed = 36;

struct Rig {
    double now = 0;
    FakeRecognizer *fake = nullptr;
    FollowSession session;
    ScrollState scroll;

    Rig(platform::SpeechRecognizer::Availability availability
        = platform::SpeechRecognizer::Availability::Available)
        : session([this] { return now; }, make(availability))
    {
        session.setSections(parseSections(kText));
        QList<WordLine> lines;
        for (int i = 0; i < 8; ++i)
            lines.append({5 * i, 8 + kLine * i, 24});
        session.setWordLines(lines);
        session.setActive(true);
    }
    std::unique_ptr<platform::SpeechRecognizer> make(platform::SpeechRecognizer::Availability a)
    {
        auto f = std::make_unique<FakeRecognizer>();
        f->availability_ = a;
        fake = f.get();
        return f;
    }
    // Frames for `seconds`; returns the largest move of one frame.
    double run(double seconds)
    {
        double largest = 0;
        for (int i = 0; i < qRound(seconds * 60); ++i) {
            now += 1.0 / 60;
            const double before = scroll.offset();
            session.step(1.0 / 60, scroll, kViewport, kMax, kSpeed);
            largest = std::max(largest, std::abs(scroll.offset() - before));
        }
        return largest;
    }
    // The partial results as each word comes, as the recogniser gives them, then the final
    // one if the utterance ends.
    void say(const QString &words, bool final = false)
    {
        const QStringList all = words.split(QLatin1Char(' '));
        for (qsizetype k = 1; k <= all.size(); ++k)
            session.hear(all.first(k), false);
        if (final)
            session.hear(all, true);
    }
    // Frames until the text stands still; returns how long that took.
    double settle()
    {
        double t = 0;
        do {
            run(1.0 / 60);
            t += 1.0 / 60;
        } while (session.gliding() && t < 10);
        return t;
    }
};

} // namespace

class TestFollowSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The word read goes to the reading line a third down, smoothly and no faster than the
    // speed allows; in silence the text then stays put.
    void followsThenHoldsInSilence()
    {
        Rig rig;
        QCOMPARE(rig.session.state(), FollowState::Listening);
        rig.run(1);
        QCOMPARE(rig.scroll.offset(), 0.0);

        rig.say(QStringLiteral("twenty alpha bravo charlie delta echo foxtrot golf"), true);
        QCOMPARE(rig.session.tokenPosition(), 26);
        QCOMPARE(rig.session.state(), FollowState::Following);
        const double target = 8 + kLine * 5 + 12 - kViewport / 3;
        QCOMPARE(*rig.session.targetOffset(kViewport, kMax), target);
        const double largest = rig.run(8);
        QVERIFY(largest <= target * FollowSession::kFarChaseRate / 60 + 1e-9);
        QCOMPARE(rig.scroll.offset(), target);
        // Silence: nothing heard, nothing moves.
        QCOMPARE(rig.run(5), 0.0);
        QCOMPARE(rig.session.state(), FollowState::Listening);
        // A line on, the text comes to rest within 0.7 s, not past its line.
        rig.say(QStringLiteral("hotel india juliet kilo lima"), true);
        const double settled = rig.settle();
        QVERIFY2(settled < 0.7, qPrintable(QString::number(settled)));
        QCOMPARE(rig.scroll.offset(), target + kLine);
    }

    // A partial result's newest word is a guess: the text moves onto a word once the next
    // partial agrees with it, or the utterance ends with it; a final result that revises the
    // partials never takes a move back, so the speaker's silence never moves the text.
    void neverAheadOfTheVoice_data()
    {
        QTest::addColumn<QStringList>("results"); // "partial:", "whole:", "final:" or "wait:"
        QTest::addColumn<int>("expected");
        QTest::newRow("newest partial word waits")
            << QStringList {QStringLiteral("partial: twenty alpha bravo charlie delta")} << 22;
        QTest::newRow("a revised guess is never taken")
            << QStringList {QStringLiteral("partial: twenty alpha bravo charlie delta"),
                   QStringLiteral("partial: twenty alpha bravo charlie tango sierra")}
            << 22;
        QTest::newRow("the final confirms")
            << QStringList {QStringLiteral("partial: twenty alpha bravo charlie delta"),
                   QStringLiteral("final: twenty alpha bravo charlie delta")}
            << 23;
        QTest::newRow("a partial standing unrevised is taken") << QStringList {
            QStringLiteral("partial: twenty alpha bravo charlie delta"),
            QStringLiteral("wait: 0.25")} << 23;
        QTest::newRow("a partial standing briefly moves a word on") << QStringList {
            QStringLiteral("partial: twenty alpha bravo charlie delta"),
            QStringLiteral("wait: 0.15")} << 23;
        QTest::newRow("but not farther until it has stood longer") << QStringList {
            QStringLiteral("whole: twenty alpha bravo charlie delta echo foxtrot"),
            QStringLiteral("wait: 0.15")} << 0;
        QTest::newRow("a partial revised at once is not") << QStringList {
            QStringLiteral("partial: twenty alpha bravo charlie delta"),
            QStringLiteral("wait: 0.1"),
            QStringLiteral("partial: twenty alpha bravo charlie tango sierra"),
            QStringLiteral("wait: 0.1")} << 22;
        QTest::newRow("a final that drops words keeps the move") << QStringList {
            QStringLiteral("partial: twenty alpha bravo charlie delta echo foxtrot"),
            QStringLiteral(
                "final: twenty alpha bravo charlie delta")} << 24;
    }
    void neverAheadOfTheVoice()
    {
        QFETCH(QStringList, results);
        QFETCH(int, expected);
        Rig rig;
        for (const QString &r : results) {
            const QStringList words = r.section(u':', 1).trimmed().split(u' ');
            if (r.startsWith(QLatin1String("wait")))
                rig.run(words.first().toDouble());
            else if (r.startsWith(QLatin1String("final")))
                rig.session.hear(words, true);
            else if (r.startsWith(QLatin1String("whole"))) // one partial result, not word by word
                rig.session.hear(words, false);
            else
                rig.say(words.join(u' '));
        }
        QCOMPARE(rig.session.tokenPosition(), expected);
    }

    // Found far from where the text stands (a skip, words heard late), the text gets there
    // within a second, however low the speed setting.
    void aFarMoveArrivesSoon()
    {
        Rig rig;
        rig.say(QStringLiteral("kilo lima mike november oscar papa"), true);
        QCOMPARE(rig.session.tokenPosition(), 35);
        const double settled = rig.settle();
        QVERIFY2(settled < 1.0, qPrintable(QString::number(settled)));
        QCOMPARE(rig.scroll.offset(), *rig.session.targetOffset(kViewport, kMax));
    }

    // A long script's words are worked out off the main thread; until they are, the words
    // before stay in use, and the model is built from the new ones.
    void longScriptsArePreparedElsewhere()
    {
        Rig rig;
        QString text;
        while (text.size() <= FollowSession::kWordsHereChars)
            text += kText + QLatin1Char('\n');
        text += QStringLiteral("zulu");
        const quint64 generation = rig.fake->generation;
        rig.session.setSections(parseSections(text));
        QTRY_VERIFY(!rig.session.wordsPending());
        QCOMPARE(rig.session.words().spoken.back(), QStringLiteral("zulu"));
        QTRY_VERIFY(rig.fake->generation > generation);
        QVERIFY(rig.fake->model([](const QString &) { return true; }).contains(" zulu"));
        // Started with a long script, the model waits for its words.
        rig.session.setActive(false);
        rig.session.setSections(parseSections(text + QStringLiteral(" yankee")));
        rig.session.setActive(true);
        QTRY_VERIFY(!rig.session.wordsPending());
        QTRY_VERIFY(rig.fake->model([](const QString &) { return true; }).contains(" yankee"));
    }

    // Words that match nothing hold the text and, after a while, say the reader is lost.
    void adLibHoldsAndIsLost()
    {
        Rig rig;
        rig.say(QStringLiteral("one two three four five six"), true);
        rig.run(4);
        const double at = rig.scroll.offset();
        const QStringList adLib
            = QStringLiteral("so where was i yes well anyway moving on").split(QLatin1Char(' '));
        QStringList said;
        for (const QString &w : adLib) {
            said << w;
            rig.session.hear(said, false);
            rig.run(0.5);
        }
        QCOMPARE(rig.session.tokenPosition(), 5);
        QCOMPARE(rig.scroll.offset(), at);
        QCOMPARE(rig.session.state(), FollowState::Lost);
        rig.say(QStringLiteral("seven eight nine"));
        QCOMPARE(rig.session.state(), FollowState::Following);
    }

    // A hand scroll (or a cue jump, or a restart) puts the reader where the text now stands,
    // and words heard before it no longer count.
    void handScrollReanchors()
    {
        Rig rig;
        rig.say(QStringLiteral("one two three four"));
        rig.run(2);
        rig.scroll.setOffset(8 + kLine * 6 - kViewport / 3);
        rig.run(0.5);
        QCOMPARE(rig.session.tokenPosition(), 30);
        const double at = rig.scroll.offset();
        rig.say(QStringLiteral("one two three four five six seven"));
        rig.run(1);
        QCOMPARE(rig.scroll.offset(), at);
        rig.scroll.setOffset(0);
        rig.run(0.5);
        QCOMPARE(rig.session.position(), 0);
    }

    // Two re-anchors within one spoken phrase: the words heard before either stay behind, so
    // the text stays where the user put it.
    void twoReanchorsInOnePhrase()
    {
        Rig rig;
        rig.run(0.5);
        auto partial = [&](const char *words) {
            rig.session.hear(QString::fromLatin1(words).split(u' '), false);
        };
        partial("alpha");
        rig.scroll.setOffset(8 + kLine * 2 - kViewport / 3);
        rig.run(0.5);
        partial("alpha bravo");
        const double second = 8 + kLine * 3 - kViewport / 3;
        rig.scroll.setOffset(second);
        rig.run(0.5);
        QCOMPARE(rig.session.tokenPosition(), 15);
        // Only "charlie delta" is new, even once it has stood a while: too little to move on.
        partial("alpha bravo charlie delta");
        rig.run(1);
        QCOMPARE(rig.session.tokenPosition(), 15);
        QCOMPARE(rig.scroll.offset(), second);
    }

    // A script that gives no model (empty, or no word in the dictionary) says so, holds still,
    // and follows again once the script has words; a rebuild that fails never lets the text
    // follow another script's words.
    void aScriptWithoutAModelRecovers()
    {
        Rig rig;
        rig.session.modelLoaded(rig.fake->generation, false);
        QCOMPARE(rig.session.problem(), FollowSession::Problem::NothingToHear);
        QCOMPARE(rig.session.state(), FollowState::Unavailable);
        rig.say(QStringLiteral("twenty alpha bravo charlie delta"));
        QCOMPARE(rig.run(2), 0.0);

        const quint64 before = rig.fake->generation;
        rig.session.setSections(parseSections(kText + QStringLiteral(" uniform")));
        QTRY_VERIFY(rig.fake->generation > before);
        rig.session.modelLoaded(rig.fake->generation, true);
        QCOMPARE(rig.session.problem(), FollowSession::Problem::None);
        QCOMPARE(rig.session.state(), FollowState::Listening);
        rig.say(QStringLiteral("twenty alpha bravo charlie delta"), true);
        rig.run(4);
        QVERIFY(rig.scroll.offset() > 0);

        // An edit whose model fails: what is heard now is heard through the old model.
        const double at = rig.scroll.offset();
        const quint64 loaded = rig.fake->generation;
        rig.session.setSections(parseSections(QStringLiteral("zzyzx qwfp")));
        QTRY_VERIFY(rig.fake->generation > loaded);
        rig.session.modelLoaded(rig.fake->generation, false);
        rig.say(QStringLiteral("echo foxtrot golf hotel india"), true);
        QCOMPARE(rig.run(2), 0.0);
        QCOMPARE(rig.scroll.offset(), at);
    }

    // Edits while follow mode is off cost nothing: the words are taken when it starts.
    void wordsAreTakenWhenFollowingStarts()
    {
        Rig rig;
        rig.session.setActive(false);
        const quint64 generation = rig.fake->generation;
        rig.session.setSections(parseSections(QStringLiteral("kilo lima mike")));
        QCOMPARE(rig.session.words().spoken.size(), 40);
        rig.session.setActive(true);
        QCOMPARE(rig.session.words().spoken, QStringLiteral("kilo lima mike").split(u' '));
        QVERIFY(rig.fake->generation > generation);
    }

    // Without the model the mode says so and holds still.
    void unavailableHoldsStill()
    {
        Rig rig(platform::SpeechRecognizer::Availability::ModelMissing);
        QCOMPARE(rig.session.state(), FollowState::Unavailable);
        QCOMPARE(rig.session.problem(), FollowSession::Problem::ModelMissing);
        rig.say(QStringLiteral("twenty alpha bravo charlie"));
        QCOMPARE(rig.run(2), 0.0);
        rig.session.setActive(false);
        QCOMPARE(rig.session.state(), FollowState::Off);
    }

    // The model is built from the script; words the dictionary lacks are left out of it and
    // passed over by the matcher.
    void unknownWordsAreSkipped()
    {
        Rig rig;
        QVERIFY(rig.fake->started && rig.fake->model);
        const QByteArray arpa
            = rig.fake->model([](const QString &w) { return w != QLatin1String("foxtrot"); });
        QVERIFY(arpa.contains(" golf"));
        QVERIFY(!arpa.contains("foxtrot"));
        rig.session.modelLoaded(rig.fake->generation, true);
        QCOMPARE(rig.session.unknownWords(), QSet<QString> {QStringLiteral("foxtrot")});
        rig.say(QStringLiteral("twenty alpha bravo charlie delta echo golf hotel"), true);
        QCOMPARE(rig.session.tokenPosition(), 27);
    }
};

QTEST_GUILESS_MAIN(TestFollowSession)
#include "tst_follow_session.moc"
