// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transition.h"

#include <QHash>
#include <QImage>
#include <QPointF>

#include <optional>

class QPainter;

namespace qm {

// The big number counting down over the dimmed text: it springs in, each new number drops in
// from above while the last one sinks away, and the last one fades out when the count ends.
class CountdownOverlay final {
public:
    explicit CountdownOverlay(std::optional<int> number);

    // The count moved on to `n`, or ended (nullopt), at `now`.
    void change(std::optional<int> n, double now);
    // Brings the shown values to `now`; at rest, exactly at rest.
    void step(double now);
    // Whether a later step() would show anything different.
    bool moving() const;

    // 0 when gone, 1 when fully shown.
    double shown() const { return m_shown; }
    double numberProgress() const { return m_numberProgress; }
    std::optional<int> number() const { return m_number; }

    // Draws the number centred on `centre`.
    void paint(QPainter &p, QPointF centre, double dpr);

private:
    const QImage &image(int n, double dpr);

    Transition m_presence;
    double m_shown = 0;
    Transition m_change;
    double m_numberProgress = 1;
    std::optional<int> m_number;
    std::optional<int> m_previous;
    QHash<int, QImage> m_images;
};

} // namespace qm
