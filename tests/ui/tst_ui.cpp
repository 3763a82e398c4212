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
Q_DECLARE_METATYPE(qm::ScreenIdentity)

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
        using Screens = QList<ScreenIdentity>;
        QTest::addColumn<QString>("name");
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<int>("mainIndex");
        QTest::addColumn<int>("primaryIndex");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("names");

        const auto ids = [](std::initializer_list<ScreenIdentity> list) { return Screens(list); };
        const auto strings = [](const char *list) {
            return QString::fromUtf8(list).split(u'|', Qt::SkipEmptyParts);
        };
        const Screens two = ids({{QStringLiteral("A")}, {QStringLiteral("B")}});
        const ScreenIdentity laptop {QStringLiteral("XWAYLAND0"), QStringLiteral("Apple"),
            QStringLiteral("Built-in Retina"), {}};
        const ScreenIdentity studio {QStringLiteral("XWAYLAND1"), QStringLiteral("Dell"),
            QStringLiteral("U2720Q"), QStringLiteral("5KC0D93")};
        // The next session numbers them the other way round.
        ScreenIdentity studioFirst = studio;
        studioFirst.connector = QStringLiteral("XWAYLAND0");
        ScreenIdentity laptopSecond = laptop;
        laptopSecond.connector = QStringLiteral("XWAYLAND1");
        const ScreenIdentity twin1 {
            QStringLiteral("DP-1"), QStringLiteral("Dell"), QStringLiteral("P2419H"), {}};
        const ScreenIdentity twin2 {
            QStringLiteral("DP-2"), QStringLiteral("Dell"), QStringLiteral("P2419H"), {}};

        QTest::newRow("named") << QStringLiteral("A") << two << 0 << 0 << 0 << strings("A|B");
        QTest::newRow("named but gone")
            << QStringLiteral("HDMI-1") << two << 0 << 0 << -1 << strings("A|B");
        QTest::newRow("unnamed: not the main window's")
            << QString() << two << 0 << 0 << 1 << strings("A|B");
        QTest::newRow("unnamed, main window on the second")
            << QString() << two << 1 << 0 << 0 << strings("A|B");
        QTest::newRow("unnamed, main window nowhere")
            << QString() << two << -1 << 1 << 0 << strings("A|B");
        QTest::newRow("one screen: the primary")
            << QString() << ids({{QStringLiteral("A")}}) << 0 << 0 << 0 << strings("A");
        QTest::newRow("no screen") << QString() << Screens() << -1 << -1 << -1 << QStringList();
        QTest::newRow("by what the monitor is")
            << QStringLiteral("Dell U2720Q 5KC0D93") << ids({laptop, studio}) << 0 << 0 << 1
            << strings("Apple Built-in Retina|Dell U2720Q 5KC0D93");
        QTest::newRow("connectors numbered the other way")
            << QStringLiteral("Dell U2720Q 5KC0D93") << ids({studioFirst, laptopSecond}) << 1 << 0
            << 0 << strings("Dell U2720Q 5KC0D93|Apple Built-in Retina");
        QTest::newRow("a connector name stored before")
            << QStringLiteral("XWAYLAND1") << ids({laptop, studio}) << 0 << 0 << 1
            << strings("Apple Built-in Retina|Dell U2720Q 5KC0D93");
        QTest::newRow("identical twins stay apart")
            << QStringLiteral("Dell P2419H (DP-2)") << ids({twin1, twin2}) << 0 << 0 << 1
            << strings("Dell P2419H (DP-1)|Dell P2419H (DP-2)");
        QTest::newRow("a twin on another connector: the monitor of that make")
            << QStringLiteral("Dell P2419H (DP-3)") << ids({laptop, twin2}) << 0 << 0 << 1
            << strings("Apple Built-in Retina|Dell P2419H");
        QTest::newRow("stored alone, now with a twin")
            << QStringLiteral("Dell P2419H") << ids({twin1, twin2}) << 0 << 0 << 0
            << strings("Dell P2419H (DP-1)|Dell P2419H (DP-2)");
    }
    void displayScreenChoice()
    {
        QFETCH(QString, name);
        QFETCH(QList<ScreenIdentity>, screens);
        QFETCH(int, mainIndex);
        QFETCH(int, primaryIndex);
        QFETCH(int, expected);
        QFETCH(QStringList, names);
        QCOMPARE(displayScreenIndex(name, screens, mainIndex, primaryIndex), expected);
        QCOMPARE(displayScreenNames(screens), names);
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
