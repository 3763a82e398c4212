// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "painted_button.h"

namespace qm {

// A 36 × 36 circle on `raised` holding one symbol, `tally` when it is the accent.
class RoundButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoundButton)
    Q_PROPERTY(QString symbol READ symbol)

public:
    RoundButton(const QString &symbol, bool accent, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {kSize, kSize}; }

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);

    static constexpr int kSize = 36;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QString m_symbol;
    bool m_accent = false;
};

} // namespace qm
