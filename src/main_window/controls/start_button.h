// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "painted_button.h"

namespace qm {

// "Start prompter": the gradient capsule with the key hint. Its shadow is drawn by whoever
// holds it (it falls outside the button).
class StartButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartButton)

public:
    explicit StartButton(QWidget *parent = nullptr);
    QSize sizeHint() const override;

    static constexpr int kHeight = 38;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;
};

} // namespace qm
