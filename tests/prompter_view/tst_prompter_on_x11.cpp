// SPDX-License-Identifier: GPL-3.0-or-later
// The prompter view on a real X server, where frames go straight into the window's pixels: what
// the server shows after a run of frames must be what a full repaint of the view draws. The suite
// runs it at scale 1, 1.5 and 2 (QT_SCALE_FACTOR), where the server moves the text itself.
#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_view.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qm;

namespace {

struct Rig {
    Rig(QSize window, QRect viewGeometry, bool translucent, bool mirror)
        : store(dir.path())
        , voice(std::make_unique<qm::testing::FakeAudioInput>(
                    platform::MicrophonePermission::Granted),
              [this] { return now; })
        , controller(store, voice, [this] { return now; })
    {
        Settings settings = store.settings();
        settings.countdown = false;
        settings.mirror = mirror;
        settings.speed = 90;
        store.setSettings(settings);
        host.setWindowFlag(Qt::FramelessWindowHint);
        if (translucent)
            host.setAttribute(Qt::WA_TranslucentBackground);
        host.setGeometry(QRect(QPoint(60, 60), window));
        controller.show();
        view = new PrompterView(controller, &host);
        view->setClock([this] { return now; });
        view->setGeometry(viewGeometry);
        host.show();
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
    Store store;
    VoiceMonitor voice;
    PrompterController controller;
    QWidget host;
    PrompterView *view = nullptr;
};

// Largest difference of a colour channel between what the server shows and a full repaint,
// over the view's pixels that the repaint draws opaque, but for those `hidden` by another window.
int largestDifference(const QImage &shown, const QImage &painted, QPoint at, QRect hidden = {})
{
    int worst = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb want = painted.pixel(x, y);
            if (qAlpha(want) != 255 || hidden.contains(x + at.x(), y + at.y()))
                continue;
            const QRgb got = shown.pixel(x + at.x(), y + at.y());
            worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
        }
    }
    return worst;
}

} // namespace

class TestPrompterOnX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        fonts::install();
    }

    void framesShowWhatARepaintDraws_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("view");
        QTest::addColumn<bool>("translucent");
        QTest::addColumn<bool>("mirror");
        QTest::newRow("notch, translucent")
            << QSize(380, 152) << QRect(0, 0, 380, 152) << true << false;
        QTest::newRow("floating, opaque, mirrored")
            << QSize(620, 300) << QRect(0, 0, 620, 300) << false << true;
        // The view away from the window's corner: its pixels must land where it lies.
        QTest::newRow("view inside a larger window")
            << QSize(700, 360) << QRect(24, 40, 600, 280) << true << false;
    }

    void framesShowWhatARepaintDraws()
    {
        QFETCH(QSize, window);
        QFETCH(QRect, view);
        QFETCH(bool, translucent);
        QFETCH(bool, mirror);
        Rig rig(window, view, translucent, mirror);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.host));
        // Opened and settled, with the toolkit's own repaints done.
        rig.frames(120);
        QTest::qWait(100);
        QVERIFY(rig.controller.isPlaying());

        const quint64 before = rig.view->presentedFrames();
        const quint64 movedBefore = rig.view->movedFrames();
        const double from = rig.controller.scroll().offset();
        // Nothing runs the event loop from here on: only the frames themselves reach the server.
        rig.frames(45);
        QVERIFY2(rig.view->presentedFrames() >= before + 45,
            qPrintable(QString::number(rig.view->presentedFrames() - before)));
        QVERIFY(rig.controller.scroll().offset() > from + 30);
        // Most frames move the text by whole device pixels inside the server.
        if (qEnvironmentVariableIntValue("QUILLMERE_PLAIN_FRAMES") != 1)
            QVERIFY2(rig.view->movedFrames() >= movedBefore + 30,
                qPrintable(QString::number(rig.view->movedFrames() - movedBefore)));

        const QImage shown = rig.host.screen()
                                 ->grabWindow(rig.host.winId())
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        const double dpr = rig.host.devicePixelRatioF();
        QCOMPARE(shown.size(), (QSizeF(window) * dpr).toSize());
        const QImage painted = rig.view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(painted.size(), (QSizeF(view.size()) * dpr).toSize());
        const int worst
            = largestDifference(shown, painted, (QPointF(view.topLeft()) * dpr).toPoint());
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("differs by %1").arg(worst)));
    }

    // A window over part of the panel: while the text scrolls, the server has nothing to move
    // from under it; once it goes, the toolkit shows the uncovered part from the window's
    // image, which frames moved on the server leave behind. Both must end up as a repaint
    // draws.
    void coveredPanelShowsWhatARepaintDraws()
    {
        // Opaque: a translucent window keeps its own pixels on the server, which nothing covers.
        Rig rig(QSize(620, 300), QRect(0, 0, 620, 300), false, false);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.host));
        rig.frames(120);
        QRect hidden;
        auto difference = [&] {
            const QImage shown = rig.host.screen()
                                     ->grabWindow(rig.host.winId())
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            const QImage painted
                = rig.view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            return largestDifference(shown, painted, QPoint(0, 0), hidden);
        };
        // The server has shown the frames before anything covers them.
        QTRY_VERIFY2(difference() <= 2, qPrintable(QString::number(difference())));
        QWidget cover;
        // Past the window manager: exactly where it is asked to be, with no frame.
        cover.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        cover.setGeometry(rig.host.geometry().adjusted(40, 60, -40, -60));
        const bool moves = qEnvironmentVariableIntValue("QUILLMERE_PLAIN_FRAMES") != 1;

        // Frames under the cover, then uncovered.
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        const quint64 moved = rig.view->movedFrames();
        for (int i = 0; i < 40; ++i) {
            rig.frames(1);
            QCoreApplication::processEvents();
        }
        QVERIFY(!moves || rig.view->movedFrames() > moved);
        // Around the cover, nothing stays moved in from under it: the server's answer to a
        // copy comes a frame late, and then each frame paints what its copy left out.
        const double dpr = rig.host.devicePixelRatioF();
        hidden = QRect(
            QPointF(QPointF(40, 60) * dpr).toPoint(), QSizeF(QSizeF(540, 180) * dpr).toSize());
        QTRY_VERIFY([&] {
            rig.frames(1);
            return difference() <= 2;
        }());
        hidden = QRect();
        cover.hide();
        QTRY_VERIFY2(difference() <= 2, qPrintable(QString::number(difference())));

        // Frames in the open, then covered and uncovered with no frame between.
        rig.frames(40);
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        cover.hide();
        QTRY_VERIFY2(difference() <= 2, qPrintable(QString::number(difference())));
    }
};

QTEST_MAIN(TestPrompterOnX11)
#include "tst_prompter_on_x11.moc"
