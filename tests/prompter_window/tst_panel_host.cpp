// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio_input.h"
#include "platform/capture_exclusion.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_view.h"
#include "prompter_window/panel_frame.h"
#include "prompter_window/panel_host.h"
#include "prompter_window/prompter_panel.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "ui/screen_coords.h"
#include "ui/texts.h"
#include "ui/window_registry.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

using namespace qm;

namespace {

using SilentInput = qm::testing::FakeAudioInput;

// Counts the events of one type that reach an object.
class Recorder final : public QObject {
public:
    explicit Recorder(QEvent::Type type)
        : m_type(type)
    {
    }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

// The real engine on its own store, with the panel host as its window side.
struct Env {
    explicit Env(PrompterMode mode = PrompterMode::Notch)
    {
        edit([mode](Settings &s) {
            s.mode = mode;
            s.countdown = false;
        });
        controller.setWindowHost(&host);
    }

    void edit(const std::function<void(Settings &)> &change)
    {
        Settings s = store.settings();
        change(s);
        store.setSettings(s);
    }

    PrompterPanel *panel() const { return host.panel(); }

    QTemporaryDir dir;
    Store store {dir.path()};
    VoiceMonitor voice {std::make_unique<SilentInput>()};
    PrompterController controller {store, voice};
    PanelHost host {controller};
};

void sendWheel(QWidget *target, QPoint pixel, QPoint angle)
{
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(pos, target->mapToGlobal(pos), pixel, angle, Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

QRect primary()
{
    return QGuiApplication::primaryScreen()->geometry();
}

QList<double> storedFor(const QRect &geometry)
{
    return storedFloatingFrame(geometry, primaryScreenHeight());
}

QMenu *openMenu(PrompterPanel *panel)
{
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(20, 20), panel->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(panel, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

Q_DECLARE_METATYPE(PrompterMode)

class TestPanelHost : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showBuildsThePanel_data()
    {
        QTest::addColumn<PrompterMode>("mode");
        QTest::newRow("notch") << PrompterMode::Notch;
        QTest::newRow("floating") << PrompterMode::Floating;
    }
    void showBuildsThePanel()
    {
        QFETCH(PrompterMode, mode);
        Env env(mode);
        env.controller.show();
        PrompterPanel *panel = env.panel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->mode(), mode);
        QCOMPARE(panel->windowTitle(), QStringLiteral("Quillmere Prompter"));
        QVERIFY(WindowRegistry::windows().contains(panel));
        QVERIFY(panel->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(env.controller.topInset(), 0.0);
        const Qt::WindowFlags flags = panel->windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        // Neither panel may take the keyboard from the application the user is in.
        QVERIFY(flags & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(panel->content()->geometry(), panel->rect());

        const QRect screen = primary();
        if (mode == PrompterMode::Notch) {
            QVERIFY(flags & Qt::X11BypassWindowManagerHint);
            QCOMPARE(panel->geometry(),
                QRect(screen.x() + (screen.width() - 380) / 2, screen.y(), 380, 150));
        } else {
            // Not a tool window: KWin hides those while another application is active.
            QCOMPARE(panel->windowType(), Qt::Window);
            QVERIFY(!(flags & Qt::X11BypassWindowManagerHint));
            QCOMPARE(panel->minimumSize(), QSize(260, 120));
            const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
            QCOMPARE(panel->geometry(),
                QRect(available.x() + (available.width() - 560) / 2, available.y() + 60, 560, 240));
            panel->resize(100, 50);
            QCOMPARE(panel->size(), QSize(260, 120));
        }
    }

    void panelsFollowTheirScreen()
    {
        Env env;
        env.controller.show();
        PrompterPanel *panel = env.panel();
        const QRect placed = panel->geometry();
        panel->place(QRect(5, 300, 300, 50));
        QScreen *screen = panel->screen();
        Q_EMIT screen->availableGeometryChanged(screen->availableGeometry());
        QCOMPARE(panel->geometry(), placed);

        // A floating panel the user left hanging over the edge is brought back within; the
        // frame stored is still the user's.
        Env floating(PrompterMode::Floating);
        floating.controller.show();
        panel = floating.panel();
        const QRect area = screen->availableGeometry();
        const QRect left(area.right() - 250, area.top() + 50, 400, 200);
        panel->setGeometry(left);
        panel->finishResize();
        QCOMPARE(floating.store.settings().floatingFrame, storedFor(left));
        Q_EMIT screen->geometryChanged(screen->geometry());
        QCOMPARE(panel->geometry(), QRect(area.right() + 1 - 400, area.top() + 50, 400, 200));
        QCOMPARE(floating.store.settings().floatingFrame, storedFor(left));
    }

    // sway and i3 tile plain windows, XWayland's too; there the floating panel is a dialog.
    void floatingPanelFloatsOnTilingDesktops_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("type");
        QTest::newRow("elsewhere")
            << QByteArray("XDG_CURRENT_DESKTOP") << QByteArray("KDE") << int(Qt::Window);
        QTest::newRow("sway") << QByteArray("SWAYSOCK") << QByteArray("/run/user/0/sway.sock")
                              << int(Qt::Dialog);
        QTest::newRow("i3") << QByteArray("XDG_CURRENT_DESKTOP") << QByteArray("i3")
                            << int(Qt::Dialog);
    }

    void floatingPanelFloatsOnTilingDesktops()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, value);
        QFETCH(int, type);
        const QByteArray before = qgetenv(variable.constData());
        qputenv(variable.constData(), value);
        Env env(PrompterMode::Floating);
        env.controller.show();
        const Qt::WindowType got = env.panel()->windowType();
        const Qt::WindowFlags flags = env.panel()->windowFlags();
        env.controller.hide();
        if (before.isNull())
            qunsetenv(variable.constData());
        else
            qputenv(variable.constData(), before);
        QCOMPARE(int(got), type);
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    }

    void savedFloatingFrameIsUsed()
    {
        Env env(PrompterMode::Floating);
        const QRect where(40, 70, 420, 200);
        env.edit([&](Settings &s) { s.floatingFrame = storedFor(where); });
        env.controller.show();
        QCOMPARE(env.panel()->geometry(), where);
    }

    void hideClosesThePanel()
    {
        Env env;
        env.controller.show();
        QPointer<PrompterPanel> panel = env.panel();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(panel, &enter);
        QVERIFY(env.controller.hovering());
        env.controller.hide();
        QVERIFY(!env.host.hasPanel());
        QVERIFY(!env.controller.hovering());
        QVERIFY(panel && !panel->isVisible());
        flushDeletes();
        QVERIFY(!panel);
        QVERIFY(!WindowRegistry::windows().contains(panel.data()));
    }

    void hoverFollowsEnterAndLeave()
    {
        Env env;
        env.controller.show();
        PrompterPanel *panel = env.panel();
        QSignalSpy spy(&env.controller, &PrompterController::hoveringChanged);

        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), panel->mapToGlobal(QPointF(10, 10)));
        QApplication::sendEvent(panel, &enter);
        QVERIFY(env.controller.hovering());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(panel, &leave);
        QVERIFY(!env.controller.hovering());
        QCOMPARE(spy.count(), 2);
    }

