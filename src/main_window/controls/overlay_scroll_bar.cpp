// SPDX-License-Identifier: GPL-3.0-or-later
#include "overlay_scroll_bar.h"

#include <QAbstractScrollArea>
#include <QEvent>

namespace qm {

OverlayScrollBar::OverlayScrollBar(QAbstractScrollArea *area, Look look)
    : QScrollBar(Qt::Vertical, area)
    , m_area(area)
    , m_look(look)
    , m_source(area->verticalScrollBar())
{
    // The area's own bar stays the model the area scrolls by (the wheel goes to it); it is
    // just never shown.
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (look == Look::Steady) {
        setStyleSheet(QStringLiteral(
            "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 1px 2px 0; }"
            "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 56); border-radius: 3px;"
            " min-height: 28px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    } else {
        setStyleSheet(QStringLiteral(
            "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 0 2px 0; }"
            "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 64); border-radius: 3px;"
            " min-height: 28px; margin: 0 2px 0 2px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: "
            "none; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: "
            "transparent; "
            "}"));
    }
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    hide();

    m_linger.setSingleShot(true);
    m_linger.setInterval(kLingerMs);
    connect(&m_linger, &QTimer::timeout, this, [this] {
        if (m_look == Look::Fading && !m_hover && !isSliderDown())
            hide();
    });

    connect(m_source, &QScrollBar::rangeChanged, this, &OverlayScrollBar::syncFromSource);
    connect(m_source, &QScrollBar::valueChanged, this, [this](int value) {
        syncFromSource();
        if (this->value() != value)
            setValue(value);
        reveal();
    });
    connect(this, &QScrollBar::valueChanged, m_source, &QScrollBar::setValue);
    connect(this, &QScrollBar::sliderReleased, this, [this] { m_linger.start(); });
    area->installEventFilter(this);
    syncFromSource();
    place();
}

void OverlayScrollBar::syncFromSource()
{
    setRange(m_source->minimum(), m_source->maximum());
    setPageStep(m_source->pageStep());
    setSingleStep(m_source->singleStep());
    if (maximum() <= minimum()) {
        hide();
    } else if (m_look == Look::Steady) {
        place();
        show();
        raise();
    }
}

void OverlayScrollBar::reveal()
{
    if (maximum() <= minimum())
        return;
    place();
    show();
    raise();
    m_linger.start();
}

void OverlayScrollBar::place()
{
    const QRect vp = m_area->viewport()->geometry();
    const int width = m_look == Look::Steady ? kSteadyWidth : kWidth;
    setGeometry(vp.right() + 1 - width, vp.top(), width, vp.height());
}

bool OverlayScrollBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        place();
    return QScrollBar::eventFilter(watched, event);
}

void OverlayScrollBar::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    m_linger.stop();
    QScrollBar::enterEvent(event);
}

void OverlayScrollBar::leaveEvent(QEvent *event)
{
    m_hover = false;
    m_linger.start();
    QScrollBar::leaveEvent(event);
}

} // namespace qm
