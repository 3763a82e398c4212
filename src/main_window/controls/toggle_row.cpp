// SPDX-License-Identifier: GPL-3.0-or-later
#include "toggle_row.h"

#include "toggle_switch.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace qm {

ToggleRow::ToggleRow(const QString &title, const QString &subtitle, QWidget *parent)
    : QWidget(parent)
    , m_switch(new ToggleSwitch(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(makeLabel(title, fonts::system(12), palette::white(85), true, this));
    texts->addWidget(makeLabel(subtitle, fonts::system(10.5), palette::white(40), true, this));
    row->addLayout(texts, 1);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);
    m_switch->setAccessibleName(title);
    m_switch->setAccessibleDescription(subtitle);
    connect(m_switch, &QAbstractButton::clicked, this, &ToggleRow::toggled);
}

bool ToggleRow::isChecked() const
{
    return m_switch->isChecked();
}

void ToggleRow::setChecked(bool checked)
{
    m_switch->setChecked(checked);
}

} // namespace qm
