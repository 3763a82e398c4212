// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace qm {

// The address a phone opens: http://<host>:<port>/#<token>. The secret is in the fragment,
// which a browser never sends to the server nor in a Referer.
QString pairingLink(const QString &host, int port, const QString &token);

struct PairingLink {
    QUrl base; // http://host:port
    QString token;
};
// Reads a pasted link back; nothing unless it is http with a host, a port and a well-formed
// token.
std::optional<PairingLink> parsePairingLink(const QString &text);

// This machine's address on the local network: the first IPv4 address of an interface that is
// up and not the loopback; empty when there is none.
QString lanAddress();

} // namespace qm
