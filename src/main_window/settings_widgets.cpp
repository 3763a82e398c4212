// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_widgets.h"

#include "painting.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QEvent>
#include <QHash>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

QColor blackAt(double percent)
{
    return QColor::fromRgbF(0, 0, 0, float(percent / 100.0));
}

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Arrow keys in a radio group: the neighbour takes the focus and is chosen, as a click would.
bool chooseNeighbour(QKeyEvent *event, const QList<QAbstractButton *> &group, int index)
{
    int step = 0;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up)
        step = -1;
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down)
        step = 1;
    if (step == 0)
        return false;
    if (QAbstractButton *next = group.value(index + step)) {
        next->setFocus(Qt::TabFocusReason);
        next->click();
    }
    return true;
}

// A radio button over a part of a control that draws itself: it paints nothing and leaves the
// look to its owner, which it tells when it is pressed or released.
class RadioPart : public QAbstractButton {
public:
    RadioPart(QWidget *parent, QWidget *owner, QList<QAbstractButton *> *group, int index)
        : QAbstractButton(parent)
        , m_group(group)
        , m_index(index)
    {
        setCheckable(true);
        setAutoExclusive(true);
        setFocusPolicy(Qt::TabFocus);
        QObject::connect(this, &QAbstractButton::pressed, owner, qOverload<>(&QWidget::update));
        QObject::connect(this, &QAbstractButton::released, owner, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent *) override { }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (isEnter(event))
            animateClick();
        else if (!chooseNeighbour(event, *m_group, m_index))
            QAbstractButton::keyPressEvent(event);
    }

private:
    QList<QAbstractButton *> *m_group;
    int m_index;
};

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

QString sliderValueText(double value, const QString &unit)
{
    QString number;
    if (!std::isfinite(value)) {
        number = QStringLiteral("\u2014");
    } else {
        const double whole = std::round(value);
        if (std::abs(value - whole) <= 1e-9 * std::max(1.0, std::abs(whole)))
            value = whole;
        // Adding 0 turns a negative zero (from -0.5) into a plain "0".
        number = QString::number(std::trunc(value) + 0.0, 'f', 0);
    }
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

// MARK: GroupCard

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

// MARK: ValueSlider

namespace {

// The whole number a value text shows for `value`, held to the slider's range.
int wholeNumber(double value, double minimum, double maximum)
{
    if (std::isnan(value))
        return int(std::ceil(minimum));
    const double v = std::clamp(value, minimum, maximum);
    const double whole = std::round(v);
    return int(std::abs(v - whole) <= 1e-9 * std::max(1.0, std::abs(whole)) ? whole : std::trunc(v));
}

} // namespace

ValueSlider::ValueSlider(double minimum, double maximum, QWidget *parent)
    : QAbstractSlider(parent)
    , m_min(minimum)
    , m_max(maximum)
    , m_value(minimum)
{
    setOrientation(Qt::Horizontal);
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Reached with Tab; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    m_following = true;
    setRange(int(std::ceil(minimum)), int(std::floor(maximum)));
    setSingleStep(1);
    setPageStep(10);
    QAbstractSlider::setValue(wholeNumber(minimum, m_min, m_max));
    m_following = false;
}

void ValueSlider::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    m_following = true;
    QAbstractSlider::setValue(wholeNumber(value, m_min, m_max));
    m_following = false;
    update();
}

void ValueSlider::edit(double value)
{
    if (std::isnan(value))
        return;
    setValue(std::clamp(value, m_min, m_max));
    Q_EMIT edited(m_value);
}

void ValueSlider::sliderChange(SliderChange change)
{
    QAbstractSlider::sliderChange(change);
    // A key moved the whole-number position: that is an edit.
    if (change == SliderValueChange && !m_following)
        edit(double(QAbstractSlider::value()));
}

double ValueSlider::valueAt(double x) const
{
    const double travel = width() - kKnob;
    if (travel <= 0 || m_max <= m_min)
        return m_min;
    const double f = std::clamp((x - kKnob / 2) / travel, 0.0, 1.0);
    return m_min + f * (m_max - m_min);
}

void ValueSlider::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double travel = std::max(0.0, width() - kKnob);
    double f = 0;
    if (m_max > m_min && !std::isnan(m_value))
        f = std::clamp((m_value - m_min) / (m_max - m_min), 0.0, 1.0);
    const double cx = kKnob / 2 + f * travel;
    const double cy = height() / 2.0;

    const QRectF track(0, cy - 2, width(), 4);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::white(14));
    p.drawPath(capsule(track));
    p.setBrush(palette::tally());
    p.drawPath(capsule(QRectF(track.left(), track.top(), std::max(cx, 4.0), track.height())));

    const QRectF knob(cx - kKnob / 2, cy - kKnob / 2, kKnob, kKnob);
    p.setBrush(blackAt(30));
    p.drawEllipse(knob.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    p.setBrush(QColor(0xE8, 0xE8, 0xEA));
    p.drawEllipse(knob);
}

void ValueSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_dragging = true;
    edit(valueAt(event->position().x()));
}

void ValueSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        edit(valueAt(event->position().x()));
}

void ValueSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        edit(valueAt(event->position().x()));
    }
}

void ValueSlider::wheelEvent(QWheelEvent *event)
{
    // The wheel scrolls the settings column; it never nudges a value by accident.
    event->ignore();
}

// MARK: SliderRow

SliderRow::SliderRow(
    const QString &label, double minimum, double maximum, const QString &unit, QWidget *parent)
    : QWidget(parent)
    , m_unit(unit)
    , m_value(minimum)
    , m_valueText(makeLabel(QString(), fonts::monospaced(11), palette::white(50), false, this))
    , m_slider(new ValueSlider(minimum, maximum, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto *labels = new QHBoxLayout;
    labels->setSpacing(8);
    labels->addWidget(makeLabel(label, fonts::system(12), palette::white(70), false, this));
    labels->addStretch(1);
    labels->addWidget(m_valueText);
    column->addLayout(labels);
    column->addWidget(m_slider);
    m_valueText->setObjectName(QStringLiteral("valueText"));
    m_valueText->setText(sliderValueText(m_value, m_unit));
    m_slider->setAccessibleName(label);
    connect(m_slider, &ValueSlider::edited, this, &SliderRow::edited);
}

void SliderRow::setValue(double value)
{
    m_value = value;
    m_slider->setValue(value);
    m_valueText->setText(sliderValueText(value, m_unit));
}

QString SliderRow::valueText() const
{
    return m_valueText->text();
}

// MARK: ToggleSwitch

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    // Reached with Tab; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ToggleSwitch::keyPressEvent(QKeyEvent *event)
{
    // Space is Qt's own; Enter does the same.
    if (isEnter(event))
        animateClick();
    else
        QAbstractButton::keyPressEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.setOpacity(0.8);
    const QRectF track(0, 0, 32, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? palette::tally() : palette::white(16));
    p.drawPath(capsule(track));
    const double d = track.height() - 2;
    const double x = isChecked() ? track.right() - 1 - d : track.left() + 1;
    const QRectF knob(x, 1, d, d);
    p.setBrush(blackAt(25));
    p.drawEllipse(knob.translated(0, 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(knob);
}

// MARK: ToggleRow

ToggleRow::ToggleRow(const QString &title, const QString &subtitle, QWidget *parent)
    : QWidget(parent)
    , m_switch(new ToggleSwitch(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(makeLabel(title, fonts::system(12), palette::white(85), true, this));
    texts->addWidget(makeLabel(subtitle, fonts::system(10.5), palette::white(40), true, this));
    row->addLayout(texts, 1);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);
    m_switch->setAccessibleName(title);
    m_switch->setAccessibleDescription(subtitle);
    connect(m_switch, &QAbstractButton::clicked, this, &ToggleRow::toggled);
}

bool ToggleRow::isChecked() const
{
    return m_switch->isChecked();
}

void ToggleRow::setChecked(bool checked)
{
    m_switch->setChecked(checked);
}

// MARK: SegmentedControl

namespace {

QFont segmentFont()
{
    return fonts::system(12, QFont::DemiBold);
}

} // namespace

class SegmentButton final : public RadioPart {
public:
    SegmentButton(SegmentedControl *control, int index)
        : RadioPart(control, control, &control->m_segments, index)
    {
        setText(control->m_items.at(index));
        connect(this, &QAbstractButton::clicked, control,
            [control, index] { Q_EMIT control->activated(index); });
    }
};

SegmentedControl::SegmentedControl(const QStringList &items, QWidget *parent)
    : QWidget(parent)
    , m_items(items)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < m_items.size(); ++i)
        m_segments.append(new SegmentButton(this, i));
    if (!m_segments.isEmpty())
        m_segments.first()->setChecked(true);
}

QAbstractButton *SegmentedControl::segmentButton(int index) const
{
    return m_segments.value(index);
}

void SegmentedControl::resizeEvent(QResizeEvent *)
{
    placeSegments();
}

void SegmentedControl::placeSegments()
{
    for (int i = 0; i < m_segments.size(); ++i)
        m_segments.at(i)->setGeometry(segmentRect(i).toRect());
}

QSize SegmentedControl::sizeHint() const
{
    const QFontMetricsF fm(segmentFont());
    double widest = 0;
    for (const QString &item : m_items)
        widest = std::max(widest, fm.horizontalAdvance(item));
    const qsizetype n = std::max<qsizetype>(1, m_items.size());
    const double w = 3 + double(n) * (widest + 16) + 3 * double(n - 1) + 3;
    const double h = 3 + 6 + fm.height() + 6 + 3;
    return {int(std::ceil(w)), int(std::ceil(h))};
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index == m_current)
        return;
    m_current = index;
    if (QAbstractButton *b = m_segments.value(index))
        b->setChecked(true);
    update();
}

