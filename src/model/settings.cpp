// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include <QJsonArray>

#include <cmath>

namespace qm {

QString rawValue(PrompterMode mode)
{
    switch (mode) {
    case PrompterMode::Notch:
        break;
    case PrompterMode::Floating:
        return QStringLiteral("floating");
    case PrompterMode::Display:
        return QStringLiteral("display");
    }
    return QStringLiteral("notch");
}

QString rawValue(ScrollMode mode)
{
    switch (mode) {
    case ScrollMode::Auto:
        return QStringLiteral("auto");
    case ScrollMode::Voice:
        return QStringLiteral("voice");
    case ScrollMode::Follow:
        return QStringLiteral("follow");
    }
    return QStringLiteral("auto");
}

std::optional<PrompterMode> prompterModeFromRaw(const QString &raw)
{
    if (raw == QLatin1String("notch"))
        return PrompterMode::Notch;
    if (raw == QLatin1String("floating"))
        return PrompterMode::Floating;
    if (raw == QLatin1String("display"))
        return PrompterMode::Display;
    return std::nullopt;
}

std::optional<ScrollMode> scrollModeFromRaw(const QString &raw)
{
    if (raw == QLatin1String("auto"))
        return ScrollMode::Auto;
    if (raw == QLatin1String("voice"))
        return ScrollMode::Voice;
    if (raw == QLatin1String("follow"))
        return ScrollMode::Follow;
    return std::nullopt;
}

bool isRemoteToken(const QString &text)
{
    if (text.size() != 32)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f')))
            return false;
    }
    return true;
}

std::optional<QJsonObject> Settings::encode() const
{
    const double numbers[] = {speed, fontSize, notchWidth, notchHeight, micSensitivity};
    for (double d : numbers) {
        if (!std::isfinite(d))
            return std::nullopt;
    }
    QJsonObject o;
    o.insert(QStringLiteral("mode"), rawValue(mode));
    o.insert(QStringLiteral("scrollMode"), rawValue(scrollMode));
    o.insert(QStringLiteral("speed"), speed);
    o.insert(QStringLiteral("fontSize"), fontSize);
    o.insert(QStringLiteral("colorHex"), colorHex);
    o.insert(QStringLiteral("notchWidth"), notchWidth);
    o.insert(QStringLiteral("notchHeight"), notchHeight);
    o.insert(QStringLiteral("hideFromSharing"), hideFromSharing);
    o.insert(QStringLiteral("pauseOnHover"), pauseOnHover);
    o.insert(QStringLiteral("mirror"), mirror);
    o.insert(QStringLiteral("micSensitivity"), micSensitivity);
    if (floatingFrame) {
        QJsonArray frame;
        for (double d : *floatingFrame) {
            if (!std::isfinite(d))
                return std::nullopt;
            frame.append(d);
        }
        o.insert(QStringLiteral("floatingFrame"), frame);
    }
    o.insert(QStringLiteral("countdown"), countdown);
    o.insert(QStringLiteral("displayName"), displayName);
    o.insert(QStringLiteral("flipVertical"), flipVertical);
    o.insert(QStringLiteral("eyeLineMarker"), eyeLineMarker);
    o.insert(QStringLiteral("mediaRemote"), mediaRemote);
    o.insert(QStringLiteral("presenterClicker"), presenterClicker);
    // Written only when on, so a file of the defaults stays as older versions wrote it.
    if (belowTopBar)
        o.insert(QStringLiteral("belowTopBar"), belowTopBar);
    // The remote's keys likewise: a file that never had the remote on reads as it always did.
    const Settings defaults;
    if (remoteEnabled != defaults.remoteEnabled)
        o.insert(QStringLiteral("remoteEnabled"), remoteEnabled);
    if (remotePort != defaults.remotePort)
        o.insert(QStringLiteral("remotePort"), remotePort);
    if (!remoteToken.isEmpty())
        o.insert(QStringLiteral("remoteToken"), remoteToken);
    if (oscPort != defaults.oscPort)
        o.insert(QStringLiteral("oscPort"), oscPort);
    if (!oscAllow.isEmpty())
        o.insert(QStringLiteral("oscAllow"), QJsonArray::fromStringList(oscAllow));
    if (!followLeader.isEmpty())
        o.insert(QStringLiteral("followLeader"), followLeader);
    return o;
}

