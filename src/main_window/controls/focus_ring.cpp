// SPDX-License-Identifier: GPL-3.0-or-later
#include "focus_ring.h"

#include "ui/palette.h"
#include "ui/shapes.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace qm {

namespace {

class RingView final : public QWidget {
public:
    explicit RingView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    QPointer<QWidget> target;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!target)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double inset
            = (width() - target->width()) / 2.0 - FocusRing::kOutset - FocusRing::kWidth / 2;
        const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        const double radius = std::min(r.height() / 2, 8.0 + FocusRing::kOutset);
        p.setPen(QPen(palette::tally(), FocusRing::kWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(continuousRoundedRect(r, radius));
    }
};

} // namespace

FocusRing *FocusRing::install(QWidget *window)
{
    return new FocusRing(window);
}

FocusRing::FocusRing(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    // The focus event, which tells how the focus came, arrives just before focusChanged.
    qApp->installEventFilter(this);
    connect(
        qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

QWidget *FocusRing::target() const
{
    return m_ring && m_ring->isVisible() ? m_target.data() : nullptr;
}

void FocusRing::unwatch()
{
    for (const QPointer<QWidget> &w : std::as_const(m_watched)) {
        if (w)
            w->removeEventFilter(this);
    }
    m_watched.clear();
}

void FocusRing::follow(QWidget *now)
{
    unwatch();
    m_target = nullptr;
    // Text fields and the script show a caret; the ring is for the controls.
    const bool control = now && now->window() == m_window && !qobject_cast<QLineEdit *>(now)
        && !qobject_cast<QAbstractScrollArea *>(now)
        && !(now->parentWidget() && qobject_cast<QAbstractScrollArea *>(now->parentWidget())
            && now->focusPolicy() == Qt::StrongFocus)
        && !(now->focusPolicy() & Qt::ClickFocus)
        // Only the keyboard brings the ring, not the focus a window hands out on opening.
        && (m_reason == Qt::TabFocusReason || m_reason == Qt::BacktabFocusReason
            || m_reason == Qt::ShortcutFocusReason);
    if (!control) {
        if (m_ring)
            m_ring->hide();
        return;
    }
    m_target = now;
    place();
}

void FocusRing::place()
{
    if (!m_target || !m_target->isVisible()) {
        if (m_ring)
            m_ring->hide();
        return;
    }
    const int room = kOutset + int(kWidth) + 1;
    // Over the nearest ancestor with room for the ring, so it scrolls and clips with the
    // control's own surroundings.
    QWidget *host = m_target->parentWidget();
    QRect ring;
    while (host) {
        ring = QRect(m_target->mapTo(host, QPoint(0, 0)), m_target->size())
                   .adjusted(-room, -room, room, room);
        if (host->rect().contains(ring) || host == m_window)
            break;
        host = host->parentWidget();
    }
    if (!host)
        return;
    unwatch();
    for (QWidget *w = m_target; w && w != host; w = w->parentWidget()) {
        w->installEventFilter(this);
        m_watched.append(w);
    }
    if (!m_ring)
        m_ring = new RingView(host);
    auto *view = static_cast<RingView *>(m_ring.data());
    view->target = m_target;
    if (view->parentWidget() != host)
        view->setParent(host);
    view->setGeometry(ring);
    view->raise();
    view->show();
    view->update();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        m_reason = static_cast<QFocusEvent *>(event)->reason();
        return false;
    }
    if (watched == qApp)
        return false;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ParentChange:
        // After the change is in place.
        QMetaObject::invokeMethod(this, &FocusRing::place, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return false;
}

void setTabOrderAfter(QWidget *before, QWidget *widget)
{
    const Qt::FocusPolicy first = before->focusPolicy();
    const Qt::FocusPolicy second = widget->focusPolicy();
    before->setFocusPolicy(Qt::TabFocus);
    widget->setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(before, widget);
    before->setFocusPolicy(first);
    widget->setFocusPolicy(second);
}

} // namespace qm
