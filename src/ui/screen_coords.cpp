// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen_coords.h"

#include <QGuiApplication>
#include <QScreen>

namespace qm {

QRectF flipVertically(const QRectF &frame, double primaryScreenHeight)
{
    return QRectF(
        frame.x(), primaryScreenHeight - frame.y() - frame.height(), frame.width(), frame.height());
}

double primaryScreenHeight()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0.0;
}

} // namespace qm
