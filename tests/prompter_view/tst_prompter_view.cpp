// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_view.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <memory>

using namespace qm;

Q_DECLARE_METATYPE(ControlAction)

namespace {

using FakeInput = qm::testing::FakeAudioInput;

// A store, a controller on a hand-driven clock and a view at a given size, shown offscreen.
struct Rig {
    explicit Rig(QSize size = QSize(380, 150), bool countdown = false,
        platform::MicrophonePermission mic = platform::MicrophonePermission::Granted)
        : store(dir.path())
        , voice(std::make_unique<FakeInput>(mic), [this] { return now; })
        , controller(store, voice, [this] { return now; })
    {
        Settings settings = store.settings();
        settings.countdown = countdown;
        store.setSettings(settings);
        controller.show();
        view = std::make_unique<PrompterView>(controller);
        view->setClock([this] { return now; });
        view->resize(size);
        view->show();
        settle();
    }

    // Frames until every animation has come to rest.
    void settle(double seconds = 2)
    {
        for (int i = 0; i < int(seconds * 60); ++i)
            frame();
    }
    void frame()
    {
        now += 1.0 / 60;
        controller.tick();
    }
    void setSettings(const std::function<void(Settings &)> &change)
    {
        Settings settings = store.settings();
        change(settings);
        store.setSettings(settings);
    }
    QImage grab() { return view->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

    QTemporaryDir dir;
    double now = 100;
    Store store;
    VoiceMonitor voice;
    PrompterController controller;
    std::unique_ptr<PrompterView> view;
};

const ControlItem *itemFor(const ControlsBar &bar, ControlAction action)
{
    for (const ControlItem &item : bar.items) {
        if (item.action == action)
            return &item;
    }
    return nullptr;
}

int maxGreen(const QImage &image, const QRect &area)
{
    int best = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, qGreen(image.pixel(x, y)));
    return best;
}

} // namespace

