// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/content_view.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/script_editor.h"
#include "main_window/sidebar.h"
#include "ui/fonts.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

using namespace qm;
using qm::testing::WindowFixture;

class TestContentView final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void columns_data();
    void columns();
    void minimumSize();
    void narrowFoldsTheSettings();
    void endToEndNamesAndShortcut();
};

void TestContentView::columns_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("minimum") << 980;
    QTest::newRow("default") << 1180;
    QTest::newRow("wide") << 1700;
}

void TestContentView::columns()
{
    QFETCH(int, width);
    WindowFixture f;
    ContentView view(f.store, f.controller);
    view.resize(width, 700);
    view.show();
    QCOMPARE(view.sidebar()->geometry(), QRect(0, 0, 220, 700));
    QCOMPARE(view.editor()->x(), 221);
    QCOMPARE(view.editor()->width(), width - 220 - 1 - 1 - 272);
    QCOMPARE(view.settingsPanel()->width(), 272);
    QCOMPARE(view.settingsPanel()->geometry().right(), width - 1);
}

void TestContentView::minimumSize()
{
    WindowFixture f;
    MainWindow window(f.store, f.controller);
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillmere"));
    QCOMPARE(window.size(), QSize(1180, 740));
    window.show();
    window.resize(300, 200);
    QCOMPARE(window.size(), QSize(480, 400));
    QVERIFY(window.contentView()->minimumSizeHint().width() <= 480);
}

// A 504 px tile: nothing is cut off, the settings open over the editor and fold back when the
// window is wide again.
void TestContentView::narrowFoldsTheSettings()
{
    WindowFixture f;
    ContentView view(f.store, f.controller);
    view.resize(504, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(view.isNarrow());
    QVERIFY(!view.settingsPanel()->isVisible());
    QVERIFY(view.settingsButton()->isVisible());
    QCOMPARE(view.editor()->geometry().right(), 503);
    // The list folds too where it would squeeze the editor below its minimum.
    QVERIFY(view.listFolded());
    QCOMPARE(view.editor()->x(), 0);
    view.scriptsButton()->click();
    QCOMPARE(view.sidebar()->geometry(), QRect(0, 0, 220, 700));
    QVERIFY(view.editor()->width() >= view.editor()->minimumSizeHint().width());

    view.settingsButton()->click();
    QVERIFY(view.settingsPanel()->isVisible());
    QCOMPARE(view.settingsPanel()->geometry(), QRect(504 - 272, 0, 272, 700));
    view.settingsButton()->click();
    QVERIFY(!view.settingsPanel()->isVisible());

    view.resize(1180, 700);
    QVERIFY(!view.isNarrow());
    QVERIFY(!view.settingsButton()->isVisible());
    QVERIFY(!view.scriptsButton()->isVisible());
    QTRY_COMPARE(view.sidebar()->geometry(), QRect(0, 0, 220, 700));
    QTRY_COMPARE(view.settingsPanel()->geometry().right(), 1179);
    QVERIFY(view.settingsPanel()->isVisible());
}

void TestContentView::endToEndNamesAndShortcut()
{
    WindowFixture f;
    MainWindow window(f.store, f.controller);
    window.present();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *text = window.findChild<ScriptEditor *>(QStringLiteral("scriptText"));
    auto *title = window.findChild<QLineEdit *>(QStringLiteral("scriptTitle"));
    QVERIFY(text && title);
    // Ctrl+N works while the text has the keyboard.
    text->setFocus();
    const qsizetype before = f.store.scripts().size();
    QTest::keyClick(text, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE(f.store.scripts().size(), before + 1);
    QCOMPARE(f.store.selectedID(), std::optional<QUuid>(f.store.scripts().first().id));
    QCOMPARE(text->document()->toPlainText(), QString());
    QCOMPARE(title->text(), f.store.scripts().first().title);
}

QTEST_MAIN(TestContentView)
#include "tst_content_view.moc"
