// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/frame_clock.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_view.h"
#include "prompter_window/display_window.h"
#include "prompter_window/panel_host.h"
#include "prompter_window/prompter_panel.h"
#include "store/store.h"
#include "support/fake_audio_input.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>

using namespace qm;

namespace {

using SilentInput = qm::testing::FakeAudioInput;

// The real engine on its own store and a hand-driven clock, with the panel host as its window
// side, in display mode.
struct Env {
    Env()
    {
        edit([](Settings &s) {
            s.mode = PrompterMode::Display;
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
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            now += 1.0 / 60;
            controller.tick();
        }
    }

    QTemporaryDir dir;
    double now = 100;
    Store store {dir.path()};
    VoiceMonitor voice {std::make_unique<SilentInput>()};
    PrompterController controller {store, voice, [this] { return now; }};
    PanelHost host {controller};
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The view alone at a studio monitor's proportions, settled, with the text held still at an
// offset between two pixel rows.
struct ViewRig {
    ViewRig()
    {
        Env &e = env;
        e.controller.setWindowHost(nullptr);
        e.controller.show();
        view.setClock([&e] { return e.now; });
        view.resize(480, 270);
        view.setOutput({});
        view.show();
        e.frames(120);
        if (e.controller.isPlaying())
            e.controller.playPause();
        e.controller.scroll().setOffset(13.37);
        e.frames(2);
    }
    // Into the window's own format (the text is written straight into its pixels) or into one
    // the painter has to convert to.
    QImage render(QImage::Format format)
    {
        QImage image(view.size(), format);
        image.fill(Qt::black);
        view.render(&image);
        return image.convertToFormat(QImage::Format_RGB32);
    }

    Env env;
    PrompterView view {env.controller};
};

int worstDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                qAbs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

} // namespace

class TestDisplayOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever the flips, the window shows the unflipped picture flipped, and the text is
    // written the same way straight into the pixels as through the painter.
    void picturesAreTheUnflippedPictureFlipped_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("format");
        for (const auto &[name, format] : {std::pair {"in place", QImage::Format_RGB32},
                 std::pair {"painted", QImage::Format_RGB888}}) {
            QTest::addRow("left to right, %s", name) << true << false << int(format);
            QTest::addRow("upside down, %s", name) << false << true << int(format);
            QTest::addRow("both, %s", name) << true << true << int(format);
        }
    }
    void picturesAreTheUnflippedPictureFlipped()
    {
        QFETCH(bool, horizontal);
        QFETCH(bool, vertical);
        QFETCH(int, format);
        ViewRig rig;
        rig.view.setOutput({false, false, true});
        const QImage plain = rig.render(QImage::Format(format));
        rig.view.setOutput({horizontal, vertical, true});
        const QImage flipped = rig.render(QImage::Format(format));

        // Text, cue headings, the marker and the bar are all there to be flipped.
        const QRect area = rig.view.readingArea().toAlignedRect();
        QVERIFY(plain.copy(area) != QImage(area.size(), QImage::Format_RGB32));
        const int markerY = int(rig.view.readingLineY());
        QCOMPARE(qRed(plain.pixel(3, markerY)), 0xFF); // tally at the left edge
        QVERIFY(flipped != plain);
        // The progress bar is 2.5 points tall: its half-covered row rounds the other way when
        // drawn upside down, so its three rows are left out.
        QImage expected = plain.mirrored(horizontal, vertical);
        QImage shown = flipped;
        const int barRows = 3;
        const QRect compared(0, vertical ? barRows : 0, shown.width(), shown.height() - barRows);
        expected = expected.copy(compared);
        shown = shown.copy(compared);
        const int worst = worstDifference(shown, expected);
        // The marker's antialiased edge may land a shade differently when flipped.
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    void outputCoversItsScreenAndFollowsTheSettings()
    {
        Env env;
        QScreen *screen = QGuiApplication::primaryScreen();
        env.edit([screen](Settings &s) { s.displayName = screen->name(); });
        env.controller.show();
        DisplayWindow *output = env.host.output();
        QVERIFY(output);
        QVERIFY(!env.host.panel());
        QCOMPARE(output->geometry(), screen->geometry());
        QCOMPARE(output->coveredScreen(), screen);
        const Qt::WindowFlags flags = output->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(output->testAttribute(Qt::WA_ShowWithoutActivating));

        // Appearing under the resting pointer is not hover; the pointer moving is. Hover
        // pauses, the wheel scrolls, as over the panel.
        const QPointF rest = QCursor::pos();
        QEnterEvent still(output->mapFromGlobal(rest), output->mapFromGlobal(rest), rest);
        QApplication::sendEvent(output, &still);
        QVERIFY(!env.controller.hovering());
        const QPointF moved = rest + QPointF(5, 5);
        const QPointF atView = output->view()->mapFromGlobal(moved);
        QMouseEvent move(
            QEvent::MouseMove, atView, atView, moved, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(output->view(), &move);
        QVERIFY(env.controller.hovering());
        QEvent leaveFirst(QEvent::Leave);
        QApplication::sendEvent(output, &leaveFirst);
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), output->mapToGlobal(QPointF(10, 10)));
        QApplication::sendEvent(output, &enter);
        QVERIFY(env.controller.hovering());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(output, &leave);
        QVERIFY(!env.controller.hovering());
        env.controller.setViewportHeight(100);
        env.controller.setContentHeight(5000);
        const double before = env.controller.scroll().offset();
        QWidget *view = output->view();
        const QPointF pos(view->width() / 2.0, view->height() / 2.0);
        QWheelEvent wheel(pos, view->mapToGlobal(pos), QPoint(0, -40), QPoint(), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(env.controller.scroll().offset() > before);

        // A flip is applied to the same window; another screen's name that is not connected
        // hands over to the panel, and the screen's own name brings the output back.
        env.edit([](Settings &s) { s.flipVertical = true; });
        QCOMPARE(env.host.output(), output);
        env.edit([](Settings &s) { s.displayName = QStringLiteral("nowhere"); });
        flushDeletes();
        QVERIFY(!env.host.output());
        QVERIFY(env.host.panel());
        QCOMPARE(env.host.panel()->mode(), PrompterMode::Floating);
        env.edit([screen](Settings &s) { s.displayName = screen->name(); });
        flushDeletes();
        QVERIFY(env.host.output());
        QVERIFY(!env.host.panel());
        env.controller.hide();
        flushDeletes();
        QVERIFY(!env.host.hasPanel());
    }

    void pointerHidesAtRestAndComesBackOnMotion()
    {
        Env env;
        env.controller.show();
        DisplayWindow *output = env.host.output();
        QVERIFY(output);
        QTRY_VERIFY_WITH_TIMEOUT(output->pointerHidden(), 10000);
        QCOMPARE(output->cursor().shape(), Qt::BlankCursor);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), output->mapToGlobal(QPointF(5, 5)),
            Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(output->view(), &move);
        QVERIFY(!output->pointerHidden());
        QCOMPARE(output->cursor().shape(), Qt::ArrowCursor);
    }

