// SPDX-License-Identifier: GPL-3.0-or-later
#include "pairing_link.h"

#include "model/settings.h"

#include <QNetworkInterface>

namespace qm {

QString pairingLink(const QString &host, int port, const QString &token)
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("http://") + shown + u':' + QString::number(port) + QStringLiteral("/#")
        + token;
}

std::optional<PairingLink> parsePairingLink(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()
        || url.port() <= 0 || !isRemoteToken(url.fragment()))
        return std::nullopt;
    QUrl base;
    base.setScheme(QStringLiteral("http"));
    base.setHost(url.host());
    base.setPort(url.port());
    return PairingLink {base, url.fragment()};
}

QString lanAddress()
{
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &e : i.addressEntries()) {
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.ip().isLoopback())
                return e.ip().toString();
        }
    }
    return {};
}

} // namespace qm
