// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/cue_highlighter.h"
#include "main_window/script_editor.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace qm;

using Spans = QList<CueHighlighter::Span>;
Q_DECLARE_METATYPE(Spans)

namespace {

// The cue ranges drawn on one paragraph of the editor.
Spans drawnSpans(const QTextBlock &block)
{
    Spans spans;
    for (const QTextLayout::FormatRange &r : block.layout()->formats()) {
        if (r.format.foreground().color() == palette::tally() && r.format.font().bold())
            spans.append({r.start, r.length});
    }
    return spans;
}

} // namespace

class TestCueHighlighter final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void spans_data();
    void spans();
    void cueFormat();
    void joinedLettersAreNotSpaced();
    void documentLines();
    void crlfText();
    void typingMakesAndUnmakesACue();
};

void TestCueHighlighter::spans_data()
{
    QTest::addColumn<QString>("paragraph");
    QTest::addColumn<Spans>("expected");
    QTest::newRow("hash and text") << "#Intro" << Spans {{0, 6}};
    QTest::newRow("hash and space") << "# Intro" << Spans {{0, 7}};
    QTest::newRow("lone hash") << "#" << Spans {{0, 1}};
    QTest::newRow("hash and tab") << "#\t" << Spans {{0, 2}};
    QTest::newRow("double hash") << "##Intro" << Spans {{0, 7}};
    QTest::newRow("space first") << " # x" << Spans {};
    QTest::newRow("two spaces first") << "  #x" << Spans {};
    QTest::newRow("tab first") << "\t#x" << Spans {};
    QTest::newRow("hash later") << "Say #1" << Spans {};
    QTest::newRow("empty") << "" << Spans {};
    QTest::newRow("fullwidth number sign") << QString::fromUtf8("＃x") << Spans {};
    QTest::newRow("line separator splits")
        << QString::fromUtf8("body\u2028#Cue\u2028more") << Spans {{5, 4}};
    QTest::newRow("next line after a cue") << QString::fromUtf8("#A\u2028B") << Spans {{0, 2}};
    QTest::newRow("form feed and nel")
        << QString::fromUtf8("#a\f#b\u0085 #c") << Spans {{0, 2}, {3, 2}};
}

void TestCueHighlighter::spans()
{
    QFETCH(QString, paragraph);
    QFETCH(Spans, expected);
    QCOMPARE(CueHighlighter::cueSpans(paragraph), expected);
}

void TestCueHighlighter::cueFormat()
{
    const QTextCharFormat f = CueHighlighter::cueFormat();
    QCOMPARE(f.font().pixelSize(), 13);
    QVERIFY(f.font().bold());
    QCOMPARE(f.foreground().color(), palette::tally());
    QCOMPARE(f.font().letterSpacingType(), QFont::AbsoluteSpacing);
    // Stored in 1/64 px.
    QVERIFY(qAbs(f.font().letterSpacing() - 0.9) < 1.0 / 32);
}

void TestCueHighlighter::joinedLettersAreNotSpaced()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("# مقدمة\n# פתיחה"));
    const QTextDocument *doc = editor.document();
    const auto spacing = [doc](int block) {
        const auto formats = doc->findBlockByNumber(block).layout()->formats();
        return formats.isEmpty() ? -1.0 : formats.first().format.font().letterSpacing();
    };
    QCOMPARE(spacing(0), 0.0);
    QVERIFY(spacing(1) > 0);
}

void TestCueHighlighter::documentLines()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("Intro line\n#Hook\n  # not a cue\n#\n# Ask them\nend"));
    const QTextDocument *doc = editor.document();
    QCOMPARE(doc->blockCount(), 6);
    const QList<Spans> expected {{}, {{0, 5}}, {}, {{0, 1}}, {{0, 10}}, {}};
    for (int i = 0; i < doc->blockCount(); ++i)
        QCOMPARE(drawnSpans(doc->findBlockByNumber(i)), expected.at(i));
}

void TestCueHighlighter::crlfText()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("#One\r\nbody text\r\n#Two\r\n"));
    const QTextDocument *doc = editor.document();
    QCOMPARE(doc->blockCount(), 4);
    QCOMPARE(doc->findBlockByNumber(0).text(), QStringLiteral("#One"));
    QCOMPARE(drawnSpans(doc->findBlockByNumber(0)), (Spans {{0, 4}}));
    QCOMPARE(drawnSpans(doc->findBlockByNumber(1)), Spans {});
    QCOMPARE(drawnSpans(doc->findBlockByNumber(2)), (Spans {{0, 4}}));
    QCOMPARE(drawnSpans(doc->findBlockByNumber(3)), Spans {});
}

void TestCueHighlighter::typingMakesAndUnmakesACue()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("first\nsecond\nthird"));
    QTextCursor cursor(editor.document()->findBlockByNumber(1));
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, '#');
    QCOMPARE(editor.text(), QStringLiteral("first\n#second\nthird"));
    QCOMPARE(drawnSpans(editor.document()->findBlockByNumber(1)), (Spans {{0, 7}}));
    QCOMPARE(drawnSpans(editor.document()->findBlockByNumber(2)), Spans {});

    // A new line typed after the cue is body text again.
    cursor.movePosition(QTextCursor::EndOfBlock);
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClicks(&editor, QStringLiteral("more"));
    QCOMPARE(drawnSpans(editor.document()->findBlockByNumber(2)), Spans {});

    cursor.setPosition(editor.document()->findBlockByNumber(1).position());
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key_Delete);
    QCOMPARE(drawnSpans(editor.document()->findBlockByNumber(1)), Spans {});
}

QTEST_MAIN(TestCueHighlighter)
#include "tst_cue_highlighter.moc"
