// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/settings.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <optional>

namespace qm {

// One screen as the frame rules see it. Which coordinate system the rectangles use is up to the
// caller, as long as all of them use the same one.
struct PanelScreen {
    QRectF frame;
    // The part not covered by panels and docks.
    QRectF visibleFrame;
    // Height hidden behind a camera housing at the top; 0 everywhere on Linux.
    double topInset = 0;
};

namespace panel_frame {
inline constexpr double kFloatingWidth = 560;
inline constexpr double kFloatingHeight = 240;
// The default floating panel's top edge sits this far below the top of the visible frame.
inline constexpr double kFloatingTopGap = 60;
// The default floating panel keeps this far from the pointer and from the edges of the area.
inline constexpr double kPointerClearance = 24;
inline constexpr double kSideGap = 24;
inline constexpr int kFloatingMinimumWidth = int(limits::floatingWidth.minimum);
inline constexpr int kFloatingMinimumHeight = int(limits::floatingHeight.minimum);
} // namespace panel_frame

// The saved floating frame when it is usable: exactly four finite numbers whose rectangle meets
// at least one of `screenFrames`. Bottom-left origin, y up, like the stored value.
std::optional<QRectF> usableFloatingFrame(
    const Settings &settings, const QList<QRectF> &screenFrames);

// What a new floating panel without a saved frame keeps clear of, in Qt coordinates: the
// program's main window and the pointer.
struct KeepClear {
    QRectF window;
    std::optional<QPointF> pointer;
};

// `frame` moved within `area` to where it covers neither the pointer nor the window, trying
// the top centre first, then the top corners, the bottom and the sides. Where every place
// covers something, the pointer is kept clear first, then as little of the window as can be.
// Any coordinate system with y down.
QRectF keptClear(const QRectF &frame, const QRectF &area, const KeepClear &clear);

// A floating panel's frame after its screen changed from `before` to `after` (a new resolution,
// scale or rotation): at the same place in proportion, its size kept where it fits, and wholly
// within `area`, the part of the screen left to windows. An unknown or empty `before` only
// brings the frame within `area`. Any coordinate system with y down.
QRectF followedFrame(
    const QRectF &frame, const QRectF &before, const QRectF &after, const QRectF &area);

// Where the panel goes for `settings` on `screen`, in the stored convention: bottom-left origin
// of the primary screen, y up, (x, y) the lower-left corner. `screenFrames` are all screens.
QRectF panelFrame(
    const Settings &settings, const PanelScreen &screen, const QList<QRectF> &screenFrames);

// The same rules on Qt's screen geometry (top-left origin, y down): converts in, applies
// panelFrame and converts back, rounded to whole pixels.
// With `clear`, a floating panel without a usable saved frame keeps clear of it.
QRect panelGeometry(const Settings &settings, const PanelScreen &qtScreen,
    const QList<QRectF> &qtScreenFrames, double primaryScreenHeight,
    const std::optional<KeepClear> &clear = std::nullopt);

// A panel geometry in Qt coordinates as the value stored in Settings::floatingFrame.
QList<double> storedFloatingFrame(const QRect &qtGeometry, double primaryScreenHeight);

} // namespace qm
