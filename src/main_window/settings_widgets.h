// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capsule_buttons.h"
#include "model/settings.h"
#include "ui/labels.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace qm {

// A slider's value text: the value truncated toward zero, then " unit" when there is a unit.
// A value within rounding noise of a whole number counts as that number, so a fraction read
// back as a percentage (0.29 × 100 = 28.999…) shows what was set.
QString sliderValueText(double value, const QString &unit);

// A titled card of the settings column: symbol and upper-case title, then one row per added
// widget, 13 apart, on a faintly lighter rounded rectangle.
class GroupCard final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GroupCard)

public:
    GroupCard(const QString &title, const QString &symbol, QWidget *parent = nullptr);

    void addRow(QWidget *row);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QVBoxLayout *m_layout = nullptr;
};

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

// A small switch, tinted tally when on.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToggleSwitch)

public:
    explicit ToggleSwitch(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {32, 18}; }

protected:
    void paintEvent(QPaintEvent *) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Title and subtitle at the leading edge, the switch at the trailing edge.
class ToggleRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToggleRow)

public:
    ToggleRow(const QString &title, const QString &subtitle, QWidget *parent = nullptr);

    bool isChecked() const;
    // Shows a state; does not emit.
    void setChecked(bool checked);
    ToggleSwitch *toggle() const { return m_switch; }

Q_SIGNALS:
    // Only the user's clicks.
    void toggled(bool checked);

private:
    ToggleSwitch *m_switch = nullptr;
};

class SegmentButton;

// Equal-width segments on an ink track; the chosen one sits on a lighter plate. Each segment
// is a button of a radio group over its plate (the control draws them all), so Tab reaches
// the chosen one, the arrows choose another, and screen readers read each one.
class SegmentedControl final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentedControl)

public:
    explicit SegmentedControl(const QStringList &items, QWidget *parent = nullptr);

    QStringList items() const { return m_items; }
    int currentIndex() const { return m_current; }
    // Shows a choice; does not emit.
    void setCurrentIndex(int index);
    // The segment under `pos`, or -1.
    int segmentAt(const QPointF &pos) const;
    // The radio button over segment `index`, for the keyboard and screen readers.
    QAbstractButton *segmentButton(int index) const;
    QRectF segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {60, sizeHint().height()}; }

Q_SIGNALS:
    // A click on a segment (also on the current one).
    void activated(int index);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *) override;

private:
    friend class SegmentButton;
    void placeSegments();

    QStringList m_items;
    int m_current = 0;
    int m_pressed = -1;
    QList<QAbstractButton *> m_segments;
};

class SwatchPicker;

// "Color" and the swatches. The ring of the chosen swatch reaches 3.5 beyond the circle, so
// the swatches are drawn by a picker that hangs over this row's slot by that much.
class SwatchRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwatchRow)

public:
    explicit SwatchRow(const QStringList &colors, QWidget *parent = nullptr);
    ~SwatchRow() override;

    QStringList colors() const { return m_colors; }
    // The stored colour; a swatch is ringed only when it is exactly this text.
    void setSelected(const QString &hex);
    QString selected() const { return m_selected; }
    // The index of the ringed swatch, or -1.
    int ringedIndex() const;
    // Where swatch `index` is drawn, in this row's coordinates.
    QRectF swatchRect(int index) const;
    // What a click on swatch `index` does.
    void pick(int index);
    // The radio button over swatch `index`, for the keyboard and screen readers.
    QAbstractButton *swatchButton(int index) const;

    static constexpr double kDiameter = 18;
    static constexpr double kSpacing = 9;
    static constexpr double kRingOutset = 3.5;

Q_SIGNALS:
    void picked(const QString &hex);

protected:
    bool event(QEvent *event) override;

private:
    friend class SwatchPicker;
    void placePicker();

    QStringList m_colors;
    QString m_selected;
    QWidget *m_slot = nullptr;
    QList<QAbstractButton *> m_swatchButtons;
    // Owned here, though its parent may be the card; either may go first.
    QPointer<QWidget> m_picker;
};

// A plain text button across the full width ("Reset to defaults").
class TextButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextButton)

public:
    explicit TextButton(const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;
};

} // namespace qm
