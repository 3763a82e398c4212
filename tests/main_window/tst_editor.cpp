// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/editor.h"
#include "main_window/script_editor.h"
#include "main_window/stats_cache.h"
#include "ui/fonts.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace qm;
using qm::testing::WindowFixture;

namespace {

bool drawnAsCue(const QTextBlock &block)
{
    return !block.layout()->formats().isEmpty();
}

} // namespace

class TestEditor final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void showsTheSelectedScript();
    void statisticsFollowTheText();
    void placeholderWhileEmpty();
    void cueStripOnlyWithCues();
    void titleAndTextGoToTheStore();
    void storeEchoKeepsCaret();
    void crlfScriptKeepsCaretWhileTitleChanges();
    void switchingReplacesAndRestyles();
    void undoNeverTouchesAnotherScript();
    void noSelectionShowsNothing();
    void textColumnWidth_data();
    void textColumnWidth();
    void shortcutsPopover();
};

void TestEditor::showsTheSelectedScript()
{
    WindowFixture f;
    const QList<QUuid> ids = f.setScripts({{"Talk", "Hello there"}, {"Other", "x"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    QCOMPARE(editor.titleField()->objectName(), QStringLiteral("scriptTitle"));
    QCOMPARE(editor.titleField()->placeholderText(), QStringLiteral("Script title"));
    QCOMPARE(editor.titleField()->text(), QStringLiteral("Talk"));
    // Shown from its beginning, however narrow the field.
    QCOMPARE(editor.titleField()->cursorPosition(), 0);
    QCOMPARE(editor.scriptEditor()->document()->toPlainText(), QStringLiteral("Hello there"));
    QCOMPARE(editor.shownID(), std::optional<QUuid>(ids.at(0)));
}

void TestEditor::statisticsFollowTheText()
{
    WindowFixture f;
    f.setScripts({{"Talk", "# Only a cue"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    QCOMPARE(editor.statisticsText(), QStringLiteral("No words yet"));
    editor.scriptEditor()->moveCursor(QTextCursor::End);
    QTest::keyClick(editor.scriptEditor(), Qt::Key_Return);
    QTest::keyClicks(editor.scriptEditor(), QStringLiteral("two words"));
    QCOMPARE(
        editor.statisticsText(), QString::fromUtf8("2 words  ·  about 0 sec to read  ·  1 cue"));
}

void TestEditor::placeholderWhileEmpty()
{
    WindowFixture f;
    f.setScripts({{"Empty", ""}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(700, 500);
    editor.show();
    QVERIFY(editor.placeholder()->isVisible());
    QVERIFY(editor.placeholder()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QTest::keyClick(editor.scriptEditor(), 'a');
    QVERIFY(!editor.placeholder()->isVisible());
    QTest::keyClick(editor.scriptEditor(), Qt::Key_Backspace);
    QVERIFY(editor.placeholder()->isVisible());
}

void TestEditor::cueStripOnlyWithCues()
{
    WindowFixture f;
    f.setScripts({{"Talk", "plain words"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(700, 500);
    editor.show();
    QVERIFY(!editor.cueStrip()->isVisible());
    editor.scriptEditor()->moveCursor(QTextCursor::Start);
    QTest::keyClicks(editor.scriptEditor(), QStringLiteral("#Intro"));
    QTest::keyClick(editor.scriptEditor(), Qt::Key_Return);
    QVERIFY(editor.cueStrip()->isVisible());
    f.store.setScriptText(*editor.shownID(), QStringLiteral("no cue now"));
    QVERIFY(!editor.cueStrip()->isVisible());
}

void TestEditor::titleAndTextGoToTheStore()
{
    WindowFixture f;
    const QList<QUuid> ids = f.setScripts({{"Talk", "abc"}, {"Keep", "same"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.titleField()->selectAll();
    QTest::keyClicks(editor.titleField(), QStringLiteral("Launch"));
    QCOMPARE(f.script(ids.at(0))->title, QStringLiteral("Launch"));
    editor.titleField()->selectAll();
    QTest::keyClick(editor.titleField(), Qt::Key_Backspace);
    QCOMPARE(f.script(ids.at(0))->title, QString());
    editor.scriptEditor()->moveCursor(QTextCursor::End);
    QTest::keyClick(editor.scriptEditor(), 'd');
    QCOMPARE(f.script(ids.at(0))->text, QStringLiteral("abcd"));
    QCOMPARE(f.script(ids.at(1))->text, QStringLiteral("same"));
    QCOMPARE(f.script(ids.at(1))->title, QStringLiteral("Keep"));
}

void TestEditor::storeEchoKeepsCaret()
{
    WindowFixture f;
    QString text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("Paragraph %1 of a long script.\n").arg(i);
    const QList<QUuid> ids = f.setScripts({{"Long", text}, {"Other", "other"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(700, 500);
    editor.show();
    ScriptEditor *edit = editor.scriptEditor();
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(text.indexOf(QStringLiteral("Paragraph 200")));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    QTest::keyClicks(edit, QStringLiteral("New "));
    const int position = edit->textCursor().position();
    const int scroll = edit->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    // Other changes to the store: the same text again, a title, another script, the selection
    // set to the script already shown.
    const QString same = f.script(ids.at(0))->text;
    f.store.setScriptText(ids.at(0), QString(same.constData(), same.size()));
    f.store.setScriptTitle(ids.at(0), QStringLiteral("Renamed"));
    f.store.setScriptText(ids.at(1), QStringLiteral("changed elsewhere"));
    f.store.setScripts(f.store.scripts());
    f.store.setSelectedID(ids.at(0));
    QCOMPARE(edit->textCursor().position(), position);
    QCOMPARE(edit->verticalScrollBar()->value(), scroll);
    QVERIFY(edit->document()->isUndoAvailable());
}

void TestEditor::crlfScriptKeepsCaretWhileTitleChanges()
{
    WindowFixture f;
    const QList<QUuid> ids = f.setScripts({{"Imported", "#One\r\nline one\r\nline two"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    ScriptEditor *edit = editor.scriptEditor();
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(8);
    edit->setTextCursor(cursor);
    editor.titleField()->selectAll();
    QTest::keyClicks(editor.titleField(), QStringLiteral("New title"));
    QCOMPARE(edit->textCursor().position(), 8);
    // Untouched, the stored text keeps its line endings.
    QCOMPARE(f.script(ids.at(0))->text, QStringLiteral("#One\r\nline one\r\nline two"));
}

void TestEditor::switchingReplacesAndRestyles()
{
    WindowFixture f;
    const QList<QUuid> ids = f.setScripts({{"A", "#A cue\nbody a"}, {"B", "body b\n#B cue"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    ScriptEditor *edit = editor.scriptEditor();
    const QTextDocument *doc = edit->document();
    QVERIFY(drawnAsCue(doc->findBlockByNumber(0)));
    QVERIFY(!drawnAsCue(doc->findBlockByNumber(1)));

    f.store.setSelectedID(ids.at(1));
    QCOMPARE(editor.scriptEditor(), edit);
    QCOMPARE(doc->toPlainText(), QStringLiteral("body b\n#B cue"));
    QCOMPARE(editor.titleField()->text(), QStringLiteral("B"));
    QVERIFY(!drawnAsCue(doc->findBlockByNumber(0)));
    QVERIFY(drawnAsCue(doc->findBlockByNumber(1)));

    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, '!');
    f.store.setSelectedID(ids.at(0));
    QCOMPARE(doc->toPlainText(), QStringLiteral("#A cue\nbody a"));
    f.store.setSelectedID(ids.at(1));
    QCOMPARE(doc->toPlainText(), QStringLiteral("body b\n#B cue!"));
}

void TestEditor::undoNeverTouchesAnotherScript()
{
    WindowFixture f;
    const QList<QUuid> ids = f.setScripts({{"A", "alpha"}, {"B", "beta"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    ScriptEditor *edit = editor.scriptEditor();
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, QStringLiteral(" one"));
    QCOMPARE(f.script(ids.at(0))->text, QStringLiteral("alpha one"));

    f.store.setSelectedID(ids.at(1));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    edit->undo();
    QCOMPARE(f.script(ids.at(0))->text, QStringLiteral("alpha one"));
    QCOMPARE(f.script(ids.at(1))->text, QStringLiteral("beta"));
    QCOMPARE(edit->document()->toPlainText(), QStringLiteral("beta"));

    // The title field forgets its history on a switch too.
    f.store.setSelectedID(ids.at(0));
    editor.titleField()->end(false);
    QTest::keyClicks(editor.titleField(), QStringLiteral(" draft"));
    QCOMPARE(f.script(ids.at(0))->title, QStringLiteral("A draft"));
    f.store.setSelectedID(ids.at(1));
    QTest::keyClick(editor.titleField(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor.titleField()->text(), QStringLiteral("B"));
    QCOMPARE(f.script(ids.at(1))->title, QStringLiteral("B"));
    QCOMPARE(f.script(ids.at(0))->title, QStringLiteral("A draft"));

    // Undo still works within the script shown.
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, 's');
    QCOMPARE(f.script(ids.at(1))->text, QStringLiteral("betas"));
    edit->undo();
    QCOMPARE(f.script(ids.at(1))->text, QStringLiteral("beta"));
    QCOMPARE(f.script(ids.at(0))->text, QStringLiteral("alpha one"));
}

void TestEditor::noSelectionShowsNothing()
{
    WindowFixture f;
    f.setScripts({{"A", "alpha"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(700, 500);
    editor.show();
    QVERIFY(editor.scriptEditor()->isVisible());
    f.store.setSelectedID(std::nullopt);
    QVERIFY(!editor.scriptEditor()->isVisible());
    QVERIFY(!editor.titleField()->isVisible());
    QVERIFY(!editor.shortcutsButton()->isVisible());
    QCOMPARE(editor.shownID(), std::nullopt);
}

void TestEditor::textColumnWidth_data()
{
    QTest::addColumn<int>("editorWidth");
    QTest::addColumn<int>("columnWidth");
    QTest::newRow("narrowest window") << 486 << 486 - 72;
    QTest::newRow("just enough") << 852 << 780;
    QTest::newRow("wide") << 1400 << 780;
}

void TestEditor::textColumnWidth()
{
    QFETCH(int, editorWidth);
    QFETCH(int, columnWidth);
    WindowFixture f;
    f.setScripts({{"A", "alpha"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(editorWidth, 600);
    editor.show();
    QWidget *text = editor.scriptEditor();
    QCOMPARE(text->width(), columnWidth);
    const int left = text->mapTo(&editor, QPoint()).x();
    QVERIFY(qAbs(left - (editorWidth - columnWidth) / 2) <= 1);
    // The title lines up with the text.
    QCOMPARE(editor.titleField()->mapTo(&editor, QPoint()).x(), left);
}

void TestEditor::shortcutsPopover()
{
    WindowFixture f;
    f.setScripts({{"A", "alpha"}});
    StatsCache cache;
    Editor editor(f.store, f.controller, cache);
    editor.resize(700, 500);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QAbstractButton *button = editor.shortcutsButton();
    QVERIFY(!editor.showShortcuts());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(editor.showShortcuts());
    QWidget *popup = editor.shortcutsPopup();
    QVERIFY(popup && popup->isVisible());
    QVERIFY(popup->windowFlags().testFlag(Qt::Popup));
    QCOMPARE(popup->width(), 300);
    // Above the button.
    QVERIFY(popup->geometry().bottom() <= button->mapToGlobal(QPoint()).y());
    popup->close();
    QVERIFY(!editor.showShortcuts());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(editor.showShortcuts());
    editor.setShowShortcuts(false);
    QTRY_VERIFY(!editor.shortcutsPopup());
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
