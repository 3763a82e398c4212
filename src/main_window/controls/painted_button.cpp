// SPDX-License-Identifier: GPL-3.0-or-later
#include "painted_button.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace qm {

namespace {

// A plain button's label dims while it is held down.
constexpr double kPressedOpacity = 0.7;

} // namespace

PaintedButton::PaintedButton(QWidget *parent)
    : QAbstractButton(parent)
{
    // Clicking a control must leave the keyboard focus in the editor; Tab still reaches it.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString accessibleNameFromTip(const QString &tip)
{
    const qsizetype bracket = tip.indexOf(QLatin1String(" ("));
    return bracket > 0 ? tip.left(bracket) : tip;
}

void PaintedButton::keyPressEvent(QKeyEvent *event)
{
    // Space is Qt's own; Enter presses too.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        animateClick();
    else
        QAbstractButton::keyPressEvent(event);
}

bool PaintedButton::event(QEvent *event)
{
    // A button showing only a symbol is named after its tooltip, which follows its state.
    if (event->type() == QEvent::ToolTipChange && text().isEmpty())
        setAccessibleName(accessibleNameFromTip(toolTip()));
    return QAbstractButton::event(event);
}

void PaintedButton::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

double PaintedButton::paintOpacity() const
{
    return m_opacity * (isDown() ? kPressedOpacity : 1.0);
}

} // namespace qm
