// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPainter;

namespace qm {

// The program's small logo: a warm rounded square with a camera notch hanging from its top.
class LogoMark final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogoMark)

public:
    explicit LogoMark(QWidget *parent = nullptr);

    QSize sizeHint() const override { return {24, 24}; }

    // Draws the logo into `frame`; also used where no widget holds it.
    static void draw(QPainter &painter, const QRectF &frame);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace qm
