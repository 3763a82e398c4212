// SPDX-License-Identifier: GPL-3.0-or-later
#include "capsule_buttons.h"

#include "painting.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {

// A plain button's label dims while it is held down.
constexpr double kPressedOpacity = 0.7;

double advance(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

// Draws `text` left-aligned at `x`, centred vertically in `height`; returns the x after it.
double drawRun(QPainter &p, double x, double height, const QFont &font, const QColor &color,
    const QString &text)
{
    const double w = advance(font, text);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(x, 0, w + 1, height), Qt::AlignLeft | Qt::AlignVCenter, text);
    return x + w;
}

bool insideCapsule(const QRectF &rect, const QPoint &pos)
{
    return capsule(rect).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

QFont startSymbolFont()
{
    return symbolFont(11);
}
QFont startTitleFont()
{
    return fonts::system(13.5, QFont::Bold);
}
QFont startHintFont()
{
    return fonts::rounded(11, QFont::DemiBold);
}

QFont stopSymbolFont()
{
    return symbolFont(10);
}
QFont stopTitleFont()
{
    return fonts::system(13, QFont::Bold);
}

QFont chipNumberFont()
{
    return fonts::monospaced(10, QFont::Bold);
}
QFont chipTextFont()
{
    return fonts::system(12, QFont::DemiBold);
}

} // namespace

// MARK: PaintedButton

PaintedButton::PaintedButton(QWidget *parent)
    : QAbstractButton(parent)
{
    // Clicking a control must leave the keyboard focus in the editor; Tab still reaches it.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString accessibleNameFromTip(const QString &tip)
{
    const qsizetype bracket = tip.indexOf(QLatin1String(" ("));
    return bracket > 0 ? tip.left(bracket) : tip;
}

void PaintedButton::keyPressEvent(QKeyEvent *event)
{
    // Space is Qt's own; Enter presses too.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        animateClick();
    else
        QAbstractButton::keyPressEvent(event);
}

bool PaintedButton::event(QEvent *event)
{
    // A button showing only a symbol is named after its tooltip, which follows its state.
    if (event->type() == QEvent::ToolTipChange && text().isEmpty())
        setAccessibleName(accessibleNameFromTip(toolTip()));
    return QAbstractButton::event(event);
}

void PaintedButton::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

double PaintedButton::paintOpacity() const
{
    return m_opacity * (isDown() ? kPressedOpacity : 1.0);
}

// MARK: StartButton

StartButton::StartButton(QWidget *parent)
    : PaintedButton(parent)
{
    setText(QStringLiteral("Start prompter"));
}

QSize StartButton::sizeHint() const
{
    const double w = 18 + symbolWidth(startSymbolFont(), symbols::play) + 8
        + advance(startTitleFont(), text()) + 8 + advance(startHintFont(), texts::startKeysHint())
        + 18;
    return {int(std::ceil(w)), kHeight};
}

void StartButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setOpacity(paintOpacity());
    const QRectF r = rect();
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, palette::tallySoft());
    gradient.setColorAt(1, palette::tally());
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawPath(capsule(r));

    const double h = r.height();
    double x = 18;
    x = drawSymbol(p, x, h / 2, startSymbolFont(), Qt::black, symbols::play) + 8;
    x = drawRun(p, x, h, startTitleFont(), Qt::black, text()) + 8;
    drawRun(p, x, h, startHintFont(), QColor(0, 0, 0, qRound(255 * 0.55)), texts::startKeysHint());
}

bool StartButton::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

// MARK: CapsuleButton

CapsuleButton::CapsuleButton(const QString &symbol, const QString &title, QWidget *parent)
    : PaintedButton(parent)
    , m_symbol(symbol)
{
    setText(title);
}

QSize CapsuleButton::sizeHint() const
{
    const double w
        = 16 + symbolWidth(stopSymbolFont(), m_symbol) + 7 + advance(stopTitleFont(), text()) + 16;
    return {int(std::ceil(w)), kHeight};
}

void CapsuleButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    fillWithInnerStroke(
        p, rect(), {Outline::Kind::Capsule}, palette::raised(), palette::hairline());
    const double h = height();
    double x = 16;
    x = drawSymbol(p, x, h / 2, stopSymbolFont(), Qt::white, m_symbol) + 7;
    drawRun(p, x, h, stopTitleFont(), Qt::white, text());
}

bool CapsuleButton::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

// MARK: RoundButton

RoundButton::RoundButton(const QString &symbol, bool accent, QWidget *parent)
    : PaintedButton(parent)
    , m_symbol(symbol)
    , m_accent(accent)
{
}

void RoundButton::setSymbol(const QString &symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void RoundButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const QRectF r(0, 0, kSize, kSize);
    fillWithInnerStroke(p, r, {Outline::Kind::Circle}, palette::raised(), palette::hairline());
    const QFont font = symbolFont(12);
    const double w = symbolWidth(font, m_symbol);
    drawSymbol(p, r.center().x() - w / 2, r.center().y(), font,
        m_accent ? palette::tally() : palette::white(85), m_symbol);
}

bool RoundButton::hitButton(const QPoint &pos) const
{
    const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - QPointF(kSize / 2.0, kSize / 2.0);
    return d.x() * d.x() + d.y() * d.y() <= (kSize / 2.0) * (kSize / 2.0);
}

// MARK: CueChip

CueChip::CueChip(int number, const QString &cue, QWidget *parent)
    : PaintedButton(parent)
    , m_number(number)
{
    setText(cue);
    // Typographic quotes around the cue, as everywhere the program quotes a cue.
    setToolTip(QStringLiteral("Jump the prompter to \u201C") + cue + QStringLiteral("\u201D"));
}

QSize CueChip::sizeHint() const
{
    const double w = 11 + advance(chipNumberFont(), QString::number(m_number)) + 6
        + advance(chipTextFont(), text()) + 11;
    return {int(std::ceil(w)), chipHeight()};
}

int CueChip::chipHeight()
{
    const double line = std::max(
        QFontMetricsF(chipNumberFont()).height(), QFontMetricsF(chipTextFont()).height());
    return int(std::ceil(6 + line + 6));
}

void CueChip::setCurrent(bool current, double highlight)
{
    if (current == m_current && highlight == m_highlight)
        return;
    m_current = current;
    m_highlight = highlight;
    update();
}

void CueChip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const double t = m_highlight;
    p.setPen(Qt::NoPen);
    p.setBrush(mixColors(palette::raised(), palette::tallySoft(), t));
    p.drawPath(capsule(rect()));

    const double h = height();
    double x = 11;
    x = drawRun(p, x, h, chipNumberFont(),
            mixColors(palette::tally(), QColor(0, 0, 0, qRound(255 * 0.6)), t),
            QString::number(m_number))
        + 6;
    // One line at most: a cue too long for the chip is cut with an ellipsis.
    const QFont font = chipTextFont();
    const QString shown = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, width() - 11 - x);
    drawRun(p, x, h, font, mixColors(palette::white(80), Qt::black, t), shown);
}

bool CueChip::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

} // namespace qm
