// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>

class QPainter;

namespace qm {

// The logo mark: a rounded square with the accent gradient and a small camera notch hanging
// from its top edge. Drawn at any size; the proportions are those of the 24-point mark.
void paintLogoMark(QPainter &painter, const QRectF &rect);

} // namespace qm
