// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRect>

#include <optional>

class QLocalSocket;

namespace qm::platform {

// sway and i3, over their IPC socket. They publish no work area to X clients, so a screen's
// available geometry there includes their bars; each visible workspace's rectangle is the part
// of its output the bars leave free. And sway puts a floating X11 window in the middle of the
// screen whatever position it asks for, so the program's own placement is asked of it.
class TilingWindowManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TilingWindowManager)

public:
    // The window manager's IPC socket (SWAYSOCK, I3SOCK); empty under any other.
    static QString socketPath();

    explicit TilingWindowManager(QString socketPath, QObject *parent = nullptr);
    ~TilingWindowManager() override;

    // Asks again; `changed` follows if the answer differs from the last one.
    void refresh();
    // The free part of the screen `screen` by the last answer: the visible workspace on it.
    std::optional<QRect> areaOn(const QRect &screen) const;
    // Moves the floating X11 window `window` so its top-left corner is at `topLeft`. Nothing
    // comes back: a window the manager does not know stays where it is.
    void moveFloating(quint64 window, QPoint topLeft);

Q_SIGNALS:
    void changed();

private:
    void readReply();

    const QString m_socketPath;
    QLocalSocket *m_socket = nullptr;
    QByteArray m_reply;
    QList<QRect> m_areas;
    bool m_again = false;
};

// The IPC's framing: magic, payload length and message type in the machine's byte order.
QByteArray tilingIpcMessage(quint32 type, const QByteArray &payload = {});
inline constexpr quint32 kTilingRunCommand = 0;
inline constexpr quint32 kTilingGetWorkspaces = 1;
// The payload of a complete reply at the start of `buffer`, removed from it; nullopt while
// incomplete. A buffer that does not start with the magic is dropped whole.
std::optional<QByteArray> takeTilingIpcReply(QByteArray &buffer);
// The rectangles of the visible workspaces in a GET_WORKSPACES answer.
QList<QRect> visibleWorkspaceAreas(const QByteArray &json);

} // namespace qm::platform
