// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/command_line.h"
#include "app/hot_keys.h"
#include "app/menu_content.h"
#include "app/single_instance.h"
#include "main_window/content_view.h"
#include "main_window/controls/focus_ring.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/save_banner.h"
#include "main_window/script_editor.h"
#include "main_window/shortcut_sheet.h"
#include "prompter/prompter_controller.h"
#include "prompter_window/prompter_panel.h"
#include "store/store.h"
#include "support/fake_hot_key_backend.h"
#include "ui/texts.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace qm;

namespace {

struct Rig {
    explicit Rig(QList<quint32> refuse = {})
        : store(dir.path())
    {
        Settings s = store.settings();
        s.countdown = false;
        s.speed = 40;
        store.setSettings(s);
        hotKeys = std::make_unique<HotKeys>(
            std::make_unique<testing::FakeHotKeyBackend>(keys, std::move(refuse)));
        app = std::make_unique<Application>(store, nullptr, hotKeys.get());
    }
    QTemporaryDir dir;
    Store store;
    testing::FakeHotKeyBackend::Log keys;
    std::unique_ptr<HotKeys> hotKeys;
    std::unique_ptr<Application> app;
};

} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void launchWithoutArguments()
    {
        Rig rig;
        QCOMPARE(&PrompterController::shared(), &rig.app->prompter());
        rig.app->start({});
        MainWindow *window = rig.app->mainWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Quillmere"));
        QCOMPARE(window->size(), QSize(1180, 740));
        QCOMPARE(rig.keys.ids.size(), 7);
        QVERIFY(!rig.app->prompter().isVisible());
        // Ctrl+Q lives in the main window as the tray's own quit action.
        QVERIFY(window->actions().contains(rig.app->menuContent()->quitAction()));
        QTest::qWait(50);
        QVERIFY(!rig.app->prompter().isVisible());
    }

    void hotKeyDrivesTheAppsController()
    {
        Rig rig;
        rig.app->start({});
        rig.keys.dispatch(1);
        QVERIFY(rig.app->prompter().isVisible());
        rig.keys.dispatch(4);
        QCOMPARE(rig.store.settings().speed, 44.0);
        rig.keys.dispatch(1);
        QVERIFY(!rig.app->prompter().isVisible());
    }

    void startSwitchShowsThePrompterLater()
    {
        Rig rig;
        rig.app->start(parseCommandLine({QStringLiteral("quillmere"), QStringLiteral("--start")}));
        // Scheduled, not immediate.
        QVERIFY(!rig.app->prompter().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(rig.app->prompter().isVisible(), 5000);
        QVERIFY(rig.app->mainWindow()->isVisible());
    }

    void commandsGivenToTheFirstLaunchRunAfterStartUp()
    {
        Rig rig;
        rig.app->start(parseCommandLine({QStringLiteral("quillmere"), QStringLiteral("--faster"),
            QStringLiteral("--faster"), QStringLiteral("--play-pause")}));
        QCOMPARE(rig.store.settings().speed, 40.0);
        QTRY_COMPARE(rig.store.settings().speed, 48.0);
        QVERIFY(rig.app->prompter().isVisible());
        QVERIFY(rig.app->prompter().isPlaying());
    }

    void remoteCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("windowBack");
        QTest::addColumn<bool>("prompterShown");
        QTest::addColumn<double>("speed");
        QTest::newRow("plain second launch") << QStringList {} << true << false << 40.0;
        QTest::newRow("unknown argument")
            << QStringList {QStringLiteral("--nope")} << true << false << 40.0;
        QTest::newRow("show-window")
            << QStringList {QStringLiteral("--show-window")} << true << false << 40.0;
        QTest::newRow("play-pause")
            << QStringList {QStringLiteral("--play-pause")} << false << true << 40.0;
        QTest::newRow("toggle") << QStringList {QStringLiteral("--toggle")} << false << true
                                << 40.0;
        QTest::newRow("start") << QStringList {QStringLiteral("--start")} << false << true << 40.0;
        QTest::newRow("slower twice")
            << QStringList {QStringLiteral("--slower"), QStringLiteral("--slower")} << false
            << false << 32.0;
        QTest::newRow("list-shortcuts")
            << QStringList {QStringLiteral("--list-shortcuts")} << false << false << 40.0;
    }
    void remoteCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, windowBack);
        QFETCH(bool, prompterShown);
        QFETCH(double, speed);
        Rig rig;
        rig.app->start({});
        rig.app->mainWindow()->close();
        QVERIFY(!rig.app->mainWindow()->isVisible());
        rig.app->handleRemote(arguments);
        QCOMPARE(rig.app->mainWindow()->isVisible(), windowBack);
        QCOMPARE(rig.app->prompter().isVisible(), prompterShown);
        QCOMPARE(rig.store.settings().speed, speed);
    }

    void listShortcutsAnswer()
    {
        Rig rig;
        rig.app->start({});
        const QString answer = rig.app->answerRemote({QStringLiteral("--list-shortcuts")});
        QCOMPARE(answer.count(u'\n'), 7);
        QCOMPARE(answer.count(QStringLiteral("active")), 7);
        QCOMPARE(rig.app->answerRemote({QStringLiteral("--toggle")}), QString());
    }

    void openQuillmereBringsTheSameWindowBack()
    {
        Rig rig;
        rig.app->start({});
        MainWindow *window = rig.app->mainWindow();
        window->close();
        rig.app->menuContent()->openAction()->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(rig.app->mainWindow(), window);
        rig.app->menuContent()->openAction()->trigger();
        QCOMPARE(rig.app->mainWindow(), window);
    }

    // The panel's right-click menu is the tray's own: the same actions, so the same titles.
    void panelMenuIsTheTrayMenu()
    {
        Rig rig;
        rig.app->start({});
        rig.app->prompter().show();
        PrompterPanel *panel = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *p = qobject_cast<PrompterPanel *>(w))
                panel = p;
        }
        QVERIFY(panel);
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, QPoint(20, 20), panel->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(panel, &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions(), rig.app->menuContent()->menu()->actions());
        QCOMPARE(menu->actions().first()->text(), texts::hidePrompterItem());
        menu->close();
    }

    // The sheet's rows for refused chords say "In use by another app", also after a change.
    void refusedChordsAreMarkedInTheSheet()
    {
        Rig rig({2, 6});
        rig.app->start({});
        Editor *editor = rig.app->mainWindow()->contentView()->editor();
        editor->setShowShortcuts(true);
        QVERIFY(editor->shortcutsPopup());
        auto *sheet = editor->shortcutsPopup()->findChild<ShortcutSheet *>();
        QVERIFY(sheet);
        auto marked = [sheet] {
            int n = 0;
            for (const QLabel *l : sheet->findChildren<QLabel *>()) {
                if (l->text() == QStringLiteral("In use by another app") && l->isVisibleTo(sheet))
                    ++n;
            }
            return n;
        };
        QCOMPARE(marked(), 2); // play/pause, and the cue row
        rig.keys.statusChanged(6, platform::GrabStatus::Granted);
        QCOMPARE(marked(), 1);
    }

    void quitSavesAtOnce()
    {
        Rig rig;
        rig.app->start({});
        Settings s = rig.store.settings();
        s.speed = 77;
        rig.store.setSettings(s);
        QVERIFY(rig.store.savePending());
        // Choose "Quit Quillmere" inside a running event loop; a stuck quit fails with code 1.
        QTimer::singleShot(0, rig.app->menuContent()->quitAction(), &QAction::trigger);
        QTimer stuck;
        stuck.setSingleShot(true);
        connect(&stuck, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        stuck.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(QFile::exists(rig.store.settingsPath()));
        QVERIFY(QFile::exists(rig.store.scriptsPath()));
        QFile f(rig.store.settingsPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("\"speed\":77"));
    }

    // No Linux desktop keeps a window out of captures: the welcome says what is true instead,
    // and hiding starts off.
    void theWelcomeClaimsNoHidingHere()
    {
        Store::setDesktopTraits(desktopTraits());
        QTemporaryDir tmp;
        Store store(tmp.path());
        QVERIFY(!desktopTraits().hidesFromCaptures);
        QVERIFY(!store.settings().hideFromSharing);
        const QString text = store.scripts().first().text;
        QVERIFY(text.endsWith(QStringLiteral("# Private\n") + texts::welcomePrivateLine()));
        QVERIFY(!text.contains(QStringLiteral("hidden from screen sharing")));
        Store::setDesktopTraits({});
    }

    // The ring follows the keyboard onto controls, never onto text, and never appears for the
    // focus a window hands out when it opens.
    void focusRingFollowsTheKeyboard()
    {
        Rig rig;
        rig.app->start({});
        MainWindow *w = rig.app->mainWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *ring = w->findChild<FocusRing *>();
        QVERIFY(ring);
        auto *reset = w->findChild<QWidget *>(QStringLiteral("reset"));
        QVERIFY(reset);
        reset->setFocus(Qt::TabFocusReason);
        QCOMPARE(ring->target(), reset);
        const QRect around = ring->ring()->geometry();
        const QRect control(reset->mapTo(ring->ring()->parentWidget(), QPoint()), reset->size());
        QVERIFY(around.contains(control.adjusted(
            -FocusRing::kOutset, -FocusRing::kOutset, FocusRing::kOutset, FocusRing::kOutset)));
        w->contentView()->editor()->scriptEditor()->setFocus(Qt::TabFocusReason);
        QCOMPARE(ring->target(), nullptr);
        reset->setFocus(Qt::ActiveWindowFocusReason);
        QCOMPARE(ring->target(), nullptr);
    }

    void aFailedSaveShowsTheBannerAndQuitAsksOnce()
    {
        Rig rig;
        rig.app->start({});
        auto *banner = rig.app->mainWindow()->findChild<SaveBanner *>();
        QVERIFY(banner);
        QVERIFY(!banner->isVisible());

        rig.store.setFileWriter([](const QString &, const QByteArray &) {
            return QStringLiteral("permission denied");
        });
        QVERIFY(!rig.store.save());
        QVERIFY(banner->isVisible());
        QCOMPARE(banner->text(),
            QStringLiteral("Quillmere couldn't save your scripts: permission denied. "
                           "Your text is still here."));

        QStringList asked;
        bool quitAnyway = false;
        rig.app->setQuitQuestion([&](const QString &reason) {
            asked.append(reason);
            return quitAnyway;
        });
        rig.app->menuContent()->quitAction()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(asked, QStringList {QStringLiteral("permission denied")});

        // "Quit anyway" quits, with one question and no second one on the way out.
        quitAnyway = true;
        QTimer::singleShot(0, rig.app->menuContent()->quitAction(), &QAction::trigger);
        QTimer stuck;
        stuck.setSingleShot(true);
        connect(&stuck, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        stuck.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(asked.size(), 2);

        // The next good save takes the banner away.
        rig.store.setFileWriter({});
        QVERIFY(rig.store.save());
        QVERIFY(!banner->isVisible());
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
