// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace qm {

// The 24 × 24 square symbol button of the sidebar header; brighter while the pointer is on it.
class SmallIconButton final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmallIconButton)

public:
    SmallIconButton(const QString &symbol, const QString &help, QWidget *parent = nullptr);

    QSize sizeHint() const override { return {kSize, kSize}; }
    bool hovered() const { return m_hover; }

    static constexpr int kSize = 24;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString m_symbol;
    bool m_hover = false;
};

} // namespace qm
