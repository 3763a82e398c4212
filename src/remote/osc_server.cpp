// SPDX-License-Identifier: GPL-3.0-or-later
#include "osc_server.h"

#include "osc_dispatch.h"
#include "platform/monotonic_clock.h"
#include "prompter/prompter_controller.h"
#include "remote_actions.h"
#include "remote_state.h"
#include "store/store.h"

#include <QJsonObject>
#include <QNetworkDatagram>

namespace qm {

namespace {

// The state as the OSC messages sent back: a path under /quillmere/state/ and its value.
using OscStateMessage = QPair<QByteArray, QVariant>;

QList<OscStateMessage> oscState(const PrompterController &prompter)
{
    const QJsonObject s = remoteState(prompter);
    const auto number = [&s](const char *key) {
        return static_cast<float>(s.value(QLatin1String(key)).toDouble());
    };
    const QJsonValue cue = s.value(QLatin1String("cue"));
    return {
        {"/quillmere/state/shown", int(s.value(QLatin1String("shown")).toBool())},
        {"/quillmere/state/playing", int(s.value(QLatin1String("playing")).toBool())},
        {"/quillmere/state/speed", number("speed")},
        {"/quillmere/state/progress", number("progress")},
        {"/quillmere/state/remaining", number("remaining")},
        {"/quillmere/state/cue", cue.isDouble() ? cue.toInt() : -1},
        {"/quillmere/state/title", s.value(QLatin1String("title")).toString()},
    };
}

} // namespace

OscServer::OscServer(PrompterController &prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &OscServer::readPending);
    // Discrete changes only, and the position at most twice a second: a desk's feedback
    // needs no more, and a slow link must not fill with positions.
    m_push.setSingleShot(true);
    m_push.setInterval(500);
    connect(&m_push, &QTimer::timeout, this, &OscServer::pushToPeers);
    const auto soon = [this] {
        if (!m_peers.isEmpty() && !m_push.isActive())
            m_push.start();
    };
    connect(&prompter, &PrompterController::isPlayingChanged, this, soon);
    connect(&prompter, &PrompterController::isVisibleChanged, this, soon);
    connect(&prompter, &PrompterController::currentCueIDChanged, this, soon);
    connect(&prompter, &PrompterController::frame, this, soon);
    connect(&prompter.store(), &Store::settingsChanged, this, soon);
}

OscServer::~OscServer() = default;

quint16 OscServer::start(quint16 port, const QStringList &allow)
{
    m_allow.clear();
    for (const QString &entry : allow) {
        const QString e = entry.trimmed();
        if (e.contains(u'/')) {
            const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(e);
            if (!subnet.first.isNull())
                m_allow.append(subnet);
        } else if (QHostAddress a(e); !a.isNull()) {
            m_allow.append({a, a.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32});
        }
    }
    const QHostAddress bindTo = m_allow.isEmpty() ? QHostAddress(QHostAddress::LocalHost)
                                                  : QHostAddress(QHostAddress::AnyIPv4);
    if (!m_socket.bind(bindTo, port))
        return 0;
    return m_socket.localPort();
}

bool OscServer::allowed(const QHostAddress &sender) const
{
    // An IPv4 sender may arrive as ::ffff:a.b.c.d.
    bool mapped = false;
    const quint32 v4 = sender.toIPv4Address(&mapped);
    const QHostAddress plain = mapped ? QHostAddress(v4) : sender;
    if (plain.isLoopback())
        return true;
    for (const auto &subnet : m_allow) {
        if (plain.isInSubnet(subnet))
            return true;
    }
    return false;
}

void OscServer::readPending()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kLargestPacket);
        if (!datagram.isValid() || !allowed(datagram.senderAddress()))
            continue;
        const std::optional<OscRequest> request = readOscPacket(datagram.data());
        if (!request)
            continue;
        if (request->command)
            performRemoteCommand(*request->command, m_prompter);
        const QHostAddress from = datagram.senderAddress();
        const quint16 port = static_cast<quint16>(datagram.senderPort());
        bool known = false;
        for (Peer &p : m_peers) {
            if (p.address == from && p.port == port) {
                p.lastSeen = monotonicSeconds();
                known = true;
            }
        }
        if (!known) {
            if (m_peers.size() >= kMaxPeers)
                m_peers.removeFirst();
            m_peers.append({from, port, monotonicSeconds()});
        }
        sendState(from, port);
    }
}

void OscServer::sendState(const QHostAddress &to, quint16 port)
{
    for (const OscStateMessage &m : oscState(m_prompter)) {
        const QByteArray bytes = encodeOscMessage(m.first, m.second);
        if (!bytes.isEmpty())
            m_socket.writeDatagram(bytes, to, port);
    }
}

void OscServer::pushToPeers()
{
    const double now = monotonicSeconds();
    m_peers.removeIf([now](const Peer &p) { return now - p.lastSeen > kFollowSeconds; });
    QByteArray all;
    for (const OscStateMessage &m : oscState(m_prompter))
        all += encodeOscMessage(m.first, m.second);
    if (all == m_lastPushed)
        return;
    m_lastPushed = all;
    for (const Peer &p : std::as_const(m_peers))
        sendState(p.address, p.port);
}

} // namespace qm
