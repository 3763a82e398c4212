// SPDX-License-Identifier: GPL-3.0-or-later
#include "countdown_overlay.h"

#include "ui/fonts.h"
#include "ui/palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr double kSize = 54;
// How far a number travels while it gives way to the next, in its own heights.
constexpr double kTravel = 0.45;
const Spring kSpring {0.3, 0.85};

} // namespace

CountdownOverlay::CountdownOverlay(std::optional<int> number)
    : m_number(number)
{
    m_presence.curve = Transition::Curve::Spring;
    m_presence.spring = kSpring;
    m_presence.jump(number ? 1 : 0);
    m_shown = m_presence.to;
    m_change.curve = Transition::Curve::Spring;
    m_change.spring = kSpring;
    m_change.jump(1);
}

void CountdownOverlay::change(std::optional<int> n, double now)
{
    m_presence.retarget(n ? 1 : 0, now);
    if (n && m_number && *n != *m_number) {
        m_previous = m_number;
        m_change.jump(0);
        m_change.retarget(1, now);
        m_numberProgress = 0;
    }
    // The last number stays to fade out after the countdown ends.
    if (n)
        m_number = n;
}

void CountdownOverlay::step(double now)
{
    m_shown = m_presence.settled(now) ? m_presence.to : m_presence.at(now);
    m_numberProgress = m_change.settled(now) ? 1.0 : m_change.at(now);
}

bool CountdownOverlay::moving() const
{
    return m_shown != m_presence.to || m_numberProgress != 1;
}

const QImage &CountdownOverlay::image(int n, double dpr)
{
    auto it = m_images.find(n);
    if (it != m_images.end() && it->devicePixelRatio() == dpr)
        return *it;
    const QFont font = fonts::rounded(kSize, QFont::ExtraBold);
    const QFontMetricsF fm(font);
    const QString text = QString::number(n);
    const QSizeF size(fm.horizontalAdvance(text), fm.height());
    QImage image(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))),
        QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPointF(0, fm.ascent()), text);
        // The glyphs keep their coverage and take the gradient's colour, light at the top.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QLinearGradient fill(0, 0, 0, size.height());
        fill.setColorAt(0, palette::tallySoft());
        fill.setColorAt(1, palette::tally());
        p.fillRect(QRectF(QPointF(0, 0), size), fill);
    }
    return *m_images.insert(n, image);
}

void CountdownOverlay::paint(QPainter &p, QPointF centre, double dpr)
{
    const double shown = std::clamp(m_shown, 0.0, 1.0);
    if (shown <= 0.001 || !m_number)
        return;
    const double q = std::clamp(m_numberProgress, 0.0, 1.0);
    // Copies (shared, not duplicated): making the other number's image may move the cache's
    // entries.
    const QImage current = image(*m_number, dpr);
    const QSizeF size = current.deviceIndependentSize();
    const double travel = size.height() * kTravel;
    auto place = [&](const QImage &image, double opacity, double shift) {
        if (opacity <= 0.001)
            return;
        const QSizeF s = image.deviceIndependentSize();
        p.setOpacity(p.opacity() * opacity);
        p.drawImage(
            QPointF(centre.x() - s.width() / 2, centre.y() - s.height() / 2 + shift), image);
        p.setOpacity(p.opacity() / opacity);
    };
    p.save();
    const double base = p.opacity() * shown;
    p.setOpacity(base);
    // Counting down: the new number drops in from above while the old one sinks away.
    if (m_previous && q < 1)
        place(QImage(image(*m_previous, dpr)), 1 - q, q * travel);
    place(current, q, -(1 - q) * travel);
    p.restore();
}

} // namespace qm
