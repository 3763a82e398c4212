// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote.h"

#include "auth_gate.h"
#include "follow_link.h"
#include "osc_server.h"
#include "pairing_link.h"
#include "remote_server.h"
#include "store/store.h"

namespace qm {

Remote::Remote(Store &store, PrompterController &prompter, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_prompter(prompter)
{
    connect(&m_store, &Store::settingsChanged, this, &Remote::sync);
    sync();
}

Remote::~Remote() = default;

QString Remote::link() const
{
    if (!m_server || m_webPort == 0)
        return {};
    const QString host = lanAddress();
    return pairingLink(host.isEmpty() ? QStringLiteral("127.0.0.1") : host, m_webPort,
        m_store.settings().remoteToken);
}

void Remote::forgetPairedDevices()
{
    Settings s = m_store.settings();
    s.remoteToken = makeRemoteToken();
    m_store.setSettings(s);
}

void Remote::stop()
{
    m_server.reset();
    m_osc.reset();
    m_webPort = 0;
    m_oscPort = 0;
    m_startedWith.clear();
}

void Remote::syncFollow()
{
    const QString wanted = m_store.settings().followLeader;
    if (wanted == m_following)
        return;
    m_following = wanted;
    m_follow.reset();
    // Only a well-formed link is followed; the group says when it is not one.
    if (const std::optional<PairingLink> leader = parsePairingLink(wanted)) {
        m_follow = std::make_unique<FollowLink>(m_prompter, *leader);
        connect(m_follow.get(), &FollowLink::stateChanged, this, &Remote::stateChanged);
    }
    Q_EMIT stateChanged();
}

void Remote::sync()
{
    syncFollow();
    const Settings &s = m_store.settings();
    if (!s.remoteEnabled) {
        if (!m_server && m_problem.isEmpty())
            return;
        stop();
        m_problem.clear();
        Q_EMIT stateChanged();
        return;
    }
    if (s.remoteToken.isEmpty()) {
        // The first time on: the secret is made now and stored; the settings change it makes
        // brings us back here.
        Settings withToken = s;
        withToken.remoteToken = makeRemoteToken();
        m_store.setSettings(withToken);
        return;
    }

    const QString wanted = QString::number(s.remotePort) + u' ' + QString::number(s.oscPort) + u' '
        + s.oscAllow.join(u',');
    if (m_server && wanted == m_startedWith) {
        // Only the secret may have changed: every session made with the old one ends.
        m_server->setToken(s.remoteToken);
        return;
    }

    stop();
    m_server = std::make_unique<RemoteServer>(m_prompter);
    m_server->setToken(s.remoteToken);
    m_webPort = m_server->start(static_cast<quint16>(s.remotePort));
    m_osc = std::make_unique<OscServer>(m_prompter);
    m_oscPort = m_osc->start(static_cast<quint16>(s.oscPort), s.oscAllow);
    m_startedWith = wanted;

    m_problem.clear();
    if (m_webPort == 0)
        m_problem = QStringLiteral("Port %1 is in use by another program.").arg(s.remotePort);
    else if (m_oscPort == 0)
        m_problem = QStringLiteral("OSC port %1 is in use by another program.").arg(s.oscPort);
    Q_EMIT stateChanged();
}

} // namespace qm