    // Steps: "eR"/"eO" enter at the resting point or another one, "mR"/"mO" motion over the
    // panel, "vO" motion over the view inside it, "l" leave; after each, hover is 0 or 1.
    void hoverNeedsThePointerToMove_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("hover");

        const auto steps = [](const char *list) {
            return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
        };
        QTest::newRow("appears under the resting pointer") << steps("eR") << QStringLiteral("0");
        QTest::newRow("the resting pointer moves") << steps("eR mO") << QStringLiteral("01");
        QTest::newRow("motion over the view") << steps("eR vO") << QStringLiteral("01");
        QTest::newRow("motion reported at the rest point")
            << steps("eR mR vR") << QStringLiteral("000");
        QTest::newRow("entered from elsewhere") << steps("eO") << QStringLiteral("1");
        QTest::newRow("leaves") << steps("eO l") << QStringLiteral("10");
        QTest::newRow("out and back in at the rest point")
            << steps("eR l eR") << QStringLiteral("001");
        QTest::newRow("drag motion outside") << steps("eO l mO") << QStringLiteral("100");
    }

    void hoverNeedsThePointerToMove()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, hover);

        Env env(PrompterMode::Floating);
        env.controller.show();
        PrompterPanel *panel = env.panel();
        // Where the panel saw the pointer as it appeared.
        const QPointF rest = QCursor::pos();
        const QPointF other = rest + QPointF(7, 3);
        QString seen;
        for (const QString &step : steps) {
            const QPointF global = step.endsWith(u'R') ? rest : other;
            QWidget *target = step.startsWith(u'v') ? panel->content() : panel;
            const QPointF local = target->mapFromGlobal(global);
            if (step.startsWith(u'e')) {
                QEnterEvent enter(local, local, global);
                QApplication::sendEvent(target, &enter);
            } else if (step == u"l") {
                QEvent leave(QEvent::Leave);
                QApplication::sendEvent(target, &leave);
            } else {
                QMouseEvent move(QEvent::MouseMove, local, local, global, Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(target, &move);
            }
            seen += env.controller.hovering() ? u'1' : u'0';
        }
        QCOMPARE(seen, hover);
    }

    void wheelOverThePanelScrolls_data()
    {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<double>("expected");

        QTest::newRow("touchpad fingers up") << QPoint(0, -40) << QPoint(0, -120) << 1040.0;
        QTest::newRow("touchpad fingers down") << QPoint(0, 25) << QPoint(0, 75) << 975.0;
        // fontSize 20: one notch is 26 points.
        QTest::newRow("wheel up one notch") << QPoint() << QPoint(0, 120) << 974.0;
        QTest::newRow("wheel down two notches") << QPoint() << QPoint(0, -240) << 1052.0;
        QTest::newRow("past the end is clamped") << QPoint(0, -9000) << QPoint() << 4900.0;
    }
    void wheelOverThePanelScrolls()
    {
        QFETCH(QPoint, pixel);
        QFETCH(QPoint, angle);
        QFETCH(double, expected);

        Env env;
        env.edit([](Settings &s) { s.fontSize = 20; });
        env.controller.show();
        // The panel's view reports its own measurements until its layout is complete; the
        // made-up ones below must come after.
        QWidget *content = env.panel()->content();
        auto *view = qobject_cast<PrompterView *>(content);
        QVERIFY(view);
        QTRY_VERIFY(view->columnLayout() && view->columnLayout()->complete);
        env.controller.setContentHeight(5000);
        env.controller.setViewportHeight(300);
        // Frames may have come while the layout finished: held still, back at the top.
        env.controller.playPause();
        env.controller.scrollBy(-env.controller.scroll().offset());
        env.controller.scrollBy(1000);

        // Delivered to the view inside the panel, as the pointer would; the view never sees it.
        Recorder seen(QEvent::Wheel);
        content->installEventFilter(&seen);
        env.panel()->installEventFilter(&seen);
        sendWheel(content, pixel, angle);
        QCOMPARE(env.controller.scroll().offset(), expected);
        QCOMPARE(seen.count, 0);
    }

    void wheelElsewhereIsUntouched()
    {
        Env env;
        env.controller.show();
        env.controller.setContentHeight(5000);
        env.controller.setViewportHeight(300);
        // Frames may have come while the layout finished: held still, back at the top.
        env.controller.playPause();
        env.controller.scrollBy(-env.controller.scroll().offset());
        env.controller.scrollBy(1000);

        QWidget other;
        other.resize(300, 200);
        other.show();
        Recorder seen(QEvent::Wheel);
        other.installEventFilter(&seen);
        sendWheel(&other, QPoint(0, 30), QPoint(0, 120));
        QCOMPARE(seen.count, 1);
        QCOMPARE(env.controller.scroll().offset(), 1000.0);

        // Nor after the panel is gone.
        env.controller.hide();
        sendWheel(&other, QPoint(0, 30), QPoint(0, 120));
        QCOMPARE(seen.count, 2);
        QCOMPARE(env.controller.scroll().offset(), 1000.0);
    }

    void floatingFrameStoredAtEachMove()
    {
        Env env(PrompterMode::Floating);
        env.controller.show();
        QCoreApplication::processEvents();
        // Its own placement is not a move by the user.
        QVERIFY(!env.store.settings().floatingFrame);

        QSignalSpy changed(&env.store, &Store::settingsChanged);
        PrompterPanel *panel = env.panel();
        panel->move(30, 40);
        QCOMPARE(env.store.settings().floatingFrame, storedFor(QRect(30, 40, 560, 240)));
        panel->move(35, 48);
        QCOMPARE(env.store.settings().floatingFrame, storedFor(QRect(35, 48, 560, 240)));
        QCOMPARE(changed.count(), 2);
        // Storing does not move it back.
        QCOMPARE(panel->pos(), QPoint(35, 48));
        QVERIFY(env.host.panel() == panel);
    }

    void dragOnTheBackgroundMovesAndStores()
    {
        Env env(PrompterMode::Floating);
        env.controller.show();
        PrompterPanel *panel = env.panel();
        const QPoint start = panel->pos();
        QWidget *content = panel->content();

        // Pressed on the view, which hands a press off its controls on to the panel. The
        // offscreen platform refuses a system move, so the panel moves itself.
        const QPointF local(100, 100);
        const QPointF global = content->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(content, &press);
        QMouseEvent drag(QEvent::MouseMove, local + QPointF(30, 20), local + QPointF(30, 20),
            global + QPointF(30, 20), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(content, &drag);
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(30, 20),
            local + QPointF(30, 20), global + QPointF(30, 20), Qt::LeftButton, Qt::NoButton,
            Qt::NoModifier);
        QApplication::sendEvent(content, &release);

        QCOMPARE(panel->pos(), start + QPoint(30, 20));
        QCOMPARE(panel->size(), QSize(560, 240));
        QCOMPARE(env.store.settings().floatingFrame, storedFor(panel->geometry()));
    }

    void resizeStoredOnceWhenItEnds()
    {
        Env env(PrompterMode::Floating);
        env.controller.show();
        PrompterPanel *panel = env.panel();
        QSignalSpy changed(&env.store, &Store::settingsChanged);
        QSignalSpy ended(panel, &PrompterPanel::resizeEnded);

        // Dragging the right edge by hand, since the offscreen platform refuses it.
        const QPointF local(panel->width() - 2, 100);
        const QPointF global = panel->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
        for (int dx : {10, 25, 40}) {
            QMouseEvent drag(QEvent::MouseMove, local + QPointF(dx, 0), local + QPointF(dx, 0),
                global + QPointF(dx, 0), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(panel, &drag);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(40, 0),
            local + QPointF(40, 0), global + QPointF(40, 0), Qt::LeftButton, Qt::NoButton,
            Qt::NoModifier);
        QApplication::sendEvent(panel, &release);
        QCOMPARE(panel->size(), QSize(600, 240));
        QCOMPARE(changed.count(), 0);

        QVERIFY(ended.wait());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(env.store.settings().floatingFrame, storedFor(panel->geometry()));
    }

    void resizeJustBeforeHideIsKept()
    {
        Env env(PrompterMode::Floating);
        env.controller.show();
        PrompterPanel *panel = env.panel();
        panel->resize(600, 260);
        const QRect geometry = panel->geometry();
        QVERIFY(!env.store.settings().floatingFrame);
        env.controller.hide();
        QCOMPARE(env.store.settings().floatingFrame, storedFor(geometry));
    }

    void notchModeNeverStores()
    {
        Env env(PrompterMode::Notch);
        env.edit([](Settings &s) { s.floatingFrame = QList<double> {1, 2, 300, 200}; });
        env.controller.show();
        PrompterPanel *panel = env.panel();
        QSignalSpy changed(&env.store, &Store::settingsChanged);
        QSignalSpy ended(panel, &PrompterPanel::resizeEnded);
        panel->move(12, 0);
        panel->resize(400, 160);
        QVERIFY(ended.wait());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(env.store.settings().floatingFrame, (QList<double> {1, 2, 300, 200}));
    }

    // The menu is the application's: the actions handed over, in their order. Choosing one that
    // hides the prompter closes the panel under the open menu.
    void menuOffersTheActionsGiven()
    {
        Env env;
        QAction hide(QStringLiteral("Hide"));
        QAction separator;
        separator.setSeparator(true);
        QAction other(QStringLiteral("Other"));
        connect(&hide, &QAction::triggered, &env.controller, [&env] { env.controller.toggle(); });
        env.host.setMenuActions({&hide, &separator, &other});
        env.controller.show();

        QMenu *menu = openMenu(env.panel());
        QVERIFY(menu);
        QCOMPARE(menu->actions(), (QList<QAction *> {&hide, &separator, &other}));

        QPointer<PrompterPanel> panel = env.panel();
        hide.trigger();
        QVERIFY(!env.controller.isVisible());
        QVERIFY(!env.host.hasPanel());
        menu->close();
        flushDeletes();
        QVERIFY(!panel);
    }

    void settingsChangeWhileShown_data()
    {
        QTest::addColumn<PrompterMode>("startMode");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("rebuilt");
        QTest::addColumn<QSize>("size");

        QTest::newRow("notch to floating")
            << PrompterMode::Notch << QStringLiteral("mode") << true << QSize(560, 240);
        QTest::newRow("floating to notch")
            << PrompterMode::Floating << QStringLiteral("mode") << true << QSize(380, 150);
        QTest::newRow("notch width resizes in place")
            << PrompterMode::Notch << QStringLiteral("notch") << false << QSize(500, 120);
        QTest::newRow("notch size means nothing to a floating panel")
            << PrompterMode::Floating << QStringLiteral("notch") << false << QSize(560, 240);
        QTest::newRow("sharing keeps the notch panel")
            << PrompterMode::Notch << QStringLiteral("sharing") << false << QSize(380, 150);
        QTest::newRow("sharing keeps the floating panel")
            << PrompterMode::Floating << QStringLiteral("sharing") << false << QSize(560, 240);
    }
    void settingsChangeWhileShown()
    {
        QFETCH(PrompterMode, startMode);
        QFETCH(QString, change);
        QFETCH(bool, rebuilt);
        QFETCH(QSize, size);

        Env env(startMode);
        env.controller.show();
        QPointer<PrompterPanel> before = env.panel();
        if (startMode == PrompterMode::Floating)
            before->move(20, 30);
        const QPoint beforePos = before->pos();

        env.edit([&](Settings &s) {
            if (change == QLatin1String("mode"))
                s.mode = startMode == PrompterMode::Notch ? PrompterMode::Floating
                                                          : PrompterMode::Notch;
            else if (change == QLatin1String("notch")) {
                s.notchWidth = 500;
                s.notchHeight = 120;
            } else
                s.hideFromSharing = !s.hideFromSharing;
        });
        QCoreApplication::processEvents();

        PrompterPanel *after = env.panel();
        QVERIFY(after);
        QVERIFY(after->isVisible());
        QCOMPARE(after->size(), size);
        if (rebuilt) {
            QVERIFY(after != before.data());
            QVERIFY(!before || !before->isVisible());
            flushDeletes();
            QVERIFY(!before);
            QVERIFY(after->mode() != startMode);
        } else {
            QVERIFY(after == before.data());
            if (startMode == PrompterMode::Floating)
                QCOMPARE(after->pos(), beforePos);
            else
                QCOMPARE(after->y(), primary().y());
        }
        if (after->mode() == PrompterMode::Notch) {
            QCOMPARE(
                after->x(), qRound(primary().x() + primary().width() / 2.0 - after->width() / 2.0));
        }
    }

    void captureExclusionIsReportedHonestly()
    {
        Env env;
        env.controller.show();
        const bool enforced = platform::captureExclusionSupport().enforced;
        QCOMPARE(env.host.panelExcludedFromCapture(), enforced);
        env.edit([](Settings &s) { s.hideFromSharing = false; });
        QVERIFY(!env.host.panelExcludedFromCapture());
        env.edit([](Settings &s) { s.hideFromSharing = true; });
        QCOMPARE(env.host.panelExcludedFromCapture(), enforced);
    }
};

QTEST_MAIN(TestPanelHost)
#include "tst_panel_host.moc"
