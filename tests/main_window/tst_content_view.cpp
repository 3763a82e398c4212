// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/content_view.h"
#include "main_window/controls/focus_ring.h"
#include "main_window/controls/small_icon_button.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/script_editor.h"
#include "main_window/script_row.h"
#include "main_window/sidebar.h"
#include "ui/fonts.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
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
    void tabOrder();
    void accessibleControls_data();
    void accessibleControls();
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
    // The keyboard starts in the text, not on the first button, where Space would press it.
    QCOMPARE(QApplication::focusWidget(), text);
    // Ctrl+N works while the text has the keyboard.
    const qsizetype before = f.store.scripts().size();
    QTest::keyClick(text, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE(f.store.scripts().size(), before + 1);
    QCOMPARE(f.store.selectedID(), std::optional<QUuid>(f.store.scripts().first().id));
    QCOMPARE(text->document()->toPlainText(), QString());
    QCOMPARE(title->text(), f.store.scripts().first().title);
    // From anywhere else too, and the new script's text takes the keyboard: typing writes it.
    window.findChild<Sidebar *>()->importButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE(f.store.scripts().size(), before + 2);
    QTRY_COMPARE(QApplication::focusWidget(), text);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Hi there"));
    QCOMPARE(f.store.scripts().first().text, QStringLiteral("Hi there"));
}

namespace {

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return a ? a->text(QAccessible::Name) : QString();
}

// Two scripts, the first with two cues, selected.
void twoScripts(WindowFixture &f)
{
    f.setScripts({{QStringLiteral("Keynote"), QStringLiteral("# Opening\nHello\n# Close\nBye")},
        {QStringLiteral("Demo <b>day</b>"), QStringLiteral("Plain")}});
}

} // namespace

void TestContentView::tabOrder()
{
    WindowFixture f;
    twoScripts(f);
    MainWindow window(f.store, f.controller);
    window.resize(1300, 800);
    window.present();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *view = window.findChild<ContentView *>();
    view->sidebar()->importButton()->setFocus(Qt::TabFocusReason);

    // Each stop by its accessible name; the settings column's own order is tested with it.
    QStringList stops;
    for (int i = 0; i < 20; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (focus && view->settingsPanel()->isAncestorOf(focus))
            break;
        stops.append(accessibleName(focus));
        // The script takes Tab for itself; Ctrl+Tab leaves it.
        if (qobject_cast<ScriptEditor *>(focus))
            QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
        else
            QTest::keyClick(focus, Qt::Key_Tab);
    }
    // The list is one stop, at the selected script.
    QCOMPARE(stops,
        QStringList({"Import scripts from files", "New script", "Keynote", "Script title",
            "Start prompter", "Opening", "Close", "Script", "Shortcuts"}));

    // Backtab from the editor header lands on the list's stop, which carries the ring.
    auto *title = window.findChild<QLineEdit *>(QStringLiteral("scriptTitle"));
    title->setFocus(Qt::TabFocusReason);
    QTest::keyClick(title, Qt::Key_Backtab);
    ScriptRow *first = view->sidebar()->rows().first();
    QCOMPARE(QApplication::focusWidget(), first);
    auto *ring = window.findChild<FocusRing *>();
    QVERIFY(ring);
    QTRY_COMPARE(ring->target(), first);
    // Down moves the keyboard (and the Tab stop) without changing the script.
    QTest::keyClick(first, Qt::Key_Down);
    ScriptRow *second = view->sidebar()->rows().at(1);
    QCOMPARE(QApplication::focusWidget(), second);
    QTRY_COMPARE(ring->target(), second);
    QCOMPARE(f.store.selectedID(), std::optional<QUuid>(first->id()));

    // While the prompter is shown the transport offers its three controls.
    f.controller.show();
    QTRY_VERIFY(!window.findChild<QWidget *>(QStringLiteral("start"))->isVisible());
    title->setFocus(Qt::TabFocusReason);
    QStringList running;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        running.append(accessibleName(QApplication::focusWidget()));
    }
    const QString playPause
        = f.controller.isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play");
    QCOMPARE(running, QStringList({playPause, "Restart", "Stop"}));
    f.controller.playPause();
    QCOMPARE(accessibleName(window.findChild<QWidget *>(QStringLiteral("playPause"))),
        f.controller.isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
    f.controller.hide();
}

void TestContentView::accessibleControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("selected");

    using A = QAccessible;
    QTest::newRow("list") << "Scripts" << int(A::List) << false;
    // A title with markup is read, and shown, as it is written.
    QTest::newRow("selected row") << "Keynote" << int(A::ListItem) << true;
    QTest::newRow("other row") << "Demo <b>day</b>" << int(A::ListItem) << false;
    QTest::newRow("import") << "Import scripts from files" << int(A::Button) << false;
    QTest::newRow("new") << "New script" << int(A::Button) << false;
    QTest::newRow("title") << "Script title" << int(A::EditableText) << false;
    QTest::newRow("start") << "Start prompter" << int(A::Button) << false;
    QTest::newRow("cue") << "Opening" << int(A::Button) << false;
    QTest::newRow("script") << "Script" << int(A::EditableText) << false;
    QTest::newRow("shortcuts") << "Shortcuts" << int(A::Button) << false;
}

void TestContentView::accessibleControls()
{
    QFETCH(QString, name);
    QFETCH(int, role);
    QFETCH(bool, selected);

    WindowFixture f;
    twoScripts(f);
    MainWindow window(f.store, f.controller);
    window.resize(1300, 800);
    window.present();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Every widget of the window that reads with this name.
    QList<QAccessibleInterface *> found;
    for (QWidget *w : window.findChildren<QWidget *>()) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        if (a && w->isVisible() && a->text(QAccessible::Name) == name)
            found.append(a);
    }
    QCOMPARE(found.size(), 1);
    QAccessibleInterface *a = found.first();
    QCOMPARE(int(a->role()), role);
    if (role == QAccessible::ListItem) {
        // The second line is its description.
        QCOMPARE(a->text(QAccessible::Description),
            static_cast<ScriptRow *>(a->object())->subtitleText());
        QVERIFY(a->state().selectable);
        QCOMPARE(bool(a->state().selected), selected);
        QVERIFY(a->state().focusable);
    }
}

QTEST_MAIN(TestContentView)
#include "tst_content_view.moc"
