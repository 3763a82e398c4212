// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcut_sheet.h"

#include "main_window/controls/text_button.h"
#include "painting.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/texts.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace qm {

namespace {

// The keys of one shortcut on a faint rounded tag.
class KeysTag final : public QWidget {
public:
    KeysTag(const QString &keys, QWidget *parent)
        : QWidget(parent)
        , m_keys(keys)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAccessibleName(keys);
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF fm(font());
        return {int(std::ceil(7 + fm.horizontalAdvance(m_keys) + 7)),
            int(std::ceil(3 + fm.height() + 3))};
    }

    static QFont font() { return fonts::rounded(11, QFont::DemiBold); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        fillWithInnerStroke(
            p, rect(), {Outline::Kind::Rounded, 5}, palette::white(10), Qt::transparent, 0);
        p.setFont(font());
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, m_keys);
    }

private:
    QString m_keys;
};

} // namespace

QList<ShortcutSheet::Row> ShortcutSheet::rows()
{
    return {
        {texts::sheetStartStopKeys(), QStringLiteral("Start or stop the prompter")},
        {texts::sheetShowHideKeys(), QStringLiteral("Show or hide, from any app")},
        {texts::sheetPlayPauseKeys(), QStringLiteral("Play or pause")},
        {texts::sheetCueKeys(), QStringLiteral("Previous or next cue")},
        {texts::sheetSpeedKeys(), QStringLiteral("Faster or slower")},
        {texts::sheetRestartKeys(), QStringLiteral("Back to the top")},
    };
}

ShortcutSheet::ShortcutSheet(QWidget *parent)
    : QWidget(parent)
{
    setFixedWidth(kWidth);
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(10);
    stack->addWidget(
        makeLabel(QStringLiteral("Shortcuts"), fonts::system(13, QFont::Bold), Qt::white));

    const QList<Row> list = rows();
    for (qsizetype i = 0; i < list.size(); ++i)
        m_refusedMarks.append(addRow(list.at(i), QStringLiteral("shortcutRow%1").arg(i)).second);
    std::tie(m_clickerRow, m_clickerMark) = addRow(clickerRow(), QStringLiteral("clickerRow"));
    m_clickerRow->hide();

    auto *offer = new TextButton(QString(), this);
    offer->setObjectName(QStringLiteral("offer"));
    offer->hide();
    connect(offer, &QAbstractButton::clicked, this, [this] {
        // The action may replace the offer (and so this function) while it runs.
        if (const std::function<void()> action = m_offerAction)
            action();
    });
    m_offerButton = offer;
    stack->addWidget(offer);
    m_offerStatus = makeLabel(QString(), fonts::system(10), palette::white(60), true, this);
    m_offerStatus->setObjectName(QStringLiteral("offerStatus"));
    m_offerStatus->hide();
    stack->addWidget(m_offerStatus);

    stack->addSpacing(2);
    auto *footnote = makeLabel(
        QStringLiteral("Hover the prompter to pause. Scroll on it with two fingers to move."),
        fonts::system(11), palette::white(45), true, this);
    footnote->setObjectName(QStringLiteral("footnote"));
    stack->addWidget(footnote);
}

ShortcutSheet::~ShortcutSheet() = default;

ShortcutSheet::Row ShortcutSheet::clickerRow()
{
    return {QStringLiteral("PgUp PgDn"), QStringLiteral("Clicker: previous or next")};
}

std::pair<QWidget *, QLabel *> ShortcutSheet::addRow(const Row &r, const QString &name)
{
    auto *rowWidget = new QWidget(this);
    rowWidget->setObjectName(name);
    auto *column = new QVBoxLayout(rowWidget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto *line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    auto *description
        = makeLabel(r.description, fonts::system(12), palette::white(75), false, rowWidget);
    description->setObjectName(QStringLiteral("description"));
    line->addWidget(description, 0, Qt::AlignVCenter);
    line->addSpacerItem(new QSpacerItem(24, 0, QSizePolicy::MinimumExpanding));
    auto *tag = new KeysTag(r.keys, rowWidget);
    tag->setObjectName(QStringLiteral("keys"));
    line->addWidget(tag, 0, Qt::AlignVCenter);
    column->addLayout(line);
    // Too long to share the line with the description, so it sits under the keys.
    auto *mark = makeLabel(QStringLiteral("In use by another app"), fonts::system(10),
        palette::tallySoft(), false, rowWidget);
    mark->setObjectName(QStringLiteral("refused"));
    mark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    mark->hide();
    column->addWidget(mark, 0, Qt::AlignRight);
    static_cast<QVBoxLayout *>(layout())->addWidget(rowWidget);
    return {rowWidget, mark};
}

void ShortcutSheet::setClicker(bool listed, bool refused)
{
    m_clickerRow->setVisible(listed);
    m_clickerMark->setVisible(listed && refused);
    relayout(m_clickerRow);
}

void ShortcutSheet::relayout(QWidget *row)
{
    row->layout()->invalidate();
    row->updateGeometry();
    layout()->invalidate();
    updateGeometry();
    resize(sizeHint());
}

QSize ShortcutSheet::sizeHint() const
{
    // The footnote wraps, so the height depends on the fixed width.
    return {kWidth, layout()->heightForWidth(kWidth)};
}

void ShortcutSheet::setRefused(const QList<int> &rows)
{
    QStringList notes(m_refusedMarks.size());
    for (const int row : rows) {
        if (row >= 0 && row < notes.size())
            notes[row] = QStringLiteral("In use by another app");
    }
    setNotes(notes);
}

void ShortcutSheet::setNotes(const QStringList &notes)
{
    for (qsizetype i = 0; i < m_refusedMarks.size(); ++i) {
        // Row 0 is the main window's own key, which no other program can take.
        const QString text = i > 0 ? notes.value(i) : QString();
        QLabel *mark = m_refusedMarks.at(i);
        const bool shown = !text.isEmpty();
        mark->setText(text);
        if (mark->isVisibleTo(this) == shown)
            continue;
        mark->setVisible(shown);
        // The row grows by a line; let the sheet's size follow now, not after the next layout
        // pass.
        mark->parentWidget()->layout()->invalidate();
        mark->parentWidget()->updateGeometry();
    }
    relayout();
}

void ShortcutSheet::setOffer(
    const QString &label, std::function<void()> action, const QString &status)
{
    m_offerAction = std::move(action);
    static_cast<QAbstractButton *>(m_offerButton)->setText(label);
    m_offerButton->setAccessibleName(label);
    m_offerButton->setVisible(!label.isEmpty());
    m_offerStatus->setText(status);
    m_offerStatus->setVisible(!label.isEmpty() && !status.isEmpty());
    relayout();
}

void ShortcutSheet::relayout()
{
    layout()->invalidate();
    updateGeometry();
    resize(sizeHint());
    // Inside its popover the sheet's growth must reach the popover too.
    if (QWidget *holder = parentWidget(); holder && holder->isWindow())
        holder->adjustSize();
}

void ShortcutSheet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette::raised());
    p.setPen(palette::hairline());
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace qm
