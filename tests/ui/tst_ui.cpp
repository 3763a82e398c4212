// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/display_screens.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/screen_coords.h"
#include "ui/shapes.h"
#include "ui/spring.h"
#include "ui/symbols.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>
#include <QTest>

using namespace qm;

class TestUi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void colorFromHex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("white") << QStringLiteral("FFFFFF") << QColor(255, 255, 255);
        QTest::newRow("tally") << QStringLiteral("FF5A36") << QColor(0xFF, 0x5A, 0x36);
        QTest::newRow("lower case") << QStringLiteral("ffe27a") << QColor(0xFF, 0xE2, 0x7A);
        QTest::newRow("leading hash") << QStringLiteral("#8BE0FF") << QColor(0x8B, 0xE0, 0xFF);
        QTest::newRow("hashes anywhere") << QStringLiteral("8B#E0#FF#") << QColor(0x8B, 0xE0, 0xFF);
        QTest::newRow("empty is black") << QString() << QColor(0, 0, 0);
        QTest::newRow("nothing readable is black") << QStringLiteral("zzzzzz") << QColor(0, 0, 0);
        QTest::newRow("leading digits only") << QStringLiteral("FFzz00") << QColor(0, 0, 0xFF);
        QTest::newRow("short value") << QStringLiteral("FF") << QColor(0, 0, 0xFF);
        QTest::newRow("longer value keeps the low 24 bits")
            << QStringLiteral("12FF5A36") << QColor(0xFF, 0x5A, 0x36);
        QTest::newRow("0x prefix") << QStringLiteral("0x00FF00") << QColor(0, 0xFF, 0);
        QTest::newRow("overflow saturates")
            << QStringLiteral("FFFFFFFFFFFFFFFFFFFF1") << QColor(255, 255, 255);
    }
    void colorFromHex()
    {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        const QColor c = qm::colorFromHex(text);
        QCOMPARE(c, expected);
        QCOMPARE(c.alpha(), 255);
    }

    void flipIsItsOwnInverse()
    {
        const QRectF qt(566, 0, 380, 182);
        const QRectF stored = flipVertically(qt, 982);
        QCOMPARE(stored, QRectF(566, 800, 380, 182));
        QCOMPARE(flipVertically(stored, 982), qt);
    }

    void displayScreenChoice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("mainIndex");
        QTest::addColumn<int>("primaryIndex");
        QTest::addColumn<int>("expected");
        const QStringList two {QStringLiteral("A"), QStringLiteral("B")};
        QTest::newRow("named") << QStringLiteral("A") << two << 0 << 0 << 0;
        QTest::newRow("named but gone") << QStringLiteral("HDMI-1") << two << 0 << 0 << -1;
        QTest::newRow("unnamed: not the main window's") << QString() << two << 0 << 0 << 1;
        QTest::newRow("unnamed, main window on the second") << QString() << two << 1 << 0 << 0;
        QTest::newRow("unnamed, main window nowhere") << QString() << two << -1 << 1 << 0;
        QTest::newRow("one screen: the primary")
            << QString() << QStringList {QStringLiteral("A")} << 0 << 0 << 0;
        QTest::newRow("no screen") << QString() << QStringList() << -1 << -1 << -1;
    }
    void displayScreenChoice()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, names);
        QFETCH(int, mainIndex);
        QFETCH(int, primaryIndex);
        QFETCH(int, expected);
        QCOMPARE(displayScreenIndex(name, names, mainIndex, primaryIndex), expected);
    }

    void springSettlesAtOne()
    {
        const Spring s {0.42, 0.78};
        QCOMPARE(s.value(0), 0.0);
        QVERIFY(s.value(0.1) > 0 && s.value(0.1) < 1);
        // Under-damped: it overshoots a little, then settles.
        double peak = 0;
        for (double t = 0; t < 1; t += 0.005)
            peak = std::max(peak, s.value(t));
        QVERIFY(peak > 1.0 && peak < 1.05);
        QVERIFY(std::abs(s.value(s.settleTime()) - 1) < 0.002);
        QCOMPARE(easeOut(0.16, 0.16), 1.0);
        QVERIFY(easeOut(0.08, 0.16) > 0.5);
    }

    void continuousCornersStayInsideTheRect()
    {
        const QRectF r(0, 0, 380, 150);
        const QPainterPath p = continuousRoundedRect(r, CornerRadii {0, 0, 24, 24});
        QVERIFY(p.contains(QPointF(1, 1))); // square top corners
        QVERIFY(p.contains(QPointF(379, 1)));
        QVERIFY(!p.contains(QPointF(1, 149))); // rounded bottom corners
        QVERIFY(!p.contains(QPointF(379, 149)));
        QVERIFY(p.contains(QPointF(190, 149)));
        QVERIFY(r.contains(p.boundingRect()));
    }

    void embeddedFacesAreUsed()
    {
        fonts::install();
        QCOMPARE(QFontInfo(fonts::system(19)).family(), QStringLiteral("Inter"));
        QCOMPARE(QFontInfo(fonts::monospaced(11)).family(), QStringLiteral("JetBrains Mono"));
        QCOMPARE(QFontInfo(fonts::system(19)).pixelSize(), 19);
        const QRawFont symbolsFace = QRawFont::fromFont(fonts::symbols(13));
        for (const QString &glyph : {symbols::play, symbols::pause, symbols::restart,
                 symbols::chevronLeft, symbols::chevronRight, symbols::mic, symbols::micOff,
                 symbols::close, symbols::plus, symbols::minus, symbols::lock, symbols::trash,
                 symbols::keyboard, symbols::laptop, symbols::textSize, symbols::scrolling,
                 symbols::eyeSlash, symbols::stop, symbols::importFile, symbols::viewfinder})
            QVERIFY2(symbolsFace.supportsCharacter(glyph.at(0)),
                qPrintable(QString::number(glyph.at(0).unicode(), 16)));
        // Fractional sizes land on the same pixel em.
        QVERIFY(std::abs(QFontMetricsF(fonts::system(15.5)).height()
                    - QFontMetricsF(fonts::system(15)).height())
            < 2);
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
