// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/row_blend.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using namespace qm;

Q_DECLARE_METATYPE(quint32)

namespace {

// The colour's premultiplied pixel at alpha `k`, rounded.
quint32 shaded(quint32 colour, unsigned k)
{
    auto channel
        = [&](int shift) { return quint32((((colour >> shift) & 0xff) * k + 127) / 255) << shift; };
    return quint32(k) << 24 | channel(16) | channel(8) | channel(0);
}

std::vector<quint8> randomAlphas(int n, QRandomGenerator &random)
{
    std::vector<quint8> alphas(std::size_t(n) + 32);
    for (quint8 &a : alphas) {
        // Text rows hold many empty and many full pixels between the edges.
        const quint32 pick = random.bounded(4);
        a = pick == 0 ? 0 : pick == 1 ? 255 : quint8(random.bounded(256));
    }
    return alphas;
}

int channelDifference(quint32 a, quint32 b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
    return worst;
}

} // namespace

class TestRowBlend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows kept as alphas of one colour come out as the full pixels of those rows would: every
    // length (the wide loop and the tail), colour, weighting and ground.
    void shadesMatchBlendingTheFullPixels_data()
    {
        QTest::addColumn<quint32>("colour");
        QTest::newRow("white") << quint32(0xffffffff);
        QTest::newRow("orange") << quint32(0xffff8800);
        QTest::newRow("red cue") << quint32(0xffff453a);
        QTest::newRow("blue") << quint32(0xff0000ff);
    }

    void shadesMatchBlendingTheFullPixels()
    {
        QFETCH(quint32, colour);
        QRandomGenerator random(7);
        const std::pair<int, int> weights[] = {{256, 0}, {128, 128}, {200, 41}, {0, 0}, {30, 0}};
        for (int n : {1, 7, 8, 9, 13, 64, 301}) {
            const std::vector<quint8> a = randomAlphas(n, random);
            const std::vector<quint8> b = randomAlphas(n, random);
            std::vector<quint32> fullA(static_cast<std::size_t>(n)),
                fullB(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                fullA[std::size_t(i)] = shaded(colour, a[std::size_t(i)]);
                fullB[std::size_t(i)] = shaded(colour, b[std::size_t(i)]);
            }
            for (auto [wa, wb] : weights) {
                for (quint32 ground : {0u, 0xff000000u}) {
                    std::vector<quint32> want(static_cast<std::size_t>(n));
                    std::vector<quint32> got(static_cast<std::size_t>(n) + 1, 0x12345678);
                    rows::blend(reinterpret_cast<quint8 *>(want.data()),
                        reinterpret_cast<const quint8 *>(fullA.data()),
                        reinterpret_cast<const quint8 *>(fullB.data()), wa, wb, n * 4, ground);
                    rows::shade(got.data(), a.data(), b.data(), wa, wb, n, colour, ground);
                    for (int i = 0; i < n; ++i) {
                        const int d = channelDifference(got[std::size_t(i)], want[std::size_t(i)]);
                        QVERIFY2(d <= 2,
                            qPrintable(QStringLiteral("n %1, weights %2/%3, pixel %4: %5 vs %6")
                                           .arg(n)
                                           .arg(wa)
                                           .arg(wb)
                                           .arg(i)
                                           .arg(got[std::size_t(i)], 8, 16)
                                           .arg(want[std::size_t(i)], 8, 16)));
                    }
                    // White, the usual colour, has a path of its own: every channel exactly
                    // the weighted alpha, as the general arithmetic gives it.
                    for (int i = 0; colour == 0xffffffff && i < n; ++i) {
                        const quint32 k = (quint32(a[std::size_t(i)]) * quint32(wa)
                                              + quint32(b[std::size_t(i)]) * quint32(wb))
                            >> 8;
                        QCOMPARE(got[std::size_t(i)], k * 0x01010101u | ground);
                    }
                    QCOMPARE(got[std::size_t(n)], quint32(0x12345678)); // nothing past the end
                }
            }
        }
    }

    void shadeOfARow()
    {
        QRandomGenerator random(11);
        const int n = 200;
        std::vector<quint32> row(n, 0);
        QCOMPARE(rows::shadeOf(row.data(), 0, n), 0u); // nothing inked

        const std::vector<quint8> alphas = randomAlphas(n, random);
        for (int i = 0; i < n; ++i)
            row[std::size_t(i)] = shaded(0xffff8800, alphas[std::size_t(i)]);
        QCOMPARE(rows::shadeOf(row.data(), 0, n), 0xffff8800u);

        // Text drawn in a see-through colour is a shade of the opaque one.
        for (int i = 0; i < n; ++i)
            row[std::size_t(i)] = shaded(0xffffffff, alphas[std::size_t(i)] * 102 / 255);
        QCOMPARE(rows::shadeOf(row.data(), 0, n), 0xffffffffu);

        // Two colours in one row, or a colour glyph: no single shade.
        for (int i = 0; i < n; ++i)
            row[std::size_t(i)] = shaded(i < n / 2 ? 0xffff8800 : 0xff3366ff, 255);
        QCOMPARE(rows::shadeOf(row.data(), 0, n), 0u);
        // ... unless the other colour lies outside the range asked about.
        QCOMPARE(rows::shadeOf(row.data(), 0, n / 2), 0xffff8800u);
    }
};

QTEST_MAIN(TestRowBlend)
#include "tst_row_blend.moc"
