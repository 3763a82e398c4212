// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcut_sheet.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>

namespace qm {

// The popover holding the shortcut sheet: above its anchor, pointing at it.
class ShortcutPopup final : public QWidget {
public:
    ShortcutPopup(QWidget *anchor, std::function<void()> closed)
        : QWidget(anchor, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
        , m_anchor(anchor)
        , m_closed(std::move(closed))
    {
        setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, kArrowHeight);
        layout->setSpacing(0);
        layout->addWidget(new ShortcutSheet(this));
        adjustSize();
    }

    void place()
    {
        const QPoint tip = m_anchor->mapToGlobal(QPoint(m_anchor->width() / 2, 0));
        QRect frame(QPoint(tip.x() - width() / 2, tip.y() - height() - kGap), size());
        if (const QScreen *screen = m_anchor->screen()) {
            const QRect room = screen->availableGeometry();
            frame.moveLeft(
                qBound(room.left(), frame.left(), qMax(room.left(), room.right() - width())));
            frame.moveTop(qMax(room.top(), frame.top()));
        }
        move(frame.topLeft());
        m_arrowX = qBound(kRadius + kArrowWidth / 2, double(tip.x() - frame.left()),
            width() - kRadius - kArrowWidth / 2);
        setMask(QRegion(shape().toFillPolygon().toPolygon()));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape(), palette::raised());
        p.strokePath(shape(), QPen(palette::hairline(), 1));
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        // A click on the Shortcuts button closes the popover and must not open it again.
        const QPoint global = event->globalPosition().toPoint();
        if (!rect().contains(event->position().toPoint())
            && QRect(m_anchor->mapToGlobal(QPoint()), m_anchor->size()).contains(global))
            setAttribute(Qt::WA_NoMouseReplay);
        QWidget::mousePressEvent(event);
    }

    void hideEvent(QHideEvent *event) override
    {
        QWidget::hideEvent(event);
        if (m_closed)
            std::exchange(m_closed, nullptr)();
    }

private:
    QPainterPath shape() const
    {
        const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5 - kArrowHeight);
        QPainterPath path = continuousRoundedRect(body, kRadius);
        QPainterPath arrow;
        arrow.moveTo(m_arrowX - kArrowWidth / 2, body.bottom() - 1);
        arrow.lineTo(m_arrowX, body.bottom() + kArrowHeight);
        arrow.lineTo(m_arrowX + kArrowWidth / 2, body.bottom() - 1);
        arrow.closeSubpath();
        return path.united(arrow);
    }

    static constexpr double kRadius = 10;
    static constexpr double kArrowWidth = 16;
    static constexpr int kArrowHeight = 8;
    static constexpr int kGap = 2;

    QWidget *m_anchor = nullptr;
    std::function<void()> m_closed;
    double m_arrowX = 0;
};

} // namespace qm
