// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <limits>

using namespace qm;

namespace {

Settings read(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json));
    auto s = Settings::decode(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array()));
    Q_ASSERT(s);
    return *s;
}

} // namespace

Q_DECLARE_METATYPE(Settings)

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tolerantReader_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Settings>("expected");

        const Settings d;
        QTest::newRow("empty object") << QByteArray("{}") << d;

        Settings three = d;
        three.mode = PrompterMode::Floating;
        three.scrollMode = ScrollMode::Voice;
        three.mirror = true;
        QTest::newRow("three fields")
            << QByteArray("{\"mode\":\"floating\",\"scrollMode\":\"voice\",\"mirror\":true}") << three;

        QTest::newRow("string for a boolean keeps the default")
            << QByteArray("{\"countdown\":\"yes\"}") << d;

        Settings offs = d;
        offs.hideFromSharing = false;
        offs.pauseOnHover = false;
        QTest::newRow("two switches off")
            << QByteArray("{\"hideFromSharing\":false,\"pauseOnHover\":false}") << offs;

        Settings frame = d;
        frame.floatingFrame = QList<double> { 10, 20, 560, 240 };
        QTest::newRow("frame") << QByteArray("{\"floatingFrame\":[10,20,560,240]}") << frame;
        QTest::newRow("frame null") << QByteArray("{\"floatingFrame\":null}") << d;
        QTest::newRow("frame with a string") << QByteArray("{\"floatingFrame\":[1,\"a\"]}") << d;

        Settings oddFrame = d;
        oddFrame.floatingFrame = QList<double> { 1, 2, 3 };
        QTest::newRow("any list of numbers is read")
            << QByteArray("{\"floatingFrame\":[1,2,3]}") << oddFrame;

        Settings speed = d;
        speed.speed = 50;
        QTest::newRow("only speed") << QByteArray("{\"speed\":50}") << speed;

        Settings bad = d;
        bad.fontSize = 500;
        bad.speed = -3;
        QTest::newRow("unknown mode, out of range numbers taken as they are")
            << QByteArray("{\"mode\":\"sideways\",\"fontSize\":500,\"speed\":-3,\"extra\":1}") << bad;

        QTest::newRow("wrong types everywhere")
            << QByteArray("{\"mode\":1,\"scrollMode\":null,\"speed\":\"fast\",\"fontSize\":true,"
                          "\"colorHex\":7,\"notchWidth\":[1],\"notchHeight\":{},\"hideFromSharing\":0,"
                          "\"pauseOnHover\":\"no\",\"mirror\":null,\"micSensitivity\":\"x\","
                          "\"floatingFrame\":{\"x\":1},\"countdown\":1}")
            << d;

        Settings studio = d;
        studio.mode = PrompterMode::Display;
        studio.displayName = QStringLiteral("DP-2");
        studio.flipVertical = true;
        studio.eyeLineMarker = false;
        QTest::newRow("display mode keys") << QByteArray(
            "{\"mode\":\"display\",\"displayName\":\"DP-2\",\"flipVertical\":true,"
            "\"eyeLineMarker\":false}") << studio;
        QTest::newRow("display keys of the wrong type keep their defaults")
            << QByteArray("{\"displayName\":2,\"flipVertical\":\"yes\",\"eyeLineMarker\":null}")
            << d;

        Settings color = d;
        color.colorHex = QStringLiteral("#zz");
        QTest::newRow("colour not validated") << QByteArray("{\"colorHex\":\"#zz\"}") << color;
    }
    void tolerantReader()
    {
        QFETCH(QByteArray, json);
        QFETCH(Settings, expected);
        QVERIFY(read(json.constData()) == expected);
    }

    void notAnObjectFails()
    {
        QVERIFY(!Settings::decode(QJsonValue(QJsonArray { 1, 2 })));
        QVERIFY(!Settings::decode(QJsonValue(3)));
        QVERIFY(!Settings::decode(QJsonValue(QStringLiteral("{}"))));
        QVERIFY(!Settings::decode(QJsonValue()));
    }

    void defaultLeavesOutOnlyTheFrameAndReadsBack()
    {
        const Settings d;
        const auto o = d.encode();
        QVERIFY(o);
        QCOMPARE(o->size(), 15);
        QVERIFY(!o->contains(QStringLiteral("floatingFrame")));
        const auto back = Settings::decode(*o);
        QVERIFY(back && *back == d);
    }

    void fullRoundTrip()
    {
        Settings s;
        s.mode = PrompterMode::Floating;
        s.scrollMode = ScrollMode::Voice;
        s.speed = 52.5;
        s.fontSize = 33;
        s.colorHex = QStringLiteral("FFE27A");
        s.notchWidth = 500;
        s.notchHeight = 90;
        s.hideFromSharing = false;
        s.pauseOnHover = false;
        s.mirror = true;
        s.micSensitivity = 0.73;
        s.floatingFrame = QList<double> { 12.5, -3, 380, 182 };
        s.countdown = false;
        s.mode = PrompterMode::Display;
        s.displayName = QStringLiteral("HDMI-1");
        s.flipVertical = true;
        s.eyeLineMarker = false;
        const auto o = s.encode();
        QVERIFY(o);
        QCOMPARE(o->size(), 16);
        QCOMPARE(o->value(QStringLiteral("mode")).toString(), QStringLiteral("display"));
        QCOMPARE(o->value(QStringLiteral("scrollMode")).toString(), QStringLiteral("voice"));
        // Through the text form too, as the store writes it.
        const QByteArray bytes = QJsonDocument(*o).toJson(QJsonDocument::Compact);
        QVERIFY(!bytes.contains('\n'));
        const auto back = Settings::decode(QJsonDocument::fromJson(bytes).object());
        QVERIFY(back && *back == s);
    }

    void nonFiniteNumbersCannotBeWritten_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("speed") << 0;
        QTest::newRow("fontSize") << 1;
        QTest::newRow("micSensitivity") << 2;
        QTest::newRow("frame element") << 3;
    }
    void nonFiniteNumbersCannotBeWritten()
    {
        QFETCH(int, which);
        Settings s;
        const double inf = std::numeric_limits<double>::infinity();
        switch (which) {
        case 0:
            s.speed = std::numeric_limits<double>::quiet_NaN();
            break;
        case 1:
            s.fontSize = inf;
            break;
        case 2:
            s.micSensitivity = -inf;
            break;
        default:
            s.floatingFrame = QList<double> { 0, 0, inf, 1 };
        }
        QVERIFY(!s.encode());
    }

    void equality()
    {
        Settings a;
        Settings b;
        QVERIFY(a == b);
        b.floatingFrame = QList<double> { 1, 2, 3, 4 };
        QVERIFY(!(a == b));
        a.floatingFrame = QList<double> { 1, 2, 3 };
        QVERIFY(!(a == b));
        a.floatingFrame = QList<double> { 1, 2, 3, 4 };
        QVERIFY(a == b);
        a.speed = 36.0000001;
        QVERIFY(!(a == b));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
