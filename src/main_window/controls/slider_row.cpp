// SPDX-License-Identifier: GPL-3.0-or-later
#include "slider_row.h"

#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "value_slider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qm {

QString sliderValueText(double value, const QString &unit)
{
    QString number;
    if (!std::isfinite(value)) {
        number = QStringLiteral("\u2014");
    } else {
        const double whole = std::round(value);
        if (std::abs(value - whole) <= 1e-9 * std::max(1.0, std::abs(whole)))
            value = whole;
        // Adding 0 turns a negative zero (from -0.5) into a plain "0".
        number = QString::number(std::trunc(value) + 0.0, 'f', 0);
    }
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

SliderRow::SliderRow(
    const QString &label, double minimum, double maximum, const QString &unit, QWidget *parent)
    : QWidget(parent)
    , m_unit(unit)
    , m_value(minimum)
    , m_valueText(makeLabel(QString(), fonts::monospaced(11), palette::white(50), false, this))
    , m_slider(new ValueSlider(minimum, maximum, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto *labels = new QHBoxLayout;
    labels->setSpacing(8);
    labels->addWidget(makeLabel(label, fonts::system(12), palette::white(70), false, this));
    labels->addStretch(1);
    labels->addWidget(m_valueText);
    column->addLayout(labels);
    column->addWidget(m_slider);
    m_valueText->setObjectName(QStringLiteral("valueText"));
    m_valueText->setText(sliderValueText(m_value, m_unit));
    m_slider->setAccessibleName(label);
    connect(m_slider, &ValueSlider::edited, this, &SliderRow::edited);
}

void SliderRow::setValue(double value)
{
    m_value = value;
    m_slider->setValue(value);
    m_valueText->setText(sliderValueText(value, m_unit));
}

QString SliderRow::valueText() const
{
    return m_valueText->text();
}

} // namespace qm
