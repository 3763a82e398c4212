// SPDX-License-Identifier: GPL-3.0-or-later
#include "tiling_window_manager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <utility>

namespace qm::platform {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 8;
// Far above any real answer; a length beyond it is a broken stream, not a reply to wait for.
constexpr quint32 kMaxPayload = 16 * 1024 * 1024;

quint32 readNative(const char *p)
{
    quint32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

QByteArray tilingIpcMessage(quint32 type, const QByteArray &payload)
{
    QByteArray message(kMagic, kMagicSize);
    const quint32 header[2] = {quint32(payload.size()), type};
    message.append(reinterpret_cast<const char *>(header), sizeof header);
    message.append(payload);
    return message;
}

std::optional<QByteArray> takeTilingIpcReply(QByteArray &buffer)
{
    if (buffer.size() < kHeaderSize) {
        if (!QByteArray(kMagic, kMagicSize).startsWith(buffer.left(kMagicSize)))
            buffer.clear();
        return std::nullopt;
    }
    const quint32 length = readNative(buffer.constData() + kMagicSize);
    if (!buffer.startsWith(QByteArray(kMagic, kMagicSize)) || length > kMaxPayload) {
        buffer.clear();
        return std::nullopt;
    }
    if (buffer.size() < kHeaderSize + qsizetype(length))
        return std::nullopt;
    QByteArray payload = buffer.mid(kHeaderSize, length);
    buffer.remove(0, kHeaderSize + length);
    return payload;
}

QList<QRect> visibleWorkspaceAreas(const QByteArray &json)
{
    QList<QRect> areas;
    const QJsonArray workspaces = QJsonDocument::fromJson(json).array();
    for (const QJsonValue &value : workspaces) {
        const QJsonObject workspace = value.toObject();
        if (!workspace.value(QLatin1String("visible")).toBool())
            continue;
        const QJsonObject rect = workspace.value(QLatin1String("rect")).toObject();
        const QRect area(rect.value(QLatin1String("x")).toInt(),
            rect.value(QLatin1String("y")).toInt(), rect.value(QLatin1String("width")).toInt(),
            rect.value(QLatin1String("height")).toInt());
        if (area.width() > 0 && area.height() > 0)
            areas.append(area);
    }
    return areas;
}

QString TilingWindowManager::socketPath()
{
    for (const char *name : {"SWAYSOCK", "I3SOCK"}) {
        const QString path = qEnvironmentVariable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

TilingWindowManager::TilingWindowManager(QString socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

TilingWindowManager::~TilingWindowManager() = default;

void TilingWindowManager::refresh()
{
    if (m_socketPath.isEmpty())
        return;
    if (m_socket) {
        // One question at a time; the latest state is asked for once this one is answered.
        m_again = true;
        return;
    }
    m_socket = new QLocalSocket(this);
    m_reply.clear();
    connect(m_socket, &QLocalSocket::connected, this,
        [this] { m_socket->write(tilingIpcMessage(kTilingGetWorkspaces)); });
    connect(m_socket, &QLocalSocket::readyRead, this, &TilingWindowManager::readReply);
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this] {
        // No answer: the areas known stay as they were.
        m_socket->deleteLater();
        m_socket = nullptr;
        m_again = false;
    });
    m_socket->connectToServer(m_socketPath);
}

void TilingWindowManager::readReply()
{
    m_reply.append(m_socket->readAll());
    const std::optional<QByteArray> payload = takeTilingIpcReply(m_reply);
    if (!payload)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
    QList<QRect> areas = visibleWorkspaceAreas(*payload);
    const bool differs = areas != m_areas;
    m_areas = std::move(areas);
    if (std::exchange(m_again, false))
        refresh();
    if (differs)
        Q_EMIT changed();
}

void TilingWindowManager::moveFloating(quint64 window, QPoint topLeft)
{
    if (m_socketPath.isEmpty())
        return;
    // Its own connection, closed once answered, so it never mixes with a workspace question.
    auto *socket = new QLocalSocket(this);
    const QByteArray command = QStringLiteral("[id=%1] move absolute position %2 px %3 px")
                                   .arg(window)
                                   .arg(topLeft.x())
                                   .arg(topLeft.y())
                                   .toUtf8();
    connect(socket, &QLocalSocket::connected, socket,
        [socket, command] { socket->write(tilingIpcMessage(kTilingRunCommand, command)); });
    auto reply = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [socket, reply] {
        reply->append(socket->readAll());
        // Answered (or not the protocol at all): done.
        if (takeTilingIpcReply(*reply) || reply->isEmpty()) {
            socket->disconnect();
            socket->abort();
            socket->deleteLater();
        }
    });
    connect(socket, &QLocalSocket::errorOccurred, socket, &QObject::deleteLater);
    socket->connectToServer(m_socketPath);
}

std::optional<QRect> TilingWindowManager::areaOn(const QRect &screen) const
{
    for (const QRect &area : m_areas) {
        if (screen.contains(area.center()))
            return area.intersected(screen);
    }
    return std::nullopt;
}

} // namespace qm::platform
