// SPDX-License-Identifier: GPL-3.0-or-later
#include "toggle_switch.h"

#include "main_window/painting.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

namespace qm {

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    // Reached with Tab; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ToggleSwitch::keyPressEvent(QKeyEvent *event)
{
    // Space is Qt's own; Enter does the same.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        animateClick();
    else
        QAbstractButton::keyPressEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.setOpacity(0.8);
    const QRectF track(0, 0, 32, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? palette::tally() : palette::white(16));
    p.drawPath(capsule(track));
    const double d = track.height() - 2;
    const double x = isChecked() ? track.right() - 1 - d : track.left() + 1;
    const QRectF knob(x, 1, d, d);
    p.setBrush(blackAt(25));
    p.drawEllipse(knob.translated(0, 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(knob);
}

} // namespace qm
