// SPDX-License-Identifier: GPL-3.0-or-later
#include "follow_link.h"

#include "model/script.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "store/store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebSocket>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace qm {

namespace {

constexpr auto kLeaderRefused = static_cast<QWebSocketProtocol::CloseCode>(4401);

// Makes the follower's copy of the leader's script (same id, title and text) and selects it.
void mirrorScript(Store &store, const QUuid &id, const QString &title, const QString &text)
{
    bool found = false;
    for (const Script &s : store.scripts()) {
        if (s.id != id)
            continue;
        found = true;
        if (s.title != title)
            store.setScriptTitle(id, title);
        if (s.text != text)
            store.setScriptText(id, text);
    }
    if (!found) {
        QList<Script> scripts = store.scripts();
        scripts.append(Script(title, text, id));
        store.setScripts(scripts);
    }
    if (store.selectedID() != id)
        store.setSelectedID(id);
}

} // namespace

FollowLink::FollowLink(PrompterController &prompter, const PairingLink &leader, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_leader(leader)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &FollowLink::connectNow);
    connect(&prompter, &PrompterController::isPlayingChanged, this, &FollowLink::localChange);
    connect(&prompter, &PrompterController::isVisibleChanged, this, &FollowLink::localChange);
    connect(&prompter.store(), &Store::settingsChanged, this, &FollowLink::localChange);
    connectNow();
}

FollowLink::~FollowLink()
{
    if (m_socket)
        m_socket->disconnect(this);
    m_prompter.setSourceLost(false);
}

QString FollowLink::description() const
{
    const QString where = m_leader.base.host() + u':' + QString::number(m_leader.base.port());
    switch (m_state) {
    case State::Connecting:
        return QStringLiteral("Connecting to %1…").arg(where);
    case State::Following:
        return QStringLiteral("Following %1.").arg(where);
    case State::Lost:
        return QStringLiteral("Lost %1: holding the last place, trying again.").arg(where);
    case State::Refused:
        return QStringLiteral("%1 refused the link: copy a fresh one from it.").arg(where);
    }
    return {};
}

void FollowLink::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

void FollowLink::connectNow()
{
    if (m_socket)
        m_socket->disconnect(this);
    m_socket = std::make_unique<QWebSocket>();
    QWebSocket *socket = m_socket.get();
    // A leader's state carries its whole script; even a book fits well within this.
    socket->setMaxAllowedIncomingMessageSize(64 * 1024 * 1024);
    connect(socket, &QWebSocket::connected, this, [this, socket] {
        socket->sendTextMessage(QString::fromUtf8(QJsonDocument(
            QJsonObject {{QStringLiteral("token"),
                m_leader.token}}).toJson(QJsonDocument::Compact)));
    });
    connect(socket, &QWebSocket::textMessageReceived, this, &FollowLink::received);
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        if (socket->closeCode() == kLeaderRefused) {
            setState(State::Refused);
            return;
        }
        // Never reached yet is still connecting; once followed, it is lost, and the prompter
        // holds its last place until the leader is back.
        if (m_state != State::Connecting) {
            setState(State::Lost);
            m_applying = true;
            if (m_prompter.isPlaying())
                m_prompter.playPause();
            m_prompter.setSourceLost(true);
            m_applying = false;
        }
        m_retry.start();
    });
    QUrl url = m_leader.base;
    url.setScheme(QStringLiteral("ws"));
    url.setPath(QStringLiteral("/ws"));
    socket->open(url);
}

void FollowLink::received(const QString &message)
{
    const QJsonObject o = QJsonDocument::fromJson(message.toUtf8()).object();
    if (o.value(QLatin1String("type")).toString() != QLatin1String("state"))
        return;
    setState(State::Following);
    m_applying = true;
    m_prompter.setSourceLost(false);
    apply(o);
    m_applying = false;
}

