// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "painted_button.h"

namespace qm {

// A plain text button across the full width ("Reset to defaults").
class TextButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextButton)

public:
    explicit TextButton(const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;
};

} // namespace qm
