// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pairing_link.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <memory>

class QWebSocket;

namespace qm {

class PrompterController;

// One Quillmere following another: a WebSocket client of the leader's remote that shows the
// leader's script and keeps this prompter at the leader's place, speed, play state and
// shown/hidden state; this program's own play, pause, show, hide and speed changes are sent
// to the leader instead, which then moves both. If the link drops, the prompter stays where
// it is and the link is tried again every few seconds; the first state after it is back
// brings it up to date.
class FollowLink final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FollowLink)

public:
    FollowLink(PrompterController &prompter, const PairingLink &leader, QObject *parent = nullptr);
    ~FollowLink() override;

    enum class State { Connecting, Following, Lost, Refused };
    State state() const { return m_state; }
    // The state in words for the settings column.
    QString description() const;

    static constexpr int kRetryMs = 2000;
    // A follower this far from the leader's place (points) is moved to it.
    static constexpr double kLeeway = 1.5;

Q_SIGNALS:
    void stateChanged();

private:
    void connectNow();
    void setState(State state);
    void received(const QString &message);
    void apply(const QJsonObject &leader);
    double followerOffset(double leaderOffset, double leaderMax) const;
    void send(const QJsonObject &command);
    void localChange();

    PrompterController &m_prompter;
    PairingLink m_leader;
    std::unique_ptr<QWebSocket> m_socket;
    QTimer m_retry;
    State m_state = State::Connecting;
    // Set while this link itself drives the prompter, so those changes are not sent back.
    bool m_applying = false;
    // Where the leader laid its cues out, by section id.
    QHash<qint64, double> m_leaderCues;
    QJsonObject m_last;
};

} // namespace qm
