// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QString>

class QWidget;

namespace qm {

// Writes windows.txt (one line per window of the program) and a PNG of every visible window
// wider than 60 points into `directory`, which must exist. Failures are silent.
void snapshot(const QString &directory);

// One line of windows.txt; `frame` in bottom-left-origin, y-up screen coordinates.
QString windowLine(const QString &title, bool visible, bool minimized, const QRectF &frame);
// The shortest decimal form that reads back as the same double, always with a fraction.
QString formatFrameNumber(double value);
// The frame of a window as windows.txt records it.
QRectF snapshotFrame(const QWidget *window);

} // namespace qm
