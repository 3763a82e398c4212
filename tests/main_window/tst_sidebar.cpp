// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/controls/pill_button.h"
#include "main_window/controls/small_icon_button.h"
#include "main_window/script_row.h"
#include "main_window/sidebar.h"
#include "main_window/stats_cache.h"
#include "main_window/undo_toast.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/texts.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

struct Env {
    QTemporaryDir dir;
    Store store {dir.path()};
    StatsCache cache;

    QList<QUuid> setScripts(const QList<std::pair<QString, QString>> &scripts)
    {
        QList<Script> list;
        QList<QUuid> ids;
        for (const auto &[title, text] : scripts) {
            list.append(Script(title, text));
            ids.append(list.last().id);
        }
        store.setScripts(list);
        store.setSelectedID(ids.first());
        return ids;
    }
};

void enter(QWidget *w)
{
    QEnterEvent event(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(w, &event);
}

void leave(QWidget *w)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
}

QList<QUuid> rowIds(const Sidebar &sidebar)
{
    QList<QUuid> ids;
    for (const ScriptRow *row : sidebar.rows())
        ids.append(row->id());
    return ids;
}

} // namespace

class TestSidebar final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void rowsFollowTheStore();
    void rowTexts_data();
    void rowTexts();
    void rowsAreKeptPerScript();
    void clickAnywhereSelects();
    void deleteButtonOnlyOnHover();
    void deleteButtonDeletes();
    void contextMenuDeletes();
    void deleteCanBeUndone_data();
    void deleteCanBeUndone();
    void newScriptButtonAndShortcut();
    void importTakesTheChosenFile();
    void statisticsOnlyForChangedScripts();
    void rowsFromTheKeyboard();
    void privacyNoteTellsTheTruthWhileTheRemoteIsOn();
};

void TestSidebar::privacyNoteTellsTheTruthWhileTheRemoteIsOn()
{
    Env env;
    Sidebar sidebar(env.store, env.cache);
    auto *note = sidebar.findChild<QLabel *>(QStringLiteral("privacyNote"));
    QVERIFY(note);
    QCOMPARE(note->text(), QStringLiteral("Free forever. Scripts stay on this computer."));
    Settings s = env.store.settings();
    s.remoteEnabled = true;
    env.store.setSettings(s);
    QVERIFY(note->text().contains(QStringLiteral("paired devices on your network can see")));
    s.remoteEnabled = false;
    env.store.setSettings(s);
    QCOMPARE(note->text(), QStringLiteral("Free forever. Scripts stay on this computer."));
}

void TestSidebar::rowsFollowTheStore()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}, {"Three", "c"}});
    Sidebar sidebar(env.store, env.cache);
    QCOMPARE(sidebar.width(), 220);
    QCOMPARE(rowIds(sidebar), ids);
    QVERIFY(sidebar.row(ids.at(0))->isSelected());
    QVERIFY(!sidebar.row(ids.at(1))->isSelected());
    env.store.setSelectedID(ids.at(2));
    QVERIFY(!sidebar.row(ids.at(0))->isSelected());
    QVERIFY(sidebar.row(ids.at(2))->isSelected());
    env.store.deleteScript(ids.at(1));
    QCOMPARE(rowIds(sidebar), (QList<QUuid> {ids.at(0), ids.at(2)}));
    QCOMPARE(sidebar.importButton()->toolTip(), QStringLiteral("Import scripts from files"));
    QCOMPARE(sidebar.newButton()->toolTip(), QStringLiteral("New script (Ctrl+N)"));
}

void TestSidebar::rowTexts_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("subtitle");
    QTest::newRow("empty script") << ""
                                  << ""
                                  << "Untitled script"
                                  << "Empty";
    QTest::newRow("only cues") << "Cues"
                               << "# A\n# B"
                               << "Cues"
                               << "Empty";
    QTest::newRow("one word") << "Hi"
                              << "Hello"
                              << "Hi" << QString::fromUtf8("1 words · 0 sec");
    QTest::newRow("blank title stays") << " "
                                       << "a b c"
                                       << " " << QString::fromUtf8("3 words · 1 sec");
}

