// SPDX-License-Identifier: GPL-3.0-or-later
// OSC: reading packets, who is heard, and a real UDP round trip on loopback.
#include "main_window/controller_fixture.h"
#include "remote/osc_dispatch.h"
#include "remote/osc_server.h"
#include "remote/pairing_link.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <lo/lo.h>

using namespace qm;
using qm::testing::ControllerFixture;
using Kind = RemoteCommand::Kind;

namespace {

// One message as a controller would send it: `types` are liblo's ("i", "f", "d", "h", "s").
QByteArray oscMessage(const char *path, const char *types = "", double number = 0)
{
    lo_message m = lo_message_new();
    for (const char *t = types; *t; ++t) {
        switch (*t) {
        case 'i':
            lo_message_add_int32(m, static_cast<int>(number));
            break;
        case 'f':
            lo_message_add_float(m, static_cast<float>(number));
            break;
        case 'd':
            lo_message_add_double(m, number);
            break;
        case 'h':
            lo_message_add_int64(m, static_cast<int64_t>(number));
            break;
        case 's':
            lo_message_add_string(m, "x");
            break;
        }
    }
    size_t size = 0;
    void *bytes = lo_message_serialise(m, path, nullptr, &size);
    QByteArray out(static_cast<const char *>(bytes), static_cast<qsizetype>(size));
    free(bytes);
    lo_message_free(m);
    return out;
}

} // namespace