double FollowLink::followerOffset(double leaderOffset, double leaderMax) const
{
    // The two prompters may lay the text out at different widths and sizes: the same cue is
    // the same place, and between two cues the text is stretched to fit.
    std::vector<std::pair<double, double>> points {{0.0, 0.0}};
    const QHash<qint64, double> &mine = m_prompter.cueOffsets();
    for (auto it = m_leaderCues.constBegin(); it != m_leaderCues.constEnd(); ++it) {
        if (const auto m = mine.constFind(it.key()); m != mine.constEnd())
            points.emplace_back(it.value(), m.value());
    }
    points.emplace_back(std::max(leaderMax, 1.0), m_prompter.maxOffset());
    std::sort(points.begin(), points.end());
    for (size_t i = 1; i < points.size(); ++i) {
        const auto [y0, f0] = points[i - 1];
        const auto [y1, f1] = points[i];
        if (leaderOffset <= y1 || i + 1 == points.size()) {
            const double t = y1 > y0 ? std::clamp((leaderOffset - y0) / (y1 - y0), 0.0, 1.0) : 0;
            return f0 + t * (f1 - f0);
        }
    }
    return 0;
}

void FollowLink::apply(const QJsonObject &leader)
{
    m_last = leader;
    Store &store = m_prompter.store();
    const std::optional<QUuid> id
        = parseCanonicalUuid(leader.value(QLatin1String("scriptId")).toString());
    if (id && leader.contains(QLatin1String("text"))) {
        mirrorScript(store, *id, leader.value(QLatin1String("title")).toString(),
            leader.value(QLatin1String("text")).toString());
    }
    if (leader.contains(QLatin1String("sections"))) {
        m_leaderCues.clear();
        for (const QJsonValue &v : leader.value(QLatin1String("sections")).toArray()) {
            const QJsonObject s = v.toObject();
            if (s.value(QLatin1String("y")).isDouble())
                m_leaderCues.insert(s.value(QLatin1String("id")).toInteger(),
                    s.value(QLatin1String("y")).toDouble());
        }
    }

    const double speed = leader.value(QLatin1String("speed")).toDouble(store.settings().speed);
    if (std::isfinite(speed) && speed != store.settings().speed)
        m_prompter.nudgeSpeed(speed - store.settings().speed);

    const bool shown = leader.value(QLatin1String("shown")).toBool();
    const bool playing = leader.value(QLatin1String("playing")).toBool()
        || leader.value(QLatin1String("countdown")).isDouble();
    if (!shown) {
        if (m_prompter.isVisible())
            m_prompter.hide();
        return;
    }
    if (!m_prompter.isVisible())
        m_prompter.show();
    // The leader counts down; the follower need not count again.
    if (m_prompter.countdown())
        m_prompter.playPause();
    if (m_prompter.isPlaying() != playing)
        m_prompter.playPause();

    const double offset = followerOffset(leader.value(QLatin1String("offset")).toDouble(),
        leader.value(QLatin1String("maxOffset")).toDouble());
    if (std::isfinite(offset) && std::abs(offset - m_prompter.scroll().offset()) > kLeeway)
        m_prompter.scrollBy(offset - m_prompter.scroll().offset());
}

void FollowLink::send(const QJsonObject &command)
{
    if (m_socket && m_state == State::Following)
        m_socket->sendTextMessage(
            QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
}

// A change this program made by itself (a hot key, the tray, the transport): the leader is
// asked for it, and its state then moves both.
void FollowLink::localChange()
{
    if (m_applying || m_state != State::Following || m_last.isEmpty())
        return;
    const auto command = [](const char *name) {
        return QJsonObject {{QStringLiteral("command"), QLatin1String(name)}};
    };
    const bool leaderShown = m_last.value(QLatin1String("shown")).toBool();
    const bool leaderPlaying = m_last.value(QLatin1String("playing")).toBool();
    if (m_prompter.isVisible() != leaderShown)
        send(command(m_prompter.isVisible() ? "show" : "hide"));
    else if (m_prompter.isVisible() && m_prompter.isPlaying() != leaderPlaying)
        send(command(m_prompter.isPlaying() ? "play" : "pause"));
    const double speed = m_prompter.store().settings().speed;
    if (speed != m_last.value(QLatin1String("speed")).toDouble()) {
        QJsonObject set = command("setSpeed");
        set.insert(QStringLiteral("speed"), speed);
        send(set);
    }
}

} // namespace qm