void TestSidebar::rowTexts()
{
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, shownTitle);
    QFETCH(QString, subtitle);
    Env env;
    const QList<QUuid> ids = env.setScripts({{title, text}});
    Sidebar sidebar(env.store, env.cache);
    QCOMPARE(sidebar.row(ids.at(0))->titleText(), shownTitle);
    QCOMPARE(sidebar.row(ids.at(0))->subtitleText(), subtitle);
    QCOMPARE(env.store.scripts().first().title, title);
}

void TestSidebar::rowsAreKeptPerScript()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}});
    Sidebar sidebar(env.store, env.cache);
    ScriptRow *second = sidebar.row(ids.at(1));
    enter(second);
    QList<Script> reversed = env.store.scripts();
    std::reverse(reversed.begin(), reversed.end());
    env.store.setScripts(reversed);
    QCOMPARE(rowIds(sidebar), (QList<QUuid> {ids.at(1), ids.at(0)}));
    QCOMPARE(sidebar.row(ids.at(1)), second);
    QVERIFY(second->hovered());
}

void TestSidebar::clickAnywhereSelects()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}});
    Sidebar sidebar(env.store, env.cache);
    sidebar.resize(220, 600);
    sidebar.show();
    ScriptRow *row = sidebar.row(ids.at(1));
    // The far right of the row is empty space; it selects all the same.
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 3, row->height() / 2));
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(1)));
    QTest::mouseClick(sidebar.row(ids.at(0)), Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(0)));
    // A press that ends elsewhere is no click.
    QTest::mousePress(row, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(row, Qt::LeftButton, {}, QPoint(20, row->height() + 30));
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(0)));
    QTest::mouseClick(row, Qt::RightButton, {}, QPoint(20, 10));
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(0)));
}

void TestSidebar::deleteButtonOnlyOnHover()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}});
    Sidebar sidebar(env.store, env.cache);
    sidebar.resize(220, 600);
    sidebar.show();
    ScriptRow *selected = sidebar.row(ids.at(0));
    ScriptRow *other = sidebar.row(ids.at(1));
    QVERIFY(!selected->deleteButton()->isVisible());
    QVERIFY(!other->deleteButton()->isVisible());
    enter(selected);
    QVERIFY(selected->deleteButton()->isVisible());
    QVERIFY(!other->deleteButton()->isVisible());
    QCOMPARE(selected->deleteButton()->size(), QSize(22, 22));
    QCOMPARE(selected->deleteButton()->toolTip(), QStringLiteral("Delete script"));
    leave(selected);
    QVERIFY(!selected->deleteButton()->isVisible());
}

void TestSidebar::deleteButtonDeletes()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}});
    Sidebar sidebar(env.store, env.cache);
    sidebar.resize(220, 600);
    sidebar.show();
    ScriptRow *row = sidebar.row(ids.at(1));
    enter(row);
    QTest::mouseClick(row->deleteButton(), Qt::LeftButton);
    QCOMPARE(env.store.scripts().size(), 1);
    QCOMPARE(env.store.scripts().first().id, ids.at(0));
    QCOMPARE(rowIds(sidebar), QList<QUuid> {ids.at(0)});
    // The click on the button did not select the script it deleted.
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(0)));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestSidebar::contextMenuDeletes()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}});
    Sidebar sidebar(env.store, env.cache);
    sidebar.resize(220, 600);
    sidebar.show();
    ScriptRow *row = sidebar.row(ids.at(0));
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(20, 10), row->mapToGlobal(QPoint(20, 10)));
    QCoreApplication::sendEvent(row, &event);
    auto *menu = row->findChild<QMenu *>();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("Delete script"));
    menu->actions().first()->trigger();
    menu->close();
    QCOMPARE(env.store.scripts().size(), 1);
    QCOMPARE(env.store.scripts().first().id, ids.at(1));
    // The selected script went; the store chose the next one.
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(1)));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rowIds(sidebar), QList<QUuid> {ids.at(1)});
}

