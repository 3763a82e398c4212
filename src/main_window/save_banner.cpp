// SPDX-License-Identifier: GPL-3.0-or-later
#include "save_banner.h"

#include "painting.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace qm {

namespace {
constexpr double kRadius = 9;
constexpr double kDot = 8;
constexpr int kMargin = 12;
} // namespace

SaveBanner::SaveBanner(Store &store, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("saveBanner"));
    auto *row = new QHBoxLayout(this);
    // The strip keeps kMargin clear around it; hidden, it takes no room at all.
    row->setContentsMargins(kMargin + 14 + int(kDot) + 10, kMargin + 9, kMargin + 14, 9);
    m_text = makeLabel(QString(), fonts::system(12), palette::white(88), true, this);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    row->addWidget(m_text, 1);
    setAccessibleName(QStringLiteral("Save problem"));
    hide();

    connect(&store, &Store::saveFailed, this, &SaveBanner::showReason);
    connect(&store, &Store::saved, this, &QWidget::hide);
    if (const auto failure = store.saveFailure())
        showReason(*failure);
}

QString SaveBanner::message(const QString &reason)
{
    return QStringLiteral("Quillmere couldn't save your scripts: %1. Your text is still here.")
        .arg(reason);
}

QString SaveBanner::text() const
{
    return m_text->text();
}

void SaveBanner::showReason(const QString &reason)
{
    m_text->setText(message(reason));
    setAccessibleDescription(m_text->text());
    QWidget::show();
}

void SaveBanner::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(kMargin + 0.5, kMargin + 0.5, -kMargin - 0.5, -0.5);
    paintTallyStrip(p, body, kRadius, 0.14, 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::tally());
    p.drawEllipse(QRectF(kMargin + 14, (kMargin + height() - kDot) / 2, kDot, kDot));
}

} // namespace qm
