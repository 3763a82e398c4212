// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "script_editor.h"
#include "ui/palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>
#include <cmath>

namespace qm {

// The two lines shown where the text starts while the script is empty. Clicks pass through.
class Placeholder final : public QWidget {
public:
    explicit Placeholder(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        const double line = QFontMetricsF(ScriptEditor::baseFont()).height();
        resize(600, int(std::ceil(ScriptEditor::kVerticalInset + 2 * line + kSpacing)) + 2);
    }

    static constexpr double kSpacing = 8;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFont font = ScriptEditor::baseFont();
        const double line = QFontMetricsF(font).height();
        p.setFont(font);
        double y = ScriptEditor::kVerticalInset;
        p.setPen(palette::white(30));
        p.drawText(QRectF(0, y, width(), line), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Paste or write your script here."));
        y += line + kSpacing;
        QColor cue = palette::tally();
        cue.setAlphaF(0.6f);
        p.setPen(cue);
        p.drawText(QRectF(0, y, width(), line), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("# Start a line with a hash to add a cue"));
    }
};

} // namespace qm