QRectF SegmentedControl::segmentRect(int index) const
{
    const qsizetype n = m_items.size();
    if (index < 0 || index >= n)
        return {};
    const double inner = width() - 6 - 3 * double(n - 1);
    const double w = inner / double(n);
    return {3 + index * (w + 3), 3, w, height() - 6.0};
}

int SegmentedControl::segmentAt(const QPointF &pos) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (segmentRect(i).contains(pos))
            return i;
    }
    return -1;
}

void SegmentedControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::ink());
    p.drawPath(continuousRoundedRect(rect(), 10));
    p.setFont(segmentFont());
    for (int i = 0; i < m_items.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool selected = i == m_current;
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex(u"2F2F37"));
            p.drawPath(continuousRoundedRect(r, 7));
        }
        p.setOpacity(i == m_pressed || m_segments.at(i)->isDown() ? 0.7 : 1.0);
        p.setPen(selected ? QColor(Qt::white) : palette::white(50));
        p.drawText(r, Qt::AlignCenter, m_items.at(i));
        p.setOpacity(1);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = segmentAt(event->position());
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (event->button() == Qt::LeftButton && pressed >= 0
        && segmentAt(event->position()) == pressed)
        Q_EMIT activated(pressed);
}

// MARK: SwatchRow

namespace {

// Room around the swatches for the ring and its antialiased edge.
constexpr int kOverhang = 4;

} // namespace

class SwatchPicker final : public QWidget {
public:
    explicit SwatchPicker(SwatchRow *row)
        : QWidget(row)
        , m_row(row)
    {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int ringed = m_row->ringedIndex();
        for (int i = 0; i < m_row->m_colors.size(); ++i) {
            const QRectF circle = circleRect(i);
            p.setPen(Qt::NoPen);
            p.setBrush(colorFromHex(m_row->m_colors.at(i)));
            if (i == m_pressed || m_row->m_swatchButtons.at(i)->isDown())
                p.setOpacity(0.7);
            p.drawEllipse(circle);
            p.setOpacity(1);
            if (i == ringed) {
                // A 2-point stroke inside the edge of a ring 3.5 outside the circle.
                const double o = SwatchRow::kRingOutset - 1;
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(palette::tally(), 2));
                p.drawEllipse(circle.adjusted(-o, -o, o, o));
            }
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        m_pressed = event->button() == Qt::LeftButton ? indexAt(event->position()) : -1;
        update();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const int pressed = m_pressed;
        m_pressed = -1;
        update();
        if (pressed >= 0 && indexAt(event->position()) == pressed)
            m_row->pick(pressed);
    }

public:
    QRectF circleRect(int i) const
    {
        return {kOverhang + i * (SwatchRow::kDiameter + SwatchRow::kSpacing), double(kOverhang),
            SwatchRow::kDiameter, SwatchRow::kDiameter};
    }

    int indexAt(const QPointF &pos) const
    {
        for (int i = 0; i < m_row->m_colors.size(); ++i) {
            const QRectF c = circleRect(i);
            const QPointF d = pos - c.center();
            if (d.x() * d.x() + d.y() * d.y() <= c.width() * c.width() / 4)
                return i;
        }
        return -1;
    }

private:
    SwatchRow *m_row;
    int m_pressed = -1;
};