std::optional<Settings> Settings::decode(const QJsonValue &value, const Settings &defaults)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Settings s = defaults;

    // Each key on its own: absent, null or of the wrong type keeps the default. A number
    // outside what its control allows is held to the nearer end; one that is not finite is no
    // number at all and keeps the default too.
    auto number = [&o](const char *key, double &field, const Limit &limit) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isDouble())
            return;
        const double d = v.toDouble();
        if (std::isfinite(d))
            field = limit.clamp(d);
    };
    auto boolean = [&o](const char *key, bool &field) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isBool())
            field = v.toBool();
    };

    if (const QJsonValue v = o.value(QLatin1String("mode")); v.isString()) {
        if (auto m = prompterModeFromRaw(v.toString()))
            s.mode = *m;
    }
    if (const QJsonValue v = o.value(QLatin1String("scrollMode")); v.isString()) {
        if (auto m = scrollModeFromRaw(v.toString()))
            s.scrollMode = *m;
    }
    for (const NumberSetting &n : kNumberSettings)
        number(n.key, s.*n.field, n.limit);
    if (const QJsonValue v = o.value(QLatin1String("colorHex")); v.isString())
        s.colorHex = v.toString();
    boolean("hideFromSharing", s.hideFromSharing);
    boolean("pauseOnHover", s.pauseOnHover);
    boolean("mirror", s.mirror);
    if (const QJsonValue v = o.value(QLatin1String("floatingFrame")); v.isArray()) {
        QList<double> frame;
        bool ok = true;
        for (const QJsonValue &e : v.toArray()) {
            if (!e.isDouble() || !std::isfinite(e.toDouble())) {
                ok = false;
                break;
            }
            frame.append(e.toDouble());
        }
        // Only a frame of four numbers is ever used; hold it to what the panel can be.
        if (ok && frame.size() == 4) {
            frame[0] = limits::floatingPosition.clamp(frame[0]);
            frame[1] = limits::floatingPosition.clamp(frame[1]);
            frame[2] = limits::floatingWidth.clamp(frame[2]);
            frame[3] = limits::floatingHeight.clamp(frame[3]);
        }
        if (ok)
            s.floatingFrame = frame;
    }
    boolean("countdown", s.countdown);
    if (const QJsonValue v = o.value(QLatin1String("displayName")); v.isString())
        s.displayName = v.toString();
    boolean("flipVertical", s.flipVertical);
    boolean("eyeLineMarker", s.eyeLineMarker);
    boolean("mediaRemote", s.mediaRemote);
    boolean("presenterClicker", s.presenterClicker);
    boolean("belowTopBar", s.belowTopBar);
    boolean("remoteEnabled", s.remoteEnabled);
    // A port is a whole number a user program may bind; anything else keeps the default.
    auto port = [&o](const char *key, int &field) {
        const QJsonValue v = o.value(QLatin1String(key));
        const double d = v.toDouble(-1);
        if (v.isDouble() && d >= 1024 && d <= 65535 && d == std::floor(d))
            field = static_cast<int>(d);
    };
    port("remotePort", s.remotePort);
    port("oscPort", s.oscPort);
    if (const QJsonValue v = o.value(QLatin1String("remoteToken")); v.isString()) {
        if (isRemoteToken(v.toString()))
            s.remoteToken = v.toString();
    }
    if (const QJsonValue v = o.value(QLatin1String("oscAllow")); v.isArray()) {
        QStringList allow;
        for (const QJsonValue &e : v.toArray()) {
            if (e.isString() && !e.toString().trimmed().isEmpty())
                allow.append(e.toString().trimmed());
        }
        s.oscAllow = allow;
    }
    if (const QJsonValue v = o.value(QLatin1String("followLeader")); v.isString())
        s.followLeader = v.toString();
    return s;
}

} // namespace qm
