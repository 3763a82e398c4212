// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSlider>

namespace qm {

// A continuous slider for doubles in the small size, tinted tally. A stored value outside the
// range puts the knob at the nearer end; only the user's drags and keys write. For the keyboard
// and screen readers it is a Qt slider over the whole numbers the value text shows: the arrows
// move it by one, Page Up and Down by ten.
class ValueSlider final : public QAbstractSlider {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ValueSlider)

public:
    ValueSlider(double minimum, double maximum, QWidget *parent = nullptr);

    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    double value() const { return m_value; }
    // Shows a value; does not emit.
    void setValue(double value);
    // What a drag does: takes the value (clamped to the range) and emits edited.
    void edit(double value);
    // The value under the x position `x` in this widget.
    double valueAt(double x) const;

    QSize sizeHint() const override { return {120, kHeight}; }
    QSize minimumSizeHint() const override { return {40, kHeight}; }

    static constexpr int kHeight = 16;
    static constexpr double kKnob = 14;

Q_SIGNALS:
    void edited(double value);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    double m_min = 0;
    double m_max = 1;
    double m_value = 0;
    bool m_dragging = false;
    // Set while the whole-number position follows a value shown or dragged to.
    bool m_following = false;
};

} // namespace qm