namespace {

QString colorName(const QString &hex)
{
    static const QHash<QString, QString> names {{QStringLiteral("FFFFFF"), QStringLiteral("White")},
        {QStringLiteral("FFE27A"), QStringLiteral("Yellow")},
        {QStringLiteral("9BF5A5"), QStringLiteral("Green")},
        {QStringLiteral("8BE0FF"), QStringLiteral("Blue")},
        {QStringLiteral("FFB3C7"), QStringLiteral("Pink")}};
    return names.value(hex, hex);
}

// A swatch for the keyboard and screen readers: a round radio button over its circle.
class SwatchButton final : public RadioPart {
public:
    SwatchButton(QWidget *picker, SwatchRow *row, QList<QAbstractButton *> *group, int index)
        : RadioPart(picker, picker, group, index)
    {
        setText(colorName(row->colors().at(index)));
        connect(this, &QAbstractButton::clicked, row, [row, index] { row->pick(index); });
    }

protected:
    bool hitButton(const QPoint &pos) const override
    {
        const QPointF d = QPointF(pos) - QRectF(rect()).center();
        return d.x() * d.x() + d.y() * d.y() <= width() * width() / 4.0;
    }
};

} // namespace

SwatchRow::SwatchRow(const QStringList &colors, QWidget *parent)
    : QWidget(parent)
    , m_colors(colors)
    , m_slot(new QWidget(this))
    , m_picker(new SwatchPicker(this))
{
    const double n = double(colors.size());
    const int slotWidth = int(std::ceil(n * kDiameter + std::max(0.0, n - 1) * kSpacing));
    m_slot->setFixedSize(slotWidth, int(kDiameter));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    row->addWidget(makeLabel(QStringLiteral("Color"), fonts::system(12), palette::white(70)), 0,
        Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_slot, 0, Qt::AlignVCenter);
    m_picker->resize(slotWidth + 2 * kOverhang, int(kDiameter) + 2 * kOverhang);
    auto *picker = static_cast<SwatchPicker *>(m_picker.data());
    for (int i = 0; i < m_colors.size(); ++i) {
        auto *button = new SwatchButton(picker, this, &m_swatchButtons, i);
        button->setGeometry(picker->circleRect(i).toRect());
        m_swatchButtons.append(button);
    }
    placePicker();
}

QAbstractButton *SwatchRow::swatchButton(int index) const
{
    return m_swatchButtons.value(index);
}

SwatchRow::~SwatchRow()
{
    // The picker may live in the card rather than in this row.
    delete m_picker;
}

void SwatchRow::setSelected(const QString &hex)
{
    if (hex == m_selected)
        return;
    m_selected = hex;
    // No swatch is chosen when the colour is none of them.
    const int ringed = ringedIndex();
    for (int i = 0; i < m_swatchButtons.size(); ++i) {
        QAbstractButton *b = m_swatchButtons.at(i);
        b->setAutoExclusive(false);
        b->setChecked(i == ringed);
        b->setAutoExclusive(true);
    }
    if (m_picker)
        m_picker->update();
}

int SwatchRow::ringedIndex() const
{
    // Exact and case-sensitive: "ffe27a" is a colour of its own, not the "FFE27A" swatch.
    for (int i = 0; i < m_colors.size(); ++i) {
        if (m_colors.at(i) == m_selected)
            return i;
    }
    return -1;
}

QRectF SwatchRow::swatchRect(int index) const
{
    return {
        m_slot->x() + index * (kDiameter + kSpacing), double(m_slot->y()), kDiameter, kDiameter};
}

void SwatchRow::pick(int index)
{
    if (index >= 0 && index < m_colors.size())
        Q_EMIT picked(m_colors.at(index));
}

bool SwatchRow::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::LayoutRequest:
        placePicker();
        break;
    default:
        break;
    }
    return handled;
}

// The picker is a sibling over this row when the row has a parent (so the ring may reach into
// the card's padding), else a child of the row.
void SwatchRow::placePicker()
{
    if (!m_picker)
        return;
    QWidget *host = parentWidget() ? parentWidget() : this;
    if (m_picker->parentWidget() != host)
        m_picker->setParent(host);
    QPoint at = m_slot->pos() - QPoint(kOverhang, kOverhang);
    if (host != this)
        at += pos();
    m_picker->move(at);
    m_picker->setVisible(!isHidden());
    m_picker->raise();
}

// MARK: TextButton

namespace {

QFont textButtonFont()
{
    return fonts::system(11.5, QFont::Medium);
}

} // namespace

TextButton::TextButton(const QString &text, QWidget *parent)
    : PaintedButton(parent)
{
    setText(text);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TextButton::sizeHint() const
{
    const QFontMetricsF fm(textButtonFont());
    return {int(std::ceil(fm.horizontalAdvance(text()))), int(std::ceil(6 + fm.height() + 6))};
}

void TextButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setOpacity(paintOpacity());
    p.setFont(textButtonFont());
    p.setPen(palette::white(50));
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace qm
