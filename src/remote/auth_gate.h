// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>

namespace qm {

// Decides who may talk to the remote: a client must present the pairing secret, and an
// address that keeps guessing wrong is shut out for a while. Time comes from an injected
// monotonic clock (seconds) so tests need not wait.
class AuthGate final {
public:
    using Clock = std::function<double()>;

    explicit AuthGate(Clock clock = {});

    enum class Verdict { Allowed, Refused, Blocked };

    void setToken(const QString &token) { m_token = token.toUtf8(); }
    // Checks `presented` against the token in constant time, counting a wrong one against
    // `from`. Blocked (without looking at the token) while the address is shut out.
    Verdict check(const QHostAddress &from, const QByteArray &presented);
    bool blocked(const QHostAddress &from);

    // More failures than this within kWindow seconds shut the address out for kBlockFor.
    static constexpr int kFailuresAllowed = 10;
    static constexpr double kWindow = 60;
    static constexpr double kBlockFor = 60;
    static constexpr int kMostAddresses = 4096;

private:
    struct Record {
        QList<double> failures;
        double blockedUntil = -1;
    };
    void forgetOld(double now);

    Clock m_clock;
    QByteArray m_token;
    QHash<QString, Record> m_records;
};

// Whether `a` and `b` are the same bytes, taking the same time wherever they differ.
bool equalInConstantTime(const QByteArray &a, const QByteArray &b);

// A fresh pairing secret: 128 bits from the system's random source, as 32 hex digits.
QString makeRemoteToken();

} // namespace qm
