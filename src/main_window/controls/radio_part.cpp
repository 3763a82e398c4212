// SPDX-License-Identifier: GPL-3.0-or-later
#include "radio_part.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

namespace qm {

namespace {

// Arrow keys in a radio group: the neighbour takes the focus and is chosen, as a click would.
bool chooseNeighbour(QKeyEvent *event, const QList<QAbstractButton *> &group, int index)
{
    int step = 0;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up)
        step = -1;
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down)
        step = 1;
    if (step == 0)
        return false;
    if (QAbstractButton *next = group.value(index + step)) {
        next->setFocus(Qt::TabFocusReason);
        next->click();
    }
    return true;
}

} // namespace

RadioPart::RadioPart(QWidget *parent, QWidget *owner, QList<QAbstractButton *> *group, int index)
    : QAbstractButton(parent)
    , m_group(group)
    , m_index(index)
{
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::TabFocus);
    QObject::connect(this, &QAbstractButton::pressed, owner, qOverload<>(&QWidget::update));
    QObject::connect(this, &QAbstractButton::released, owner, qOverload<>(&QWidget::update));
}

void RadioPart::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        animateClick();
    else if (!chooseNeighbour(event, *m_group, m_index))
        QAbstractButton::keyPressEvent(event);
}

} // namespace qm
