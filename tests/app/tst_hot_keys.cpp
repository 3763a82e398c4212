// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hot_keys.h"
#include "app/presenter_clicker.h"
#include "prompter/prompter_controller.h"
#include "prompter/prompter_window_host.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "support/fake_hot_key_backend.h"
#include "support/fake_window_host.h"

#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;
using platform::GrabStatus;
using platform::HotKeyChord;

namespace {

using FakeBackend = testing::FakeHotKeyBackend;

using NoAudio = qm::testing::FakeAudioInput;

using CountingHost = qm::testing::FakeWindowHost;

} // namespace

class TestHotKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registrationGivesIdsInOrderAndInstallsOnce()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        QVERIFY(!keys.installed());
        QList<quint32> ids;
        for (const PrompterHotKey &k : prompterHotKeys())
            ids.append(keys.registerHotKey(k.chord, [] {}));
        QCOMPARE(ids, (QList<quint32> {1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(log.ids, ids);
        QCOMPARE(log.installs, 1);
        QVERIFY(keys.installed());
        QCOMPARE(keys.count(), 7);
        QVERIFY(keys.refusedIds().isEmpty());
    }

    void pressReachesOnlyItsHandler()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        QList<int> fired;
        for (int i = 1; i <= 3; ++i)
            keys.registerHotKey({}, [&fired, i] { fired.append(i); });
        log.dispatch(2);
        log.dispatch(2);
        log.dispatch(3);
        QCOMPARE(fired, (QList<int> {2, 2, 3}));
        // Unknown ids, zero included, are ignored.
        log.dispatch(0);
        log.dispatch(4);
        log.dispatch(0xffffffffu);
        QCOMPARE(fired.size(), 3);
    }

    void refusedChordKeepsItsIdAndHandler()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log, QList<quint32> {2}));
        int first = 0, second = 0, third = 0;
        QCOMPARE(keys.registerHotKey({}, [&] { ++first; }), 1u);
        QCOMPARE(keys.registerHotKey({}, [&] { ++second; }), 2u);
        // The refused one still counts: the next id is 3, not 2.
        QCOMPARE(keys.registerHotKey({}, [&] { ++third; }), 3u);
        QCOMPARE(keys.refusedIds(), QList<quint32> {2});
        QCOMPARE(keys.status(2), GrabStatus::InUse);
        QCOMPARE(keys.status(3), GrabStatus::Granted);
        keys.dispatch(2);
        QCOMPARE(second, 1);
        keys.dispatch(3);
        QCOMPARE(third, 1);
        QCOMPARE(first, 0);
    }

    void keyboardMapChangeUpdatesRefused()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log, QList<quint32> {1}));
        keys.registerHotKey({}, [] {});
        keys.registerHotKey({}, [] {});
        QSignalSpy changed(&keys, &HotKeys::refusedChanged);
        log.statusChanged(1, GrabStatus::Granted);
        log.statusChanged(2, GrabStatus::NoSuchKey);
        log.statusChanged(9, GrabStatus::InUse); // not ours
        QCOMPARE(changed.size(), 2);
        QCOMPARE(keys.refusedIds(), QList<quint32> {2});
    }

    void noopBackendRefusesWithoutClaimingConflict()
    {
        HotKeys keys(platform::createNoopHotKeyBackend());
        for (const PrompterHotKey &k : prompterHotKeys())
            keys.registerHotKey(k.chord, [] {});
        QCOMPARE(keys.status(1), GrabStatus::Unsupported);
        // Nothing holds the chords: the sheet must not say "in use by another app".
        QVERIFY(keys.refusedIds().isEmpty());
        const QStringList lines = shortcutReport(keys).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        for (const QString &line : lines)
            QVERIFY2(line.contains(QStringLiteral("unavailable")), qPrintable(line));
    }

    void reportNamesEveryChordAndItsState()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log, QList<quint32> {4}));
        for (const PrompterHotKey &k : prompterHotKeys())
            keys.registerHotKey(k.chord, [] {});
        const QStringList lines = shortcutReport(keys).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Ctrl+Alt+P ")));
        QVERIFY(lines.at(0).endsWith(QStringLiteral("active")));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("Ctrl+Alt+Plus ")));
        QVERIFY(lines.at(3).endsWith(QStringLiteral("held by another program")));
    }

    // What the sheet and --list-shortcuts say must match what reaches the program: an X11
    // grab on a Wayland session, keys the desktop chose, GNOME running the command.
    void statesSayHowFarEachChordWorks()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        for (const PrompterHotKey &k : prompterHotKeys())
            keys.registerHotKey(k.chord, [] {});
        log.statusChanged(1, GrabStatus::X11Only);
        log.statusChanged(2, GrabStatus::NoKeysAssigned);
        log.assigned.insert(6, QStringLiteral("Meta+N"));
        const QStringList lines
            = shortcutReport(keys, {Command::Restart}).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(
            lines.at(0).endsWith(QStringLiteral("active only while an X11 window has the focus")));
        QVERIFY(lines.at(1).endsWith(
            QStringLiteral("no keys assigned in the desktop's shortcut settings")));
        QVERIFY(lines.at(2).endsWith(QStringLiteral("set up in the desktop's shortcuts")));
        // The keys the desktop gave are the ones printed.
        QVERIFY2(lines.at(5).startsWith(QStringLiteral("Meta+N ")), qPrintable(lines.at(5)));
        QVERIFY(lines.at(5).endsWith(QStringLiteral("active")));

        const QStringList notes = sheetRowNotes(keys, {Command::Restart});
        QCOMPARE(notes.size(), 6);
        QCOMPARE(notes.at(0), QString());
        QCOMPARE(notes.at(1), QStringLiteral("Only while an X11 window has the focus"));
        QCOMPARE(notes.at(2), QStringLiteral("No keys set in the desktop's settings"));
        QCOMPARE(notes.at(3), QStringLiteral("Set to Meta+N in the desktop's settings"));
        QCOMPARE(notes.at(4), QString());
        QCOMPARE(notes.at(5), QStringLiteral("In GNOME's keyboard shortcuts"));
        // A row's worst chord wins: one cue key held elsewhere outweighs the other's new keys.
        log.statusChanged(7, GrabStatus::InUse);
        QCOMPARE(sheetRowNotes(keys).at(3), QStringLiteral("In use by another app"));
    }

    // Extra chords come and go while the program runs (a presenter's clicker while the
    // prompter is shown); ids stay unique and a released chord no longer fires.
    void chordsAddedAndReleasedAtRunTime()
    {
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        int fired = 0;
        const quint32 a = keys.registerHotKey({}, [&] { ++fired; });
        const quint32 b = keys.registerHotKey({}, [&] { fired += 10; });
        QSignalSpy changed(&keys, &HotKeys::stateChanged);
        keys.unregisterHotKey(a);
        QCOMPARE(log.released, QList<quint32> {a});
        QCOMPARE(changed.size(), 1);
        keys.unregisterHotKey(a); // twice is harmless
        QCOMPARE(log.released.size(), 1);
        const quint32 c = keys.registerHotKey({}, [&] { fired += 100; });
        QCOMPARE(c, 3u);
        log.dispatch(a);
        log.dispatch(b);
        log.dispatch(c);
        QCOMPARE(fired, 110);
        QCOMPARE(keys.status(a), GrabStatus::Unsupported);
        QCOMPARE(keys.count(), 2);
    }

    void gnomeShortcutsRunTheRemoteCommands()
    {
        const auto list = gnomeShortcutsFor(
            QStringLiteral("/opt/it's here/quillmere"), QStringLiteral("/tmp/data home"));
        QCOMPARE(list.size(), 7);
        QCOMPARE(list.at(0).name, QStringLiteral("toggle"));
        QCOMPARE(list.at(0).binding, QStringLiteral("<Control><Alt>p"));
        QCOMPARE(list.at(0).command,
            QStringLiteral(
                "env XDG_DATA_HOME='/tmp/data home' '/opt/it'\\''s here/quillmere' --toggle"));
        QCOMPARE(list.at(1).binding, QStringLiteral("<Control><Alt>space"));
        QCOMPARE(list.at(3).binding, QStringLiteral("<Control><Alt>equal"));
        QCOMPARE(list.at(5).binding, QStringLiteral("<Control><Alt>Page_Down"));
        QCOMPARE(list.at(6).command.section(u' ', -1), QStringLiteral("--previous-cue"));
        QVERIFY(!gnomeShortcutsFor(QStringLiteral("/usr/bin/quillmere"), {})
                     .at(0)
                     .command.contains(QStringLiteral("env")));
        QCOMPARE(commandsNamed({QStringLiteral("restart"), QStringLiteral("toggle")}),
            (DesktopCommands {Command::Toggle, Command::Restart}));
    }

    void onlySpeedChordsRepeat()
    {
        namespace ks = platform::keysym;
        const QList<PrompterHotKey> keys = prompterHotKeys();
        QCOMPARE(keys.size(), 7);
        for (const PrompterHotKey &k : keys) {
            const bool speed = k.command == Command::Faster || k.command == Command::Slower;
            QCOMPARE(k.chord.repeats, speed);
            QCOMPARE(k.chord.modifiers, quint32(platform::kHotKeyControl | platform::kHotKeyAlt));
        }
        // Plus is the main-keyboard "=" key and any "+" key, the keypad's included.
        QVERIFY(keys.at(3).chord.keysyms.contains(ks::kEqual));
        QVERIFY(keys.at(3).chord.keysyms.contains(ks::kPlus));
        QVERIFY(keys.at(3).chord.keysyms.contains(ks::kKeypadAdd));
        QVERIFY(keys.at(4).chord.keysyms.contains(ks::kKeypadSubtract));
    }

    void sheetRows_data()
    {
        QTest::addColumn<QList<quint32>>("refused");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("none") << QList<quint32> {} << QList<int> {};
        QTest::newRow("show/hide") << QList<quint32> {1} << QList<int> {1};
        QTest::newRow("play/pause") << QList<quint32> {2} << QList<int> {2};
        QTest::newRow("restart is the last row") << QList<quint32> {3} << QList<int> {5};
        QTest::newRow("either speed key") << QList<quint32> {5} << QList<int> {4};
        QTest::newRow("both cue keys, one row") << QList<quint32> {6, 7} << QList<int> {3};
        QTest::newRow("sorted") << QList<quint32> {7, 4, 1} << QList<int> {1, 3, 4};
        QTest::newRow("unknown ids") << QList<quint32> {0, 8, 40} << QList<int> {};
    }
    void sheetRows()
    {
        QFETCH(QList<quint32>, refused);
        QFETCH(QList<int>, rows);
        QCOMPARE(refusedSheetRows(refused), rows);
    }

    // Each id drives the controller operation of its chord.
    void prompterChordsDriveTheController_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::addColumn<double>("speedBefore");
        QTest::addColumn<double>("speedAfter");
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("P shows") << 1u << 40.0 << 40.0 << true;
        QTest::newRow("Space shows a hidden prompter") << 2u << 40.0 << 40.0 << true;
        QTest::newRow("R while hidden shows nothing") << 3u << 40.0 << 40.0 << false;
        QTest::newRow("Plus at 198 gives 200") << 4u << 198.0 << 200.0 << false;
        QTest::newRow("Plus at 200 stays") << 4u << 200.0 << 200.0 << false;
        QTest::newRow("Minus at 10 gives 8") << 5u << 10.0 << 8.0 << false;
        QTest::newRow("Minus at 40 gives 36") << 5u << 40.0 << 36.0 << false;
        QTest::newRow("PgDn without cues does nothing") << 6u << 40.0 << 40.0 << false;
    }
    void prompterChordsDriveTheController()
    {
        QFETCH(quint32, id);
        QFETCH(double, speedBefore);
        QFETCH(double, speedAfter);
        QFETCH(bool, visibleAfter);

        QTemporaryDir dir;
        Store store(dir.path());
        Settings s = store.settings();
        s.speed = speedBefore;
        s.countdown = false;
        store.setSettings(s);
        VoiceMonitor voice(std::make_unique<NoAudio>());
        PrompterController prompter(store, voice);
        CountingHost host;
        prompter.setWindowHost(&host);

        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        registerPrompterHotKeys(keys, prompter);
        QCOMPARE(keys.count(), 7);
        log.dispatch(id);
        QCOMPARE(store.settings().speed, speedAfter);
        QCOMPARE(prompter.isVisible(), visibleAfter);
        QCOMPARE(host.panel, visibleAfter);
    }

    void showHidePressedTwice()
    {
        QTemporaryDir dir;
        Store store(dir.path());
        VoiceMonitor voice(std::make_unique<NoAudio>());
        PrompterController prompter(store, voice);
        CountingHost host;
        prompter.setWindowHost(&host);
        FakeBackend::Log log;
        HotKeys keys(std::make_unique<FakeBackend>(log));
        registerPrompterHotKeys(keys, prompter);
        log.dispatch(1);
        QVERIFY(prompter.isVisible());
        log.dispatch(1);
        QVERIFY(!prompter.isVisible());
        QVERIFY(!host.panel);
    }

    // The clicker's page keys are held only while the prompter is shown with the setting on,
    // let go on hide or when the setting goes off, and never reuse an id.
    void clickerHoldsPageKeysOnlyWhileShown()
    {
        QTemporaryDir dir;
        Store store(dir.path());
        Settings s = store.settings();
        s.countdown = false;
        store.setSettings(s);
        VoiceMonitor voice(std::make_unique<NoAudio>());
        PrompterController prompter(store, voice);
        CountingHost host;
        prompter.setWindowHost(&host);
        FakeBackend::Log log;
        // The second id the clicker is given (Page Up on its first show) is refused.
        HotKeys keys(std::make_unique<FakeBackend>(log, QList<quint32> {9}));
        registerPrompterHotKeys(keys, prompter);
        PresenterClicker clicker(store, prompter, keys);
        QSignalSpy changed(&clicker, &PresenterClicker::stateChanged);

        prompter.show();
        QVERIFY(!clicker.held());
        QCOMPARE(clicker.refused(), std::nullopt);
        QCOMPARE(log.ids.size(), 7);

        s.presenterClicker = true;
        store.setSettings(s);
        QVERIFY(clicker.held());
        QCOMPARE(log.ids.mid(7), (QList<quint32> {8, 9}));
        QCOMPARE(log.chords.at(7).keysyms, QList<quint32> {platform::keysym::kPageDown});
        QCOMPARE(log.chords.at(8).keysyms, QList<quint32> {platform::keysym::kPageUp});
        QCOMPARE(log.chords.at(7).modifiers, 0u);
        QCOMPARE(clicker.refused(), true);
        // The seven keep their ids and the sheet's refused rows know nothing of the page keys.
        QCOMPARE(keys.refusedIds(), QList<quint32> {9});
        QVERIFY(refusedSheetRows(keys.refusedIds()).isEmpty());

        prompter.hide();
        QVERIFY(!clicker.held());
        QCOMPARE(log.released, (QList<quint32> {8, 9}));
        QVERIFY(keys.refusedIds().isEmpty());
        log.dispatch(8); // a press let go of does nothing
        QVERIFY(!prompter.isVisible());

        prompter.show();
        QCOMPARE(log.ids.mid(9), (QList<quint32> {10, 11}));
        QCOMPARE(clicker.refused(), false);
        s.presenterClicker = false;
        store.setSettings(s);
        QVERIFY(!clicker.held());
        QCOMPARE(log.released, (QList<quint32> {8, 9, 10, 11}));
        QVERIFY(prompter.isVisible());
        QCOMPARE(changed.count(), 4);
        QCOMPARE(keys.count(), 7);
    }

    // Page Down / Page Up: the next / previous cue, or a reading area when none lies that way.
    void clickerSteps_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<double>("target");
        // Cue lines at 100 and 400 (destinations 94 and 394), a reading area of 300, the end
        // at 1000.
        QTest::newRow("down to the first cue") << 0.0 << true << 94.0;
        QTest::newRow("down to the second cue") << 94.0 << true << 394.0;
        QTest::newRow("down past the last cue: one area") << 394.0 << true << 694.0;
        QTest::newRow("down near the end stops at the end") << 800.0 << true << 1000.0;
        QTest::newRow("up to the cue above") << 600.0 << false << 394.0;
        QTest::newRow("up above the first cue: one area") << 94.0 << false << 0.0;
    }
    void clickerSteps()
    {
        QFETCH(double, offset);
        QFETCH(bool, forward);
        QFETCH(double, target);

        QTemporaryDir dir;
        Store store(dir.path());
        Settings s = store.settings();
        s.countdown = false;
        store.setSettings(s);
        store.setScriptText(*store.selectedID(), QStringLiteral("# One\nFirst.\n# Two\nSecond."));
        VoiceMonitor voice(std::make_unique<NoAudio>());
        PrompterController prompter(store, voice);
        prompter.show();
        prompter.playPause();
        prompter.setContentHeight(1100);
        prompter.setViewportHeight(300);
        prompter.setCueOffsets({{0, 100}, {1, 400}});
        prompter.scrollBy(offset);
        if (forward)
            PresenterClicker::stepForward(prompter);
        else
            PresenterClicker::stepBack(prompter);
        QCOMPARE(prompter.target(), std::optional<double>(target));
    }
};

QTEST_GUILESS_MAIN(TestHotKeys)
#include "tst_hot_keys.moc"
