// SPDX-License-Identifier: GPL-3.0-or-later
#include "value_slider.h"

#include "main_window/painting.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QAbstractSlider>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// The whole number a value text shows for `value`, held to the slider's range.
int wholeNumber(double value, double minimum, double maximum)
{
    if (std::isnan(value))
        return int(std::ceil(minimum));
    const double v = std::clamp(value, minimum, maximum);
    const double whole = std::round(v);
    return int(
        std::abs(v - whole) <= 1e-9 * std::max(1.0, std::abs(whole)) ? whole : std::trunc(v));
}

} // namespace

ValueSlider::ValueSlider(double minimum, double maximum, QWidget *parent)
    : QAbstractSlider(parent)
    , m_min(minimum)
    , m_max(maximum)
    , m_value(minimum)
{
    setOrientation(Qt::Horizontal);
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Reached with Tab; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    m_following = true;
    setRange(int(std::ceil(minimum)), int(std::floor(maximum)));
    setSingleStep(1);
    setPageStep(10);
    QAbstractSlider::setValue(wholeNumber(minimum, m_min, m_max));
    m_following = false;
}

void ValueSlider::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    m_following = true;
    QAbstractSlider::setValue(wholeNumber(value, m_min, m_max));
    m_following = false;
    update();
}

void ValueSlider::edit(double value)
{
    if (std::isnan(value))
        return;
    setValue(std::clamp(value, m_min, m_max));
    Q_EMIT edited(m_value);
}

void ValueSlider::sliderChange(SliderChange change)
{
    QAbstractSlider::sliderChange(change);
    // A key moved the whole-number position: that is an edit.
    if (change == SliderValueChange && !m_following)
        edit(double(QAbstractSlider::value()));
}

double ValueSlider::valueAt(double x) const
{
    const double travel = width() - kKnob;
    if (travel <= 0 || m_max <= m_min)
        return m_min;
    const double f = std::clamp((x - kKnob / 2) / travel, 0.0, 1.0);
    return m_min + f * (m_max - m_min);
}

void ValueSlider::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double travel = std::max(0.0, width() - kKnob);
    double f = 0;
    if (m_max > m_min && !std::isnan(m_value))
        f = std::clamp((m_value - m_min) / (m_max - m_min), 0.0, 1.0);
    const double cx = kKnob / 2 + f * travel;
    const double cy = height() / 2.0;

    const QRectF track(0, cy - 2, width(), 4);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::white(14));
    p.drawPath(capsule(track));
    p.setBrush(palette::tally());
    p.drawPath(capsule(QRectF(track.left(), track.top(), std::max(cx, 4.0), track.height())));

    const QRectF knob(cx - kKnob / 2, cy - kKnob / 2, kKnob, kKnob);
    p.setBrush(blackAt(30));
    p.drawEllipse(knob.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    p.setBrush(QColor(0xE8, 0xE8, 0xEA));
    p.drawEllipse(knob);
}

void ValueSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_dragging = true;
    edit(valueAt(event->position().x()));
}

void ValueSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        edit(valueAt(event->position().x()));
}

void ValueSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        edit(valueAt(event->position().x()));
    }
}

void ValueSlider::wheelEvent(QWheelEvent *event)
{
    // The wheel scrolls the settings column; it never nudges a value by accident.
    event->ignore();
}

} // namespace qm
