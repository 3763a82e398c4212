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
            << QByteArray("{\"mode\":\"floating\",\"scrollMode\":\"voice\",\"mirror\":true}")
            << three;

        QTest::newRow("string for a boolean keeps the default")
            << QByteArray("{\"countdown\":\"yes\"}") << d;

        Settings offs = d;
        offs.hideFromSharing = false;
        offs.pauseOnHover = false;
        QTest::newRow("two switches off")
            << QByteArray("{\"hideFromSharing\":false,\"pauseOnHover\":false}") << offs;

        // A file from before the remote switches keeps media keys on and the clicker off.
        QVERIFY(d.mediaRemote && !d.presenterClicker);
        Settings remotes = d;
        remotes.mediaRemote = false;
        remotes.presenterClicker = true;
        QTest::newRow("remote switches flipped")
            << QByteArray("{\"mediaRemote\":false,\"presenterClicker\":true}") << remotes;

        Settings frame = d;
        frame.floatingFrame = QList<double> {10, 20, 560, 240};
        QTest::newRow("frame") << QByteArray("{\"floatingFrame\":[10,20,560,240]}") << frame;
        QTest::newRow("frame null") << QByteArray("{\"floatingFrame\":null}") << d;
        QTest::newRow("frame with a string") << QByteArray("{\"floatingFrame\":[1,\"a\"]}") << d;

        Settings oddFrame = d;
        oddFrame.floatingFrame = QList<double> {1, 2, 3};
        QTest::newRow("any list of numbers is read")
            << QByteArray("{\"floatingFrame\":[1,2,3]}") << oddFrame;

        Settings speed = d;
        speed.speed = 50;
        QTest::newRow("only speed") << QByteArray("{\"speed\":50}") << speed;

        Settings bad = d;
        bad.fontSize = 64;
        bad.speed = 8;
        QTest::newRow("unknown mode, out of range numbers held to their limits") << QByteArray(
            "{\"mode\":\"sideways\",\"fontSize\":500,\"speed\":-3,\"extra\":1}") << bad;

        Settings hugeFrame = d;
        hugeFrame.floatingFrame
            = QList<double> {-limits::kLargestWindow, 20, limits::kLargestWindow, 120};
        QTest::newRow("frame held to what a window can be")
            << QByteArray("{\"floatingFrame\":[-1e308,20,1e308,-1e300]}") << hugeFrame;

        QTest::newRow("wrong types everywhere") << QByteArray(
            "{\"mode\":1,\"scrollMode\":null,\"speed\":\"fast\",\"fontSize\":true,"
            "\"colorHex\":7,\"notchWidth\":[1],\"notchHeight\":{},\"hideFromSharing\":0,"
            "\"pauseOnHover\":\"no\",\"mirror\":null,\"micSensitivity\":\"x\","
            "\"floatingFrame\":{\"x\":1},\"countdown\":1}")
                                                << d;

        Settings follow = d;
        follow.scrollMode = ScrollMode::Follow;
        QTest::newRow("follow") << QByteArray("{\"scrollMode\":\"follow\"}") << follow;
        QTest::newRow("unknown scroll mode keeps the default")
            << QByteArray("{\"scrollMode\":\"Follow\"}") << d;

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

    // Whatever a file holds, no number leaves the range its control allows.
    void numbersAreHeldToTheirLimits_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("expected");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const Settings d;
        for (const NumberSetting &n : kNumberSettings) {
            const QByteArray key(n.key);
            const double fallback = d.*n.field;
            const double inside = (n.limit.minimum + n.limit.maximum) / 2;
            QTest::addRow("%s below", n.key)
                << QString::fromLatin1(key) << n.limit.minimum - 50 << n.limit.minimum;
            QTest::addRow("%s far below", n.key)
                << QString::fromLatin1(key) << -1e300 << n.limit.minimum;
            QTest::addRow("%s inside", n.key) << QString::fromLatin1(key) << inside << inside;
            QTest::addRow("%s at the top", n.key)
                << QString::fromLatin1(key) << n.limit.maximum << n.limit.maximum;
            QTest::addRow("%s above", n.key)
                << QString::fromLatin1(key) << 1e308 << n.limit.maximum;
            QTest::addRow("%s NaN", n.key) << QString::fromLatin1(key) << nan << fallback;
            QTest::addRow("%s infinite", n.key) << QString::fromLatin1(key) << inf << fallback;
            QTest::addRow("%s minus infinite", n.key)
                << QString::fromLatin1(key) << -inf << fallback;
        }
    }
    void numbersAreHeldToTheirLimits()
    {
        QFETCH(QString, key);
        QFETCH(double, stored);
        QFETCH(double, expected);
        QJsonObject o;
        o.insert(key, stored);
        const auto s = Settings::decode(o);
        QVERIFY(s);
        for (const NumberSetting &n : kNumberSettings) {
            if (key == QLatin1String(n.key))
                QCOMPARE((*s).*n.field, expected);
            else
                QCOMPARE((*s).*n.field, Settings {}.*n.field);
        }
        // A frame holding a number that is not finite is no frame.
        QJsonObject frame;
        frame.insert(QStringLiteral("floatingFrame"), QJsonArray {0, 0, stored, 100});
        if (!std::isfinite(stored))
            QCOMPARE(Settings::decode(frame)->floatingFrame, std::nullopt);
        // The defaults themselves lie inside.
        for (const NumberSetting &n : kNumberSettings)
            QVERIFY(n.limit.contains(Settings {}.*n.field));
    }

    void notAnObjectFails()
    {
        QVERIFY(!Settings::decode(QJsonValue(QJsonArray {1, 2})));
        QVERIFY(!Settings::decode(QJsonValue(3)));
        QVERIFY(!Settings::decode(QJsonValue(QStringLiteral("{}"))));
        QVERIFY(!Settings::decode(QJsonValue()));
    }

    void defaultWritesSeventeenKeysAndReadsBack()
    {
        const Settings d;
        const auto o = d.encode();
        QVERIFY(o);
        QCOMPARE(o->size(), 17);
        QVERIFY(!o->contains(QStringLiteral("belowTopBar")));
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
        s.floatingFrame = QList<double> {12.5, -3, 380, 182};
        s.countdown = false;
        s.mode = PrompterMode::Display;
        s.displayName = QStringLiteral("HDMI-1");
        s.flipVertical = true;
        s.eyeLineMarker = false;
        s.mediaRemote = false;
        s.presenterClicker = true;
        s.belowTopBar = true;
        const auto o = s.encode();
        QVERIFY(o);
        QCOMPARE(o->size(), 19);
        QCOMPARE(o->value(QStringLiteral("mode")).toString(), QStringLiteral("display"));
        QCOMPARE(o->value(QStringLiteral("scrollMode")).toString(), QStringLiteral("voice"));
        s.scrollMode = ScrollMode::Follow;
        QCOMPARE(
            s.encode()->value(QStringLiteral("scrollMode")).toString(), QStringLiteral("follow"));
        s.scrollMode = ScrollMode::Voice;
        // Through the text form too, as the store writes it.
        const QByteArray bytes = QJsonDocument(*o).toJson(QJsonDocument::Compact);
        QVERIFY(!bytes.contains('\n'));
        const auto back = Settings::decode(QJsonDocument::fromJson(bytes).object());
        QVERIFY(back && *back == s);
    }

    void remoteKeysRoundTrip()
    {
        Settings s;
        s.remoteEnabled = true;
        s.remotePort = 48123;
        s.remoteToken = QStringLiteral("0123456789abcdef0123456789abcdef");
        s.oscPort = 9000;
        s.oscAllow = {QStringLiteral("192.168.1.20")};
        s.followLeader = QStringLiteral("http://10.0.0.2:47800/#0123456789abcdef0123456789abcdef");
        const auto o = s.encode();
        QVERIFY(o);
        QCOMPARE(o->size(), 17 + 6);
        const auto back = Settings::decode(*o);
        QVERIFY(back && *back == s);
    }

    // A hand-edited or damaged value keeps the default rather than opening the wrong port or
    // taking a guessable secret.
    void remoteKeysRefuseBadValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("stored");
        QTest::newRow("port below 1024") << "remotePort" << QJsonValue(80);
        QTest::newRow("port above 65535") << "remotePort" << QJsonValue(70000);
        QTest::newRow("port fraction") << "oscPort" << QJsonValue(47801.5);
        QTest::newRow("port as text") << "oscPort" << QJsonValue(QStringLiteral("9000"));
        QTest::newRow("short token") << "remoteToken" << QJsonValue(QStringLiteral("abc"));
        QTest::newRow("token not hex")
            << "remoteToken" << QJsonValue(QStringLiteral("0123456789abcdef0123456789abcdeg"));
        QTest::newRow("enabled as number") << "remoteEnabled" << QJsonValue(1);
        QTest::newRow("allow not array") << "oscAllow" << QJsonValue(QStringLiteral("1.2.3.4"));
    }

    void remoteKeysRefuseBadValues()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, stored);
        QJsonObject o;
        o.insert(key, stored);
        const auto s = Settings::decode(o);
        QVERIFY(s);
        QCOMPARE(*s, Settings {});
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
            s.floatingFrame = QList<double> {0, 0, inf, 1};
        }
        QVERIFY(!s.encode());
    }

    void equality()
    {
        Settings a;
        Settings b;
        QVERIFY(a == b);
        b.floatingFrame = QList<double> {1, 2, 3, 4};
        QVERIFY(!(a == b));
        a.floatingFrame = QList<double> {1, 2, 3};
        QVERIFY(!(a == b));
        a.floatingFrame = QList<double> {1, 2, 3, 4};
        QVERIFY(a == b);
        a.speed = 36.0000001;
        QVERIFY(!(a == b));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
