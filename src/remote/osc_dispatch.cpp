// SPDX-License-Identifier: GPL-3.0-or-later
#include "osc_dispatch.h"

#include <QJsonObject>

#include <lo/lo.h>

#include <cmath>
#include <memory>

namespace qm {

namespace {

using Kind = RemoteCommand::Kind;

struct OscRoute {
    const char *path;
    Kind kind;
    // The key readRemoteCommand takes the number from, or null for none.
    const char *argument;
};

constexpr OscRoute kOscRoutes[] = {
    {"/quillmere/play", Kind::Play, nullptr},
    {"/quillmere/pause", Kind::Pause, nullptr},
    {"/quillmere/toggle", Kind::Toggle, nullptr},
    {"/quillmere/restart", Kind::Restart, nullptr},
    {"/quillmere/cue/next", Kind::NextCue, nullptr},
    {"/quillmere/cue/previous", Kind::PreviousCue, nullptr},
    {"/quillmere/cue/jump", Kind::Jump, "index"},
    {"/quillmere/speed", Kind::SetSpeed, "speed"},
    {"/quillmere/speed/nudge", Kind::NudgeSpeed, "delta"},
    {"/quillmere/show", Kind::Show, nullptr},
    {"/quillmere/hide", Kind::Hide, nullptr},
};

struct MessageFree {
    void operator()(lo_message m) const { lo_message_free(m); }
};
using MessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageFree>;

std::optional<double> firstNumber(lo_message m)
{
    if (lo_message_get_argc(m) < 1)
        return std::nullopt;
    const char *types = lo_message_get_types(m);
    lo_arg **argv = lo_message_get_argv(m);
    if (!types || !argv)
        return std::nullopt;
    switch (types[0]) {
    case LO_INT32:
        return argv[0]->i;
    case LO_FLOAT:
        return argv[0]->f;
    case LO_DOUBLE:
        return argv[0]->d;
    case LO_INT64:
        return static_cast<double>(argv[0]->h);
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<OscRequest> readOscPacket(const QByteArray &packet)
{
    // liblo reads the buffer in place; it gets a copy it may touch.
    QByteArray data = packet;
    if (data.isEmpty() || data.size() % 4 != 0 || data.startsWith("#bundle"))
        return std::nullopt;
    int result = 0;
    MessagePtr message(
        lo_message_deserialise(data.data(), static_cast<size_t>(data.size()), &result));
    if (!message || result != 0)
        return std::nullopt;
    const char *raw = lo_get_path(data.data(), data.size());
    if (!raw)
        return std::nullopt;
    const QByteArray path(raw);

    if (path == "/quillmere/state")
        return OscRequest {std::nullopt, true};
    for (const OscRoute &route : kOscRoutes) {
        if (path != route.path)
            continue;
        QJsonObject o {{QStringLiteral("command"), remoteCommandName(route.kind)}};
        if (route.argument) {
            const std::optional<double> n = firstNumber(message.get());
            if (!n)
                return std::nullopt;
            o.insert(QLatin1String(route.argument), *n);
        }
        // The same checks as every other remote's input.
        const RemoteRead read = readRemoteCommand(o);
        if (const auto *command = std::get_if<RemoteCommand>(&read))
            return OscRequest {*command, false};
        return std::nullopt;
    }
    return std::nullopt;
}

QByteArray encodeOscMessage(const QByteArray &path, const QVariant &value)
{
    MessagePtr m(lo_message_new());
    if (!m)
        return {};
    int added = -1;
    switch (value.typeId()) {
    case QMetaType::Int:
        added = lo_message_add_int32(m.get(), value.toInt());
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        added = lo_message_add_float(m.get(), value.toFloat());
        break;
    case QMetaType::QString:
        added = lo_message_add_string(m.get(), value.toString().toUtf8().constData());
        break;
    default:
        return {};
    }
    if (added != 0)
        return {};
    size_t size = 0;
    void *bytes = lo_message_serialise(m.get(), path.constData(), nullptr, &size);
    if (!bytes)
        return {};
    QByteArray out(static_cast<const char *>(bytes), static_cast<qsizetype>(size));
    free(bytes);
    return out;
}

} // namespace qm
