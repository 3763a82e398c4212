// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tiling_window_manager.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm::platform;

namespace {

QByteArray workspaces(const QList<std::pair<QRect, bool>> &list)
{
    QByteArray json = "[";
    for (const auto &[rect, visible] : list) {
        if (json.size() > 1)
            json += ',';
        json += QStringLiteral(
            R"({"name":"1","visible":%1,"rect":{"x":%2,"y":%3,"width":%4,"height":%5}})")
                    .arg(visible ? u"true" : u"false")
                    .arg(rect.x())
                    .arg(rect.y())
                    .arg(rect.width())
                    .arg(rect.height())
                    .toUtf8();
    }
    return json + "]";
}

} // namespace

class TestTilingWindowManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void framing()
    {
        const QByteArray one = tilingIpcMessage(kTilingGetWorkspaces, "[1]");
        QCOMPARE(one.size(), 14 + 3);
        QVERIFY(one.startsWith("i3-ipc"));

        QByteArray buffer = one.left(10);
        QVERIFY(!takeTilingIpcReply(buffer));
        QCOMPARE(buffer.size(), 10);
        buffer = one.left(15);
        QVERIFY(!takeTilingIpcReply(buffer));
        // Two replies arriving together come out one at a time.
        buffer = one + tilingIpcMessage(kTilingGetWorkspaces, "[]");
        QCOMPARE(takeTilingIpcReply(buffer), QByteArray("[1]"));
        QCOMPARE(takeTilingIpcReply(buffer), QByteArray("[]"));
        QVERIFY(buffer.isEmpty());
        // Not the protocol, or a length no answer has: dropped rather than waited on.
        buffer = "HTTP/1.1 400 Bad Request";
        QVERIFY(!takeTilingIpcReply(buffer));
        QVERIFY(buffer.isEmpty());
        buffer = "i3";
        QVERIFY(!takeTilingIpcReply(buffer));
        QCOMPARE(buffer, QByteArray("i3"));
        buffer = QByteArray("i3-ipc") + QByteArray(4, '\xff') + QByteArray(4, '\0');
        QVERIFY(!takeTilingIpcReply(buffer));
        QVERIFY(buffer.isEmpty());
    }

    void areas()
    {
        const QByteArray json
            = workspaces({{QRect(0, 23, 1512, 959), true}, {QRect(0, 23, 1512, 959), false},
                {QRect(1512, 0, 1920, 1050), true}, {QRect(0, 0, 0, 0), true}});
        QCOMPARE(visibleWorkspaceAreas(json),
            (QList<QRect> {QRect(0, 23, 1512, 959), QRect(1512, 0, 1920, 1050)}));
        QVERIFY(visibleWorkspaceAreas("not json").isEmpty());
        QVERIFY(visibleWorkspaceAreas(R"({"error":"unknown"})").isEmpty());
    }

    // Against a stand-in for the window manager's socket: asked once per refresh, the areas
    // taken from the answer, a change reported only when there is one; a move asked for.
    void asksTheWindowManager()
    {
        QTemporaryDir dir;
        QLocalServer server;
        const QString path = dir.filePath(QStringLiteral("ipc.sock"));
        QVERIFY(server.listen(path));
        QByteArray answer = workspaces({{QRect(0, 23, 1512, 959), true}});
        QList<QByteArray> asked;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket *client = server.nextPendingConnection();
            connect(client, &QLocalSocket::readyRead, client, [&, client] {
                asked.append(client->readAll());
                client->write(tilingIpcMessage(kTilingGetWorkspaces, answer));
            });
        });

        TilingWindowManager areas(path);
        QSignalSpy changed(&areas, &TilingWindowManager::changed);
        QVERIFY(!areas.areaOn(QRect(0, 0, 1512, 982)));
        areas.refresh();
        QVERIFY(changed.wait());
        QCOMPARE(asked, QList<QByteArray> {tilingIpcMessage(kTilingGetWorkspaces)});
        QCOMPARE(areas.areaOn(QRect(0, 0, 1512, 982)), QRect(0, 23, 1512, 959));
        QVERIFY(!areas.areaOn(QRect(1512, 0, 1920, 1080)));

        areas.refresh();
        QTRY_COMPARE(asked.size(), 2);
        answer = workspaces({{QRect(0, 0, 1512, 950), true}});
        areas.refresh();
        QVERIFY(changed.wait());
        QCOMPARE(changed.size(), 2);
        QCOMPARE(areas.areaOn(QRect(0, 0, 1512, 982)), QRect(0, 0, 1512, 950));

        // sway is asked to put a floating window where the program placed it.
        areas.moveFloating(0x400016, QPoint(476, 83));
        QTRY_COMPARE(asked.size(), 4);
        QCOMPARE(asked.last(),
            tilingIpcMessage(
                kTilingRunCommand, "[id=4194326] move absolute position 476 px 83 px"));
    }
};

QTEST_GUILESS_MAIN(TestTilingWindowManager)
#include "tst_tiling_window_manager.moc"
