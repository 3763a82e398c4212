// SPDX-License-Identifier: GPL-3.0-or-later
#include "undo_toast.h"

#include "controls/pill_button.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

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
    const QString full = QStringLiteral("Deleted “%1”").arg(title);
    // A long title is shortened at its end; the quote marks around it stay.
    const int room = qMax(40, width() - m_undo->sizeHint().width() - 2 * kToastMargin - 24);
    const QString shown = QFontMetrics(m_text->font())
                              .elidedText(title, Qt::ElideRight,
                                  room
                                      - QFontMetrics(m_text->font())
                                            .horizontalAdvance(QStringLiteral("Deleted “”")));
    m_text->setText(QStringLiteral("Deleted “%1”").arg(shown));
    setAccessibleDescription(full);
    show();
    m_timer.start(kShownMs);
}

QString UndoToast::text() const
{
    return accessibleDescription();
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
