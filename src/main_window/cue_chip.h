// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "main_window/controls/painted_button.h"

namespace qm {

// One cue of the strip: its number and its text on a capsule, `tallySoft` while current.
class CueChip final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CueChip)
    Q_PROPERTY(int number READ number)
    Q_PROPERTY(bool current READ isCurrent)

public:
    CueChip(int number, const QString &cue, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    // Every chip is this tall: one line of its text and 6 above and below.
    static int chipHeight();

    int number() const { return m_number; }
    bool isCurrent() const { return m_current; }
    // `highlight` is the drawn mix between the plain (0) and the current (1) look; it trails
    // `current` while the strip animates.
    void setCurrent(bool current, double highlight);
    double highlight() const { return m_highlight; }

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    int m_number = 0;
    bool m_current = false;
    double m_highlight = 0;
};

} // namespace qm
