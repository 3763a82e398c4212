// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/menu_content.h"
#include "prompter/prompter_controller.h"
#include "prompter/prompter_window_host.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "support/fake_window_host.h"
#include "ui/palette.h"
#include "ui/texts.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

using NoAudio = qm::testing::FakeAudioInput;

using Host = qm::testing::FakeWindowHost;

// One controller with its store, and the steps of the countdown kept for the test to run.
struct Rig {
    explicit Rig(bool countdown)
        : store(dir.path())
        , voice(std::make_unique<NoAudio>())
        , prompter(store, voice)
    {
        Settings s = store.settings();
        s.countdown = countdown;
        store.setSettings(s);
        prompter.setWindowHost(&host);
        prompter.setScheduler(
            [this](double, std::function<void()> step) { steps.append(std::move(step)); });
    }
    QTemporaryDir dir;
    Store store;
    VoiceMonitor voice;
    PrompterController prompter;
    Host host;
    QList<std::function<void()>> steps;
};

QStringList titles(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class TestMenuContent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void itemsWhileHidden()
    {
        Rig rig(false);
        MenuContent menu(rig.prompter, [] {});
        QCOMPARE(titles(menu.menu()),
            (QStringList {texts::showPrompterItem(), texts::playItem(), texts::restartItem(),
                QStringLiteral("-"), QStringLiteral("Open Quillmere"),
                QStringLiteral("Quit Quillmere")}));
        for (const QAction *a : menu.menu()->actions())
            QVERIFY(a->isEnabled());
        QCOMPARE(menu.quitAction()->shortcutContext(), Qt::ApplicationShortcut);
        QCOMPARE(menu.quitAction()->shortcut().toString(), QStringLiteral("Ctrl+Q"));
    }

    void playShowsAndStartsThePrompter()
    {
        Rig rig(false);
        MenuContent menu(rig.prompter, [] {});
        menu.playPauseAction()->trigger();
        QVERIFY(rig.prompter.isVisible());
        QVERIFY(rig.prompter.isPlaying());
        Q_EMIT menu.menu()->aboutToShow();
        QCOMPARE(menu.toggleAction()->text(), texts::hidePrompterItem());
        QCOMPARE(menu.playPauseAction()->text(), texts::pauseItem());

        menu.toggleAction()->trigger();
        QVERIFY(!rig.prompter.isVisible());
        Q_EMIT menu.menu()->aboutToShow();
        QCOMPARE(menu.toggleAction()->text(), texts::showPrompterItem());
        QCOMPARE(menu.playPauseAction()->text(), texts::playItem());
    }

    void duringTheCountdownItReadsPlayAndSkipsIt()
    {
        Rig rig(true);
        MenuContent menu(rig.prompter, [] {});
        menu.toggleAction()->trigger();
        QVERIFY(rig.prompter.isVisible());
        QVERIFY(rig.prompter.countdown().has_value());
        Q_EMIT menu.menu()->aboutToShow();
        QCOMPARE(menu.playPauseAction()->text(), texts::playItem());
        menu.playPauseAction()->trigger();
        QVERIFY(!rig.prompter.countdown().has_value());
        QVERIFY(rig.prompter.isPlaying());
        // A step left over from the skipped countdown changes nothing.
        for (const auto &step : std::as_const(rig.steps))
            step();
        QVERIFY(rig.prompter.isPlaying());
    }

    void openAndQuit()
    {
        Rig rig(false);
        int opened = 0;
        MenuContent menu(rig.prompter, [&opened] { ++opened; });
        QSignalSpy quit(&menu, &MenuContent::quitRequested);
        menu.openAction()->trigger();
        QCOMPARE(opened, 1);
        QCOMPARE(quit.size(), 0);
        menu.quitAction()->trigger();
        QCOMPARE(quit.size(), 1);
    }

    void withoutATrayNothingBreaks()
    {
        Rig rig(false);
        MenuContent menu(rig.prompter, [] {});
        // The offscreen platform has no tray.
        menu.showInTray();
        QVERIFY(!menu.trayIcon());
        menu.toggleAction()->trigger();
        QVERIFY(rig.prompter.isVisible());
    }

    void logoMark()
    {
        const QImage image = MenuContent::logoMark(48).toImage();
        QCOMPARE(image.size(), QSize(48, 48));
        // Corners are cut off, the notch is black, the body is the accent.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(47, 47).alpha(), 0);
        QCOMPARE(image.pixelColor(24, 2), QColor(Qt::black));
        const QColor bottom = image.pixelColor(24, 46);
        QVERIFY2(qAbs(bottom.red() - palette::tally().red()) <= 3
                && qAbs(bottom.green() - palette::tally().green()) <= 8,
            qPrintable(bottom.name()));
        const QColor top = image.pixelColor(24, 18);
        QVERIFY2(top.green() > bottom.green(), "the gradient runs from the soft tone at the top");
        // Beside the notch, under its rounded corner, is accent, not black.
        QVERIFY(image.pixelColor(12, 13).red() > 200);
        QVERIFY(!MenuContent::logoIcon().isNull());
    }
};

QTEST_MAIN(TestMenuContent)
#include "tst_menu_content.moc"
