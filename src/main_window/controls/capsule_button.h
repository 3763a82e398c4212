// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "painted_button.h"

namespace qm {

// A capsule on `raised` with a hairline edge: a symbol and a title ("Stop").
class CapsuleButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CapsuleButton)

public:
    CapsuleButton(const QString &symbol, const QString &title, QWidget *parent = nullptr);
    QSize sizeHint() const override;

    static constexpr int kHeight = 36;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QString m_symbol;
};

} // namespace qm
