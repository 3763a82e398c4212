// SPDX-License-Identifier: GPL-3.0-or-later
#include "hover_gate.h"

namespace qm {

void HoverGate::shown(std::optional<QPoint> pointer)
{
    m_rest = pointer;
    m_inside = false;
    m_hovering = false;
}

bool HoverGate::arrive(QPoint global)
{
    if (m_rest && *m_rest == global)
        return m_hovering;
    m_rest.reset();
    m_hovering = true;
    return m_hovering;
}

bool HoverGate::entered(QPoint global)
{
    m_inside = true;
    return arrive(global);
}

bool HoverGate::moved(QPoint global)
{
    // A drag held outside the window still reports motion; it is not hover.
    if (!m_inside)
        return m_hovering;
    return arrive(global);
}

bool HoverGate::left()
{
    // Once out, any way back in is the pointer's own doing.
    m_rest.reset();
    m_inside = false;
    m_hovering = false;
    return m_hovering;
}

} // namespace qm
