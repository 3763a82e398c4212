// SPDX-License-Identifier: GPL-3.0-or-later
#include "group_card.h"

#include "main_window/painting.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

namespace qm {

namespace {

// One symbol, as wide and tall as its ink.
class SymbolLabel final : public QWidget {
public:
    SymbolLabel(const QString &symbol, const QFont &font, const QColor &color, QWidget *parent)
        : QWidget(parent)
        , m_symbol(symbol)
        , m_font(font)
        , m_color(color)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const QRectF ink = QFontMetricsF(m_font).tightBoundingRect(m_symbol);
        return {int(std::ceil(ink.width())), int(std::ceil(ink.height()))};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        drawSymbol(p, 0, height() / 2.0, m_font, m_color, m_symbol);
    }

private:
    QString m_symbol;
    QFont m_font;
    QColor m_color;
};

} // namespace

GroupCard::GroupCard(const QString &title, const QString &symbol, QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(14, 14, 14, 14);
    m_layout->setSpacing(13);

    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(7);
    row->addWidget(
        new SymbolLabel(symbol, symbolFont(10), palette::tallySoft(), header), 0, Qt::AlignVCenter);
    QFont titleFont = fonts::system(10, QFont::Bold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    auto *titleLabel = makeLabel(title.toUpper(), titleFont, palette::white(50), false, header);
    titleLabel->setObjectName(QStringLiteral("groupTitle"));
    row->addWidget(titleLabel, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_layout->addWidget(header);
}

void GroupCard::addRow(QWidget *row)
{
    m_layout->addWidget(row);
}

void GroupCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    fillWithInnerStroke(
        p, rect(), {Outline::Kind::Rounded, 14}, palette::white(3.5), palette::white(5));
}

} // namespace qm
