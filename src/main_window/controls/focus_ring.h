// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qm {

// The ring around the control that has the keyboard focus in one window: 2 points of tally,
// a little outside the control, drawn by a widget of its own laid over it so no control has
// to make room for it. Text fields show their caret instead and get no ring.
class FocusRing final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusRing)

public:
    // Follows the focus inside `window` from now on; owned by the window.
    static FocusRing *install(QWidget *window);

    // The control the ring is around, if it shows.
    QWidget *target() const;
    // The widget drawing the ring, if there is one.
    QWidget *ring() const { return m_ring; }

    static constexpr int kOutset = 3;
    static constexpr double kWidth = 2;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FocusRing(QWidget *window);
    void follow(QWidget *now);
    void place();
    void unwatch();

    QWidget *m_window = nullptr;
    QPointer<QWidget> m_target;
    // Lives in whichever widget has room for it, which may delete it with itself.
    QPointer<QWidget> m_ring;
    QList<QPointer<QWidget>> m_watched;
    Qt::FocusReason m_reason = Qt::OtherFocusReason;
};

// Puts `widget` right after `before` in their window's Tab order, whatever their focus policies
// now (Qt's setTabOrder leaves widgets alone that take no focus at the moment).
void setTabOrderAfter(QWidget *before, QWidget *widget);

} // namespace qm
