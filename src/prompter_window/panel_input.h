// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace qm {

// One wheel notch (angle delta 120) moves the text by about one line of the prompter's text.
inline constexpr double kWheelLineFactor = 1.3;
// How close to the floating panel's edge a press resizes instead of moving it.
inline constexpr int kResizeMargin = 6;

// The PrompterController::scrollBy argument for one wheel event over the panel. Touchpads send
// pixels, taken as they are; wheels send angles, turned into lines of `fontSize` text. Wheel up
// (or two fingers down) gives a positive y and moves the text back, hence the minus.
double wheelScroll(QPoint pixelDelta, QPoint angleDelta, double fontSize);

// The edges a press at `pos` inside a window of `size` grabs; none in the interior.
Qt::Edges resizeEdges(QSize size, QPoint pos, int margin = kResizeMargin);

// The geometry after dragging `edges` of `start` by `delta`, never below `minimum`; the edges
// not dragged stay where they were.
QRect resizedGeometry(const QRect &start, Qt::Edges edges, QPoint delta, QSize minimum);

} // namespace qm
