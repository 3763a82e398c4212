// SPDX-License-Identifier: GPL-3.0-or-later
// The remote's server on loopback, driven by a real HTTP and WebSocket client.
#include "main_window/controller_fixture.h"
#include "model/script.h"
#include "prompter/scroll_state.h"
#include "remote/remote_server.h"
#include "remote/remote_state.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

#include <memory>

using namespace qm;
using qm::testing::ControllerFixture;

namespace {

const QString kToken = QStringLiteral("00112233445566778899aabbccddeeff");
const QString kText = QStringLiteral("Intro\n# One\nfirst\n# Two\nsecond\n# Three\nthird");

struct HttpAnswer {
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// A WebSocket client that keeps every message it is sent.
struct WsClient {
    QWebSocket socket;
    QList<QJsonObject> messages;
    WsClient()
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString &m) {
            messages.append(QJsonDocument::fromJson(m.toUtf8()).object());
        });
    }
    QList<QJsonObject> ofType(const char *type) const
    {
        QList<QJsonObject> out;
        for (const QJsonObject &m : messages) {
            if (m.value(QLatin1String("type")).toString() == QLatin1String(type))
                out.append(m);
        }
        return out;
    }
};

} // namespace

class TestRemoteServer final : public QObject {
    Q_OBJECT

    std::unique_ptr<ControllerFixture> f;
    std::unique_ptr<RemoteServer> server;
    QNetworkAccessManager net;
    quint16 port = 0;
    double gateNow = 0;

    QUrl url(const QString &path, const char *scheme = "http") const
    {
        QUrl u;
        u.setScheme(QLatin1String(scheme));
        u.setHost(QStringLiteral("127.0.0.1"));
        u.setPort(port);
        u.setPath(path);
        return u;
    }

