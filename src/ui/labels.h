// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <Qt>

class QColor;
class QFont;
class QLabel;
class QWidget;

namespace qm {

// A label with a fixed font and colour that never reads its text as markup, so a script title
// with angle brackets shows as typed; `wrap` lets it take as many lines as it needs.
QLabel *makeLabel(const QString &text, const QFont &font, const QColor &color, bool wrap = false,
    QWidget *parent = nullptr);

// A one-pixel line in the hairline colour that parts two regions: across them (Qt::Horizontal)
// or between them side by side (Qt::Vertical).
QWidget *makeHairline(Qt::Orientation orientation, QWidget *parent);

} // namespace qm
