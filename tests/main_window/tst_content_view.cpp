// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/content_view.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/script_editor.h"
#include "main_window/sidebar.h"
#include "ui/fonts.h"
#include "window_fixture.h"

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
    window.resize(700, 400);
    QCOMPARE(window.size(), QSize(980, 600));
    QVERIFY(window.contentView()->minimumSizeHint().width() <= 980);
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
