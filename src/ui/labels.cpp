// SPDX-License-Identifier: GPL-3.0-or-later
#include "labels.h"

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

} // namespace qm
