// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/column_tiles.h"
#include "ui/fonts.h"

#include <QTest>

using namespace qm;

namespace {

std::shared_ptr<const ColumnLayout> sampleColumn(int paragraphs = 3)
{
    QList<ScriptSection> sections;
    for (int i = 0; i < paragraphs; ++i) {
        sections.append({i, QStringLiteral("Part %1").arg(i),
            QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do "
                           "eiusmod tempor incididunt ut labore et dolore magna aliqua.")});
    }
    return std::make_shared<const ColumnLayout>(layoutColumn(sections, 300, 24));
}

int alphaAt(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// Sum of alpha over one row.
long rowInk(const QImage &image, int y)
{
    long sum = 0;
    for (int x = 0; x < image.width(); ++x)
        sum += alphaAt(image, x, y);
    return sum;
}

} // namespace

class TestColumnTiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void fade_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("expected");
        QTest::newRow("top") << 0.0 << 0.0;
        QTest::newRow("half way in") << 0.035 << 0.5;
        QTest::newRow("opaque from") << 0.07 << 1.0;
        QTest::newRow("middle") << 0.3 << 1.0;
        QTest::newRow("opaque to") << 0.58 << 1.0;
        QTest::newRow("half way out") << 0.79 << 0.56;
        QTest::newRow("bottom") << 1.0 << 0.12;
    }

    void fade()
    {
        QFETCH(double, t);
        QFETCH(double, expected);
        QVERIFY2(
            qAbs(readingFade(t) - expected) < 1e-9, qPrintable(QString::number(readingFade(t))));
    }

    // Moving by a whole pixel shifts the rows; a half pixel blends the two neighbours, so slow
    // scrolling moves smoothly instead of jumping a pixel every other frame.
    void fractionalOffsetsInterpolate()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({Qt::white, false, 1.0, 300});
        QImage at0(300, 200, QImage::Format_ARGB32_Premultiplied);
        QImage at1 = at0, atHalf = at0;
        tiles.compose(at0, 10, 1);
        tiles.compose(at1, 11, 1);
        tiles.compose(atHalf, 10.5, 1);

        // Rows 40…100 lie in the opaque middle of the fade (7 %…58 % of 200).
        long inked = 0;
        for (int y = 40; y < 100; ++y) {
            inked += rowInk(at1, y);
            for (int x = 0; x < 300; ++x) {
                QVERIFY(qAbs(alphaAt(at1, x, y) - alphaAt(at0, x, y + 1)) <= 1);
                const int mid = (alphaAt(at0, x, y) + alphaAt(at1, x, y)) / 2;
                QVERIFY(qAbs(alphaAt(atHalf, x, y) - mid) <= 2);
            }
        }
        QVERIFY(inked > 10000);
        QVERIFY(atHalf != at0 && atHalf != at1);
    }

    void fadeAndOpacityScaleTheInk()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({Qt::white, false, 1.0, 300});
        QImage full(300, 200, QImage::Format_ARGB32_Premultiplied);
        QImage dim = full;
        tiles.compose(full, 0, 1);
        tiles.compose(dim, 0, 0.18);
        int maxFull = 0, maxDim = 0;
        for (int y = 20; y < 110; ++y) {
            for (int x = 0; x < 300; ++x) {
                maxFull = std::max(maxFull, alphaAt(full, x, y));
                maxDim = std::max(maxDim, alphaAt(dim, x, y));
            }
        }
        QCOMPARE(maxFull, 255);
        QVERIFY(qAbs(maxDim - qRound(255 * 0.18)) <= 1);
        // The very first row is fully faded out.
        QCOMPARE(rowInk(full, 0), 0L);
    }

    void bandsCoverExactlyTheInk()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({Qt::white, false, 1.0, 300});
        QImage out(300, 400, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::red); // stale pixels must not survive
        const auto bands = tiles.compose(out, 3.25, 1);
        QVERIFY(bands.size() > 3);
        std::vector<bool> inBand(400, false);
        for (const auto &band : bands) {
            QVERIFY(band.first < band.last);
            for (int y = band.first; y < band.last; ++y)
                inBand[std::size_t(y)] = true;
        }
        for (int y = 0; y < 400; ++y) {
            if (!inBand[std::size_t(y)])
                QCOMPARE(rowInk(out, y), 0L);
        }
    }

    void mirroringFlipsTheRows()
    {
        ColumnTiles plain, mirrored;
        plain.setLayout(sampleColumn());
        mirrored.setLayout(sampleColumn());
        plain.setStyle({Qt::white, false, 1.0, 300});
        mirrored.setStyle({Qt::white, true, 1.0, 300});
        QImage a(300, 200, QImage::Format_ARGB32_Premultiplied);
        QImage b = a;
        plain.compose(a, 5.5, 1);
        mirrored.compose(b, 5.5, 1);
        QVERIFY(a != b);
        QCOMPARE(b, a.mirrored(true, false));
    }

    void onlyTilesNearTheViewStayCached()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn(200));
        tiles.setStyle({Qt::white, false, 1.0, 300});
        QImage out(300, 300, QImage::Format_ARGB32_Premultiplied);
        for (double offset = 0; offset < 8000; offset += 97)
            tiles.compose(out, offset, 1);
        QVERIFY(tiles.cachedTiles() <= 5);
        QVERIFY(tiles.cachedTiles() >= 2);
    }

    void highDensityTilesUseDevicePixels()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({Qt::white, false, 2.0, 600});
        QImage out(600, 400, QImage::Format_ARGB32_Premultiplied);
        // 0.25 point is half a device pixel at 2×: still a blend, never a snap.
        QImage quarter = out;
        tiles.compose(out, 10, 1);
        tiles.compose(quarter, 10.25, 1);
        QVERIFY(out != quarter);
        long ink = 0;
        for (int y = 80; y < 200; ++y)
            ink += rowInk(out, y);
        QVERIFY(ink > 10000);
    }
};

QTEST_MAIN(TestColumnTiles)
#include "tst_column_tiles.moc"
