// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/prompter_controls.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/symbols.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace qm;

Q_DECLARE_METATYPE(StatusIndicator::Mic)
Q_DECLARE_METATYPE(StatusInput)

namespace {

using Kind = ControlItem::Kind;

QList<Kind> kinds(const ControlsBar &bar)
{
    QList<Kind> out;
    for (const ControlItem &item : bar.items)
        out.append(item.kind);
    return out;
}

} // namespace

class TestPrompterControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void clock_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds down") << 75.4 << QStringLiteral("1:15");
        QTest::newRow("half rounds up") << 59.5 << QStringLiteral("1:00");
        QTest::newRow("no hours") << 3600.0 << QStringLiteral("60:00");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0:00");
        QTest::newRow("padded seconds") << 65.0 << QStringLiteral("1:05");
        QTest::newRow("just under half") << 0.49 << QStringLiteral("0:00");
        QTest::newRow("negative shows nothing left") << -3.0 << QStringLiteral("0:00");
        QTest::newRow("not a number") << qQNaN() << QStringLiteral("0:00");
    }

    void clock()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(clockText(seconds), text);
    }

    void speed_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("text");
        QTest::newRow("truncated") << 52.9 << QStringLiteral("52");
        QTest::newRow("whole") << 36.0 << QStringLiteral("36");
        QTest::newRow("just below") << 199.99 << QStringLiteral("199");
    }

    void speed()
    {
        QFETCH(double, speed);
        QFETCH(QString, text);
        QCOMPARE(speedText(speed), text);
    }

    void status_data()
    {
        QTest::addColumn<StatusInput>("in");
        QTest::addColumn<StatusIndicator::Mic>("mic");
        QTest::addColumn<QColor>("micColor");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<QColor>("dot");
        QTest::addColumn<bool>("glow");

        const QColor tally = palette::tally();
        const QColor grey = palette::white(30);
        using Mic = StatusIndicator::Mic;

        StatusInput in;
        in.isPlaying = true;
        QTest::newRow("playing auto, not hovered")
            << in << Mic::None << QColor() << false << tally << true;

        in.voiceMode = true;
        in.denied = true;
        QTest::newRow("voice denied, no speech")
            << in << Mic::Off << palette::white(35) << true << grey << false;

        in.denied = false;
        in.speaking = true;
        QTest::newRow("voice speaking") << in << Mic::On << tally << false << tally << true;

        in = StatusInput {};
        in.isPlaying = true;
        in.hovering = true;
        QTest::newRow("paused by hover") << in << Mic::None << QColor() << true << grey << false;

        in.pauseOnHover = false;
        QTest::newRow("hover without hover pause")
            << in << Mic::None << QColor() << false << tally << true;

        in = StatusInput {};
        QTest::newRow("paused in the middle")
            << in << Mic::None << QColor() << true << grey << false;

        in.countingDown = true;
        QTest::newRow("counting down") << in << Mic::None << QColor() << false << grey << false;

        in.countingDown = false;
        in.atEnd = true;
        QTest::newRow("at the end") << in << Mic::None << QColor() << false << grey << false;

        in = StatusInput {};
        in.isPlaying = true;
        in.sourceLost = true;
        QTest::newRow("leader lost while playing")
            << in << Mic::None << QColor() << true << palette::tallySoft() << false;
    }

    void status()
    {
        QFETCH(StatusInput, in);
        QFETCH(StatusIndicator::Mic, mic);
        QFETCH(QColor, micColor);
        QFETCH(bool, pause);
        QFETCH(QColor, dot);
        QFETCH(bool, glow);
        const StatusIndicator s = statusIndicator(in);
        QCOMPARE(s.mic, mic);
        if (mic != StatusIndicator::Mic::None)
            QCOMPARE(s.micColor, micColor);
        QCOMPARE(s.pause, pause);
        QCOMPARE(s.dot, dot);
        QCOMPARE(s.dotGlow, glow);
    }

    // The status dot is copied from an image drawn once; wherever it falls within a pixel it
    // must look as the dot drawn in place does (which a painter under a shear still does).
    void statusDotMatchesOneDrawnInPlace_data()
    {
        QTest::addColumn<QPointF>("shift");
        QTest::newRow("whole pixels") << QPointF(0, 0);
        QTest::newRow("a third across") << QPointF(0.33, 0);
        QTest::newRow("most of a pixel both ways") << QPointF(0.8, 0.6);
        QTest::newRow("half down") << QPointF(0, 0.5);
    }

    void statusDotMatchesOneDrawnInPlace()
    {
        QFETCH(QPointF, shift);
        StatusIndicator status;
        status.dot = palette::tally();
        auto paint = [&](const QTransform &transform) {
            QImage image(120, 40, QImage::Format_ARGB32_Premultiplied);
            image.fill(QColor(20, 30, 40));
            ControlsPainter painter;
            QPainter p(&image);
            p.setTransform(transform);
            painter.paintStatus(p, status, 100, 0);
            p.end();
            return image;
        };
        const QImage copied = paint(QTransform::fromTranslate(shift.x(), shift.y()));
        const QImage drawn = paint(QTransform(1, 1e-9, 0, 1, shift.x(), shift.y()));
        int worst = 0;
        int changed = 0;
        for (int y = 0; y < copied.height(); ++y) {
            for (int x = 0; x < copied.width(); ++x) {
                const QRgb a = copied.pixel(x, y);
                const QRgb b = drawn.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                    std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                changed += b != qRgb(20, 30, 40);
            }
        }
        QVERIFY(changed > 20); // the dot was drawn at all
        QVERIFY2(worst <= 3, qPrintable(QString::number(worst)));
    }

    void barItemsInOrder()
    {
        ControlsInput in;
        in.view = QSizeF(380, 150);
        in.isPlaying = true;
        in.speed = 52.9;
        in.remaining = 75.4;
        const ControlsBar bar = layoutControls(in);
        QCOMPARE(kinds(bar),
            (QList<Kind> {Kind::Button, Kind::Button, Kind::Button, Kind::Button, Kind::Divider,
                Kind::Button, Kind::SpeedText, Kind::Button, Kind::Divider, Kind::TimeText,
                Kind::Divider, Kind::Button}));
        QStringList tips;
        for (const ControlItem &item : bar.items) {
            if (!item.tooltip.isEmpty())
                tips.append(item.tooltip);
        }
        QCOMPARE(tips,
            (QStringList {QStringLiteral("Restart (Ctrl+Alt+R)"),
                QStringLiteral("Previous cue (Ctrl+Alt+PgUp)"),
                QStringLiteral("Pause (Ctrl+Alt+Space)"),
                QStringLiteral("Next cue (Ctrl+Alt+PgDn)"),
                QStringLiteral("Slower (Ctrl+Alt+Minus)"), QStringLiteral("Faster (Ctrl+Alt+Plus)"),
                QStringLiteral("Time left at this speed"),
                QStringLiteral("Close prompter (Ctrl+Alt+P)")}));
        QCOMPARE(bar.items[2].symbol, symbols::pause);
        QVERIFY(bar.items[2].big);
        QCOMPARE(bar.items[6].text, QStringLiteral("52"));
        QCOMPARE(bar.items[9].text, QStringLiteral("1:15"));
        QCOMPARE(bar.items[0].symbol, symbols::restart);
        QCOMPARE(bar.items[11].symbol, symbols::close);
    }

    void pausedShowsPlay()
    {
        ControlsInput in;
        in.view = QSizeF(380, 150);
        const ControlsBar bar = layoutControls(in);
        QCOMPARE(bar.items[2].symbol, symbols::play);
        QCOMPARE(bar.items[2].tooltip, QStringLiteral("Play (Ctrl+Alt+Space)"));
    }

    void voiceModeHasNoTimeLeft()
    {
        ControlsInput in;
        in.view = QSizeF(380, 150);
        in.voiceMode = true;
        const ControlsBar bar = layoutControls(in);
        QCOMPARE(bar.items.size(), 10);
        QCOMPARE(kinds(bar).count(Kind::TimeText), 0);
        QCOMPARE(kinds(bar).count(Kind::Divider), 2);
    }

    void barGeometry()
    {
        ControlsInput in;
        in.view = QSizeF(500, 200);
        in.voiceMode = true;
        const ControlsBar bar = layoutControls(in);
        // Ten items spaced by 2 (nine gaps), padded by 8 on each side.
        double sum = 0;
        for (const ControlItem &item : bar.items)
            sum += item.rect.width();
        QVERIFY(qAbs(bar.capsule.width() - (sum + 2 * 9 + 16)) < 1e-9);
        QCOMPARE(sum, 7 * 26.0 + 26 + 2 * 9); // seven buttons, the speed text, two dividers
        QCOMPARE(bar.capsule.height(), 32.0);
        QCOMPARE(bar.capsule.bottom(), 190.0);
        QVERIFY(qAbs(bar.capsule.center().x() - 250) < 1e-9);
        QCOMPARE(bar.shade, QRectF(0, 126, 500, 74));
        for (qsizetype i = 1; i < bar.items.size(); ++i)
            QVERIFY(qAbs(bar.items[i].rect.left() - bar.items[i - 1].rect.right() - 2) < 1e-9);
        for (const ControlItem &item : bar.items) {
            if (item.kind == Kind::Button)
                QCOMPARE(item.rect.size(), QSizeF(26, 24));
            QVERIFY(qAbs(item.rect.center().y() - bar.capsule.center().y()) < 1e-9);
        }
    }

    // The whole 26 × 24 frame is clickable, not only the glyph; gaps hit nothing.
    void hitAreas()
    {
        ControlsInput in;
        in.view = QSizeF(380, 150);
        const ControlsBar bar = layoutControls(in);
        const ControlItem &restart = bar.items[0];
        QCOMPARE(controlAt(bar, restart.rect.topLeft() + QPointF(0.5, 0.5))->action,
            std::optional(ControlAction::Restart));
        QCOMPARE(controlAt(bar, restart.rect.bottomRight() - QPointF(0.5, 0.5))->action,
            std::optional(ControlAction::Restart));
        QVERIFY(!controlAt(bar, QPointF(restart.rect.right() + 1, restart.rect.center().y())));
        QVERIFY(!controlAt(bar, bar.items[4].rect.center())); // a divider
        QVERIFY(!controlAt(bar, QPointF(10, 10)));
    }
};

QTEST_MAIN(TestPrompterControls)
#include "tst_prompter_controls.moc"
