// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_copy.h"

namespace qm::platform {

struct WindowCopy::State { };

WindowCopy::WindowCopy() = default;
WindowCopy::~WindowCopy() = default;
bool WindowCopy::available() const
{
    return false;
}
void WindowCopy::copy(unsigned long, const QRect &, const QPoint &)
{
}
void WindowCopy::flush()
{
}
bool WindowCopy::takeMissed()
{
    return false;
}

} // namespace qm::platform
