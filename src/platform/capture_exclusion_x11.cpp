// SPDX-License-Identifier: GPL-3.0-or-later
// X11 has no way for a client to keep its window out of another client's screen capture: any
// client may read the root window, and compositors and screencast portals offer no opt-out.
#include "capture_exclusion.h"

namespace qm::platform {

CaptureExclusionSupport captureExclusionSupport()
{
    return {false,
        QStringLiteral("This desktop can't keep windows out of screen sharing, so the prompter "
                       "shows in captures.")};
}

bool setExcludedFromCapture(QWidget *, bool)
{
    return false;
}

} // namespace qm::platform