    HttpAnswer call(const QString &path, const QByteArray &body = {},
        const QByteArray &authorization = "Bearer " + kToken.toLatin1())
    {
        QNetworkRequest request(url(path));
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization);
        request.setHeader(
            QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        QNetworkReply *reply = body.isNull() ? net.get(request) : net.post(request, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        [&] { QVERIFY(done.wait(10000)); }();
        HttpAnswer a {
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
        reply->deleteLater();
        return a;
    }

    std::unique_ptr<WsClient> pairedClient()
    {
        auto c = std::make_unique<WsClient>();
        c->socket.open(url(QStringLiteral("/ws"), "ws"));
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(c->socket.state(), QAbstractSocket::ConnectedState, 10000);
        }();
        c->socket.sendTextMessage(QStringLiteral("{\"token\":\"%1\"}").arg(kToken));
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!c->ofType("state").isEmpty(), 10000); }();
        return c;
    }

    // A shown prompter with three cues laid out at 1000, 2000 and 2500 points.
    void layOut()
    {
        f->controller.setContentHeight(3000);
        f->controller.setViewportHeight(300);
        f->controller.setCueOffsets({{1, 1000}, {2, 2000}, {3, 2500}});
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<ControllerFixture>();
        f->setText(kText);
        gateNow = 0;
        server = std::make_unique<RemoteServer>(f->controller, [this] { return gateNow; });
        server->setToken(kToken);
        port = server->start(0, QHostAddress::LocalHost);
        QVERIFY(port != 0);
    }

    void cleanup()
    {
        server.reset();
        f.reset();
    }

    void everyCommand_data()
    {
        QTest::addColumn<bool>("overWebSocket");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("before"); // hidden, paused, playing, at2100
        QTest::addColumn<QString>("what"); // what to read afterwards
        QTest::addColumn<double>("expected");
        struct Row {
            const char *name;
            const char *message;
            const char *before;
            const char *what;
            double expected;
        };
        const Row rows[] = {
            {"play", R"({"command":"play"})", "paused", "playing", 1},
            {"pause", R"({"command":"pause"})", "playing", "playing", 0},
            {"toggle", R"({"command":"toggle"})", "playing", "playing", 0},
            {"restart", R"({"command":"restart"})", "at2100", "target", 0},
            {"nextCue", R"({"command":"nextCue"})", "paused", "target", 994},
            {"previousCue", R"({"command":"previousCue"})", "at2100", "target", 1994},
            {"jump", R"({"command":"jump","index":2})", "paused", "target", 2494},
            {"setSpeed", R"({"command":"setSpeed","speed":50})", "paused", "speed", 50},
            {"setSpeed held to range", R"({"command":"setSpeed","speed":9999})", "paused", "speed",
                200},
            {"nudgeSpeed", R"({"command":"nudgeSpeed","delta":-4})", "paused", "speed", 32},
            {"scrollBy", R"({"command":"scrollBy","points":120})", "paused", "offset", 120},
            {"show", R"({"command":"show"})", "hidden", "visible", 1},
            {"hide", R"({"command":"hide"})", "playing", "visible", 0},
            {"selectScript", R"({"command":"selectScript","id":"SECOND"})", "paused", "second", 1},
        };
        for (const bool ws : {false, true}) {
            for (const Row &r : rows) {
                QTest::addRow("%s %s", ws ? "ws" : "http", r.name)
                    << ws << QByteArray(r.message) << QString::fromLatin1(r.before)
                    << QString::fromLatin1(r.what) << r.expected;
            }
        }
    }

    void everyCommand()
    {
        QFETCH(bool, overWebSocket);
        QFETCH(QByteArray, message);
        QFETCH(QString, before);
        QFETCH(QString, what);
        QFETCH(double, expected);

        PrompterController &p = f->controller;
        QList<Script> scripts = f->store.scripts();
        scripts.append(Script(QStringLiteral("Second"), QStringLiteral("two")));
        const QUuid second = scripts.last().id;
        f->store.setScripts(scripts);
        message.replace("SECOND", uuidText(second).toLatin1());

        if (before != QLatin1String("hidden")) {
            p.show();
            layOut();
            if (before == QLatin1String("paused"))
                p.playPause();
            if (before == QLatin1String("at2100")) {
                p.playPause();
                p.scrollBy(2100);
            }
        }
        QCOMPARE(p.isVisible(), before != QLatin1String("hidden"));
        QCOMPARE(p.isPlaying(), before == QLatin1String("playing"));

        if (overWebSocket) {
            auto c = pairedClient();
            c->socket.sendTextMessage(QString::fromUtf8(message));
            QTRY_VERIFY_WITH_TIMEOUT(!c->ofType("reply").isEmpty(), 10000);
            QCOMPARE(c->ofType("reply").first().value(QLatin1String("ok")).toBool(), true);
        } else {
            const HttpAnswer a = call(QStringLiteral("/api/command"), message);
            QCOMPARE(a.status, 200);
            QCOMPARE(a.json(), QJsonObject({{QStringLiteral("ok"), true}}));
        }

        if (what == QLatin1String("playing"))
            QCOMPARE(p.isPlaying(), expected != 0);
        else if (what == QLatin1String("visible"))
            QCOMPARE(p.isVisible(), expected != 0);
        else if (what == QLatin1String("target"))
            QCOMPARE(p.target().value_or(-1), expected);
        else if (what == QLatin1String("speed"))
            QCOMPARE(f->store.settings().speed, expected);
        else if (what == QLatin1String("offset"))
            QCOMPARE(p.scroll().offset(), expected);
        else if (what == QLatin1String("second"))
            QCOMPARE(f->store.selectedID(), std::optional<QUuid>(second));
        else
            QFAIL("unknown check");
    }

    void stateAnswersAndIsPushed()
    {
        f->controller.show();
        layOut();
        const HttpAnswer a = call(QStringLiteral("/api/state"));
        QCOMPARE(a.status, 200);
        const QJsonObject s = a.json();
        for (const char *key : {"shown", "playing", "speed", "progress", "remaining", "cue",
                 "scriptId", "title", "countdown", "offset", "sections"})
            QVERIFY2(s.contains(QLatin1String(key)), key);
        QCOMPARE(s.value(QLatin1String("sections")).toArray().size(), 4);
        QCOMPARE(
            s.value(QLatin1String("scriptId")).toString(), uuidText(f->store.selectedScript()->id));

        auto c = pairedClient();
        // The first state carries the text; later ones only what changed.
        QVERIFY(c->ofType("state").first().contains(QLatin1String("sections")));
        const bool playing = f->controller.isPlaying();
        f->controller.playPause();
        QTRY_VERIFY_WITH_TIMEOUT(
            c->ofType("state").last().value(QLatin1String("playing")).toBool() != playing, 10000);
        f->controller.scrollBy(300);
        QTRY_COMPARE_WITH_TIMEOUT(
            c->ofType("state").last().value(QLatin1String("offset")).toDouble(), 300.0, 10000);
        QVERIFY(!c->ofType("state").last().contains(QLatin1String("sections")));
        // A new script's text reaches the page.
        f->setText(QStringLiteral("Only\n# Cue"));
        QTRY_VERIFY_WITH_TIMEOUT(
            c->ofType("state").last().contains(QLatin1String("sections")), 10000);
        QCOMPARE(c->ofType("state").last().value(QLatin1String("sections")).toArray().size(), 2);
    }

    void wrongTokenGetsNothing_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        const QByteArray play = R"({"command":"show"})";
        QTest::newRow("no header, state") << QByteArray() << "/api/state" << QByteArray();
        QTest::newRow("no header, command") << QByteArray() << "/api/command" << play;
        QTest::newRow("wrong token")
            << QByteArray("Bearer 00112233445566778899aabbccddeef0") << "/api/command" << play;
        QTest::newRow("prefix of the token")
            << QByteArray("Bearer 0011223344556677") << "/api/command" << play;
        QTest::newRow("token with more after")
            << ("Bearer " + kToken.toLatin1() + "00") << "/api/command" << play;
        QTest::newRow("another scheme")
            << ("Basic " + kToken.toLatin1()) << "/api/state" << QByteArray();
        QTest::newRow("unknown call") << QByteArray() << "/api/scripts" << QByteArray();
    }

    void wrongTokenGetsNothing()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        const QJsonObject before = remoteState(f->controller);
        const HttpAnswer a = call(path, body, authorization);
        QCOMPARE(a.status, 401);
        QVERIFY(a.body.isEmpty());
        QCOMPARE(remoteState(f->controller), before);
        QVERIFY(!f->controller.isVisible());
    }

    void webSocketWithWrongTokenIsClosed_data()
    {
        QTest::addColumn<QString>("hello");
        QTest::newRow("wrong token") << R"({"token":"00112233445566778899aabbccddeef0"})";
        QTest::newRow("a command first") << R"({"command":"show"})";
        QTest::newRow("not JSON") << "hello";
    }

    void webSocketWithWrongTokenIsClosed()
    {
        QFETCH(QString, hello);
        WsClient c;
        c.socket.open(url(QStringLiteral("/ws"), "ws"));
        QTRY_COMPARE_WITH_TIMEOUT(c.socket.state(), QAbstractSocket::ConnectedState, 10000);
        c.socket.sendTextMessage(hello);
        QTRY_COMPARE_WITH_TIMEOUT(c.socket.state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(int(c.socket.closeCode()), 4401);
        QVERIFY(c.messages.isEmpty());
        QVERIFY(!f->controller.isVisible());
        QCOMPARE(server->clients(), 0);
    }

    void burstOfWrongTokensIsShutOut()
    {
        for (int i = 0; i < AuthGate::kFailuresAllowed; ++i)
            QCOMPARE(call(QStringLiteral("/api/state"), {}, "Bearer nope").status, 401);
        QCOMPARE(call(QStringLiteral("/api/state"), {}, "Bearer nope").status, 429);
        // Shut out means the right token too, and the WebSocket too.
        QCOMPARE(call(QStringLiteral("/api/state")).status, 429);
        WsClient c;
        c.socket.open(url(QStringLiteral("/ws"), "ws"));
        QTRY_COMPARE_WITH_TIMEOUT(c.socket.state(), QAbstractSocket::UnconnectedState, 10000);
        QVERIFY(c.messages.isEmpty());
        // A minute later the address is heard again.
        gateNow += AuthGate::kBlockFor + 1;
        QCOMPARE(call(QStringLiteral("/api/state")).status, 200);
    }

    void malformedIsAnsweredAndHarmless_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("status");
        QTest::newRow("not JSON") << QByteArray("play!") << 400;
        QTest::newRow("empty") << QByteArray("") << 400;
        QTest::newRow("array") << QByteArray(R"(["play"])") << 400;
        QTest::newRow("no command") << QByteArray(R"({"speed":40})") << 400;
        QTest::newRow("command not text") << QByteArray(R"({"command":7})") << 400;
        QTest::newRow("unknown command") << QByteArray(R"({"command":"quit"})") << 400;
        QTest::newRow("jump without index") << QByteArray(R"({"command":"jump"})") << 400;
        QTest::newRow("jump negative") << QByteArray(R"({"command":"jump","index":-1})") << 400;
        QTest::newRow("jump fraction") << QByteArray(R"({"command":"jump","index":0.5})") << 400;
        QTest::newRow("jump past the cues") << QByteArray(R"({"command":"jump","index":3})") << 422;
        QTest::newRow("speed as text")
            << QByteArray(R"({"command":"setSpeed","speed":"40"})") << 400;
        QTest::newRow("huge nudge")
            << QByteArray(R"({"command":"nudgeSpeed","delta":1e300})") << 400;
        QTest::newRow("scroll null")
            << QByteArray(R"({"command":"scrollBy","points":null})") << 400;
        QTest::newRow("script id not a uuid")
            << QByteArray(R"({"command":"selectScript","id":"../../etc"})") << 400;
        QTest::newRow("unknown script") << QByteArray(
            R"({"command":"selectScript","id":"00000000-0000-0000-0000-000000000001"})")
                                        << 422;
        QTest::newRow("deep nesting") << QByteArray(20000, '[') << 400;
    }

    void malformedIsAnsweredAndHarmless()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, status);
        f->controller.show();
        layOut();
        const QJsonObject before = remoteState(f->controller);
        const std::optional<QUuid> selected = f->store.selectedID();

        const HttpAnswer a = call(QStringLiteral("/api/command"), message);
        QCOMPARE(a.status, status);
        QCOMPARE(a.json().value(QLatin1String("ok")), QJsonValue(false));
        QVERIFY(!a.json().value(QLatin1String("error")).toString().isEmpty());

        auto c = pairedClient();
        c->socket.sendTextMessage(QString::fromUtf8(message));
        QTRY_VERIFY_WITH_TIMEOUT(!c->ofType("reply").isEmpty(), 10000);
        QCOMPARE(c->ofType("reply").first().value(QLatin1String("ok")), QJsonValue(false));
        QCOMPARE(c->socket.state(), QAbstractSocket::ConnectedState);

        QCOMPARE(remoteState(f->controller), before);
        QCOMPARE(f->store.selectedID(), selected);
    }

    void pageIsServedWithoutTokenAndLoadsNothingElse()
    {
        const HttpAnswer page = call(QStringLiteral("/"), QByteArray(), QByteArray());
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("<html"));
        // Nothing from elsewhere: no address in the page but its own.
        QVERIFY(!page.body.contains("http://") && !page.body.contains("https://"));
        QCOMPARE(call(QStringLiteral("/app.js"), QByteArray(), QByteArray()).status, 200);
        QCOMPARE(call(QStringLiteral("/../settings.json"), QByteArray(), QByteArray()).status, 404);
    }

    void newTokenEndsPairedSessions()
    {
        auto c = pairedClient();
        QCOMPARE(server->clients(), 1);
        server->setToken(QStringLiteral("ffeeddccbbaa99887766554433221100"));
        QTRY_COMPARE_WITH_TIMEOUT(c->socket.state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(call(QStringLiteral("/api/state")).status, 401);
    }
};

QTEST_MAIN(TestRemoteServer)
#include "tst_remote_server.moc"
