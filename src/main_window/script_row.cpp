// SPDX-License-Identifier: GPL-3.0-or-later
#include "script_row.h"

#include "stats_cache.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {

constexpr int kPadH = 11;
constexpr int kPadV = 9;
constexpr int kLineGap = 3;
constexpr int kSpacing = 6;
constexpr int kDeleteSize = 22;

QFont titleFont()
{
    return fonts::system(13, QFont::DemiBold);
}
QFont subtitleFont()
{
    return fonts::system(11);
}

int lineHeight(const QFont &font)
{
    return int(std::ceil(QFontMetricsF(font).height()));
}

// The trash symbol in a 22 × 22 square that is clickable all over.
class DeleteButton final : public QAbstractButton {
public:
    explicit DeleteButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setFixedSize(kDeleteSize, kDeleteSize);
        setToolTip(QStringLiteral("Delete script"));
        setAccessibleName(QStringLiteral("Delete script"));
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setFont(fonts::symbols(11));
        p.setPen(palette::white(55));
        p.drawText(rect(), Qt::AlignCenter, symbols::trash);
    }
};

// A row reads as an item of the list of scripts: its title, its statistics, whether it is the
// selected one.
class RowAccessible final : public QAccessibleWidget {
public:
    explicit RowAccessible(ScriptRow *row)
        : QAccessibleWidget(row, QAccessible::ListItem)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        auto *r = static_cast<ScriptRow *>(widget());
        if (t == QAccessible::Name)
            return r->titleText();
        if (t == QAccessible::Description)
            return r->subtitleText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        // Only one row at a time is the list's Tab stop; the arrows reach every other.
        s.focusable = true;
        s.selected = static_cast<ScriptRow *>(widget())->isSelected();
        return s;
    }
};

// The widget holding the rows.
class ListAccessible final : public QAccessibleWidget {
public:
    explicit ListAccessible(QWidget *list)
        : QAccessibleWidget(list, QAccessible::List, QStringLiteral("Scripts"))
    {
    }
};

QAccessibleInterface *rowAccessibility(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("qm::ScriptRow"))
        return new RowAccessible(static_cast<ScriptRow *>(object));
    if (object->objectName() == QLatin1String(ScriptRow::kListName)
        && className == QLatin1String("QWidget"))
        return new ListAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

ScriptRow::ScriptRow(const Script &script, bool selected, StatsCache &stats, QWidget *parent)
    : QWidget(parent)
    , m_stats(stats)
    , m_id(script.id)
    , m_selected(selected)
{
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The list decides which row is its Tab stop; clicks leave the keyboard where it was.
    setFocusPolicy(Qt::NoFocus);
    static const bool accessible = [] {
        QAccessible::installFactory(rowAccessibility);
        return true;
    }();
    Q_UNUSED(accessible)
    m_delete = new DeleteButton(this);
    m_delete->hide();
    connect(m_delete, &QAbstractButton::clicked, this, &ScriptRow::deleteRequested);
    setScript(script);
}

ScriptRow::~ScriptRow() = default;

void ScriptRow::setScript(const Script &script)
{
    const QString subtitle = rowSubtitleText(m_stats.stats(script.id, script.text));
    if (script.title == m_title && subtitle == m_subtitle)
        return;
    m_title = script.title;
    m_subtitle = subtitle;
    update();
}

void ScriptRow::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QString ScriptRow::titleText() const
{
    return m_title.isEmpty() ? QStringLiteral("Untitled script") : m_title;
}

QSize ScriptRow::sizeHint() const
{
    return {200 + kBleed,
        kPadV + lineHeight(titleFont()) + kLineGap + lineHeight(subtitleFont()) + kPadV};
}

QSize ScriptRow::minimumSizeHint() const
{
    return {kBleed + kPadH * 2 + kDeleteSize, sizeHint().height()};
}

void ScriptRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(kBleed, 0, 0, 0);
    if (m_selected)
        p.fillPath(continuousRoundedRect(r, 9), palette::raised());
    else if (m_hover)
        p.fillPath(continuousRoundedRect(r, 9), palette::white(3));
    if (m_selected) {
        // The tally mark sits on the leading edge, one point past it.
        p.fillPath(capsule(QRectF(r.left() - 1, r.center().y() - 10, 3, 20)), palette::tally());
    }

    // The text column ends where the spacer before the delete button begins.
    const double textWidth
        = r.width() - 2 * kPadH - kSpacing - (m_hover ? kDeleteSize + kSpacing : 0);
    const QFont tf = titleFont();
    const QFont sf = subtitleFont();
    const int th = lineHeight(tf);
    const int sh = lineHeight(sf);
    const int top = (height() - (th + kLineGap + sh)) / 2;

    p.setFont(tf);
    p.setPen(palette::white(m_selected ? 100 : 80));
    const QString title = QFontMetricsF(tf).elidedText(titleText(), Qt::ElideRight, textWidth);
    p.drawText(
        QRectF(r.left() + kPadH, top, textWidth, th), Qt::AlignLeft | Qt::AlignVCenter, title);

    p.setFont(sf);
    p.setPen(palette::white(42));
    const QString sub = QFontMetricsF(sf).elidedText(m_subtitle, Qt::ElideRight, textWidth);
    p.drawText(QRectF(r.left() + kPadH, top + th + kLineGap, textWidth, sh),
        Qt::AlignLeft | Qt::AlignVCenter, sub);
}

void ScriptRow::setHover(bool hover)
{
    if (hover == m_hover)
        return;
    m_hover = hover;
    m_delete->setVisible(hover);
    update();
}

void ScriptRow::enterEvent(QEnterEvent *event)
{
    setHover(true);
    QWidget::enterEvent(event);
}

void ScriptRow::leaveEvent(QEvent *event)
{
    setHover(false);
    QWidget::leaveEvent(event);
}

void ScriptRow::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ScriptRow::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        Q_EMIT selectRequested();
}

QMenu *ScriptRow::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QAction *remove = menu->addAction(QStringLiteral("Delete script"));
    // A destructive item, in the accent so it stands apart from harmless commands.
    menu->setStyleSheet(QStringLiteral(
        "QMenu { background: #1C1C21; border: 1px solid rgba(255, 255, 255, 20); padding: 4px; }"
        "QMenu::item { color: #FF5A36; padding: 5px 16px; border-radius: 4px; }"
        "QMenu::item:selected { background: rgba(255, 255, 255, 24); }"));
    menu->setFont(fonts::system(13));
    connect(remove, &QAction::triggered, this, &ScriptRow::deleteRequested);
    return menu;
}

void ScriptRow::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void ScriptRow::resizeEvent(QResizeEvent *event)
{
    placeDeleteButton();
    QWidget::resizeEvent(event);
}

void ScriptRow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        Q_EMIT focusMoveRequested(-1);
        break;
    case Qt::Key_Down:
        Q_EMIT focusMoveRequested(1);
        break;
    case Qt::Key_Home:
        Q_EMIT focusMoveRequested(-2);
        break;
    case Qt::Key_End:
        Q_EMIT focusMoveRequested(2);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Q_EMIT selectRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ScriptRow::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    Q_EMIT focused();
}

void ScriptRow::placeDeleteButton()
{
    m_delete->move(width() - kPadH - kDeleteSize, (height() - kDeleteSize) / 2);
}

} // namespace qm
