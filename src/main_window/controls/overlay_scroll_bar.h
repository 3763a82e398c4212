// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>
#include <QTimer>

class QAbstractScrollArea;

namespace qm {

// A thin vertical scroll bar drawn over the trailing edge of a scroll area's content instead of
// beside it, so it never takes width from the text. A fading bar shows while the content moves
// or the pointer is on it and fades out of the way shortly after; a steady one (narrower and
// fainter, for a column of controls) stays while there is anything to scroll.
class OverlayScrollBar final : public QScrollBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OverlayScrollBar)

public:
    enum class Look { Fading, Steady };
    explicit OverlayScrollBar(QAbstractScrollArea *area, Look look = Look::Fading);

    static constexpr int kWidth = 10;
    static constexpr int kSteadyWidth = 8;
    static constexpr int kLingerMs = 1200;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void place();
    void reveal();
    void syncFromSource();

    QAbstractScrollArea *m_area = nullptr;
    Look m_look = Look::Fading;
    QScrollBar *m_source = nullptr;
    QTimer m_linger;
    bool m_hover = false;
};

} // namespace qm
