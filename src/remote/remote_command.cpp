// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_command.h"

#include "model/script.h"
#include "model/settings.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

namespace qm {

namespace {

using Kind = RemoteCommand::Kind;

enum class Argument { None, Index, Speed, Delta, Points, Script };

struct CommandEntry {
    Kind kind;
    const char *name;
    Argument argument;
    const char *key;
};

constexpr CommandEntry kCommands[] = {
    {Kind::Play, "play", Argument::None, nullptr},
    {Kind::Pause, "pause", Argument::None, nullptr},
    {Kind::Toggle, "toggle", Argument::None, nullptr},
    {Kind::Restart, "restart", Argument::None, nullptr},
    {Kind::NextCue, "nextCue", Argument::None, nullptr},
    {Kind::PreviousCue, "previousCue", Argument::None, nullptr},
    {Kind::Jump, "jump", Argument::Index, "index"},
    {Kind::SetSpeed, "setSpeed", Argument::Speed, "speed"},
    {Kind::NudgeSpeed, "nudgeSpeed", Argument::Delta, "delta"},
    {Kind::ScrollBy, "scrollBy", Argument::Points, "points"},
    {Kind::Show, "show", Argument::None, nullptr},
    {Kind::Hide, "hide", Argument::None, nullptr},
    {Kind::SelectScript, "selectScript", Argument::Script, "id"},
};

// Larger steps than these are no remote's intent but a fault or an attack on the speed.
constexpr double kLargestNudge = 200;
constexpr double kLargestScroll = 1e6;
constexpr int kLargestCueIndex = 1 << 20;

RemoteError refuse(const QString &message)
{
    return RemoteError {message};
}

RemoteRead readArgument(const CommandEntry &entry, const QJsonObject &message)
{
    RemoteCommand command;
    command.kind = entry.kind;
    if (entry.argument == Argument::None)
        return command;

    const QString key = QLatin1String(entry.key);
    const QJsonValue v = message.value(key);
    if (entry.argument == Argument::Script) {
        const std::optional<QUuid> id
            = v.isString() ? parseCanonicalUuid(v.toString()) : std::nullopt;
        if (!id)
            return refuse(QStringLiteral("\"id\" must be a script's id"));
        command.script = uuidText(*id);
        return command;
    }
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return refuse(u'"' + key + QStringLiteral("\" must be a number"));
    const double d = v.toDouble();
    switch (entry.argument) {
    case Argument::Index:
        if (d < 0 || d > kLargestCueIndex || d != std::floor(d))
            return refuse(QStringLiteral("\"index\" must be a cue's place, from 0"));
        command.index = static_cast<int>(d);
        break;
    case Argument::Speed:
        // Held to the range the speed slider has, as the settings file's reader does.
        command.value = limits::speed.clamp(d);
        break;
    case Argument::Delta:
        if (std::abs(d) > kLargestNudge)
            return refuse(QStringLiteral("\"delta\" is too large"));
        command.value = d;
        break;
    case Argument::Points:
        if (std::abs(d) > kLargestScroll)
            return refuse(QStringLiteral("\"points\" is too large"));
        command.value = d;
        break;
    case Argument::None:
    case Argument::Script:
        break;
    }
    return command;
}

} // namespace

QString remoteCommandName(RemoteCommand::Kind kind)
{
    for (const CommandEntry &e : kCommands) {
        if (e.kind == kind)
            return QLatin1String(e.name);
    }
    return {};
}

RemoteRead readRemoteCommand(const QJsonObject &message)
{
    const QJsonValue name = message.value(QLatin1String("command"));
    if (!name.isString())
        return refuse(QStringLiteral("a message needs \"command\""));
    for (const CommandEntry &e : kCommands) {
        if (name.toString() == QLatin1String(e.name))
            return readArgument(e, message);
    }
    return refuse(QStringLiteral("unknown command"));
}

RemoteRead readRemoteCommand(const QByteArray &json)
{
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return refuse(QStringLiteral("not a JSON object"));
    return readRemoteCommand(doc.object());
}

} // namespace qm
