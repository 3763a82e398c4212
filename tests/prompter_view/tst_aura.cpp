// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/aura.h"
#include "prompter_view/blur.h"

#include <QPainter>
#include <QTest>

#include <cmath>

using namespace qm;

namespace {

// Height above the bottom edge reached by a crest (y grows downward).
double peak(const std::vector<QPointF> &crest, double height)
{
    double top = height;
    for (const QPointF &point : crest)
        top = std::min(top, point.y());
    return height - top;
}

int brightness(const QImage &image, int y)
{
    int best = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        best = std::max({best, qRed(p), qGreen(p), qBlue(p)});
    }
    return best;
}

} // namespace

class TestAura : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void target_data()
    {
        QTest::addColumn<bool>("voiceMode");
        QTest::addColumn<bool>("live");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("expected");
        QTest::newRow("quiet voice") << true << true << 0.2 << 0.0;
        QTest::newRow("threshold") << true << true << 0.3 << 0.0;
        QTest::newRow("half") << true << true << 0.49 << 0.5;
        QTest::newRow("full") << true << true << 0.68 << 1.0;
        QTest::newRow("loud is clamped") << true << true << 0.95 << 1.0;
        QTest::newRow("voice not live") << true << false << 0.9 << 0.0;
        QTest::newRow("auto not live") << false << false << 0.9 << 0.0;
    }

    void target()
    {
        QFETCH(bool, voiceMode);
        QFETCH(bool, live);
        QFETCH(double, level);
        QFETCH(double, expected);
        QVERIFY(qAbs(aura::target(voiceMode, live, level, 12.3) - expected) < 1e-9);
    }

    void autoModeBreathes()
    {
        double low = 1, high = 0;
        for (double t = 0; t < 10; t += 0.01) {
            const double m = aura::target(false, true, 0, t);
            low = std::min(low, m);
            high = std::max(high, m);
        }
        QVERIFY(qAbs(low - 0.16) < 1e-3);
        QVERIFY(qAbs(high - 0.28) < 1e-3);
        // One breath lasts 2π / 1.3 ≈ 4.8 s.
        QVERIFY(
            qAbs(aura::target(false, true, 0, 1) - aura::target(false, true, 0, 1 + 2 * M_PI / 1.3))
            < 1e-9);
    }

    void smootherRisesQuickly()
    {
        aura::Smoother s;
        const double target = aura::target(true, true, 0.49, 0);
        QVERIFY(qAbs(s.step(target) - 0.11) < 1e-9); // 22 % of the gap
        for (int i = 0; i < 60; ++i)
            s.step(target);
        QVERIFY(qAbs(s.value() - 0.5) < 1e-3);
        QVERIFY(s.value() < 0.5);
    }

    void smootherFallsSlowly()
    {
        aura::Smoother s;
        for (int i = 0; i < 200; ++i)
            s.step(1);
        const double top = s.value();
        QVERIFY(top > 0.999);
        QVERIFY(qAbs(s.step(0) - top * 0.94) < 1e-9);
        int frames = 1;
        while (s.value() >= 0.05) {
            s.step(0);
            ++frames;
        }
        QCOMPARE(frames, 49);
    }

    void waveCrestShape()
    {
        const double w = 380, h = 64;
        for (const aura::Layer &layer : aura::layers()) {
            const std::vector<QPointF> quiet = aura::waveCrest(layer, w, h, 0, 3.7);
            // The points at x = −20, −14, …, 400.
            QCOMPARE(quiet.size(), std::size_t(71));
            QVERIFY(peak(quiet, h) <= 1 + 3 * layer.gain * 1.12 + 1e-9);
            const std::vector<QPointF> loud = aura::waveCrest(layer, w, h, 1, 3.7);
            QVERIFY(peak(loud, h) <= 1 + (h - 14 + 3) * layer.gain * 1.12 + 1e-9);
            QVERIFY(peak(loud, h) > 20);
            // The envelope vanishes at and beyond the sides: the wave rests on its baseline there.
            for (const QPointF &point : loud) {
                if (point.x() <= 0 || point.x() >= w)
                    QVERIFY(qAbs(point.y() - (h - 1)) < 1e-6);
            }
            QCOMPARE(loud.front().x(), -20.0);
        }
    }

    void degenerateWidthStillDefined()
    {
        for (const QPointF &point : aura::waveCrest(aura::layers()[1], 1, 64, 1, 0))
            QVERIFY(std::isfinite(point.y()));
    }

    void opacities()
    {
        QVERIFY(qAbs(aura::layerOpacity(0) - 0.42) < 1e-12);
        QVERIFY(qAbs(aura::layerOpacity(1) - 0.82) < 1e-12);
    }

    // Three box passes must spread a point like a Gaussian of the asked deviation.
    void blurApproximatesAGaussian_data()
    {
        QTest::addColumn<double>("sigma");
        QTest::newRow("quarter-scale glow") << 2.25;
        QTest::newRow("dot shadow") << 4.0;
        QTest::newRow("full-scale glow") << 9.0;
    }

    void blurApproximatesAGaussian()
    {
        QFETCH(double, sigma);
        QImage image(161, 161, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        // A bright 3 × 3 square; its own variance (2/3) adds to the blur's.
        for (int y = 79; y <= 81; ++y)
            for (int x = 79; x <= 81; ++x)
                image.setPixel(x, y, qRgba(255, 255, 255, 255));
        gaussianBlur(image, sigma);
        double mass = 0, mean = 0, var = 0;
        for (int x = 0; x < 161; ++x) {
            const double a = qAlpha(image.pixel(x, 80));
            mass += a;
            mean += a * x;
        }
        mean /= mass;
        for (int x = 0; x < 161; ++x)
            var += qAlpha(image.pixel(x, 80)) * (x - mean) * (x - mean);
        var /= mass;
        QVERIFY(qAbs(mean - 80) < 0.1);
        const double measured = std::sqrt(std::max(0.0, var - 2.0 / 3.0));
        QVERIFY2(qAbs(measured - sigma) < 0.12 * sigma, qPrintable(QString::number(measured)));
        // Premultiplied stays valid: no colour above its alpha.
        for (int y = 0; y < 161; ++y)
            for (int x = 0; x < 161; ++x)
                QVERIFY(qRed(image.pixel(x, y)) <= qAlpha(image.pixel(x, y)));
    }

    // Averaging in fixed point must neither lose nor gain a level on an even field, at the
    // brightest value or a dim one, whatever the box widths.
    void blurKeepsAFlatFieldFlat_data()
    {
        QTest::addColumn<double>("sigma");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("narrow, opaque white") << 2.25 << qRgba(255, 255, 255, 255);
        QTest::newRow("narrow, dim tint") << 2.25 << qRgba(3, 20, 37, 41);
        QTest::newRow("wide, opaque white") << 9.0 << qRgba(255, 255, 255, 255);
        QTest::newRow("wide, dim tint") << 9.0 << qRgba(3, 20, 37, 41);
    }

    void blurKeepsAFlatFieldFlat()
    {
        QFETCH(double, sigma);
        QFETCH(QRgb, colour);
        // Odd sizes leave a tail after the vectorized bytes.
        QImage image(203, 131, QImage::Format_ARGB32_Premultiplied);
        image.fill(colour);
        gaussianBlur(image, sigma);
        const int reach = 3 * int(std::ceil(2 * sigma));
        for (int y = reach; y < image.height() - reach; ++y)
            for (int x = reach; x < image.width() - reach; ++x)
                if (image.pixel(x, y) != colour)
                    QFAIL(qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
    }

    void quietGlowIsAFaintLine()
    {
        QImage image(380, 64, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        AuraRenderer renderer;
        {
            QPainter p(&image);
            renderer.paint(p, QRectF(0, 0, 380, 64), 0, 1.0, 1.0);
        }
        QVERIFY(brightness(image, 63) > 40);
        QVERIFY(brightness(image, 20) < 8);

        image.fill(Qt::black);
        {
            QPainter p(&image);
            renderer.paint(p, QRectF(0, 0, 380, 64), 1, 1.0, 1.0);
        }
        QVERIFY(brightness(image, 20) > 60);
        // Colours add up: where the waves overlap the middle of the strip gets near white.
        QVERIFY(brightness(image, 60) > 200);
    }

    // Frames in between may show the last buffer again, but the waves never stand still for
    // longer than two frames at 60 Hz.
    void wavesKeepMovingFromFrameToFrame()
    {
        AuraRenderer renderer;
        QImage previous;
        int unchanged = 0;
        for (int frame = 0; frame < 12; ++frame) {
            QImage image(380, 64, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::black);
            {
                QPainter p(&image);
                renderer.paint(p, QRectF(0, 0, 380, 64), 0.25, 3.0 + frame / 60.0, 1.0);
            }
            unchanged = image == previous ? unchanged + 1 : 0;
            QVERIFY2(unchanged < 2, qPrintable(QString::number(frame)));
            previous = image;
        }
    }

    // A frame repaints only what advance() says the new waves changed: every pixel that differs
    // from the last picture must lie inside it, at whole and fractional ratios, while the glow
    // rises and while it breathes.
    void advanceCoversEveryChangedPixel_data()
    {
        QTest::addColumn<double>("dpr");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("1, breathing") << 1.0 << 0.22 << 0.25;
        QTest::newRow("1.5, rising") << 1.5 << 0.1 << 0.9;
        QTest::newRow("2, breathing") << 2.0 << 0.25 << 0.22;
    }

    void advanceCoversEveryChangedPixel()
    {
        QFETCH(double, dpr);
        QFETCH(double, from);
        QFETCH(double, to);
        const QRectF strip(0, 40, 380, 64);
        const QSize pixels = (QSizeF(380, 104) * dpr).toSize();
        AuraRenderer renderer;
        auto picture = [&](double a, double t) {
            QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            image.fill(Qt::black);
            QPainter p(&image);
            renderer.paint(p, strip, a, t, dpr);
            return image;
        };
        // The first one drawn reports the whole strip.
        QCOMPARE(renderer.advance(strip, from, 3.0, dpr), QRegion(strip.toAlignedRect()));
        QImage last = picture(from, 3.0);
        int reported = 0;
        for (int frame = 1; frame <= 8; ++frame) {
            const double a = from + (to - from) * frame / 8;
            const double t = 3.0 + frame / 30.0;
            const QRegion changed = renderer.advance(strip, a, t, dpr);
            QVERIFY(strip.toAlignedRect().contains(changed.boundingRect()));
            const QImage now = picture(a, t);
            reported += changed.isEmpty() ? 0 : 1;
            for (int y = 0; y < now.height(); ++y) {
                for (int x = 0; x < now.width(); ++x) {
                    if (now.pixel(x, y) != last.pixel(x, y)
                        && !changed.contains(QPoint(int(x / dpr), int(y / dpr))))
                        QFAIL(qPrintable(QStringLiteral("frame %1: %2, %3 changed, unreported")
                                             .arg(frame)
                                             .arg(x)
                                             .arg(y)));
                }
            }
            last = now;
        }
        QVERIFY(reported > 0);
        // Waves drawn by a paint that no advance() saw: the next advance reports them all.
        picture(to, 4.0);
        QCOMPARE(renderer.advance(strip, to, 4.5, dpr), QRegion(strip.toAlignedRect()));
    }
};

QTEST_MAIN(TestAura)
#include "tst_aura.moc"
