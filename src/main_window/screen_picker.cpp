// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen_picker.h"

#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {

QFont rowFont()
{
    return fonts::system(12, QFont::DemiBold);
}

} // namespace

ScreenPicker::ScreenPicker(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

void ScreenPicker::setScreens(const QList<Entry> &entries, const QString &current)
{
    if (entries == m_entries && current == m_current)
        return;
    const bool resized = entries.size() != m_entries.size();
    m_entries = entries;
    m_current = current;
    if (resized)
        updateGeometry();
    update();
}

double ScreenPicker::rowHeight() const
{
    return 6 + QFontMetricsF(rowFont()).height() + 6;
}

QSize ScreenPicker::sizeHint() const
{
    const qsizetype n = std::max<qsizetype>(1, m_entries.size());
    const double h = 3 + double(n) * rowHeight() + 3 * double(n - 1) + 3;
    return {200, int(std::ceil(h))};
}

QRectF ScreenPicker::rowRect(int index) const
{
    if (index < 0 || index >= m_entries.size())
        return {};
    return {3, 3 + index * (rowHeight() + 3), width() - 6.0, rowHeight()};
}

int ScreenPicker::rowAt(const QPointF &pos) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (rowRect(i).contains(pos))
            return i;
    }
    return -1;
}

void ScreenPicker::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::ink());
    p.drawPath(continuousRoundedRect(rect(), 10));
    p.setFont(rowFont());
    for (int i = 0; i < m_entries.size(); ++i) {
        const QRectF r = rowRect(i);
        const bool selected = m_entries.at(i).name == m_current;
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex(u"2F2F37"));
            p.drawPath(continuousRoundedRect(r, 7));
        }
        p.setOpacity(i == m_pressed ? 0.7 : 1.0);
        p.setPen(selected ? QColor(Qt::white) : palette::white(50));
        const QRectF text = r.adjusted(10, 0, -10, 0);
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
            QFontMetricsF(rowFont()).elidedText(
                m_entries.at(i).label, Qt::ElideMiddle, text.width()));
        p.setOpacity(1);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette::white(35), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10));
    }
}

void ScreenPicker::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = rowAt(event->position());
    update();
}

void ScreenPicker::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (event->button() == Qt::LeftButton && pressed >= 0 && rowAt(event->position()) == pressed)
        Q_EMIT picked(m_entries.at(pressed).name);
}

void ScreenPicker::keyPressEvent(QKeyEvent *event)
{
    const int step = event->key() == Qt::Key_Up ? -1 : event->key() == Qt::Key_Down ? 1 : 0;
    if (!step || m_entries.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    int at = -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name == m_current)
            at = i;
    }
    const int next = std::clamp(at + step, 0, int(m_entries.size()) - 1);
    if (next != at)
        Q_EMIT picked(m_entries.at(next).name);
    event->accept();
}

} // namespace qm