class TestPrompterView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void measurementsFollowTheLayout()
    {
        Rig rig;
        const ColumnLayout *layout = rig.view->columnLayout();
        QVERIFY(layout);
        QCOMPARE(rig.controller.contentHeight(), layout->contentHeight);
        QCOMPARE(rig.controller.viewportHeight(), 150.0 - 4 - 10);
        // The welcome script: four cue sections, each reported at the top of its row.
        QCOMPARE(rig.controller.cueOffsets().size(), 4);
        QCOMPARE(rig.controller.cueOffsets().value(0), 8.0);
        for (const ColumnRow &row : layout->rows)
            QCOMPARE(rig.controller.cueOffsets().value(row.id), row.y);
        QCOMPARE(layout->width, 380.0 - 40);
    }

    void framesDoNotReportAgain()
    {
        Rig rig;
        rig.controller.setContentHeight(-1);
        rig.controller.setViewportHeight(-1);
        rig.controller.setCueOffsets({{99, -1.0}});
        // Sixty frames of playing and a redraw: nothing is measured again. (The engine reads the
        // sentinel height as "nothing to scroll" and stops, which is fine here.)
        rig.settle(1);
        rig.view->grab();
        QCOMPARE(rig.controller.contentHeight(), -1.0);
        QCOMPARE(rig.controller.viewportHeight(), -1.0);
        QCOMPARE(rig.controller.cueOffsets().size(), 1);
        // A change of height alone moves the viewport, not the column.
        rig.view->resize(380, 200);
        QCOMPARE(rig.controller.viewportHeight(), 200.0 - 14);
        QCOMPARE(rig.controller.contentHeight(), -1.0);
    }

    void layoutChangesReport_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("font size") << 0;
        QTest::newRow("width") << 1;
        QTest::newRow("text") << 2;
        QTest::newRow("top inset") << 3;
    }

    void layoutChangesReport()
    {
        QFETCH(int, change);
        Rig rig;
        const double before = rig.controller.contentHeight();
        rig.controller.setContentHeight(-1);
        rig.controller.setViewportHeight(-1);
        switch (change) {
        case 0:
            rig.setSettings([](Settings &s) { s.fontSize = 30; });
            QVERIFY(rig.controller.contentHeight() > before);
            break;
        case 1:
            rig.view->resize(700, 150);
            QVERIFY(rig.controller.contentHeight() > 0);
            QVERIFY(rig.controller.contentHeight() < before);
            QCOMPARE(rig.controller.viewportHeight(), -1.0); // its height did not change
            break;
        case 2:
            rig.store.setScriptText(*rig.store.selectedID(), QStringLiteral("# Only\nLine"));
            QCOMPARE(rig.controller.cueOffsets().size(), 1);
            QVERIFY(rig.controller.contentHeight() > 0);
            QVERIFY(rig.controller.contentHeight() < before);
            break;
        case 3:
            rig.controller.setTopInset(32);
            QCOMPARE(rig.controller.viewportHeight(), 150.0 - 36 - 10);
            QCOMPARE(rig.controller.contentHeight(), -1.0); // the column did not change
            break;
        }
    }

    // A long script shows as soon as the part in view is laid out; the rest follows between
    // frames, and scrolling beyond what is laid out lays out that part first.
    void longScriptsAreLaidOutAheadOfTheView()
    {
        Rig rig(QSize(560, 240));
        QString text;
        for (int i = 0; i < 3000; ++i) {
            if (i % 8 == 0)
                text += QStringLiteral("# Part %1\n").arg(i / 8);
            text += QStringLiteral("Paragraph %1 says a few things about the camera, the light "
                                   "and the people on the other side of the lens.\n")
                        .arg(i);
        }
        rig.store.setScriptText(*rig.store.selectedID(), text);
        const ColumnLayout *layout = rig.view->columnLayout();
        QVERIFY(!layout->complete);
        const double viewport = rig.view->readingArea().height();
        QVERIFY(layout->exactUntil >= 2 * viewport);
        QCOMPARE(rig.controller.contentHeight(), layout->contentHeight);
        QCOMPARE(rig.controller.cueOffsets().size(), 375);

        // Far down, before the layout got there.
        rig.controller.scroll().setOffset(0.6 * layout->contentHeight);
        layout = rig.view->columnLayout();
        QVERIFY(layout->exactUntil >= rig.controller.scroll().offset() + viewport);
        const QImage image = rig.grab();
        QVERIFY(maxGreen(image, rig.view->readingArea().toAlignedRect()) > 200);

        QTRY_VERIFY_WITH_TIMEOUT(rig.view->columnLayout()->complete, 20000);
        layout = rig.view->columnLayout();
        QVERIFY(layout->end);
        QCOMPARE(rig.controller.contentHeight(), layout->contentHeight);
        QCOMPARE(rig.controller.cueOffsets(), layout->cueOffsets);
        const ColumnLayout whole = layoutColumn(
            rig.controller.sections(), rig.view->readingArea().width(), layout->fontSize);
        QCOMPARE(layout->contentHeight, whole.contentHeight);
    }

    void emptyScriptReportsTheMessage()
    {
        Rig rig;
        rig.store.setScriptText(*rig.store.selectedID(), QStringLiteral("  \n\n"));
        QVERIFY(rig.controller.sections().isEmpty());
        QVERIFY(rig.controller.cueOffsets().isEmpty());
        const ColumnLayout *layout = rig.view->columnLayout();
        QVERIFY(layout->empty);
        QCOMPARE(rig.controller.contentHeight(), layout->contentHeight);
        QVERIFY(layout->contentHeight > 8);
    }

    void buttonsDriveTheController_data()
    {
        QTest::addColumn<ControlAction>("action");
        QTest::newRow("restart") << ControlAction::Restart;
        QTest::newRow("previous cue") << ControlAction::PreviousCue;
        QTest::newRow("play/pause") << ControlAction::PlayPause;
        QTest::newRow("next cue") << ControlAction::NextCue;
        QTest::newRow("slower") << ControlAction::Slower;
        QTest::newRow("faster") << ControlAction::Faster;
        QTest::newRow("close") << ControlAction::Close;
    }

    void buttonsDriveTheController()
    {
        QFETCH(ControlAction, action);
        Rig rig(QSize(380, 150));
        rig.controller.scrollBy(100);
        QVERIFY(rig.controller.scroll().offset() > 50);
        rig.controller.setHovering(true);
        rig.settle(0.5);
        QVERIFY(rig.controller.isPlaying());
        const double offset = rig.controller.scroll().offset();
        const ControlItem *item = itemFor(rig.view->controlsBar(), action);
        QVERIFY(item);
        QTest::mouseClick(rig.view.get(), Qt::LeftButton, {}, item->rect.center().toPoint());

        const auto cue = [&](qint64 id) {
            return std::min(rig.controller.cueOffsets().value(id) - 6, rig.controller.maxOffset());
        };
        switch (action) {
        case ControlAction::Restart:
            QCOMPARE(rig.controller.target(), std::optional(0.0));
            break;
        case ControlAction::PreviousCue:
            QVERIFY(rig.controller.target());
            QVERIFY(*rig.controller.target() < offset - 2);
            break;
        case ControlAction::PlayPause:
            QVERIFY(!rig.controller.isPlaying());
            break;
        case ControlAction::NextCue:
            QVERIFY(rig.controller.target());
            QVERIFY(*rig.controller.target() > offset + 2);
            QVERIFY(*rig.controller.target() == cue(1) || *rig.controller.target() == cue(2)
                || *rig.controller.target() == cue(3));
            break;
        case ControlAction::Slower:
            QCOMPARE(rig.store.settings().speed, 32.0);
            break;
        case ControlAction::Faster:
            QCOMPARE(rig.store.settings().speed, 40.0);
            break;
        case ControlAction::Close:
            QTRY_VERIFY(!rig.controller.isVisible());
            break;
        }
    }

    void buttonsNeedTheBar()
    {
        Rig rig;
        const ControlItem *faster = itemFor(rig.view->controlsBar(), ControlAction::Faster);
        QTest::mouseClick(rig.view.get(), Qt::LeftButton, {}, faster->rect.center().toPoint());
        QCOMPARE(rig.store.settings().speed, 36.0);
        // Pressing off a button and releasing on one does nothing either.
        rig.controller.setHovering(true);
        QTest::mousePress(rig.view.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, {}, faster->rect.center().toPoint());
        QCOMPARE(rig.store.settings().speed, 36.0);
    }

    void tooltipsOnTheBar()
    {
        Rig rig;
        rig.controller.setHovering(true);
        rig.settle(0.5);
        const ControlItem *play = itemFor(rig.view->controlsBar(), ControlAction::PlayPause);
        const QPoint at = play->rect.center().toPoint();
        QHelpEvent help(QEvent::ToolTip, at, rig.view->mapToGlobal(at));
        QApplication::sendEvent(rig.view.get(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Pause (Ctrl+Alt+Space)"));

        rig.controller.playPause();
        QHelpEvent again(QEvent::ToolTip, at, rig.view->mapToGlobal(at));
        QApplication::sendEvent(rig.view.get(), &again);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("Play (Ctrl+Alt+Space)"));
        QToolTip::hideText();
    }

    void glowLiveOnlyWhileMoving()
    {
        Rig rig(QSize(380, 150), true);
        QVERIFY(rig.controller.countdown());
        QVERIFY(!rig.view->glowLive());
        rig.controller.playPause(); // skips the countdown
        QVERIFY(rig.view->glowLive());
        rig.settle(2);
        QVERIFY(rig.view->glowIntensity() > 0.15);
        rig.controller.setHovering(true);
        QVERIFY(!rig.view->glowLive());
        rig.setSettings([](Settings &s) { s.pauseOnHover = false; });
        QVERIFY(rig.view->glowLive());
        rig.controller.playPause();
        QVERIFY(!rig.view->glowLive());
        const double before = rig.view->glowIntensity();
        rig.frame();
        QVERIFY(qAbs(rig.view->glowIntensity() - before * 0.94) < 1e-9);
    }

    // Notch panels hang from the top edge: square on top, rounded below. Floating ones are
    // rounded all round.
    void panelCorners()
    {
        Rig notch;
        QImage image = notch.grab();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 255);
        QCOMPARE(qAlpha(image.pixel(379, 0)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 149)), 0);
        QCOMPARE(qAlpha(image.pixel(379, 149)), 0);
        QCOMPARE(qAlpha(image.pixel(3, 146)), 0);
        QCOMPARE(qAlpha(image.pixel(190, 60)), 255); // inside
        // The glow is bright along the bottom edge, yet trimmed off outside the round corners.
        const QRgb glow = image.pixel(190, 140);
        QVERIFY(std::max({qRed(glow), qGreen(glow), qBlue(glow)}) > 60);

        Rig floating(QSize(560, 240));
        floating.setSettings([](Settings &s) { s.mode = PrompterMode::Floating; });
        floating.settle(0.1);
        image = floating.grab();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(559, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(0, 239)), 0);
        // The 1-point border at 12 % white lifts the edge above pure black.
        const QRgb edge = image.pixel(280, 0);
        QVERIFY(qRed(edge) > 20 && qRed(edge) < 45);
    }

    void mirrorFlipsOnlyTheText()
    {
        Rig rig;
        rig.controller.playPause(); // hold the text still
        rig.settle(0.5);
        const QImage plain = rig.grab();
        rig.setSettings([](Settings &s) { s.mirror = true; });
        const QImage mirrored = rig.grab();
        // The reading area's full width (x 20…359), between the status dot's glow and the
        // glow strip along the bottom.
        const QRect area(20, 30, 340, 56);
        const QImage a = plain.copy(area);
        const QImage b = mirrored.copy(area);
        QVERIFY(maxGreen(a, a.rect()) > 200);
        QVERIFY(a != b);
        QCOMPARE(b, a.mirrored(true, false));
        // The status dot keeps its place at the top right.
        const QRect status(360, 0, 20, 24); // right of the reading area
        QVERIFY(maxGreen(plain, status) > 50);
        QCOMPARE(mirrored.copy(status), plain.copy(status));
    }

    // Rendered into an image of the window's format, the settled text is written straight into
    // its pixels; into any other format, it is copied in by the painter. Both must give the same
    // picture, at any device pixel ratio, wherever the view sits in its window, and a partial
    // repaint must stay inside its region.
    // The suite runs this at QT_SCALE_FACTOR 1.25, 1.5 and 2 as well.
    void textWrittenInPlaceMatchesTextDrawn_data()
    {
        QTest::addColumn<bool>("whole");
        QTest::newRow("between device pixels") << false;
        // As when the display server moves the text.
        QTest::newRow("on a whole device pixel") << true;
    }

    void textWrittenInPlaceMatchesTextDrawn()
    {
        QFETCH(bool, whole);
        QWidget window; // outlives the view, which the rig deletes
        Rig rig(QSize(380, 150));
        window.resize(440, 200);
        rig.view->setParent(&window);
        // On whole device pixels at every ratio of the table.
        rig.view->move(36, 20);
        rig.view->resize(380, 150);
        window.show();
        rig.controller.playPause(); // hold the text still
        rig.settle(0.5);
        const double dpr = rig.view->devicePixelRatioF();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QCOMPARE(dpr, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        rig.controller.scroll().setOffset(whole ? std::round(13.37 * dpr) / dpr : 13.37);

        const QSize pixels = (QSizeF(window.size()) * dpr).toSize();
        auto render = [&](QImage::Format format, QColor fill, QRegion region = {}) {
            QImage image(pixels, format);
            image.setDevicePixelRatio(dpr);
            image.fill(fill);
            window.render(
                &image, region.isEmpty() ? QPoint() : region.boundingRect().topLeft(), region);
            return image;
        };
        // A format the text cannot be written into takes the painter's way.
        const quint64 before = rig.view->textWrittenInPlace();
        const QImage drawn
            = render(QImage::Format_RGB888, Qt::white).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(rig.view->textWrittenInPlace(), before);
        const QImage written = render(QImage::Format_ARGB32_Premultiplied, Qt::transparent)
                                   .convertToFormat(QImage::Format_ARGB32);
        QVERIFY(rig.view->textWrittenInPlace() > before);
        const QRectF areaPt = rig.view->readingArea().translated(36, 20);
        const QRect area(QPointF(areaPt.topLeft() * dpr).toPoint(),
            QPointF(areaPt.bottomRight() * dpr).toPoint() - QPoint(1, 1));
        QVERIFY(maxGreen(drawn, area) > 200);
        // Within the reading area: the panel's trimmed corners differ by design between an
        // opaque pixmap and a translucent image.
        int worst = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb a = drawn.pixel(x, y), b = written.pixel(x, y);
                worst = std::max({worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)),
                    qAbs(qBlue(a) - qBlue(b)), qAbs(qAlpha(a) - qAlpha(b))});
            }
        }
        QVERIFY2(worst == 0, qPrintable(QString::number(worst)));

        const QRgb marker = qRgba(0, 0, 255, 255);
        // Whole device pixels at every ratio of the table, inside the reading area.
        const QRect region(100, 48, 100, 32);
        QVERIFY(areaPt.contains(QRectF(region)));
        const QImage part
            = render(QImage::Format_ARGB32_Premultiplied, QColor::fromRgba(marker), QRegion(region))
                  .convertToFormat(QImage::Format_ARGB32);
        const QRect inPixels(region.topLeft() * dpr, region.size() * dpr);
        for (int y = 0; y < part.height(); ++y) {
            for (int x = 0; x < part.width(); ++x) {
                if (!inPixels.contains(QPoint(x, y)) && part.pixel(x, y) != marker)
                    QFAIL(qPrintable(QStringLiteral("painted outside at %1, %2").arg(x).arg(y)));
            }
        }
        QCOMPARE(part.copy(inPixels), written.copy(inPixels));
    }

    // Once everything but the text is at rest — after a countdown too — a frame repaints the
    // rows the text moves through and, when its waves move, the glow's strip, not the whole
    // view; a change of look repaints it all.
    void restingFramesRepaintOnlyWhatMoves()
    {
        struct Paints : QObject {
            QList<QRegion> regions;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    regions.append(static_cast<QPaintEvent *>(event)->region());
                return false;
            }
        } paints;
        Rig rig(QSize(380, 150), true);
        QVERIFY(rig.controller.countdown());
        rig.settle(0.5);
        rig.controller.playPause(); // skips the rest of the countdown and plays
        QVERIFY(!rig.controller.countdown());
        QVERIFY(rig.controller.isPlaying());
        rig.settle(1.5);
        QCoreApplication::processEvents();
        rig.view->installEventFilter(&paints);
        for (int i = 0; i < 8; ++i) {
            rig.frame();
            QCoreApplication::processEvents();
        }
        QCOMPARE(paints.regions.size(), 8);
        const QRect whole = rig.view->rect();
        // The glow's waves move at about 30 Hz: its strip comes at least every other frame.
        int withGlow = 0, withoutInARow = 0;
        for (const QRegion &region : paints.regions) {
            QVERIFY(region != QRegion(whole));
            QVERIFY(region.intersects(rig.view->readingArea().toAlignedRect()));
            if (region.contains(QPoint(190, 130))) {
                ++withGlow;
                withoutInARow = 0;
            } else {
                QVERIFY(++withoutInARow < 2);
            }
        }
        QVERIFY(withGlow >= 4);
        paints.regions.clear();
        rig.controller.setHovering(true);
        rig.frame();
        QCoreApplication::processEvents();
        QVERIFY(!paints.regions.isEmpty());
        QCOMPARE(paints.regions.last().boundingRect(), whole);
        rig.view->removeEventFilter(&paints);
    }

    void countdownDimsTheScript()
    {
        Rig rig(QSize(380, 150), true);
        QVERIFY(rig.controller.countdown());
        rig.controller.setHovering(true); // keeps the glow idle in both pictures
        rig.settle(0.7);
        // Left of the number, where only body text is drawn.
        const QRect left(20, 40, 90, 40);
        const int dimmed = maxGreen(rig.grab(), left);
        rig.controller.playPause();
        rig.settle(1);
        const int full = maxGreen(rig.grab(), left);
        QVERIFY2(full > 200, qPrintable(QString::number(full)));
        QVERIFY2(dimmed < 0.25 * full, qPrintable(QString::number(dimmed)));
        QVERIFY(dimmed > 0.1 * full);
    }

    void controlsBarAppearsWhileHovered()
    {
        Rig rig;
        const ControlsBar &bar = rig.view->controlsBar();
        const QPoint inside(qRound(bar.capsule.left() + 5), qRound(bar.capsule.center().y()));
        const QRgb before = rig.grab().pixel(inside);
        rig.controller.setHovering(true);
        rig.settle(0.5);
        const QRgb after = rig.grab().pixel(inside);
        // The capsule's fill: a grey of level 0.13.
        QVERIFY2(qAbs(qGreen(after) - 33) <= 4, qPrintable(QString::number(qGreen(after))));
        QVERIFY(before != after);
    }

    void opensFromTheTop()
    {
        Rig rig;
        PrompterView fresh(rig.controller);
        fresh.setClock([&rig] { return rig.now; });
        fresh.resize(380, 150);
        fresh.show();
        // Until its first frame the panel draws nothing; then it grows from its top centre.
        QImage first = fresh.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(first.pixel(190, 5)), 0);
        for (int i = 0; i < 6; ++i)
            rig.frame();
        const QImage early = fresh.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY(qAlpha(early.pixel(190, 5)) > 0);
        QCOMPARE(qAlpha(early.pixel(190, 145)), 0); // not yet grown to the bottom
        QCOMPARE(qAlpha(early.pixel(2, 5)), 0); // nor to the sides
        rig.settle(1.5);
        const QImage open = fresh.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(open.pixel(190, 145)), 255);
        QCOMPARE(qAlpha(open.pixel(2, 5)), 255);
    }

    // Once what a state shows has come to rest, no further frame is asked for; anything that
    // still moves keeps them coming.
    void framesStopOnceSettled_data()
    {
        using State = std::function<void(Rig &)>;
        QTest::addColumn<State>("state");
        QTest::addColumn<bool>("draws");
        QTest::newRow("playing: the text and the glow move") << State([](Rig &) {}) << true;
        QTest::newRow("paused: the glow sinks, then rests")
            << State([](Rig &rig) { rig.controller.playPause(); }) << false;
        QTest::newRow("hovered: the controls fade in, then rest")
            << State([](Rig &rig) { rig.controller.setHovering(true); }) << false;
        QTest::newRow("voice mode in silence") << State([](Rig &rig) {
            rig.setSettings([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        }) << false;
        QTest::newRow("at the end")
            << State([](Rig &rig) { rig.controller.scrollBy(1e6); }) << false;
    }

    void framesStopOnceSettled()
    {
        using State = std::function<void(Rig &)>;
        QFETCH(State, state);
        QFETCH(bool, draws);
        Rig rig;
        QVERIFY(rig.controller.frameTimerActive());
        state(rig);
        // Straight after the change, its animation asks for frames.
        rig.frame();
        QVERIFY(rig.controller.frameTimerActive());
        rig.settle(3);
        QCOMPARE(rig.controller.frameTimerActive(), draws);
        QCOMPARE(rig.view->animating(), draws);
        if (draws)
            return;
        // At rest, a frame drawn anyway would show the same glow.
        const QImage before = rig.grab();
        rig.frame();
        QCOMPARE(rig.grab(), before);
    }
};

QTEST_MAIN(TestPrompterView)
#include "tst_prompter_view.moc"
