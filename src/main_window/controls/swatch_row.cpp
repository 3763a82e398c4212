// SPDX-License-Identifier: GPL-3.0-or-later
#include "swatch_row.h"

#include "radio_part.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Room around the swatches for the ring and its antialiased edge.
constexpr int kOverhang = 4;

} // namespace

class SwatchPicker final : public QWidget {
public:
    explicit SwatchPicker(SwatchRow *row)
        : QWidget(row)
        , m_row(row)
    {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int ringed = m_row->ringedIndex();
        for (int i = 0; i < m_row->m_colors.size(); ++i) {
            const QRectF circle = circleRect(i);
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex(m_row->m_colors.at(i)));
            if (i == m_pressed || m_row->m_swatchButtons.at(i)->isDown())
                p.setOpacity(0.7);
            p.drawEllipse(circle);
            p.setOpacity(1);
            if (i == ringed) {
                // A 2-point stroke inside the edge of a ring 3.5 outside the circle.
                const double o = SwatchRow::kRingOutset - 1;
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(palette::tally(), 2));
                p.drawEllipse(circle.adjusted(-o, -o, o, o));
            }
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        m_pressed = event->button() == Qt::LeftButton ? indexAt(event->position()) : -1;
        update();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const int pressed = m_pressed;
        m_pressed = -1;
        update();
        if (pressed >= 0 && indexAt(event->position()) == pressed)
            m_row->pick(pressed);
    }

public:
    QRectF circleRect(int i) const
    {
        return {kOverhang + i * (SwatchRow::kDiameter + SwatchRow::kSpacing), double(kOverhang),
            SwatchRow::kDiameter, SwatchRow::kDiameter};
    }

    int indexAt(const QPointF &pos) const
    {
        for (int i = 0; i < m_row->m_colors.size(); ++i) {
            const QRectF c = circleRect(i);
            const QPointF d = pos - c.center();
            if (d.x() * d.x() + d.y() * d.y() <= c.width() * c.width() / 4)
                return i;
        }
        return -1;
    }

private:
    SwatchRow *m_row;
    int m_pressed = -1;
};

namespace {

QString colorName(const QString &hex)
{
    static const QHash<QString, QString> names {{QStringLiteral("FFFFFF"), QStringLiteral("White")},
        {QStringLiteral("FFE27A"), QStringLiteral("Yellow")},
        {QStringLiteral("9BF5A5"), QStringLiteral("Green")},
        {QStringLiteral("8BE0FF"), QStringLiteral("Blue")},
        {QStringLiteral("FFB3C7"), QStringLiteral("Pink")}};
    return names.value(hex, hex);
}

// A swatch for the keyboard and screen readers: a round radio button over its circle.
class SwatchButton final : public RadioPart {
public:
    SwatchButton(QWidget *picker, SwatchRow *row, QList<QAbstractButton *> *group, int index)
        : RadioPart(picker, picker, group, index)
    {
        setText(colorName(row->colors().at(index)));
        connect(this, &QAbstractButton::clicked, row, [row, index] { row->pick(index); });
    }

protected:
    bool hitButton(const QPoint &pos) const override
    {
        const QPointF d = QPointF(pos) - QRectF(rect()).center();
        return d.x() * d.x() + d.y() * d.y() <= width() * width() / 4.0;
    }
};

} // namespace

SwatchRow::SwatchRow(const QStringList &colors, QWidget *parent)
    : QWidget(parent)
    , m_colors(colors)
    , m_slot(new QWidget(this))
    , m_picker(new SwatchPicker(this))
{
    const double n = double(colors.size());
    const int slotWidth = int(std::ceil(n * kDiameter + std::max(0.0, n - 1) * kSpacing));
    m_slot->setFixedSize(slotWidth, int(kDiameter));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    row->addWidget(makeLabel(QStringLiteral("Color"), fonts::system(12), palette::white(70)), 0,
        Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_slot, 0, Qt::AlignVCenter);
    m_picker->resize(slotWidth + 2 * kOverhang, int(kDiameter) + 2 * kOverhang);
    auto *picker = static_cast<SwatchPicker *>(m_picker.data());
    for (int i = 0; i < m_colors.size(); ++i) {
        auto *button = new SwatchButton(picker, this, &m_swatchButtons, i);
        button->setGeometry(picker->circleRect(i).toRect());
        m_swatchButtons.append(button);
    }
    placePicker();
}

QAbstractButton *SwatchRow::swatchButton(int index) const
{
    return m_swatchButtons.value(index);
}

SwatchRow::~SwatchRow()
{
    // The picker may live in the card rather than in this row.
    delete m_picker;
}

void SwatchRow::setSelected(const QString &hex)
{
    if (hex == m_selected)
        return;
    m_selected = hex;
    // No swatch is chosen when the colour is none of them.
    const int ringed = ringedIndex();
    for (int i = 0; i < m_swatchButtons.size(); ++i) {
        QAbstractButton *b = m_swatchButtons.at(i);
        b->setAutoExclusive(false);
        b->setChecked(i == ringed);
        b->setAutoExclusive(true);
    }
    if (m_picker)
        m_picker->update();
}

int SwatchRow::ringedIndex() const
{
    // Exact and case-sensitive: "ffe27a" is a colour of its own, not the "FFE27A" swatch.
    for (int i = 0; i < m_colors.size(); ++i) {
        if (m_colors.at(i) == m_selected)
            return i;
    }
    return -1;
}

QRectF SwatchRow::swatchRect(int index) const
{
    return {
        m_slot->x() + index * (kDiameter + kSpacing), double(m_slot->y()), kDiameter, kDiameter};
}

void SwatchRow::pick(int index)
{
    if (index >= 0 && index < m_colors.size())
        Q_EMIT picked(m_colors.at(index));
}

bool SwatchRow::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::LayoutRequest:
        placePicker();
        break;
    default:
        break;
    }
    return handled;
}

// The picker is a sibling over this row when the row has a parent (so the ring may reach into
// the card's padding), else a child of the row.
void SwatchRow::placePicker()
{
    if (!m_picker)
        return;
    QWidget *host = parentWidget() ? parentWidget() : this;
    if (m_picker->parentWidget() != host)
        m_picker->setParent(host);
    QPoint at = m_slot->pos() - QPoint(kOverhang, kOverhang);
    if (host != this)
        at += pos();
    m_picker->move(at);
    m_picker->setVisible(!isHidden());
    m_picker->raise();
}

} // namespace qm
