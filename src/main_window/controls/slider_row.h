// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/settings.h"

#include <QWidget>

class QLabel;

namespace qm {

class ValueSlider;

// A slider's value text: the value truncated toward zero, then " unit" when there is a unit.
// A value within rounding noise of a whole number counts as that number, so a fraction read
// back as a percentage (0.29 × 100 = 28.999…) shows what was set.
QString sliderValueText(double value, const QString &unit);

// Label and value text above a ValueSlider.
class SliderRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SliderRow)

public:
    SliderRow(const QString &label, double minimum, double maximum, const QString &unit,
        QWidget *parent = nullptr);
    SliderRow(const QString &label, Limit range, const QString &unit, QWidget *parent = nullptr)
        : SliderRow(label, range.minimum, range.maximum, unit, parent)
    {
    }

    void setValue(double value);
    double value() const { return m_value; }
    QString valueText() const;
    ValueSlider *slider() const { return m_slider; }

Q_SIGNALS:
    void edited(double value);

private:
    QString m_unit;
    double m_value = 0;
    QLabel *m_valueText = nullptr;
    ValueSlider *m_slider = nullptr;
};

} // namespace qm
