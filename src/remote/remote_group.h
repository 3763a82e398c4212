// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace qm {

class QrCodeView;
class Remote;
class Store;
class TextButton;
class ToggleRow;

// The settings column's "Remote" group: the switch, and while it is on what a phone needs to
// pair (the QR code and the link as text), what paired devices can see, the way to unpair them
// all, and the addresses OSC is taken from.
class RemoteGroup final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemoteGroup)

public:
    RemoteGroup(Store &store, Remote &remote, QWidget *parent = nullptr);

private:
    void refresh();

    Store &m_store;
    Remote &m_remote;
    ToggleRow *m_switch = nullptr;
    QLabel *m_privacy = nullptr;
    QrCodeView *m_code = nullptr;
    QLabel *m_link = nullptr;
    QLabel *m_problem = nullptr;
    TextButton *m_forget = nullptr;
    QLabel *m_oscLine = nullptr;
    QLabel *m_oscAllowTitle = nullptr;
    QLineEdit *m_oscAllow = nullptr;
    QLineEdit *m_leader = nullptr;
    QLabel *m_followState = nullptr;
};

// What the group says while the remote is on, where it said scripts never leave the computer.
QString remotePrivacyText();

} // namespace qm
