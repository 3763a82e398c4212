// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace qm::platform {

struct CaptureExclusionSupport {
    bool enforced = false;
    // Why not, in words the settings column can show; empty when enforced.
    QString reason;
};

// Whether this desktop can keep a window out of screen sharing and recordings.
CaptureExclusionSupport captureExclusionSupport();

// Asks for `window` to be kept out of captures (or let back in). Returns whether the request
// is enforced; never claims a window is hidden when it is not.
bool setExcludedFromCapture(QWidget *window, bool excluded);

} // namespace qm::platform
