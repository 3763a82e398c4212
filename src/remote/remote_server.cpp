// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_server.h"

#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "remote_actions.h"
#include "remote_command.h"
#include "remote_state.h"
#include "store/store.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QWebSocket>

namespace qm {

namespace {

using Status = QHttpServerResponder::StatusCode;

// The page loads only what this server serves and talks only to it.
const QByteArray kPageHeaders[][2] = {
    {"Content-Security-Policy",
        "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
        "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
};

struct WebFile {
    const char *path;
    const char *resource;
    const char *type;
};

constexpr WebFile kWebFiles[] = {
    {"/", ":/remote/web/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/remote/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/remote/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/remote/web/style.css", "text/css; charset=utf-8"},
};

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject failure(const QString &error)
{
    return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), error}};
}

void answer(QHttpServerResponder &responder, const QJsonObject &body, Status status)
{
    responder.write(compact(body),
        {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}, status);
}

// The secret from "Authorization: Bearer <token>"; empty when there is none.
QByteArray bearerToken(const QHttpServerRequest &request)
{
    const QByteArray header = request.value("authorization").trimmed();
    static const QByteArray scheme = "bearer ";
    if (header.size() <= scheme.size() || header.left(scheme.size()).toLower() != scheme)
        return {};
    return header.mid(scheme.size()).trimmed();
}

// Close codes of the application's own range.
constexpr auto kCloseUnauthorized = static_cast<QWebSocketProtocol::CloseCode>(4401);
constexpr auto kCloseTooMany = static_cast<QWebSocketProtocol::CloseCode>(4429);

} // namespace

