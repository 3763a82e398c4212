// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QList>

namespace qm {

// A radio button over a part of a control that draws itself: it paints nothing and leaves the
// look to its owner, which it tells when it is pressed or released. The arrow keys choose the
// neighbour in `group`, as a click would; Enter presses like Space.
class RadioPart : public QAbstractButton {
public:
    RadioPart(QWidget *parent, QWidget *owner, QList<QAbstractButton *> *group, int index);

protected:
    void paintEvent(QPaintEvent *) override { }
    void keyPressEvent(QKeyEvent *event) override;

private:
    QList<QAbstractButton *> *m_group;
    int m_index;
};

} // namespace qm
