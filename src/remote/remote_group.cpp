// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_group.h"

#include "follow_link.h"
#include "main_window/controls/group_card.h"
#include "main_window/controls/text_button.h"
#include "main_window/controls/toggle_row.h"
#include "pairing_link.h"
#include "qr_code_view.h"
#include "remote.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/symbols.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace qm {

QString remotePrivacyText()
{
    return QStringLiteral("While this is on, phones and programs paired with this computer "
                          "over the network can see the script and drive the prompter.");
}

RemoteGroup::RemoteGroup(Store &store, Remote &remote, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_remote(remote)
{
    setObjectName(QStringLiteral("remoteGroup"));
    auto *card = new GroupCard(QStringLiteral("Remote"), symbols::phone, this);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(card);

    m_switch = new ToggleRow(QStringLiteral("Phone and network remote"),
        QStringLiteral("A phone's browser, OSC or another Quillmere drives the prompter"));
    m_switch->setObjectName(QStringLiteral("remoteEnabled"));
    card->addRow(m_switch);

    m_privacy = makeLabel(remotePrivacyText(), fonts::system(11), palette::tallySoft(), true);
    m_privacy->setObjectName(QStringLiteral("remotePrivacy"));
    card->addRow(m_privacy);

    m_code = new QrCodeView;
    m_code->setObjectName(QStringLiteral("remoteCode"));
    auto *codeRow = new QWidget;
    auto *codeBox = new QHBoxLayout(codeRow);
    codeBox->setContentsMargins(0, 4, 0, 0);
    codeBox->addStretch(1);
    codeBox->addWidget(m_code);
    codeBox->addStretch(1);
    card->addRow(codeRow);

    m_link = makeLabel(QString(), fonts::monospaced(11), palette::white(80), true);
    m_link->setObjectName(QStringLiteral("remoteLink"));
    m_link->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_link->setAlignment(Qt::AlignHCenter);
    card->addRow(m_link);

    m_problem = makeLabel(QString(), fonts::system(11), palette::tallySoft(), true);
    m_problem->setObjectName(QStringLiteral("remoteProblem"));
    card->addRow(m_problem);

    m_forget = new TextButton(QStringLiteral("Forget paired devices"));
    m_forget->setObjectName(QStringLiteral("forgetPairedDevices"));
    card->addRow(m_forget);

    m_oscLine = makeLabel(QString(), fonts::system(11), palette::white(42), true);
    m_oscLine->setObjectName(QStringLiteral("oscLine"));
    card->addRow(m_oscLine);

    m_leader = new QLineEdit;
    m_leader->setObjectName(QStringLiteral("followLeader"));
    m_leader->setPlaceholderText(QStringLiteral("Paste the other one's link"));
    m_leader->setAccessibleName(QStringLiteral("Follow another Quillmere"));
    m_followState = makeLabel(QString(), fonts::system(11), palette::white(42), true);
    m_followState->setObjectName(QStringLiteral("followState"));

    m_oscAllow = new QLineEdit;
    m_oscAllow->setObjectName(QStringLiteral("oscAllow"));
    m_oscAllow->setPlaceholderText(QStringLiteral("e.g. 192.168.1.20, 10.0.0.0/24"));
    m_oscAllow->setAccessibleName(QStringLiteral("Addresses OSC is taken from"));
    m_oscAllow->setFont(fonts::system(12));
    for (QLineEdit *edit : {m_oscAllow, m_leader}) {
        edit->setFont(fonts::system(12));
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Base, palette::white(6));
        pal.setColor(QPalette::Text, palette::white(90));
        pal.setColor(QPalette::PlaceholderText, palette::white(30));
        edit->setPalette(pal);
    }
    m_oscAllowTitle = makeLabel(
        QStringLiteral("Also take OSC from"), fonts::system(11), palette::white(60), true);
    card->addRow(m_oscAllowTitle);
    card->addRow(m_oscAllow);
    card->addRow(makeLabel(
        QStringLiteral("Follow another Quillmere"), fonts::system(11), palette::white(60), true));
    card->addRow(m_leader);
    card->addRow(m_followState);

    connect(m_switch, &ToggleRow::toggled, this, [this](bool on) {
        Settings s = m_store.settings();
        s.remoteEnabled = on;
        m_store.setSettings(s);
    });
    connect(m_forget, &QAbstractButton::clicked, &m_remote, &Remote::forgetPairedDevices);
    connect(m_oscAllow, &QLineEdit::editingFinished, this, [this] {
        Settings s = m_store.settings();
        QStringList allow;
        for (const QString &part : m_oscAllow->text().split(
                 QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts))
            allow.append(part);
        if (allow == s.oscAllow)
            return;
        s.oscAllow = allow;
        m_store.setSettings(s);
    });
    connect(m_leader, &QLineEdit::editingFinished, this, [this] {
        Settings s = m_store.settings();
        const QString link = m_leader->text().trimmed();
        if (link == s.followLeader)
            return;
        s.followLeader = link;
        m_store.setSettings(s);
    });
    connect(&m_store, &Store::settingsChanged, this, &RemoteGroup::refresh);
    connect(&m_remote, &Remote::stateChanged, this, &RemoteGroup::refresh);
    refresh();
}

void RemoteGroup::refresh()
{
    const Settings &s = m_store.settings();
    const bool on = s.remoteEnabled;
    m_switch->setChecked(on);
    const QString link = m_remote.link();
    m_code->setText(link);
    m_link->setText(link);
    m_problem->setText(m_remote.problem());
    m_problem->setVisible(on && !m_remote.problem().isEmpty());
    for (QWidget *w :
        {static_cast<QWidget *>(m_privacy), m_code->parentWidget(), static_cast<QWidget *>(m_link),
            static_cast<QWidget *>(m_forget), static_cast<QWidget *>(m_oscLine),
            static_cast<QWidget *>(m_oscAllow), static_cast<QWidget *>(m_oscAllowTitle)})
        w->setVisible(on);
    m_code->setVisible(!link.isEmpty());
    m_oscLine->setText(s.oscAllow.isEmpty()
            ? QStringLiteral("OSC on UDP port %1, from this computer only.").arg(s.oscPort)
            : QStringLiteral("OSC on UDP port %1, from this computer and the addresses below.")
                  .arg(s.oscPort));
    if (!m_oscAllow->hasFocus())
        m_oscAllow->setText(s.oscAllow.join(QStringLiteral(", ")));
    if (!m_leader->hasFocus() && m_leader->text() != s.followLeader) {
        m_leader->setText(s.followLeader);
        // The host and port are what tell one leader from another.
        m_leader->setCursorPosition(0);
    }
    if (const FollowLink *follow = m_remote.follow())
        m_followState->setText(follow->description());
    else if (!s.followLeader.isEmpty() && !parsePairingLink(s.followLeader))
        m_followState->setText(QStringLiteral("That is not a Quillmere pairing link."));
    else
        m_followState->clear();
    m_followState->setVisible(!m_followState->text().isEmpty());
}

} // namespace qm
