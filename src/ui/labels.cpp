// SPDX-License-Identifier: GPL-3.0-or-later
#include "labels.h"

#include "palette.h"

#include <QLabel>

namespace qm {

QLabel *makeLabel(
    const QString &text, const QFont &font, const QColor &color, bool wrap, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    label->setWordWrap(wrap);
    return label;
}

QWidget *makeHairline(Qt::Orientation orientation, QWidget *parent)
{
    auto *line = new QWidget(parent);
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, palette::hairline());
    line->setPalette(pal);
    return line;
}

} // namespace qm