void TestSidebar::deleteCanBeUndone_data()
{
    QTest::addColumn<bool>("byKeys");
    QTest::addColumn<int>("selected");
    QTest::newRow("Undo button, the selected script") << false << 1;
    QTest::newRow("Undo button, another script") << false << 0;
    QTest::newRow("Ctrl+Z, the selected script") << true << 1;
    QTest::newRow("Ctrl+Z, another script") << true << 2;
}

void TestSidebar::deleteCanBeUndone()
{
    QFETCH(bool, byKeys);
    QFETCH(int, selected);
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}, {"Three", "c"}});
    env.store.setSelectedID(ids.at(selected));
    QWidget window;
    auto *sidebar = new Sidebar(env.store, env.cache, &window);
    window.resize(220, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    ScriptRow *row = sidebar->row(ids.at(1));
    enter(row);
    QTest::mouseClick(row->deleteButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rowIds(*sidebar), (QList<QUuid> {ids.at(0), ids.at(2)}));
    UndoToast *toast = sidebar->undoToast();
    QVERIFY(toast->isVisible());
    QCOMPARE(toast->text(), QStringLiteral("Deleted “Two”"));

    if (byKeys)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    else
        QTest::mouseClick(toast->undoButton(), Qt::LeftButton);
    QTRY_COMPARE(rowIds(*sidebar), ids);
    QVERIFY(!toast->isVisible());
    QCOMPARE(env.store.scripts().at(1).title, QStringLiteral("Two"));
    QCOMPARE(env.store.scripts().at(1).text, QStringLiteral("b"));
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(selected)));
    QVERIFY(env.store.save());
    const auto onDisk = decodeScripts([&] {
        QFile f(env.store.scriptsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    QVERIFY(onDisk);
    QCOMPARE(onDisk->size(), 3);
    QCOMPARE(onDisk->at(1).id, ids.at(1));

    // Nothing more to undo: a second Ctrl+Z changes nothing.
    QVERIFY(!sidebar->undoDelete());
    QCOMPARE(rowIds(*sidebar), ids);
}

void TestSidebar::newScriptButtonAndShortcut()
{
    Env env;
    env.setScripts({{"One", "a"}});
    QWidget window;
    auto *sidebar = new Sidebar(env.store, env.cache, &window);
    window.resize(400, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(sidebar->newButton(), Qt::LeftButton);
    QCOMPARE(env.store.scripts().size(), 2);
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(env.store.scripts().first().id));
    QCOMPARE(sidebar->rows().first()->id(), env.store.scripts().first().id);

    // The shortcut presses the button, which clicks on its release a moment later.
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    QTRY_COMPARE(env.store.scripts().size(), 3);
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(env.store.scripts().first().id));
}

void TestSidebar::importTakesTheChosenFile()
{
    Env env;
    env.setScripts({{"One", "a"}});
    Sidebar sidebar(env.store, env.cache);
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("talk.final.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# Open\nGood evening");
    file.close();

    sidebar.setFileChooser([](QWidget *) { return QStringList(); });
    QTest::mouseClick(sidebar.importButton(), Qt::LeftButton);
    QVERIFY(sidebar.progressLine()->isHidden());
    QCOMPARE(env.store.scripts().size(), 1);

    sidebar.setFileChooser([path](QWidget *) { return QStringList {path}; });
    QTest::mouseClick(sidebar.importButton(), Qt::LeftButton);
    // Read off the GUI thread, with a line in the list meanwhile.
    QCOMPARE(sidebar.progressLine()->text(), QStringLiteral("Importing “talk.final.txt”…"));
    QTRY_COMPARE(env.store.scripts().size(), 2);
    QVERIFY(sidebar.progressLine()->isHidden());
    QCOMPARE(sidebar.rows().first()->titleText(), QStringLiteral("talk.final"));
    QVERIFY(sidebar.rows().first()->isSelected());
    QCOMPARE(sidebar.rows().first()->subtitleText(), QString::fromUtf8("2 words · 0 sec"));
}

void TestSidebar::statisticsOnlyForChangedScripts()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b c"}, {"Three", ""}});
    Sidebar sidebar(env.store, env.cache);
    const qint64 start = env.cache.computations();
    env.store.setScriptText(ids.at(1), QStringLiteral("b c d"));
    QCOMPARE(env.cache.computations(), start + 1);
    QCOMPARE(sidebar.row(ids.at(1))->subtitleText(), QString::fromUtf8("3 words · 1 sec"));
    env.store.setScriptTitle(ids.at(0), QStringLiteral("Renamed"));
    env.store.setSelectedID(ids.at(2));
    QCOMPARE(env.cache.computations(), start + 1);
    QCOMPARE(sidebar.row(ids.at(0))->titleText(), QStringLiteral("Renamed"));
}

