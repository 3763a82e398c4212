// SPDX-License-Identifier: GPL-3.0-or-later
#include "segmented_control.h"

#include "radio_part.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

QFont segmentFont()
{
    return fonts::system(12, QFont::DemiBold);
}

} // namespace

class SegmentButton final : public RadioPart {
public:
    SegmentButton(SegmentedControl *control, int index)
        : RadioPart(control, control, &control->m_segments, index)
    {
        setText(control->m_items.at(index));
        connect(this, &QAbstractButton::clicked, control,
            [control, index] { Q_EMIT control->activated(index); });
    }
};

SegmentedControl::SegmentedControl(const QStringList &items, QWidget *parent)
    : QWidget(parent)
    , m_items(items)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < m_items.size(); ++i)
        m_segments.append(new SegmentButton(this, i));
    if (!m_segments.isEmpty())
        m_segments.first()->setChecked(true);
}

QAbstractButton *SegmentedControl::segmentButton(int index) const
{
    return m_segments.value(index);
}

void SegmentedControl::resizeEvent(QResizeEvent *)
{
    placeSegments();
}

void SegmentedControl::placeSegments()
{
    for (int i = 0; i < m_segments.size(); ++i)
        m_segments.at(i)->setGeometry(segmentRect(i).toRect());
}

QSize SegmentedControl::sizeHint() const
{
    const QFontMetricsF fm(segmentFont());
    double widest = 0;
    for (const QString &item : m_items)
        widest = std::max(widest, fm.horizontalAdvance(item));
    const qsizetype n = std::max<qsizetype>(1, m_items.size());
    const double w = 3 + double(n) * (widest + 16) + 3 * double(n - 1) + 3;
    const double h = 3 + 6 + fm.height() + 6 + 3;
    return {int(std::ceil(w)), int(std::ceil(h))};
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index == m_current)
        return;
    m_current = index;
    if (QAbstractButton *b = m_segments.value(index))
        b->setChecked(true);
    update();
}

QRectF SegmentedControl::segmentRect(int index) const
{
    const qsizetype n = m_items.size();
    if (index < 0 || index >= n)
        return {};
    const double inner = width() - 6 - 3 * double(n - 1);
    const double w = inner / double(n);
    return {3 + index * (w + 3), 3, w, height() - 6.0};
}

int SegmentedControl::segmentAt(const QPointF &pos) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (segmentRect(i).contains(pos))
            return i;
    }
    return -1;
}

void SegmentedControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::ink());
    p.drawPath(continuousRoundedRect(rect(), 10));
    p.setFont(segmentFont());
    for (int i = 0; i < m_items.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool selected = i == m_current;
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex(u"2F2F37"));
            p.drawPath(continuousRoundedRect(r, 7));
        }
        p.setOpacity(i == m_pressed || m_segments.at(i)->isDown() ? 0.7 : 1.0);
        p.setPen(selected ? QColor(Qt::white) : palette::white(50));
        p.drawText(r, Qt::AlignCenter, m_items.at(i));
        p.setOpacity(1);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = segmentAt(event->position());
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (event->button() == Qt::LeftButton && pressed >= 0
        && segmentAt(event->position()) == pressed)
        Q_EMIT activated(pressed);
}

} // namespace qm
