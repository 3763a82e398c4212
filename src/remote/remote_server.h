// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "auth_gate.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <memory>

class QWebSocket;

namespace qm {

class PrompterController;

// The phone page, the HTTP API and the WebSocket at /ws, on one port. Built only while the
// remote is on: constructing it opens nothing, listen() opens the one socket, and destroying
// it closes every connection.
//
// It derives from QAbstractHttpServer rather than using QHttpServer's router: the router of
// the 6.4 preview hands its views no client address, which the failure count needs, and every
// answer here goes through one check of the token anyway.
class RemoteServer final : public QAbstractHttpServer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemoteServer)

public:
    RemoteServer(
        PrompterController &prompter, AuthGate::Clock clock = {}, QObject *parent = nullptr);
    ~RemoteServer() override;

    // Listens on every interface (a phone is on the network) at `port`; 0 picks a free one.
    // Answers the port, or 0 when it cannot.
    quint16 start(quint16 port, const QHostAddress &address = QHostAddress::Any);
    void setToken(const QString &token);

    // Sessions that presented the token and are still open.
    int clients() const;

    // How long a WebSocket client has to present the token before it is closed.
    static constexpr int kHelloTimeoutMs = 10000;
    // States are sent at most this often while the text moves.
    static constexpr int kPushIntervalMs = 33;
    // No message a client sends is anywhere near this.
    static constexpr qint64 kLargestMessage = 64 * 1024;
    // Open WebSocket sessions, paired or not; a phone, a follower and a few scripts need far
    // fewer.
    static constexpr int kMostSessions = 32;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Session {
        QWebSocket *socket = nullptr;
        bool authenticated = false;
    };

    void acceptWebSockets();
    void received(QWebSocket *socket, const QString &message);
    void dropSession(QWebSocket *socket);
    void schedulePush();
    void push();
    void sendState(QWebSocket *socket, bool withSections);
    bool serveFile(const QString &path, QHttpServerResponder &responder);

    PrompterController &m_prompter;
    AuthGate m_gate;
    QString m_token;
    QList<Session> m_sessions;
    QTimer m_push;
    QJsonObject m_lastState;
    QHash<qint64, double> m_lastOffsets;
    bool m_sectionsDirty = true;
};

} // namespace qm
