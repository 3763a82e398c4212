// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "painted_button.h"

namespace qm {

// A small outlined capsule with a word or two in it, for the action of a banner or a toast
// ("Show in Folder", "Undo").
class PillButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PillButton)

public:
    explicit PillButton(const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;
};

} // namespace qm
