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
void WindowCopy::move(unsigned long, const QRegion &, int)
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
