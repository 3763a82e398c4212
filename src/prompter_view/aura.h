// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QRegion>

#include <array>
#include <vector>

class QPainter;

namespace qm {

// The glow along the bottom edge: four blurred wave shapes added on top of each other.
namespace aura {

struct Layer {
    QColor color;
    double k; // wave periods across the width
    double speed; // drift rate; the sign is the direction
    double phase;
    double gain; // multiplier of the height
};

const std::array<Layer, 4> &layers();

constexpr double kStripHeight = 64;
constexpr double kBlurRadius = 9;
constexpr double kStep = 6;
constexpr double kOverhang = 20;

// What the glow wants to show this frame, 0…1. Voice mode follows the loudness; auto mode
// breathes while the text moves; anything not moving sinks to zero.
double target(bool voiceMode, bool live, double level, double t);

// The intensity smoothed across frames: quick to rise, slow to fall.
class Smoother final {
public:
    double value() const { return m_value; }
    // One frame towards `target`; returns the new value.
    double step(double target);

private:
    double m_value = 0;
};

// One layer's wave for a strip of `width` × `height` at intensity `a` and time `t`: the top
// edge, from x = −20 to the last step not beyond width + 20.
std::vector<QPointF> waveCrest(const Layer &layer, double width, double height, double a, double t);
double layerOpacity(double a);

} // namespace aura

// Draws the glow. The waves are filled into a small image at a quarter of the resolution and
// blurred there, which costs a few thousand pixels a frame instead of the whole strip; the
// blurred image is then scaled up smoothly onto the panel. Each wave is the area under a crest
// that is a function of x, so it is filled column by column with exact vertical coverage
// rather than through a general path rasterizer.
class AuraRenderer final {
public:
    // `strip` is where the glow goes (the bottom 64 points of the panel), `dpr` the device's
    // pixel ratio. The painter's clip and transform are respected.
    void paint(QPainter &painter, const QRectF &strip, double a, double t, double dpr);

    // Whether paint() with these values draws the waves afresh, rather than showing the last
    // ones again: a frame that shows them again need not repaint the strip for the glow.
    bool drawsAgain(const QRectF &strip, double a, double t, double dpr) const;
    // Draws the waves afresh when paint() would, ahead of it, and returns the points of the
    // strip whose pixels that changed: what a frame must repaint for the glow. Empty when the
    // last waves stand, or the new ones came out the same.
    QRegion advance(const QRectF &strip, double a, double t, double dpr);

    static constexpr double kScale = 0.25;
    // Seconds a rendered buffer may be shown again, and how far the intensity may move
    // meanwhile.
    static constexpr double kRefreshInterval = 0.03;
    static constexpr double kIntensityTolerance = 0.01;

private:
    // Where the strip's waves go in the buffer: a quarter of the resolution, with room around
    // the strip for the blur.
    struct Grid {
        double scale = 0;
        double margin = 0; // points left of, right of and below the strip
        int cols = 0;
        int rows = 0;
        double firstRow = 0; // the first row's top edge in points from the strip's top
    };
    static Grid grid(const QSizeF &strip, double dpr);
    // Fills the waves into m_buffer, unblurred.
    void rasterise(const Grid &g, const QSizeF &strip, double a, double t);
    // Draws the waves afresh when due and scales them up into m_presented; true when it did.
    bool render(const QRectF &strip, double a, double t, double dpr);
    // Stretches m_buffer's strip into m_presented and, when `compared` (m_last holds the last
    // buffer, m_presented the last picture), works out m_changed: the picture's pixels that may
    // differ from the last, as rows in groups, each as wide as its rows' changes reach.
    void scaleUp(const Grid &g, bool compared);
    // Adds `glow` onto the painter's own pixels at `topLeft`; false when it cannot, and the
    // painter must do it.
    static bool addInPlace(QPainter &painter, QPointF topLeft, const QImage &glow);

    QImage m_buffer;
    QImage m_presented; // m_buffer's strip at the panel's resolution
    QImage m_last; // the buffer m_presented was last scaled up from
    QRegion m_changed; // m_presented's pixels the last render may have changed
    std::vector<int> m_columnAt; // per picture column, the buffer column it blends from
    std::vector<int> m_columnWeight; // and the next one's weight, in sixteenths
    std::vector<quint16> m_across; // buffer rows stretched across, times 16
    std::vector<bool> m_acrossRow; // which of them this render has stretched
    // A render that no advance() reported: the next one reports the whole strip.
    bool m_unreported = true;
    quint64 m_renders = 0;
    double m_dpr = 0;
    QSizeF m_stripSize;
    double m_renderedTime = 0;
    double m_renderedIntensity = -1;
    std::vector<float> m_sum; // premultiplied colour added up before it is clamped
    std::vector<float> m_runs; // where whole-row runs start (+) and end (−), per column
    std::vector<double> m_rowTop; // top edge of each buffer row in points, and the last bottom
};

} // namespace qm
