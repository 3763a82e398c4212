// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QSizeF>

#include <array>

class QPainter;

namespace qm {

// The panel's outline and the pixels that depend on it, prepared once per size and mode. Every
// frame fills the panel, trims what the glow and the controls drew outside its corners and
// draws the border, all from small cached corner images and plain rectangles: a large
// antialiased path, filled or used as a clip, would be rasterized again on every frame.
class PanelShape final {
public:
    void setGeometry(const QSizeF &size, bool floating, double dpr);
    // A plain rectangle without corners or border, whatever the mode (full screen).
    void setSquare(bool square);

    const QPainterPath &path() const { return m_path; }
    bool floating() const { return m_floating; }

    // Black inside the outline, transparent outside. `covered`, in device pixels from the
    // shape's top left, is about to be painted over with opaque pixels and may be left out.
    void paintBackground(QPainter &p, const QRegion &covered = QRegion()) const;
    // Keeps what is drawn between the two calls inside the outline. With the cached corners it
    // erases what was drawn outside them afterwards, keeping the antialiased edge; under a
    // scaling transform (the opening animation) it clips to the outline instead.
    void beginClip(QPainter &p) const;
    void endClip(QPainter &p) const;
    // The 1-point border at 12 % white inside the edge (floating mode only).
    void paintBorder(QPainter &p) const;

    static constexpr double kNotchRadius = 24;
    static constexpr double kFloatingRadius = 18;

private:
    bool cachedFor(const QPainter &p) const;

    struct Corner {
        QRectF rect;
        QImage fill; // the black panel within the corner square
        QImage outside; // opaque where the panel is not
        QImage border;
    };

    QSizeF m_size;
    bool m_floating = false;
    bool m_square = false;
    double m_dpr = 0;
    double m_reach = 0; // side of a corner square
    bool m_cached = false; // false when the corners would overlap: plain path drawing instead
    QPainterPath m_path;
    QPainterPath m_borderPath;
    std::array<Corner, 4> m_corners;
};

} // namespace qm
