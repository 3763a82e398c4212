// SPDX-License-Identifier: GPL-3.0-or-later
#include "auth_gate.h"

#include "platform/monotonic_clock.h"

#include <QRandomGenerator>

#include <algorithm>

namespace qm {

bool equalInConstantTime(const QByteArray &a, const QByteArray &b)
{
    // The length is no secret (every token has 32 digits); the bytes are compared in full.
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

QString makeRemoteToken()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QByteArray bytes(reinterpret_cast<const char *>(words), sizeof words);
    return QString::fromLatin1(bytes.toHex());
}

AuthGate::AuthGate(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock([] { return monotonicSeconds(); }))
{
}

void AuthGate::forgetOld(double now)
{
    for (auto it = m_records.begin(); it != m_records.end();) {
        Record &r = it.value();
        r.failures.erase(std::remove_if(r.failures.begin(), r.failures.end(),
                             [now](double t) { return t <= now - kWindow; }),
            r.failures.end());
        if (r.failures.isEmpty() && r.blockedUntil <= now)
            it = m_records.erase(it);
        else
            ++it;
    }
}

bool AuthGate::blocked(const QHostAddress &from)
{
    const double now = m_clock();
    forgetOld(now);
    const auto it = m_records.constFind(from.toString());
    return it != m_records.constEnd() && it->blockedUntil > now;
}

AuthGate::Verdict AuthGate::check(const QHostAddress &from, const QByteArray &presented)
{
    if (blocked(from))
        return Verdict::Blocked;
    // No token yet means nobody gets in, not that anybody does.
    if (!m_token.isEmpty() && equalInConstantTime(presented, m_token))
        return Verdict::Allowed;
    const double now = m_clock();
    // Addresses are cheap to come by (IPv6): past this many the table takes no new ones rather
    // than grow without bound; the wrong token is refused all the same.
    if (m_records.size() >= kMostAddresses && !m_records.contains(from.toString()))
        return Verdict::Refused;
    Record &r = m_records[from.toString()];
    r.failures.append(now);
    if (r.failures.size() > kFailuresAllowed) {
        r.blockedUntil = now + kBlockFor;
        r.failures.clear();
        return Verdict::Blocked;
    }
    return Verdict::Refused;
}

} // namespace qm
