// SPDX-License-Identifier: GPL-3.0-or-later
// Builds without X11 development files rely on the toolkit's own focus flags alone.
#include "window_focus.h"

namespace qm::platform {

void setNeverFocused(QWindow *)
{
}

} // namespace qm::platform
