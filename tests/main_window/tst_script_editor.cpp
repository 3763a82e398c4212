// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/script_editor.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace qm;

namespace {

QTextLine firstLine(const QTextBlock &block)
{
    return block.layout()->lineAt(0);
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &match)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (match(image.pixelColor(x, y)))
                ++n;
        }
    }
    return n;
}

bool isCueInk(QColor c)
{
    return c.red() > 200 && c.green() < 140 && c.blue() < 110;
}

} // namespace

class TestScriptEditor final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void baseLook();
    void lineSpacingAndCueSpacing();
    void wrappedLinesAreSpaced();
    void editsReportTheWholeText();
    void keepsNoBreakSpacesAndLineSeparators();
    void echoLeavesCaretScrollAndUndo();
    void differentTextReplaces();
    void showScriptForgetsUndo();
    void pastedStylingIsDropped();
    void selectionKeepsTextColours();
    void caretInAccent();
    void paragraphsStartOnTheirOwnSide_data();
    void paragraphsStartOnTheirOwnSide();
    void sideFollowsAnEdit();
};

void TestScriptEditor::baseLook()
{
    ScriptEditor editor;
    QCOMPARE(editor.objectName(), QStringLiteral("scriptText"));
    QCOMPARE(editor.document()->defaultFont().pointSizeF(), ScriptEditor::baseFont().pointSizeF());
    QCOMPARE(editor.palette().color(QPalette::Text), palette::white(86));
    QCOMPARE(editor.document()->documentMargin(), 0.0);
    QVERIFY(editor.document()->isUndoRedoEnabled());
}

void TestScriptEditor::lineSpacingAndCueSpacing()
{
    ScriptEditor editor;
    editor.resize(600, 400);
    editor.show();
    editor.showScript(QStringLiteral("#Top cue\nbody\n#Cue\nend"));
    const QTextDocument *doc = editor.document();
    auto *layout = doc->documentLayout();
    const QTextBlock b0 = doc->findBlockByNumber(0);
    const QTextBlock b1 = doc->findBlockByNumber(1);
    const QTextBlock b2 = doc->findBlockByNumber(2);
    const QTextBlock b3 = doc->findBlockByNumber(3);

    const QRectF r0 = layout->blockBoundingRect(b0);
    // The first paragraph starts below the inset and gets no space before, even as a cue.
    QCOMPARE(firstLine(b0).y(), ScriptEditor::kVerticalInset);
    QCOMPARE(r0.height(),
        ScriptEditor::kVerticalInset + firstLine(b0).height() + ScriptEditor::kLineSpacing);

    const QRectF r1 = layout->blockBoundingRect(b1);
    QCOMPARE(firstLine(b1).y(), 0.0);
    QCOMPARE(r1.height(), firstLine(b1).height() + ScriptEditor::kLineSpacing);

    const QRectF r2 = layout->blockBoundingRect(b2);
    QCOMPARE(firstLine(b2).y(), ScriptEditor::kCueSpacingBefore);
    QCOMPARE(r2.height(),
        ScriptEditor::kCueSpacingBefore + firstLine(b2).height() + ScriptEditor::kLineSpacing);
    // Cue lines are set smaller than body lines.
    QVERIFY(firstLine(b2).height() < firstLine(b1).height());

    const QRectF r3 = layout->blockBoundingRect(b3);
    QCOMPARE(r3.height(),
        firstLine(b3).height() + ScriptEditor::kLineSpacing + ScriptEditor::kVerticalInset);
}

void TestScriptEditor::wrappedLinesAreSpaced()
{
    ScriptEditor editor;
    editor.resize(200, 400);
    editor.show();
    editor.showScript(QStringLiteral("word ").repeated(60));
    const QTextBlock block = editor.document()->firstBlock();
    editor.document()->documentLayout()->blockBoundingRect(block);
    QTextLayout *layout = block.layout();
    QVERIFY(layout->lineCount() > 3);
    for (int i = 1; i < layout->lineCount(); ++i) {
        const QTextLine prev = layout->lineAt(i - 1);
        QCOMPARE(layout->lineAt(i).y(), prev.y() + prev.height() + ScriptEditor::kLineSpacing);
    }
    // Still so after a relayout at another width.
    editor.resize(260, 400);
    editor.document()->documentLayout()->blockBoundingRect(block);
    QCOMPARE(layout->lineAt(1).y(),
        layout->lineAt(0).y() + layout->lineAt(0).height() + ScriptEditor::kLineSpacing);
}