void TestSidebar::rowsFromTheKeyboard()
{
    Env env;
    const QList<QUuid> ids = env.setScripts({{"One", "a"}, {"Two", "b"}, {"Three", "c"}});
    env.store.setSelectedID(ids.at(1));
    Sidebar sidebar(env.store, env.cache);
    sidebar.resize(220, 600);
    sidebar.show();
    sidebar.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&sidebar));
    auto stops = [&sidebar] {
        QList<int> tabStops;
        for (int i = 0; i < sidebar.rows().size(); ++i) {
            if (sidebar.rows().at(i)->focusPolicy() == Qt::TabFocus)
                tabStops.append(i);
        }
        return tabStops;
    };
    // The list is one Tab stop, at the selected script, right after the new-script button.
    QCOMPARE(stops(), QList<int>({1}));
    sidebar.newButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar.newButton(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), sidebar.row(ids.at(1)));

    // Arrows, Home and End move the keyboard and stop at the ends; the selection stays.
    const struct {
        Qt::Key key;
        int focused;
    } moves[] = {{Qt::Key_Up, 0}, {Qt::Key_Up, 0}, {Qt::Key_End, 2}, {Qt::Key_Down, 2},
        {Qt::Key_Home, 0}, {Qt::Key_Down, 1}, {Qt::Key_Down, 2}};
    for (const auto &move : moves) {
        QTest::keyClick(QApplication::focusWidget(), move.key);
        QCOMPARE(QApplication::focusWidget(), sidebar.row(ids.at(move.focused)));
        QCOMPARE(stops(), QList<int>({move.focused}));
    }
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(1)));
    // Enter and Space select the focused row.
    QTest::keyClick(sidebar.row(ids.at(2)), Qt::Key_Return);
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(2)));
    QTest::keyClick(sidebar.row(ids.at(2)), Qt::Key_Home);
    QTest::keyClick(sidebar.row(ids.at(0)), Qt::Key_Space);
    QCOMPARE(env.store.selectedID(), std::optional<QUuid>(ids.at(0)));

    // A click elsewhere gives the Tab stop back to the selected row; a new script gets its
    // place in the order right away.
    sidebar.newButton()->setFocus();
    env.store.setSelectedID(ids.at(2));
    QCOMPARE(stops(), QList<int>({2}));
    env.store.addScript();
    QCOMPARE(stops(), QList<int>({0}));
    QTRY_VERIFY(sidebar.rows().first()->isVisible());
    sidebar.newButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar.newButton(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), sidebar.rows().first());
}

QTEST_MAIN(TestSidebar)
#include "tst_sidebar.moc"
