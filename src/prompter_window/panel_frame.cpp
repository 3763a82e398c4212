// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_frame.h"

#include "ui/screen_coords.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace qm {

namespace {

// Geometry beyond what a widget can take is a damaged file, not a place on a screen; keeping
// it would overflow the conversion to whole pixels.
bool plausible(double v)
{
    return std::isfinite(v) && std::abs(v) <= QWIDGETSIZE_MAX;
}

double coveredArea(const QRectF &a, const QRectF &b)
{
    const QRectF both = a.intersected(b);
    return both.isValid() ? both.width() * both.height() : 0.0;
}

} // namespace

std::optional<QRectF> usableFloatingFrame(
    const Settings &settings, const QList<QRectF> &screenFrames)
{
    if (!settings.floatingFrame || settings.floatingFrame->size() != 4)
        return std::nullopt;
    const QList<double> &f = *settings.floatingFrame;
    for (double v : f) {
        if (!plausible(v))
            return std::nullopt;
    }
    const QRectF rect(f[0], f[1], f[2], f[3]);
    // QRectF treats a negative size as the same rectangle mirrored; a stored frame never has one.
    if (rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    for (const QRectF &screen : screenFrames) {
        if (rect.intersects(screen))
            return rect;
    }
    return std::nullopt;
}

QRectF panelFrame(
    const Settings &settings, const PanelScreen &screen, const QList<QRectF> &screenFrames)
{
    if (settings.mode == PrompterMode::Notch) {
        // Centred on the whole screen with its top on the screen's top edge: the upper topInset
        // points sit behind the housing and the view keeps its text below them.
        // Held to the sliders' ranges like every stored number, whoever set it.
        const double w = std::isnan(settings.notchWidth)
            ? Settings {}.notchWidth
            : limits::notchWidth.clamp(settings.notchWidth);
        const double nh = std::isnan(settings.notchHeight)
            ? Settings {}.notchHeight
            : limits::notchHeight.clamp(settings.notchHeight);
        const double h = nh + screen.topInset;
        // Below the top bar: from the top of the area the desktop leaves to windows.
        const double top = settings.belowTopBar
            ? screen.visibleFrame.y() + screen.visibleFrame.height()
            : screen.frame.y() + screen.frame.height();
        return QRectF(screen.frame.center().x() - w / 2, top - h, w, h);
    }
    if (const auto saved = usableFloatingFrame(settings, screenFrames))
        return *saved;
    using namespace panel_frame;
    const QRectF &visible = screen.visibleFrame;
    return QRectF(visible.center().x() - kFloatingWidth / 2,
        visible.y() + visible.height() - kFloatingTopGap - kFloatingHeight, kFloatingWidth,
        kFloatingHeight);
}

QRectF keptClear(const QRectF &frame, const QRectF &area, const KeepClear &clear)
{
    using namespace panel_frame;
    const double w = frame.width();
    const double h = frame.height();
    const double left = area.left() + std::min(kSideGap, std::max(area.width() - w, 0.0) / 2);
    const double right = std::max(area.right() - kSideGap - w, left);
    const double centre = area.center().x() - w / 2;
    const double top = area.top() + std::min(kFloatingTopGap, std::max(area.height() - h, 0.0));
    const double bottom = std::max(area.bottom() - kFloatingTopGap - h, top);
    const double middle = std::max(area.center().y() - h / 2, top);
    const QPointF places[] = {frame.topLeft(), {left, top}, {right, top}, {centre, bottom},
        {left, bottom}, {right, bottom}, {left, middle}, {right, middle}};

    const std::optional<QRectF> pointer = clear.pointer
        ? std::optional<QRectF>(QRectF(*clear.pointer, QSizeF())
                                    .adjusted(-kPointerClearance, -kPointerClearance,
                                        kPointerClearance, kPointerClearance))
        : std::nullopt;
    QRectF best = frame;
    std::pair<double, double> bestCost {std::numeric_limits<double>::infinity(), 0.0};
    for (const QPointF &place : places) {
        const QRectF candidate(place, frame.size());
        const std::pair<double, double> cost {pointer ? coveredArea(candidate, *pointer) : 0.0,
            clear.window.isValid() ? coveredArea(candidate, clear.window) : 0.0};
        if (cost < bestCost) {
            best = candidate;
            bestCost = cost;
        }
        if (cost == std::pair<double, double> {0.0, 0.0})
            break;
    }
    return best;
}

QRectF followedFrame(
    const QRectF &frame, const QRectF &before, const QRectF &after, const QRectF &area)
{
    const QSizeF size = frame.size().boundedTo(area.size());
    QPointF centre = frame.center();
    if (before.width() > 0 && before.height() > 0) {
        centre = {after.left() + (centre.x() - before.left()) / before.width() * after.width(),
            after.top() + (centre.y() - before.top()) / before.height() * after.height()};
    }
    const double left = std::clamp(centre.x() - size.width() / 2, area.left(),
        std::max(area.left(), area.left() + area.width() - size.width()));
    const double top = std::clamp(centre.y() - size.height() / 2, area.top(),
        std::max(area.top(), area.top() + area.height() - size.height()));
    return QRectF(QPointF(left, top), size);
}

QRect panelGeometry(const Settings &settings, const PanelScreen &qtScreen,
    const QList<QRectF> &qtScreenFrames, double primaryScreenHeight,
    const std::optional<KeepClear> &clear)
{
    const PanelScreen screen {flipVertically(qtScreen.frame, primaryScreenHeight),
        flipVertically(qtScreen.visibleFrame, primaryScreenHeight), qtScreen.topInset};
    QList<QRectF> frames;
    frames.reserve(qtScreenFrames.size());
    for (const QRectF &f : qtScreenFrames)
        frames.append(flipVertically(f, primaryScreenHeight));
    QRectF qt = flipVertically(panelFrame(settings, screen, frames), primaryScreenHeight);
    if (clear && settings.mode != PrompterMode::Notch && !usableFloatingFrame(settings, frames))
        qt = keptClear(qt, qtScreen.visibleFrame, *clear);
    // Rounding the edges rather than origin and size keeps the panel touching the screen's top.
    const int left = qRound(qt.left());
    const int top = qRound(qt.top());
    return QRect(QPoint(left, top),
        QPoint(qRound(qt.x() + qt.width()) - 1, qRound(qt.y() + qt.height()) - 1));
}

QList<double> storedFloatingFrame(const QRect &qtGeometry, double primaryScreenHeight)
{
    const QRectF f = flipVertically(QRectF(qtGeometry), primaryScreenHeight);
    return {f.x(), f.y(), f.width(), f.height()};
}

} // namespace qm