void TestScriptEditor::editsReportTheWholeText()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("ab\ncd"));
    QSignalSpy edited(&editor, &ScriptEditor::textEdited);
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, 'e');
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClick(&editor, 'f');
    QCOMPARE(edited.size(), 3);
    QCOMPARE(edited.last().first().toString(), QStringLiteral("ab\ncde\nf"));
    QCOMPARE(editor.text(), QStringLiteral("ab\ncde\nf"));
    // Loading a script is not an edit.
    editor.showScript(QStringLiteral("other"));
    QCOMPARE(edited.size(), 3);
}

void TestScriptEditor::keepsNoBreakSpacesAndLineSeparators()
{
    ScriptEditor editor;
    const QString text = QString::fromUtf8("Bonjour\u00A0!\u2028next");
    editor.showScript(text);
    QSignalSpy edited(&editor, &ScriptEditor::textEdited);
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, 'x');
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.first().first().toString(), text + u'x');
}

void TestScriptEditor::echoLeavesCaretScrollAndUndo()
{
    ScriptEditor editor;
    editor.resize(400, 200);
    editor.show();
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("Line %1 of the script\n").arg(i);
    editor.showScript(text);
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(text.indexOf(QStringLiteral("Line 150")));
    editor.setTextCursor(cursor);
    editor.ensureCursorVisible();
    QTest::keyClick(&editor, 'z');
    const int position = editor.textCursor().position();
    const int scroll = editor.verticalScrollBar()->value();
    QVERIFY(scroll > 0);
    QVERIFY(editor.document()->isUndoAvailable());

    // The store hands back what the editor wrote, and the same characters in a new buffer.
    editor.syncText(editor.text());
    const QString copy(editor.text().constData(), editor.text().size());
    editor.syncText(copy);
    QCOMPARE(editor.textCursor().position(), position);
    QCOMPARE(editor.verticalScrollBar()->value(), scroll);
    QVERIFY(editor.document()->isUndoAvailable());
}

void TestScriptEditor::differentTextReplaces()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("one two three"));
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(8);
    editor.setTextCursor(cursor);
    editor.syncText(QStringLiteral("#Cue\nshort"));
    QCOMPARE(editor.document()->toPlainText(), QStringLiteral("#Cue\nshort"));
    QCOMPARE(editor.textCursor().position(), 8);
    QVERIFY(!editor.document()->findBlockByNumber(0).layout()->formats().isEmpty());
}

void TestScriptEditor::showScriptForgetsUndo()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("first"));
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, 's');
    QVERIFY(editor.document()->isUndoAvailable());
    editor.showScript(QStringLiteral("second"));
    QVERIFY(!editor.document()->isUndoAvailable());
    QSignalSpy edited(&editor, &ScriptEditor::textEdited);
    editor.undo();
    QCOMPARE(editor.text(), QStringLiteral("second"));
    QCOMPARE(edited.size(), 0);
}

void TestScriptEditor::pastedStylingIsDropped()
{
    ScriptEditor editor;
    editor.showScript(QStringLiteral("A "));
    editor.moveCursor(QTextCursor::End);
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b style='color:red;font-size:40px'>Big</b> <i>words</i>"));
    mime->setText(QStringLiteral("Big words"));
    QGuiApplication::clipboard()->setMimeData(mime);
    editor.paste();
    QCOMPARE(editor.text(), QStringLiteral("A Big words"));
    const QTextBlock block = editor.document()->firstBlock();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        QVERIFY(!f.hasProperty(QTextFormat::FontWeight));
        QVERIFY(!f.hasProperty(QTextFormat::FontItalic));
        QVERIFY(!f.hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!f.hasProperty(QTextFormat::FontPixelSize));
    }
}

