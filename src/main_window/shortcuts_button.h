// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qm {

// "Shortcuts" with the keyboard symbol before it, on a raised capsule.
class ShortcutsButton final : public QAbstractButton {
public:
    explicit ShortcutsButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setText(QStringLiteral("Shortcuts"));
        setFocusPolicy(Qt::TabFocus);
        setFixedSize(sizeHint());
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF text(font());
        const QFontMetricsF symbol(fonts::symbols(kPx));
        const double w = kPadH + symbol.horizontalAdvance(symbols::keyboard) + kIconGap
            + text.horizontalAdvance(this->text()) + kPadH;
        const double h = kPadV + qMax(text.height(), symbol.height()) + kPadV;
        return {int(std::ceil(w)), int(std::ceil(h))};
    }

    static constexpr double kPx = 11.5;
    static constexpr double kPadH = 10;
    static constexpr double kPadV = 5;
    static constexpr double kIconGap = 5;

protected:
    QFont font() const { return fonts::system(kPx, QFont::Medium); }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(capsule(rect()), palette::raised());
        p.setPen(palette::white(isDown() ? 35 : 50));
        const QFont sf = fonts::symbols(kPx);
        const double sw = QFontMetricsF(sf).horizontalAdvance(symbols::keyboard);
        const QRectF inner = QRectF(rect()).adjusted(kPadH, 0, -kPadH, 0);
        p.setFont(sf);
        p.drawText(QRectF(inner.left(), inner.top(), sw, inner.height()), Qt::AlignCenter,
            symbols::keyboard);
        p.setFont(font());
        p.drawText(
            inner.adjusted(sw + kIconGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

    bool hitButton(const QPoint &pos) const override { return capsule(rect()).contains(pos); }
};

} // namespace qm
