// SPDX-License-Identifier: GPL-3.0-or-later
#include "undo_toast.h"

#include "main_window/controls/pill_button.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace qm {

namespace {
constexpr int kToastMargin = 10;
} // namespace

UndoToast::UndoToast(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("undoToast"));
    setAccessibleName(QStringLiteral("Script deleted"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(kToastMargin + 10, kToastMargin + 6, kToastMargin + 6, 6);
    row->setSpacing(6);
    m_text = makeLabel(QString(), fonts::system(11.5), palette::white(85), false, this);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    row->addWidget(m_text, 1);
    m_undo = new PillButton(QStringLiteral("Undo"), this);
    row->addWidget(m_undo, 0, Qt::AlignVCenter);
    connect(m_undo, &QAbstractButton::clicked, this, &UndoToast::undoRequested);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void UndoToast::showDeleted(const QString &title)
{
    // Named as its row named it.
    m_title = title.isEmpty() ? QStringLiteral("Untitled script") : title;
    setAccessibleDescription(QStringLiteral("Deleted “%1”").arg(m_title));
    show();
    fitText();
    m_timer.start(kShownMs);
}

void UndoToast::fitText()
{
    // A long title is shortened at its end; the quote marks around it stay. Until the toast
    // has been laid out, the column it sits in says how wide it will be.
    const int width = isVisible() && this->width() > 0
        ? this->width()
        : (parentWidget() ? parentWidget()->width() : 220);
    const QFontMetrics fm(m_text->font());
    const int room = width - m_undo->sizeHint().width() - 2 * kToastMargin - 22
        - fm.horizontalAdvance(QStringLiteral("Deleted “”"));
    m_text->setText(QStringLiteral("Deleted “%1”")
                        .arg(fm.elidedText(m_title, Qt::ElideRight, std::max(room, 24))));
}

void UndoToast::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_title.isEmpty())
        fitText();
}

QString UndoToast::text() const
{
    return m_text->text();
}

void UndoToast::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(
        kToastMargin + 0.5, kToastMargin + 0.5, -kToastMargin - 0.5, -0.5);
    const QPainterPath shape = continuousRoundedRect(body, 10);
    p.fillPath(shape, palette::raised());
    p.strokePath(shape, QPen(palette::hairline(), 1));
}

} // namespace qm
