// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/column_tiles.h"
#include "ui/fonts.h"

#include <QPainter>
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

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
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
        QImage at0 = blank(300, 200), at1 = blank(300, 200), atHalf = blank(300, 200);
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
        QImage full = blank(300, 200), dim = blank(300, 200);
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

    // Rows outside the bands are neither inked nor touched; the bands say where the ink is
    // before anything is written.
    void bandsCoverExactlyTheInk()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({Qt::white, false, 1.0, 300});
        const std::vector<ColumnTiles::Band> planned = tiles.bands(400, 3.25, 1);
        QImage clean = blank(300, 400);
        tiles.compose(clean, 3.25, 1);
        QImage out(300, 400, QImage::Format_ARGB32_Premultiplied);
        const QRgb stale = qRgba(200, 0, 0, 200);
        out.fill(stale);
        const auto bands = tiles.compose(out, 3.25, 1);
        QVERIFY(bands.size() > 3);
        QCOMPARE(bands.size(), planned.size());
        std::vector<bool> inBand(400, false);
        for (std::size_t i = 0; i < bands.size(); ++i) {
            const ColumnTiles::Band &band = bands[i];
            QVERIFY(band.first < band.last && band.left < band.right);
            QCOMPARE(band.first, planned[i].first);
            QCOMPARE(band.last, planned[i].last);
            for (int y = band.first; y < band.last; ++y) {
                inBand[std::size_t(y)] = true;
                // Every inked pixel lies within the band's columns, and the band's rows are
                // written in full.
                for (int x = 0; x < 300; ++x) {
                    QVERIFY(out.pixel(x, y) != stale);
                    if (x < band.left || x >= band.right)
                        QCOMPARE(alphaAt(out, x, y), 0);
                }
            }
        }
        for (int y = 0; y < 400; ++y) {
            if (inBand[std::size_t(y)])
                continue;
            QCOMPARE(rowInk(clean, y), 0L);
            for (int x = 0; x < 300; ++x)
                QCOMPARE(out.pixel(x, y), stale);
        }
    }

    // On the panel's black the text comes out opaque and exactly as if drawn over black; a row
    // written piecewise into a bigger image matches the whole one.
    void blackBackdropAndPiecewiseRows()
    {
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn());
        tiles.setStyle({QColor(255, 200, 0), false, 1.0, 300});
        QImage over = blank(300, 200);
        const auto bands = tiles.compose(over, 7.4, 0.8);
        QImage onBlack = blank(300, 200);
        tiles.compose(onBlack, 7.4, 0.8, ColumnTiles::Backdrop::Black);
        QImage expected(300, 200, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::black);
        {
            QPainter p(&expected);
            p.drawImage(0, 0, over);
        }
        QVERIFY(!bands.empty());
        QImage wide(340, 230, QImage::Format_ARGB32_Premultiplied);
        wide.fill(Qt::blue);
        for (const auto &band : bands) {
            for (int y = band.first; y < band.last; ++y) {
                for (int x = 0; x < 300; ++x) {
                    const QRgb got = onBlack.pixel(x, y);
                    const QRgb want = expected.pixel(x, y);
                    QCOMPARE(qAlpha(got), 255);
                    QVERIFY(qAbs(qRed(got) - qRed(want)) <= 1);
                    QVERIFY(qAbs(qGreen(got) - qGreen(want)) <= 1);
                    QVERIFY(qAbs(qBlue(got) - qBlue(want)) <= 1);
                }
                // Two pieces of the row, placed 20 pixels in and 30 down.
                quint8 *row = wide.scanLine(y + 30) + 20 * 4;
                tiles.writeRow(row, y, 0, 133, ColumnTiles::Backdrop::Black);
                tiles.writeRow(row, y, 133, 300, ColumnTiles::Backdrop::Black);
                for (int x = 0; x < 300; ++x)
                    QCOMPARE(wide.pixel(x + 20, y + 30), onBlack.pixel(x, y));
                QCOMPARE(wide.pixel(19, y + 30), QColor(Qt::blue).rgb());
                QCOMPARE(wide.pixel(320, y + 30), QColor(Qt::blue).rgb());
            }
        }
    }

    void mirroringFlipsTheRows()
    {
        ColumnTiles plain, mirrored;
        plain.setLayout(sampleColumn());
        mirrored.setLayout(sampleColumn());
        plain.setStyle({Qt::white, false, 1.0, 300});
        mirrored.setStyle({Qt::white, true, 1.0, 300});
        QImage a = blank(300, 200), b = blank(300, 200);
        plain.compose(a, 5.5, 1);
        mirrored.compose(b, 5.5, 1);
        QVERIFY(a != b);
        QCOMPARE(b, a.mirrored(true, false));
    }

    // The cells the server moves must hold every inked pixel of the full-strength rows as they
    // were and as they are, mirrored or not, at any density and step, in a region's order.
    void inkCellsHoldTheInkBeforeAndAfter_data()
    {
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<double>("dpr");
        QTest::addColumn<int>("was");
        QTest::addColumn<int>("now");
        QTest::newRow("one row on, 1:1") << false << 1.0 << 40 << 41;
        QTest::newRow("two rows on, mirrored, 2×") << true << 2.0 << 90 << 92;
        QTest::newRow("a long step back, 1.5×") << false << 1.5 << 120 << 83;
    }

    void inkCellsHoldTheInkBeforeAndAfter()
    {
        QFETCH(bool, mirror);
        QFETCH(double, dpr);
        QFETCH(int, was);
        QFETCH(int, now);
        const int width = int(300 * dpr), height = int(300 * dpr);
        ColumnTiles tiles;
        tiles.setLayout(sampleColumn(6));
        tiles.setStyle({Qt::white, mirror, dpr, width});
        auto composed = [&](int row) {
            QImage image = blank(width, height);
            tiles.compose(image, row / dpr, 1);
            return image;
        };
        const QImage before = composed(was), after = composed(now);
        const auto [first, last] = tiles.fullRows(height, 1);
        const int top = first + std::max(0, was - now), bottom = last + std::min(0, was - now);
        QVERIFY(bottom - top > 50);
        const std::vector<QRect> cells = tiles.inkCells(was, now, top, bottom, 4);
        QVERIFY(!cells.empty());
        QRegion region;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const QRect &cell = cells[i];
            QVERIFY(QRect(0, top, width, bottom - top).contains(cell));
            // Row bands top down, each a row of cells apart from left to right.
            if (i > 0) {
                const QRect &last = cells[i - 1];
                QVERIFY(last.top() == cell.top()
                        ? last.bottom() == cell.bottom() && last.right() < cell.left()
                        : last.bottom() < cell.top());
            }
            region += cell;
        }
        long inked = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < width; ++x) {
                if (!alphaAt(before, x, y) && !alphaAt(after, x, y))
                    continue;
                ++inked;
                if (!region.contains(QPoint(x, y)))
                    QFAIL(qPrintable(QStringLiteral("ink at %1, %2 outside").arg(x).arg(y)));
            }
        }
        QVERIFY(inked > 0);
        // Blank rows between the lines stay out.
        long area = 0;
        for (const QRect &cell : cells)
            area += long(cell.width()) * cell.height();
        QVERIFY(area < long(width) * (bottom - top));
    }

    // A paragraph read from the right is drawn from the right edge of the tiles, and mirrored
    // for the glass from the left; the first band of ink is its line.
    void inkStartsOnTheReadingSide_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("right");
        QTest::newRow("Latin") << QStringLiteral("Hello") << false << false;
        QTest::newRow("Latin mirrored") << QStringLiteral("Hello") << true << true;
        QTest::newRow("Arabic") << QStringLiteral("مرحبا") << false << true;
        QTest::newRow("Arabic mirrored") << QStringLiteral("مرحبا") << true << false;
        QTest::newRow("Hebrew") << QStringLiteral("שלום") << false << true;
    }
    void inkStartsOnTheReadingSide()
    {
        QFETCH(QString, body);
        QFETCH(bool, mirror);
        QFETCH(bool, right);
        const int width = 600;
        ColumnTiles tiles;
        tiles.setLayout(std::make_shared<const ColumnLayout>(
            layoutColumn({{0, std::nullopt, body}}, width, 24)));
        tiles.setStyle({Qt::white, mirror, 1.0, width});
        QImage out = blank(width, 400);
        const auto bands = tiles.compose(out, 0, 1);
        QVERIFY(!bands.empty());
        const ColumnTiles::Band &line = bands.front();
        QVERIFY2(right ? line.left > width * 2 / 3 : line.right < width / 3,
            qPrintable(QStringLiteral("ink from %1 to %2").arg(line.left).arg(line.right)));
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
        QImage out = blank(600, 400);
        // 0.25 point is half a device pixel at 2×: still a blend, never a snap.
        QImage quarter = blank(600, 400);
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
