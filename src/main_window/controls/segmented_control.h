// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QStringList>
#include <QWidget>

namespace qm {

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

} // namespace qm
