// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_window/panel_frame.h"
#include "prompter_window/panel_input.h"

#include <QTest>

#include <optional>

using namespace qm;

using Frame = std::optional<QList<double>>;
Q_DECLARE_METATYPE(Settings)
Q_DECLARE_METATYPE(Qt::Edges)
Q_DECLARE_METATYPE(std::optional<QPointF>)

namespace {

const QRectF kLaptop(0, 0, 1512, 982);

Settings settingsFor(PrompterMode mode, Frame frame = std::nullopt)
{
    Settings s;
    s.mode = mode;
    s.floatingFrame = frame;
    return s;
}

} // namespace

class TestPanelFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Bottom-left origin, y up, as stored.
    void frame_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QRectF>("visible");
        QTest::addColumn<double>("inset");
        QTest::addColumn<QList<QRectF>>("screens");
        QTest::addColumn<QRectF>("expected");

        const QRectF visible(0, 0, 1512, 944);
        const QList<QRectF> one {kLaptop};
        const QRectF external(1512, 0, 1920, 1080);
        const QList<QRectF> two {kLaptop, external};
        const QRectF fallback(476, 644, 560, 240);

        const Settings notch = settingsFor(PrompterMode::Notch);
        QTest::newRow("notch under a housing")
            << notch << kLaptop << visible << 32.0 << one << QRectF(566, 800, 380, 182);
        QTest::newRow("notch without a housing")
            << notch << kLaptop << visible << 0.0 << one << QRectF(566, 832, 380, 150);
        QTest::newRow("notch ignores the visible frame")
            << notch << kLaptop << QRectF(100, 50, 800, 600) << 0.0 << one
            << QRectF(566, 832, 380, 150);
        Settings wide = notch;
        wide.notchWidth = 500;
        wide.notchHeight = 100;
        QTest::newRow("notch size from the settings")
            << wide << kLaptop << visible << 0.0 << one << QRectF(506, 882, 500, 100);
        QTest::newRow("notch on a second screen")
            << notch << external << external << 0.0 << two << QRectF(2282, 930, 380, 150);
        QTest::newRow("notch ignores a saved floating frame")
            << settingsFor(PrompterMode::Notch, QList<double> {10, 10, 600, 300}) << kLaptop
            << visible << 0.0 << one << QRectF(566, 832, 380, 150);

        auto floating = [](Frame f) { return settingsFor(PrompterMode::Floating, f); };
        QTest::newRow("floating default")
            << floating(std::nullopt) << kLaptop << visible << 0.0 << one << fallback;
        QTest::newRow("floating default ignores the inset")
            << floating(std::nullopt) << kLaptop << visible << 32.0 << one << fallback;
        QTest::newRow("floating default under a top bar")
            << floating(std::nullopt) << kLaptop << QRectF(0, 60, 1512, 894) << 0.0 << one
            << QRectF(476, 654, 560, 240);
        QTest::newRow("saved frame") << floating(QList<double> {100, 120, 600, 300}) << kLaptop
                                     << visible << 0.0 << one << QRectF(100, 120, 600, 300);
        QTest::newRow("saved frame smaller than the minimum is kept")
            << floating(QList<double> {100, 120, 100, 50}) << kLaptop << visible << 0.0 << one
            << QRectF(100, 120, 100, 50);
        QTest::newRow("three numbers") << floating(QList<double> {100, 120, 600}) << kLaptop
                                       << visible << 0.0 << one << fallback;
        QTest::newRow("five numbers") << floating(QList<double> {100, 120, 600, 300, 1}) << kLaptop
                                      << visible << 0.0 << one << fallback;
        QTest::newRow("empty list")
            << floating(QList<double> {}) << kLaptop << visible << 0.0 << one << fallback;
        QTest::newRow("misses every screen") << floating(QList<double> {4000, 100, 600, 300})
                                             << kLaptop << visible << 0.0 << two << fallback;
        QTest::newRow("below the screen") << floating(QList<double> {100, -400, 600, 300})
                                          << kLaptop << visible << 0.0 << one << fallback;
        QTest::newRow("on a disconnected screen") << floating(QList<double> {2000, 100, 600, 300})
                                                  << kLaptop << visible << 0.0 << one << fallback;
        QTest::newRow("on the second screen")
            << floating(QList<double> {2000, 100, 600, 300}) << kLaptop << visible << 0.0 << two
            << QRectF(2000, 100, 600, 300);
        QTest::newRow("overlaps by a sliver")
            << floating(QList<double> {1511, 100, 600, 300}) << kLaptop << visible << 0.0 << one
            << QRectF(1511, 100, 600, 300);
        QTest::newRow("overlaps only the top strip")
            << floating(QList<double> {100, 981.5, 600, 300}) << kLaptop << visible << 0.0 << one
            << QRectF(100, 981.5, 600, 300);
        QTest::newRow("touching the edge is not overlapping")
            << floating(QList<double> {1512, 100, 600, 300}) << kLaptop << visible << 0.0 << one
            << fallback;
        QTest::newRow("no size") << floating(QList<double> {100, 100, 0, 0}) << kLaptop << visible
                                 << 0.0 << one << fallback;
        QTest::newRow("negative size") << floating(QList<double> {700, 700, -300, -300}) << kLaptop
                                       << visible << 0.0 << one << fallback;
        QTest::newRow("absurdly large") << floating(QList<double> {-1e12, -1e12, 2e12, 2e12})
                                        << kLaptop << visible << 0.0 << one << fallback;
        QTest::newRow("not a number") << floating(QList<double> {qQNaN(), 100, 600, 300}) << kLaptop
                                      << visible << 0.0 << one << fallback;
    }
    void frame()
    {
        QFETCH(Settings, settings);
        QFETCH(QRectF, screen);
        QFETCH(QRectF, visible);
        QFETCH(double, inset);
        QFETCH(QList<QRectF>, screens);
        QFETCH(QRectF, expected);
        QCOMPARE(panelFrame(settings, PanelScreen {screen, visible, inset}, screens), expected);
    }

    // Qt's top-left origin, y down, as widgets are placed.
    void geometry_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QRectF>("available");
        QTest::addColumn<QList<QRectF>>("screens");
        QTest::addColumn<QRect>("expected");

        const QList<QRectF> one {kLaptop};
        const QRectF external(1512, 0, 1920, 1080);
        const QList<QRectF> two {kLaptop, external};

        const Settings notch = settingsFor(PrompterMode::Notch);
        QTest::newRow("notch at the top centre")
            << notch << kLaptop << kLaptop << one << QRect(566, 0, 380, 150);
        QTest::newRow("notch above a top bar")
            << notch << kLaptop << QRectF(0, 38, 1512, 944) << one << QRect(566, 0, 380, 150);
        QTest::newRow("notch on a taller second screen")
            << notch << external << external << two << QRect(2282, 0, 380, 150);
        Settings odd = notch;
        odd.notchWidth = 381;
        QTest::newRow("odd width stays whole and at the top")
            << odd << kLaptop << kLaptop << one << QRect(566, 0, 381, 150);
        Settings huge = notch;
        huge.notchWidth = 1e308;
        huge.notchHeight = -1e300;
        QTest::newRow("notch size held to the sliders")
            << huge << kLaptop << kLaptop << one << QRect(306, 0, 900, 70);
        Settings nan = notch;
        nan.notchWidth = qQNaN();
        nan.notchHeight = qQNaN();
        QTest::newRow("notch size not a number")
            << nan << kLaptop << kLaptop << one << QRect(566, 0, 380, 150);

        Settings belowBar = settingsFor(PrompterMode::Notch);
        belowBar.belowTopBar = true;
        QTest::newRow("notch below the top bar")
            << belowBar << kLaptop << QRectF(0, 38, 1512, 944) << one << QRect(566, 38, 380, 150);
        QTest::newRow("notch over the top bar by default")
            << settingsFor(PrompterMode::Notch) << kLaptop << QRectF(0, 38, 1512, 944) << one
            << QRect(566, 0, 380, 150);
        const Settings floating = settingsFor(PrompterMode::Floating);
        QTest::newRow("floating default")
            << floating << kLaptop << kLaptop << one << QRect(476, 60, 560, 240);
        QTest::newRow("floating default below a top bar")
            << floating << kLaptop << QRectF(0, 38, 1512, 944) << one << QRect(476, 98, 560, 240);
        QTest::newRow("saved frame flips to the top-left origin")
            << settingsFor(PrompterMode::Floating, QList<double> {100, 200, 600, 300}) << kLaptop
            << kLaptop << one << QRect(100, 482, 600, 300);
        QTest::newRow("saved frame on the second screen")
            << settingsFor(PrompterMode::Floating, QList<double> {2000, -50, 600, 300}) << kLaptop
            << kLaptop << two << QRect(2000, 732, 600, 300);
    }
    void geometry()
    {
        QFETCH(Settings, settings);
        QFETCH(QRectF, screen);
        QFETCH(QRectF, available);
        QFETCH(QList<QRectF>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(
            panelGeometry(settings, PanelScreen {screen, available, 0}, screens, 982), expected);
    }

    // A new floating panel on a 1512 × 950 work area under a 32-point bar; its default frame
    // is the top centre, (476, 92) 560 × 240.
    void keepsClear_data()
    {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<QRectF>("window");
        QTest::addColumn<std::optional<QPointF>>("pointer");
        QTest::addColumn<QPointF>("at");

        const QRectF work(0, 32, 1512, 950);
        const std::optional<QPointF> none;
        QTest::newRow("nothing in the way") << work << QRectF() << none << QPointF(476, 92);
        QTest::newRow("pointer elsewhere")
            << work << QRectF() << std::optional(QPointF(100, 900)) << QPointF(476, 92);
        QTest::newRow("pointer on the default frame")
            << work << QRectF() << std::optional(QPointF(700, 200)) << QPointF(24, 92);
        QTest::newRow("pointer near its edge")
            << work << QRectF() << std::optional(QPointF(470, 200)) << QPointF(928, 92);
        QTest::newRow("window on the left half")
            << work << QRectF(0, 32, 756, 950) << none << QPointF(928, 92);
        // Centred as a window manager places it: every place touches it; the least covered
        // one that leaves the pointer (on the Start button) clear.
        QTest::newRow("window in the middle, pointer below")
            << work << QRectF(256, 141, 1000, 700) << std::optional(QPointF(700, 800))
            << QPointF(24, 682);
        QTest::newRow("maximised window: the pointer decides")
            << work << work << std::optional(QPointF(756, 212)) << QPointF(24, 92);
        QTest::newRow("no place is clear: stays")
            << QRectF(0, 0, 600, 300) << QRectF() << std::optional(QPointF(300, 150))
            << QPointF(20, 60);
    }

    void keepsClear()
    {
        QFETCH(QRectF, area);
        QFETCH(QRectF, window);
        QFETCH(std::optional<QPointF>, pointer);
        QFETCH(QPointF, at);

        using namespace panel_frame;
        const QRectF fallback(area.center().x() - kFloatingWidth / 2, area.top() + kFloatingTopGap,
            kFloatingWidth, kFloatingHeight);
        const QRectF got = keptClear(fallback, area, KeepClear {window, pointer});
        QCOMPARE(got.topLeft(), at);
        QCOMPARE(got.size(), fallback.size());
    }

    void followsItsScreen_data()
    {
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QRectF>("before");
        QTest::addColumn<QRectF>("after");
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<QRectF>("expected");

        const QRectF screen(0, 0, 1000, 800);
        const QRectF panel(100, 100, 200, 100);
        QTest::newRow("nothing changed") << panel << screen << screen << screen << panel;
        QTest::newRow("wider: the same place in proportion")
            << panel << screen << QRectF(0, 0, 2000, 800) << QRectF(0, 0, 2000, 800)
            << QRectF(300, 100, 200, 100);
        QTest::newRow("smaller than the panel: shrunk to fit, within")
            << QRectF(700, 500, 600, 300) << screen << QRectF(0, 0, 500, 400)
            << QRectF(0, 0, 500, 400) << QRectF(0, 100, 500, 300);
        QTest::newRow("a bar appeared: moved out from under it") << QRectF(100, 0, 200,
            100) << screen << screen << QRectF(0, 32, 1000, 768) << QRectF(100, 32, 200, 100);
        QTest::newRow("rotated, second screen")
            << QRectF(1760, 440, 400, 200) << QRectF(1000, 0, 1920, 1080)
            << QRectF(1000, 0, 1080, 1920) << QRectF(1000, 0, 1080, 1920)
            << QRectF(1340, 860, 400, 200);
        QTest::newRow("frame before unknown: only brought within") << QRectF(
            900, 700, 200, 100) << QRectF() << screen << screen << QRectF(800, 700, 200, 100);
    }

    void followsItsScreen()
    {
        QFETCH(QRectF, frame);
        QFETCH(QRectF, before);
        QFETCH(QRectF, after);
        QFETCH(QRectF, area);
        QFETCH(QRectF, expected);
        QCOMPARE(followedFrame(frame, before, after, area), expected);
    }

    void storedFrameRoundTrips()
    {
        const QList<double> stored = storedFloatingFrame(QRect(100, 482, 600, 300), 982);
        QCOMPARE(stored, (QList<double> {100, 200, 600, 300}));
        const Settings s = settingsFor(PrompterMode::Floating, stored);
        QCOMPARE(panelGeometry(s, PanelScreen {kLaptop, kLaptop, 0}, {kLaptop}, 982),
            QRect(100, 482, 600, 300));
    }

    void wheel_data()
    {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<double>("fontSize");
        QTest::addColumn<double>("expected");

        QTest::newRow("two fingers up moves the text on")
            << QPoint(0, -30) << QPoint(0, -90) << 19.0 << 30.0;
        QTest::newRow("two fingers down moves it back")
            << QPoint(0, 12) << QPoint(0, 36) << 19.0 << -12.0;
        QTest::newRow("pixels win over angles") << QPoint(0, 5) << QPoint(0, 120) << 19.0 << -5.0;
        QTest::newRow("one notch up is one line back")
            << QPoint() << QPoint(0, 120) << 19.0 << -24.7;
        QTest::newRow("two notches down at 40") << QPoint() << QPoint(0, -240) << 40.0 << 104.0;
        QTest::newRow("half a notch") << QPoint() << QPoint(0, 60) << 20.0 << -13.0;
        QTest::newRow("sideways only") << QPoint() << QPoint(120, 0) << 19.0 << 0.0;
        QTest::newRow("sideways pixels only") << QPoint(8, 0) << QPoint(24, 0) << 19.0 << 0.0;
    }
    void wheel()
    {
        QFETCH(QPoint, pixel);
        QFETCH(QPoint, angle);
        QFETCH(double, fontSize);
        QFETCH(double, expected);
        QVERIFY2(qAbs(wheelScroll(pixel, angle, fontSize) - expected) < 1e-9,
            qPrintable(QString::number(wheelScroll(pixel, angle, fontSize))));
    }

    void edges_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<Qt::Edges>("expected");

        QTest::newRow("interior") << QPoint(280, 120) << Qt::Edges();
        QTest::newRow("just inside the band") << QPoint(6, 6) << Qt::Edges();
        QTest::newRow("just inside the far band") << QPoint(553, 233) << Qt::Edges();
        QTest::newRow("left") << QPoint(0, 100) << Qt::Edges(Qt::LeftEdge);
        QTest::newRow("right") << QPoint(554, 100) << Qt::Edges(Qt::RightEdge);
        QTest::newRow("top") << QPoint(100, 5) << Qt::Edges(Qt::TopEdge);
        QTest::newRow("bottom") << QPoint(100, 239) << Qt::Edges(Qt::BottomEdge);
        QTest::newRow("top left") << QPoint(2, 2) << (Qt::LeftEdge | Qt::TopEdge);
        QTest::newRow("bottom right") << QPoint(558, 238) << (Qt::RightEdge | Qt::BottomEdge);
    }
    void edges()
    {
        QFETCH(QPoint, pos);
        QFETCH(Qt::Edges, expected);
        QCOMPARE(resizeEdges(QSize(560, 240), pos), expected);
    }

    void resized_data()
    {
        QTest::addColumn<Qt::Edges>("edges");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("expected");

        QTest::newRow("right wider")
            << Qt::Edges(Qt::RightEdge) << QPoint(50, 30) << QRect(100, 100, 610, 240);
        QTest::newRow("left narrower stops at the minimum")
            << Qt::Edges(Qt::LeftEdge) << QPoint(400, 0) << QRect(400, 100, 260, 240);
        QTest::newRow("top taller")
            << Qt::Edges(Qt::TopEdge) << QPoint(0, -30) << QRect(100, 70, 560, 270);
        QTest::newRow("bottom shorter stops at the minimum")
            << Qt::Edges(Qt::BottomEdge) << QPoint(0, -200) << QRect(100, 100, 560, 120);
        QTest::newRow("corner") << (Qt::RightEdge | Qt::BottomEdge) << QPoint(-10, 20)
                                << QRect(100, 100, 550, 260);
    }
    void resized()
    {
        QFETCH(Qt::Edges, edges);
        QFETCH(QPoint, delta);
        QFETCH(QRect, expected);
        QCOMPARE(
            resizedGeometry(QRect(100, 100, 560, 240), edges, delta, QSize(260, 120)), expected);
    }
};

QTEST_APPLESS_MAIN(TestPanelFrame)
#include "tst_panel_frame.moc"
