// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QStringView>

namespace qm {

// Reads six hexadecimal digits RRGGBB into an opaque colour. Every '#' is dropped first, the
// leading hexadecimal digits are read and anything unreadable gives black.
QColor colorFromHex(QStringView hex);

namespace palette {
inline const QColor ink()
{
    return QColor(0x0B, 0x0B, 0x0D);
}
inline const QColor panel()
{
    return QColor(0x13, 0x13, 0x16);
}
inline const QColor raised()
{
    return QColor(0x1C, 0x1C, 0x21);
}
inline const QColor hairline()
{
    return QColor(255, 255, 255, qRound(255 * 0.08));
}
inline const QColor tally()
{
    return QColor(0xFF, 0x5A, 0x36);
}
inline const QColor tallySoft()
{
    return QColor(0xFF, 0x9A, 0x6B);
}
// White at `percent` % opacity, the way the design writes most greys.
inline QColor white(double percent)
{
    return QColor::fromRgbF(1, 1, 1, float(percent / 100.0));
}
} // namespace palette

} // namespace qm