void TestScriptEditor::selectionKeepsTextColours()
{
    ScriptEditor editor;
    editor.resize(500, 200);
    editor.show();
    editor.showScript(QStringLiteral("#Cue line here\nbody text"));
    QVERIFY(countPixels(editor.viewport()->grab().toImage(), isCueInk) > 20);
    editor.selectAll();
    const QImage selected = editor.viewport()->grab().toImage();
    // The cue text keeps its accent over the tinted selection...
    QVERIFY(countPixels(selected, isCueInk) > 20);
    // ...and the selection tints the background with the accent at 30 %.
    const QColor tint = selected.pixelColor(2, 14);
    QVERIFY2(tint.red() > tint.green() + 20, qPrintable(tint.name()));
}

void TestScriptEditor::caretInAccent()
{
    QWidget window;
    auto *editor = new ScriptEditor(&window);
    editor->resize(300, 100);
    window.resize(300, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    editor->showScript(QStringLiteral("  "));
    editor->moveCursor(QTextCursor::End);
    const QImage image = editor->viewport()->grab().toImage();
    // Only the caret is drawn: two spaces of text and no selection.
    QVERIFY(countPixels(image, [](QColor c) { return c == palette::tally(); }) > 10);
}

namespace {

// Where each paragraph's first line sits and starts: 'L' at the left edge, read from the left;
// 'R' at the right edge, read from the right (the caret before its first character at that
// edge); 'r' at the right edge but read from the left (digits alone); '?' otherwise.
QString sides(ScriptEditor &editor)
{
    QString out;
    const double width = editor.viewport()->width();
    for (QTextBlock b = editor.document()->firstBlock(); b.isValid(); b = b.next()) {
        editor.document()->documentLayout()->blockBoundingRect(b);
        const QTextLine line = firstLine(b);
        const QRectF r = line.naturalTextRect();
        // Within two points: the cue style's letter spacing reaches past the last glyph.
        const bool startsRight = qAbs(line.cursorToX(0) - width) < 2;
        if (r.left() < 2 && !startsRight)
            out += u'L';
        else if (qAbs(r.right() - width) < 2)
            out += startsRight ? u'R' : u'r';
        else
            out += u'?';
    }
    return out;
}

} // namespace

void TestScriptEditor::paragraphsStartOnTheirOwnSide_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sides");
    QTest::newRow("Latin") << QStringLiteral("Hello\n# Intro") << QStringLiteral("LL");
    QTest::newRow("Arabic and its cue")
        << QStringLiteral("# مقدمة\nمرحبا بكم") << QStringLiteral("RR");
    QTest::newRow("Hebrew among English")
        << QStringLiteral("Hello\nשלום עולם\nagain") << QStringLiteral("LRL");
    QTest::newRow("the first letter decides")
        << QStringLiteral("مرحبا Quillmere\nQuillmere مرحبا") << QStringLiteral("RL");
    QTest::newRow("blank lines and digits side with the paragraph above")
        << QStringLiteral("\nשלום\n\n2024\nEnglish\n\n") << QStringLiteral("LRRrLLL");
}

void TestScriptEditor::paragraphsStartOnTheirOwnSide()
{
    QFETCH(QString, text);
    QFETCH(QString, sides);
    ScriptEditor editor;
    editor.resize(500, 400);
    editor.show();
    editor.showScript(text);
    QCOMPARE(::sides(editor), sides);
}

void TestScriptEditor::sideFollowsAnEdit()
{
    ScriptEditor editor;
    editor.resize(500, 400);
    editor.show();
    editor.showScript(QStringLiteral("שלום"));
    QCOMPARE(sides(editor), QStringLiteral("R"));
    editor.selectAll();
    editor.insertPlainText(QStringLiteral("Hello\n"));
    QCOMPARE(sides(editor), QStringLiteral("LL"));
    editor.insertPlainText(QStringLiteral("مرحبا\n"));
    QCOMPARE(sides(editor), QStringLiteral("LRR"));
}

QTEST_MAIN(TestScriptEditor)
#include "tst_script_editor.moc"
