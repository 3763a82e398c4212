// SPDX-License-Identifier: GPL-3.0-or-later
#include "import_banner.h"

#include "main_window/controls/small_icon_button.h"
#include "painting.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace qm {

namespace {
constexpr double kBannerRadius = 9;
constexpr double kBannerDot = 8;
constexpr int kBannerMargin = 12;
constexpr int kBannerGap = 4;
} // namespace

ImportBanner::ImportBanner(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("importBanner"));
    auto *row = new QHBoxLayout(this);
    // The strip keeps kBannerMargin clear above and beside it, and a little below.
    row->setContentsMargins(kBannerMargin + 14 + int(kBannerDot) + 10, kBannerMargin + 9,
        kBannerMargin + 8, 9 + kBannerGap);
    row->setSpacing(8);
    m_text = makeLabel(QString(), fonts::system(12), palette::white(88), true, this);
    m_text->setTextInteractionFlags(Qt::NoTextInteraction);
    row->addWidget(m_text, 1);
    m_close = new SmallIconButton(symbols::close, QStringLiteral("Close"), this);
    row->addWidget(m_close, 0, Qt::AlignTop);
    connect(m_close, &QAbstractButton::clicked, this, &ImportBanner::clear);
    setAccessibleName(QStringLiteral("Import problem"));
    hide();
}

void ImportBanner::addLine(const QString &message)
{
    m_lines.append(message);
    while (m_lines.size() > kMaxLines)
        m_lines.removeFirst();
    m_text->setText(m_lines.join(u'\n'));
    setAccessibleDescription(m_text->text());
    show();
}

void ImportBanner::clear()
{
    m_lines.clear();
    m_text->clear();
    hide();
}

void ImportBanner::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(
        kBannerMargin + 0.5, kBannerMargin + 0.5, -kBannerMargin - 0.5, -kBannerGap - 0.5);
    paintTallyStrip(p, body, kBannerRadius, 0.14, 0.55);
    // The dot beside the first line.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::tally());
    p.drawEllipse(QRectF(kBannerMargin + 14, kBannerMargin + 13, kBannerDot, kBannerDot));
}

} // namespace qm