    // The screen under the output going away: the floating panel carries on in the same place
    // of the text, in the same play state, and the next show goes back to the screen.
    void losingTheScreenFallsBackToThePanelInPlace()
    {
        Env env;
        env.controller.show();
        QVERIFY(env.host.output());
        QScreen *screen = env.host.output()->coveredScreen();
        QVERIFY(screen);
        // Large enough for the text to run well past the screen.
        env.edit([](Settings &s) { s.fontSize = 400; });
        env.frames(30); // playing from the show on, without a countdown
        QVERIFY(env.controller.isPlaying());
        const double offset = env.controller.scroll().offset();
        QVERIFY(offset > 0);
        const Settings settings = env.store.settings();
        const platform::FrameClock *clock = &env.controller.frameClock();
        const bool running = clock->running();

        env.host.screenRemoved(screen);
        flushDeletes();
        // The frames go by the panel's display now, running as they were.
        QVERIFY(&env.controller.frameClock() != clock);
        QCOMPARE(env.controller.frameClock().running(), running);
        QVERIFY(!env.host.output());
        PrompterPanel *panel = env.host.panel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->mode(), PrompterMode::Floating);
        QCOMPARE(env.controller.scroll().offset(), offset);
        QVERIFY(env.controller.isPlaying());
        QVERIFY(env.controller.isVisible());
        // Nothing stored changes: still display mode, no floating frame written.
        QVERIFY(env.store.settings() == settings);

        env.controller.hide();
        env.controller.show();
        flushDeletes();
        QVERIFY(env.host.output());
        QCOMPARE(env.host.output()->coveredScreen(), screen);
    }

    // While shown, the output follows its screen's size, and a returning screen takes the
    // prompter back from the panel standing in for it.
    void followsItsScreen()
    {
        Env env;
        env.controller.show();
        DisplayWindow *output = env.host.output();
        QVERIFY(output);
        QScreen *screen = output->coveredScreen();
        output->setGeometry(QRect(10, 10, 300, 200));
        Q_EMIT screen->geometryChanged(screen->geometry());
        QCOMPARE(output->geometry(), screen->geometry());

        env.host.screenRemoved(screen);
        flushDeletes();
        QVERIFY(!env.host.output());
        QVERIFY(env.host.panel());
        const bool playing = env.controller.isPlaying();
        Q_EMIT qGuiApp->screenAdded(screen);
        flushDeletes();
        QVERIFY(env.host.output());
        QVERIFY(!env.host.panel());
        QCOMPARE(env.host.output()->coveredScreen(), screen);
        QCOMPARE(env.controller.isPlaying(), playing);
        QVERIFY(env.controller.isVisible());
    }
};

QTEST_MAIN(TestDisplayOutput)
#include "tst_display_output.moc"
