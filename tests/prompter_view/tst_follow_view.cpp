// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter/script_words.h"
#include "prompter_view/prompter_controls.h"
#include "prompter_view/prompter_layout.h"
#include "prompter_view/word_lines.h"
#include "ui/palette.h"

#include <QTest>
#include <QTextLayout>

using namespace qm;

class TestFollowView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The layout's token count per line agrees with the script's words, across headings, blank
    // lines, punctuation-only runs and wrapped paragraphs, and lines come top to bottom.
    void wordLinesAgreeWithScriptWords_data()
    {
        QTest::addColumn<QString>("text");
        // Words cut between two pieces of a long body: each piece's text counts its part.
        QTest::addColumn<int>("cut");
        QTest::newRow("wrapped prose") << QStringLiteral(
            "Good evening and welcome to the show tonight, where we talk about the weather in "
            "the north and then the news from the city council.")
                                       << 0;
        QTest::newRow("headings, blank lines and dashes") << QStringLiteral(
            "Intro line one\n\nline -- two\n# Cue one\nBody of the cue, with well-known words "
            "and 42 numbers.\n# Empty cue\n# Last\nEnd.") << 0;
        QTest::newRow("one long word") << QString(400, QLatin1Char('w')) << 0;
        // Long bodies are laid out in pieces: at line feeds, and within a long paragraph at
        // line starts.
        QTest::newRow("long body in pieces") << QStringLiteral("Short opening line.\n")
                + QStringLiteral("the reader keeps going, word after word. ").repeated(120)
                + QStringLiteral("\nAnd a last line.\n# Cue\n")
                + QStringLiteral("More words on a line.\n").repeated(150)
                                             << 0;
        QTest::newRow("a word longer than a piece")
            << QString(4500, QLatin1Char('w')) + QStringLiteral(" tail words") << 2;
    }
    void wordLinesAgreeWithScriptWords()
    {
        QFETCH(QString, text);
        QFETCH(int, cut);
        const QList<ScriptSection> sections = parseSections(text);
        const ColumnLayout layout = layoutColumn(sections, 180, 19);
        const QList<WordLine> lines = wordLines(layout);
        const ScriptWords words = scriptWords(sections);
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.front().firstToken, 0);
        QVERIFY(lines.back().firstToken < words.tokenCount);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QVERIFY(lines[i].firstToken > lines[i - 1].firstToken);
            QVERIFY(lines[i].y > lines[i - 1].y);
        }
        // The body text as laid out counts as many tokens as the script does.
        int tokensOnLast = 0;
        for (const TextBlock &block : layout.blocks) {
            if (block.role == TextBlock::Role::Body)
                forEachToken(block.layout->text(), [&](qsizetype, qsizetype) { ++tokensOnLast; });
        }
        QCOMPARE(tokensOnLast - cut, words.tokenCount);

        // Laid out a section at a time, the index grows to the same lines.
        ColumnLayouter layouter(sections, 180, 19);
        WordLineIndex index;
        double y = 0;
        do {
            y += 20;
            layouter.advance(y);
            index.update(layouter.snapshot(), false);
        } while (!layouter.complete());
        QCOMPARE(index.lines(), lines);
    }

    void statusInFollowMode_data()
    {
        QTest::addColumn<FollowState>("state");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("mic");
        QTest::addColumn<QColor>("micColor");
        QTest::newRow("listening") << FollowState::Listening << false
                                   << int(StatusIndicator::Mic::On) << palette::white(35);
        QTest::newRow("following")
            << FollowState::Following << true << int(StatusIndicator::Mic::On) << palette::tally();
        QTest::newRow("lost") << FollowState::Lost << false << int(StatusIndicator::Mic::On)
                              << palette::tallySoft();
        QTest::newRow("unavailable") << FollowState::Unavailable << false
                                     << int(StatusIndicator::Mic::Off) << palette::white(35);
    }
    void statusInFollowMode()
    {
        QFETCH(FollowState, state);
        QFETCH(bool, active);
        QFETCH(int, mic);
        QFETCH(QColor, micColor);
        StatusInput in;
        in.isPlaying = true;
        in.voiceMode = true;
        in.speaking = false;
        in.follow = state;
        // Moving needs the voice as well as a match.
        in.speaking = true;
        const StatusIndicator s = statusIndicator(in);
        QCOMPARE(s.active, active);
        QCOMPARE(int(s.mic), mic);
        if (state != FollowState::Listening && state != FollowState::Unavailable)
            QCOMPARE(s.micColor, micColor);
        QCOMPARE(s.pause, !active);
    }
};

QTEST_MAIN(TestFollowView)
#include "tst_follow_view.moc"