RemoteServer::RemoteServer(PrompterController &prompter, AuthGate::Clock clock, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_prompter(prompter)
    , m_gate(std::move(clock))
{
    m_push.setSingleShot(true);
    m_push.setInterval(kPushIntervalMs);
    connect(&m_push, &QTimer::timeout, this, &RemoteServer::push);
    connect(
        this, &QAbstractHttpServer::newWebSocketConnection, this, &RemoteServer::acceptWebSockets);

    PrompterController *p = &m_prompter;
    const auto pushSoon = [this] { schedulePush(); };
    const auto sectionsSoon = [this] {
        m_sectionsDirty = true;
        schedulePush();
    };
    connect(p, &PrompterController::isPlayingChanged, this, pushSoon);
    connect(p, &PrompterController::isVisibleChanged, this, sectionsSoon);
    connect(p, &PrompterController::countdownChanged, this, pushSoon);
    connect(p, &PrompterController::currentCueIDChanged, this, pushSoon);
    connect(p, &PrompterController::atEndChanged, this, pushSoon);
    connect(p, &PrompterController::sectionsChanged, this, sectionsSoon);
    // The cue positions arrive with the view's layout, which signals nothing; the frames after
    // it bring them.
    connect(p, &PrompterController::frame, this, pushSoon);
    connect(&p->scroll(), &ScrollState::offsetChanged, this, pushSoon);
    connect(&p->store(), &Store::settingsChanged, this, pushSoon);
    connect(&p->store(), &Store::selectedIDChanged, this, sectionsSoon);
    connect(&p->store(), &Store::scriptsChanged, this, sectionsSoon);
}

RemoteServer::~RemoteServer()
{
    for (const Session &s : std::as_const(m_sessions)) {
        s.socket->disconnect(this);
        s.socket->abort();
        delete s.socket;
    }
}

quint16 RemoteServer::start(quint16 port, const QHostAddress &address)
{
    return listen(address, port);
}

void RemoteServer::setToken(const QString &token)
{
    if (token == m_token)
        return;
    m_token = token;
    m_gate.setToken(token);
    // Whoever paired with the old secret is no longer paired.
    const QList<Session> sessions = m_sessions;
    for (const Session &s : sessions) {
        if (s.authenticated)
            s.socket->close(kCloseUnauthorized, QStringLiteral("unauthorized"));
    }
}

int RemoteServer::clients() const
{
    int n = 0;
    for (const Session &s : m_sessions)
        n += s.authenticated ? 1 : 0;
    return n;
}

bool RemoteServer::serveFile(const QString &path, QHttpServerResponder &responder)
{
    for (const WebFile &f : kWebFiles) {
        if (path != QLatin1String(f.path))
            continue;
        QFile file(QLatin1String(f.resource));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        responder.writeStatusLine(Status::Ok);
        responder.writeHeader("Content-Type", f.type);
        for (const auto &h : kPageHeaders)
            responder.writeHeader(h[0], h[1]);
        const QByteArray body = file.readAll();
        responder.writeHeader("Content-Length", QByteArray::number(body.size()));
        responder.writeBody(body);
        return true;
    }
    return false;
}

bool RemoteServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // The 6.4 server hands a WebSocket handshake on only when the handler takes the request
    // and writes nothing back; declined, it answers 404 and closes.
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
        return request.url().path() == QLatin1String("/ws");
    QHttpServerResponder responder = makeResponder(request, socket);
    const QString path = request.url().path();
    const bool api = path.startsWith(QLatin1String("/api/"));

    if (!api) {
        if (request.method() == QHttpServerRequest::Method::Get && serveFile(path, responder))
            return true;
        responder.write(Status::NotFound);
        return true;
    }

    switch (m_gate.check(request.remoteAddress(), bearerToken(request))) {
    case AuthGate::Verdict::Allowed:
        break;
    case AuthGate::Verdict::Refused:
        responder.write({{"WWW-Authenticate", "Bearer"}}, Status::Unauthorized);
        return true;
    case AuthGate::Verdict::Blocked:
        responder.write({{"Retry-After", "60"}}, Status::TooManyRequests);
        return true;
    }

    if (path == QLatin1String("/api/state")) {
        if (request.method() != QHttpServerRequest::Method::Get) {
            answer(responder, failure(QStringLiteral("use GET")), Status::MethodNotAllowed);
            return true;
        }
        QJsonObject state = remoteState(m_prompter);
        state.insert(QStringLiteral("sections"), remoteSections(m_prompter));
        state.insert(QStringLiteral("text"), remoteText(m_prompter));
        answer(responder, state, Status::Ok);
        return true;
    }
    if (path == QLatin1String("/api/command")) {
        if (request.method() != QHttpServerRequest::Method::Post) {
            answer(responder, failure(QStringLiteral("use POST")), Status::MethodNotAllowed);
            return true;
        }
        const RemoteRead read = readRemoteCommand(request.body());
        if (const auto *error = std::get_if<RemoteError>(&read)) {
            answer(responder, failure(error->message), Status::BadRequest);
            return true;
        }
        const QString refused = performRemoteCommand(std::get<RemoteCommand>(read), m_prompter);
        if (!refused.isEmpty())
            answer(responder, failure(refused), Status::UnprocessableEntity);
        else
            answer(responder, {{QStringLiteral("ok"), true}}, Status::Ok);
        return true;
    }
    answer(responder, failure(QStringLiteral("no such call")), Status::NotFound);
    return true;
}

void RemoteServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(Status::NotFound);
}

void RemoteServer::acceptWebSockets()
{
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> owned = nextPendingWebSocketConnection();
        if (!owned)
            continue;
        QWebSocket *socket = owned.release();
        socket->setParent(this);
        socket->setMaxAllowedIncomingMessageSize(kLargestMessage);
        socket->setMaxAllowedIncomingFrameSize(kLargestMessage);
        m_sessions.append({socket, false});
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropSession(socket); });
        if (m_sessions.size() > kMostSessions) {
            socket->close(QWebSocketProtocol::CloseCodeTooMuchData, QStringLiteral("too many"));
            continue;
        }
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            socket->close(
                QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no such path"));
            continue;
        }
        if (m_gate.blocked(socket->peerAddress())) {
            socket->close(kCloseTooMany, QStringLiteral("too many attempts"));
            continue;
        }
        connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString &message) { received(socket, message); });
        connect(socket, &QWebSocket::binaryMessageReceived, this, [socket] {
            socket->sendTextMessage(
                QStringLiteral("{\"type\":\"error\",\"error\":\"messages are JSON text\"}"));
        });
        // A client that never says who it is does not keep a connection open.
        QPointer<QWebSocket> guard(socket);
        QTimer::singleShot(kHelloTimeoutMs, this, [this, guard] {
            if (!guard)
                return;
            for (const Session &s : std::as_const(m_sessions)) {
                if (s.socket == guard && !s.authenticated)
                    guard->close(kCloseUnauthorized, QStringLiteral("unauthorized"));
            }
        });
    }
}

