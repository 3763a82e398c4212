// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QTimer>
#include <QUdpSocket>

namespace qm {

class PrompterController;

// OSC over UDP for lighting desks, QLab, TouchOSC and Stream Deck through Companion. OSC has
// no authentication, so only the loopback address and the addresses the user allowed are
// heard; a packet from anyone else is dropped before it is read. Each command is answered with
// the state, sent back to the sender's port, and a sender keeps getting the state when it
// changes for a while after.
//
// liblo encodes and decodes the messages; the socket is Qt's, so that the packets arrive on
// the program's own event loop (no liblo server thread calling into the engine) and the
// sender's address is checked before liblo sees a byte.
class OscServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OscServer)

public:
    explicit OscServer(PrompterController &prompter, QObject *parent = nullptr);
    ~OscServer() override;

    // Binds `port` (0 picks one) on 127.0.0.1 alone when `allow` is empty, on every interface
    // otherwise. `allow` holds addresses ("192.168.1.20") or subnets ("192.168.1.0/24");
    // entries that are neither are ignored. Answers the port, or 0 when it cannot bind.
    quint16 start(quint16 port, const QStringList &allow);
    bool allowed(const QHostAddress &sender) const;

    // How long a sender keeps getting the state after its last command.
    static constexpr int kFollowSeconds = 600;
    static constexpr int kLargestPacket = 8192;
    static constexpr int kMaxPeers = 16;

private:
    struct Peer {
        QHostAddress address;
        quint16 port = 0;
        double lastSeen = 0;
    };
    void readPending();
    void sendState(const QHostAddress &to, quint16 port);
    void pushToPeers();

    PrompterController &m_prompter;
    QUdpSocket m_socket;
    QList<QPair<QHostAddress, int>> m_allow;
    QList<Peer> m_peers;
    QTimer m_push;
    QByteArray m_lastPushed;
};

} // namespace qm