class TestOsc final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryAddress_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("value");
        QTest::newRow("play") << oscMessage("/quillmere/play") << int(Kind::Play) << 0.0;
        QTest::newRow("pause") << oscMessage("/quillmere/pause") << int(Kind::Pause) << 0.0;
        QTest::newRow("toggle") << oscMessage("/quillmere/toggle") << int(Kind::Toggle) << 0.0;
        // Companion sends a button's value along; it is not in the way.
        QTest::newRow("toggle with a value")
            << oscMessage("/quillmere/toggle", "i", 1) << int(Kind::Toggle) << 0.0;
        QTest::newRow("restart") << oscMessage("/quillmere/restart") << int(Kind::Restart) << 0.0;
        QTest::newRow("next") << oscMessage("/quillmere/cue/next") << int(Kind::NextCue) << 0.0;
        QTest::newRow("previous") << oscMessage("/quillmere/cue/previous") << int(Kind::PreviousCue)
                                  << 0.0;
        QTest::newRow("jump int") << oscMessage("/quillmere/cue/jump", "i", 2) << int(Kind::Jump)
                                  << 2.0;
        QTest::newRow("speed float")
            << oscMessage("/quillmere/speed", "f", 48) << int(Kind::SetSpeed) << 48.0;
        QTest::newRow("speed double")
            << oscMessage("/quillmere/speed", "d", 60) << int(Kind::SetSpeed) << 60.0;
        QTest::newRow("nudge int64")
            << oscMessage("/quillmere/speed/nudge", "h", -4) << int(Kind::NudgeSpeed) << -4.0;
        QTest::newRow("show") << oscMessage("/quillmere/show") << int(Kind::Show) << 0.0;
        QTest::newRow("hide") << oscMessage("/quillmere/hide") << int(Kind::Hide) << 0.0;
    }

    void readsEveryAddress()
    {
        QFETCH(QByteArray, packet);
        QFETCH(int, kind);
        QFETCH(double, value);
        const std::optional<OscRequest> r = readOscPacket(packet);
        QVERIFY(r && r->command);
        QCOMPARE(int(r->command->kind), kind);
        QCOMPARE(kind == int(Kind::Jump) ? double(r->command->index) : r->command->value, value);
    }

    void dropsWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("packet");
        const QByteArray play = oscMessage("/quillmere/play");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("unknown address") << oscMessage("/quillmere/quit");
        QTest::newRow("another program's") << oscMessage("/play");
        QTest::newRow("jump without number") << oscMessage("/quillmere/cue/jump");
        QTest::newRow("jump with text") << oscMessage("/quillmere/cue/jump", "s");
        QTest::newRow("jump negative") << oscMessage("/quillmere/cue/jump", "i", -3);
        QTest::newRow("speed not finite")
            << oscMessage("/quillmere/speed", "d", std::numeric_limits<double>::infinity());
        QTest::newRow("cut short") << play.left(play.size() - 4);
        QTest::newRow("not padded") << play + QByteArray("x");
        QTest::newRow("no terminator") << QByteArray("/quillmere/playx");
        QTest::newRow("bundle") << QByteArray("#bundle\0\0\0\0\0\0\0\0\1", 16);
        QTest::newRow("garbage") << QByteArray(64, '\xff');
    }

    void dropsWhatItCannotRead()
    {
        QFETCH(QByteArray, packet);
        QVERIFY(!readOscPacket(packet));
    }

    void hearsLoopbackAndTheAllowList_data()
    {
        QTest::addColumn<QStringList>("allow");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("heard");
        const QStringList none;
        const QStringList desk {QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.0/24"),
            QStringLiteral("not an address")};
        QTest::newRow("loopback") << none << "127.0.0.1" << true;
        QTest::newRow("v6 loopback") << none << "::1" << true;
        QTest::newRow("lan, empty list") << none << "192.168.1.20" << false;
        QTest::newRow("listed") << desk << "192.168.1.20" << true;
        QTest::newRow("listed, v4 in v6") << desk << "::ffff:192.168.1.20" << true;
        QTest::newRow("in a listed subnet") << desk << "10.0.0.77" << true;
        QTest::newRow("beside the listed") << desk << "192.168.1.21" << false;
        QTest::newRow("outside the subnet") << desk << "10.0.1.1" << false;
    }

    void hearsLoopbackAndTheAllowList()
    {
        QFETCH(QStringList, allow);
        QFETCH(QString, sender);
        QFETCH(bool, heard);
        ControllerFixture f;
        OscServer osc(f.controller);
        QVERIFY(osc.start(0, allow) != 0);
        QCOMPARE(osc.allowed(QHostAddress(sender)), heard);
    }

    // A button press over UDP plays the prompter, and the state comes back to the sender.
    void roundTripOnLoopback()
    {
        ControllerFixture f;
        f.setText(QStringLiteral("Hello\n# One\ntext"));
        f.controller.show();
        f.controller.playPause();
        QVERIFY(!f.controller.isPlaying());
        OscServer osc(f.controller);
        const quint16 port = osc.start(0, {});
        QVERIFY(port != 0);

        QUdpSocket desk;
        QVERIFY(desk.bind(QHostAddress::LocalHost, 0));
        desk.writeDatagram(oscMessage("/quillmere/toggle", "f", 1), QHostAddress::LocalHost, port);
        QTRY_VERIFY_WITH_TIMEOUT(f.controller.isPlaying(), 10000);
        QHash<QByteArray, QByteArray> back;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (desk.hasPendingDatagrams()) {
                    const QByteArray d = desk.receiveDatagram().data();
                    back.insert(QByteArray(d.constData()), d);
                }
                return back.contains("/quillmere/state/playing");
            }(),
            10000);
        // The value is the int32 1: the last four bytes, big-endian.
        QCOMPARE(back.value("/quillmere/state/playing").right(4), QByteArray("\0\0\0\1", 4));
        QVERIFY(back.contains("/quillmere/state/speed"));
    }

    // Bound to every interface for the allow-list, a packet from an address not on it is
    // dropped. Needs an address besides the loopback to send from.
    void refusedSenderIsDropped()
    {
        const QString lan = lanAddress();
        if (lan.isEmpty())
            QSKIP("no network address besides the loopback to send from");
        ControllerFixture f;
        f.controller.show();
        OscServer osc(f.controller);
        const quint16 port = osc.start(0, {QStringLiteral("203.0.113.9")});
        QVERIFY(port != 0);
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(lan), 0));
        stranger.writeDatagram(oscMessage("/quillmere/hide"), QHostAddress(lan), port);
        // Then the same from the loopback, which is heard: once it is, the first was read too.
        QUdpSocket local;
        QVERIFY(local.bind(QHostAddress::LocalHost, 0));
        local.writeDatagram(oscMessage("/quillmere/speed", "f", 77), QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(f.store.settings().speed, 77.0, 10000);
        QVERIFY(f.controller.isVisible());
        QVERIFY(!stranger.hasPendingDatagrams());
    }
};

QTEST_MAIN(TestOsc)
#include "tst_osc.moc"