void RemoteServer::dropSession(QWebSocket *socket)
{
    for (qsizetype i = 0; i < m_sessions.size(); ++i) {
        if (m_sessions[i].socket == socket) {
            m_sessions.removeAt(i);
            socket->deleteLater();
            return;
        }
    }
}

void RemoteServer::received(QWebSocket *socket, const QString &message)
{
    Session *session = nullptr;
    for (Session &s : m_sessions) {
        if (s.socket == socket)
            session = &s;
    }
    if (!session)
        return;

    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(message.toUtf8(), &error);
    const QJsonObject o = doc.object();

    if (!session->authenticated) {
        // The first message is the secret and nothing else is looked at before it.
        const QByteArray token = o.value(QLatin1String("token")).toString().toUtf8();
        switch (m_gate.check(socket->peerAddress(), token)) {
        case AuthGate::Verdict::Allowed:
            session->authenticated = true;
            sendState(socket, true);
            return;
        case AuthGate::Verdict::Refused:
            socket->close(kCloseUnauthorized, QStringLiteral("unauthorized"));
            return;
        case AuthGate::Verdict::Blocked:
            socket->close(kCloseTooMany, QStringLiteral("too many attempts"));
            return;
        }
        return;
    }

    // The page asks every few seconds whether the link still stands.
    if (o.value(QLatin1String("type")).toString() == QLatin1String("ping")) {
        socket->sendTextMessage(QStringLiteral("{\"type\":\"pong\"}"));
        return;
    }
    QJsonObject reply {{QStringLiteral("type"), QStringLiteral("reply")}};
    // A client may number its messages to match the replies.
    if (const QJsonValue id = o.value(QLatin1String("id")); id.isDouble() || id.isString())
        reply.insert(QStringLiteral("id"), id);
    const RemoteRead read = error.error == QJsonParseError::NoError && doc.isObject()
        ? readRemoteCommand(o)
        : RemoteRead(RemoteError {QStringLiteral("not a JSON object")});
    QString refused;
    if (const auto *e = std::get_if<RemoteError>(&read))
        refused = e->message;
    else
        refused = performRemoteCommand(std::get<RemoteCommand>(read), m_prompter);
    reply.insert(QStringLiteral("ok"), refused.isEmpty());
    if (!refused.isEmpty())
        reply.insert(QStringLiteral("error"), refused);
    socket->sendTextMessage(QString::fromUtf8(compact(reply)));
}

void RemoteServer::schedulePush()
{
    if (!m_push.isActive())
        m_push.start();
}

void RemoteServer::sendState(QWebSocket *socket, bool withSections)
{
    QJsonObject state = remoteState(m_prompter);
    state.insert(QStringLiteral("type"), QStringLiteral("state"));
    if (withSections) {
        state.insert(QStringLiteral("sections"), remoteSections(m_prompter));
        state.insert(QStringLiteral("text"), remoteText(m_prompter));
    }
    socket->sendTextMessage(QString::fromUtf8(compact(state)));
}

void RemoteServer::push()
{
    if (clients() == 0) {
        m_lastState = {};
        return;
    }
    const QJsonObject state = remoteState(m_prompter);
    const bool sections = m_sectionsDirty || m_prompter.cueOffsets() != m_lastOffsets;
    if (state == m_lastState && !sections)
        return;
    m_lastState = state;
    m_lastOffsets = m_prompter.cueOffsets();
    m_sectionsDirty = false;
    for (const Session &s : std::as_const(m_sessions)) {
        if (s.authenticated)
            sendState(s.socket, sections);
    }
}

} // namespace qm
