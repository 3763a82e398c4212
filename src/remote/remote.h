// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace qm {

class FollowLink;
class OscServer;
class PrompterController;
class RemoteServer;
class Store;

// Keeps the network remote as the settings say, and the link to a leader when following one: while
// remoteEnabled is off there is no server object and so no socket; switched on, it makes the
// pairing secret if there is none yet and starts the web server and the OSC listener; a change of
// port, secret or allow-list restarts them.
class Remote final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Remote)

public:
    Remote(Store &store, PrompterController &prompter, QObject *parent = nullptr);
    ~Remote() override;

    bool running() const { return m_server != nullptr; }
    // The ports listened on; 0 while off or when a port could not be had.
    quint16 webPort() const { return m_webPort; }
    quint16 oscPort() const { return m_oscPort; }
    // Why the remote is not listening though it is on; empty otherwise.
    QString problem() const { return m_problem; }
    // The link a phone opens, with this machine's network address; empty while off.
    QString link() const;

    // The link to the leader this program follows; null when it follows none.
    FollowLink *follow() const { return m_follow.get(); }

    // Makes a new secret: every paired phone and follower must pair again.
    void forgetPairedDevices();

Q_SIGNALS:
    void stateChanged();

private:
    void sync();
    void syncFollow();
    void stop();

    Store &m_store;
    PrompterController &m_prompter;
    std::unique_ptr<RemoteServer> m_server;
    std::unique_ptr<OscServer> m_osc;
    std::unique_ptr<FollowLink> m_follow;
    QString m_following;
    quint16 m_webPort = 0;
    quint16 m_oscPort = 0;
    QString m_problem;
    // What the servers were started with, so an unrelated settings change leaves them be.
    QString m_startedWith;
};

} // namespace qm
