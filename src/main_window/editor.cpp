// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor.h"

#include "cue_highlighter.h"
#include "cue_strip.h"
#include "save_banner.h"
#include "script_editor.h"
#include "shortcut_sheet.h"
#include "stats_cache.h"
#include "store/store.h"
#include "transport.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace qm {

namespace {

QWidget *makeTransport(PrompterController &controller, QWidget *parent)
{
    return new Transport(controller, parent);
}

struct CueStripParts {
    QWidget *widget = nullptr;
    std::function<void(const QList<ScriptSection> &)> setCues;
};

CueStripParts makeCueStrip(PrompterController &controller, QWidget *parent)
{
    auto *strip = new CueStrip(controller, parent);
    return {strip, [strip](const QList<ScriptSection> &cues) { strip->setCues(cues); }};
}

QWidget *makeShortcutSheet(QWidget *parent)
{
    return new ShortcutSheet(parent);
}

QWidget *makeHairline(QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, palette::hairline());
    line->setPalette(pal);
    return line;
}

// Holds one child at most kMaxTextWidth wide, padded on both sides and centred, so that on a
// wide window the text keeps a readable measure and sits in the middle. The child reaches
// kBleed into the padding on each side (its layout keeps its content out of it), so that the
// start button's glow is not cut at the column's edge.
class CenteredColumn final : public QWidget {
public:
    static constexpr int kBleed = 24;

    explicit CenteredColumn(QWidget *parent)
        : QWidget(parent)
    {
    }

    void setChild(QWidget *child)
    {
        m_child = child;
        child->setParent(this);
        place();
    }

    QSize sizeHint() const override { return padded(m_child ? m_child->sizeHint() : QSize()); }
    QSize minimumSizeHint() const override
    {
        return padded(m_child ? m_child->minimumSizeHint() : QSize());
    }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }

private:
    static QSize padded(QSize s)
    {
        const int content = s.width() - 2 * kBleed;
        return {qMin(content, Editor::kMaxTextWidth) + 2 * Editor::kSidePadding, s.height()};
    }

    void place()
    {
        if (!m_child)
            return;
        const int inner = qMax(0, width() - 2 * Editor::kSidePadding);
        const int w = qMin(inner, Editor::kMaxTextWidth);
        m_child->setGeometry((width() - w) / 2 - kBleed, 0, w + 2 * kBleed, height());
    }

    QWidget *m_child = nullptr;
};

// The two lines shown where the text starts while the script is empty. Clicks pass through.
class Placeholder final : public QWidget {
public:
    explicit Placeholder(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        const double line = QFontMetricsF(ScriptEditor::baseFont()).height();
        resize(600, int(std::ceil(ScriptEditor::kVerticalInset + 2 * line + kSpacing)) + 2);
    }

    static constexpr double kSpacing = 8;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFont font = ScriptEditor::baseFont();
        const double line = QFontMetricsF(font).height();
        p.setFont(font);
        double y = ScriptEditor::kVerticalInset;
        p.setPen(palette::white(30));
        p.drawText(QRectF(0, y, width(), line), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Paste or write your script here."));
        y += line + kSpacing;
        QColor cue = palette::tally();
        cue.setAlphaF(0.6f);
        p.setPen(cue);
        p.drawText(QRectF(0, y, width(), line), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("# Start a line with a hash to add a cue"));
    }
};

// "Shortcuts" with the keyboard symbol before it, on a raised capsule.
class ShortcutsButton final : public QAbstractButton {
public:
    explicit ShortcutsButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setText(QStringLiteral("Shortcuts"));
        setFocusPolicy(Qt::TabFocus);
        setFixedSize(sizeHint());
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF text(font());
        const QFontMetricsF symbol(fonts::symbols(kPx));
        const double w = kPadH + symbol.horizontalAdvance(symbols::keyboard) + kIconGap
            + text.horizontalAdvance(this->text()) + kPadH;
        const double h = kPadV + qMax(text.height(), symbol.height()) + kPadV;
        return {int(std::ceil(w)), int(std::ceil(h))};
    }

    static constexpr double kPx = 11.5;
    static constexpr double kPadH = 10;
    static constexpr double kPadV = 5;
    static constexpr double kIconGap = 5;

protected:
    QFont font() const { return fonts::system(kPx, QFont::Medium); }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(capsule(rect()), palette::raised());
        p.setPen(palette::white(isDown() ? 35 : 50));
        const QFont sf = fonts::symbols(kPx);
        const double sw = QFontMetricsF(sf).horizontalAdvance(symbols::keyboard);
        const QRectF inner = QRectF(rect()).adjusted(kPadH, 0, -kPadH, 0);
        p.setFont(sf);
        p.drawText(QRectF(inner.left(), inner.top(), sw, inner.height()), Qt::AlignCenter,
            symbols::keyboard);
        p.setFont(font());
        p.drawText(
            inner.adjusted(sw + kIconGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

    bool hitButton(const QPoint &pos) const override { return capsule(rect()).contains(pos); }
};

// The popover holding the shortcut sheet: above its anchor, pointing at it.
class ShortcutPopup final : public QWidget {
public:
    ShortcutPopup(QWidget *anchor, std::function<void()> closed)
        : QWidget(anchor, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
        , m_anchor(anchor)
        , m_closed(std::move(closed))
    {
        setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, kArrowHeight);
        layout->setSpacing(0);
        layout->addWidget(makeShortcutSheet(this));
        adjustSize();
    }

    void place()
    {
        const QPoint tip = m_anchor->mapToGlobal(QPoint(m_anchor->width() / 2, 0));
        QRect frame(QPoint(tip.x() - width() / 2, tip.y() - height() - kGap), size());
        if (const QScreen *screen = m_anchor->screen()) {
            const QRect room = screen->availableGeometry();
            frame.moveLeft(
                qBound(room.left(), frame.left(), qMax(room.left(), room.right() - width())));
            frame.moveTop(qMax(room.top(), frame.top()));
        }
        move(frame.topLeft());
        m_arrowX = qBound(kRadius + kArrowWidth / 2, double(tip.x() - frame.left()),
            width() - kRadius - kArrowWidth / 2);
        setMask(QRegion(shape().toFillPolygon().toPolygon()));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape(), palette::raised());
        p.strokePath(shape(), QPen(palette::hairline(), 1));
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        // A click on the Shortcuts button closes the popover and must not open it again.
        const QPoint global = event->globalPosition().toPoint();
        if (!rect().contains(event->position().toPoint())
            && QRect(m_anchor->mapToGlobal(QPoint()), m_anchor->size()).contains(global))
            setAttribute(Qt::WA_NoMouseReplay);
        QWidget::mousePressEvent(event);
    }

    void hideEvent(QHideEvent *event) override
    {
        QWidget::hideEvent(event);
        if (m_closed)
            std::exchange(m_closed, nullptr)();
    }

private:
    QPainterPath shape() const
    {
        const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5 - kArrowHeight);
        QPainterPath path = continuousRoundedRect(body, kRadius);
        QPainterPath arrow;
        arrow.moveTo(m_arrowX - kArrowWidth / 2, body.bottom() - 1);
        arrow.lineTo(m_arrowX, body.bottom() + kArrowHeight);
        arrow.lineTo(m_arrowX + kArrowWidth / 2, body.bottom() - 1);
        arrow.closeSubpath();
        return path.united(arrow);
    }

    static constexpr double kRadius = 10;
    static constexpr double kArrowWidth = 16;
    static constexpr int kArrowHeight = 8;
    static constexpr int kGap = 2;

    QWidget *m_anchor = nullptr;
    std::function<void()> m_closed;
    double m_arrowX = 0;
};

} // namespace

Editor::Editor(Store &store, PrompterController &controller, StatsCache &stats, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_controller(controller)
    , m_stats(stats)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    // Shown only while saving fails; above everything else, so it is seen whatever is selected.
    outer->addWidget(new SaveBanner(m_store, this));
    m_content = new QWidget(this);
    outer->addWidget(m_content);

    auto *stack = new QVBoxLayout(m_content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    // 1. The editing area.
    auto *area = new CenteredColumn(m_content);
    auto *column = new QWidget;
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(CenteredColumn::kBleed, 0, CenteredColumn::kBleed, 0);
    columnLayout->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 44, 0, 16);
    header->setSpacing(16);
    auto *titleBox = new QVBoxLayout;
    titleBox->setSpacing(6);
    titleBox->setContentsMargins(0, 0, 0, 0);
    m_title = new QLineEdit(column);
    m_title->setObjectName(QStringLiteral("scriptTitle"));
    m_title->setPlaceholderText(QStringLiteral("Script title"));
    m_title->setAccessibleName(QStringLiteral("Script title"));
    m_title->setFrame(false);
    m_title->setFont(fonts::rounded(22, QFont::Bold));
    // QLineEdit keeps two pixels before its text; the title lines up with the text below.
    m_title->setTextMargins(-2, 0, 0, 0);
    {
        QPalette pal = m_title->palette();
        pal.setColor(QPalette::Base, Qt::transparent);
        pal.setColor(QPalette::Text, palette::white(100));
        pal.setColor(QPalette::PlaceholderText, palette::white(25));
        pal.setColor(QPalette::Highlight, QColor(0xFF, 0x5A, 0x36, qRound(255 * 0.3)));
        pal.setColor(QPalette::HighlightedText, palette::white(100));
        m_title->setPalette(pal);
    }
    titleBox->addWidget(m_title);
    m_statistics = makeLabel(QString(), fonts::system(12), palette::white(45), false, column);
    // On a narrow window the line wraps rather than pushing the prompter controls away.
    m_statistics->setWordWrap(true);
    titleBox->addWidget(m_statistics);
    header->addLayout(titleBox, 1);
    header->addSpacing(12);
    header->addWidget(makeTransport(m_controller, column), 0, Qt::AlignTop);
    columnLayout->addLayout(header);

    m_cueStripBox = new QWidget(column);
    auto *stripLayout = new QVBoxLayout(m_cueStripBox);
    stripLayout->setContentsMargins(0, 0, 0, 10);
    stripLayout->setSpacing(0);
    CueStripParts strip = makeCueStrip(m_controller, m_cueStripBox);
    m_cueStrip = strip.widget;
    m_setCues = std::move(strip.setCues);
    stripLayout->addWidget(m_cueStrip);
    m_cueStripBox->hide();
    columnLayout->addWidget(m_cueStripBox);

    m_text = new ScriptEditor(column);
    m_text->setAccessibleName(QStringLiteral("Script"));
    columnLayout->addWidget(m_text, 1);
    m_placeholder = new Placeholder(m_text);
    m_placeholder->hide();
    area->setChild(column);
    stack->addWidget(area, 1);

    // 2. The hairline.
    stack->addWidget(makeHairline(m_content));

    // 3. The hint bar.
    auto *hint = new QHBoxLayout;
    hint->setContentsMargins(28, 10, 28, 10);
    hint->setSpacing(8);
    QFont numberFont = fonts::symbols(10);
    numberFont.setBold(true);
    hint->addWidget(makeLabel(symbols::numberSign, numberFont, palette::tally(), false, m_content),
        0, Qt::AlignVCenter);
    hint->addWidget(makeLabel(QStringLiteral("Start a line with # to add a cue you can jump to."),
                        fonts::system(11.5), palette::white(50), false, m_content),
        0, Qt::AlignVCenter);
    hint->addStretch(1);
    m_shortcutsButton = new ShortcutsButton(m_content);
    hint->addWidget(m_shortcutsButton, 0, Qt::AlignVCenter);
    stack->addLayout(hint);
    connect(m_shortcutsButton, &QAbstractButton::clicked, this,
        [this] { setShowShortcuts(!m_showShortcuts); });

    connect(m_title, &QLineEdit::textEdited, this, [this](const QString &title) {
        if (m_shownID)
            m_store.setScriptTitle(*m_shownID, title);
    });
    connect(m_text, &ScriptEditor::textEdited, this, [this](const QString &text) {
        if (m_shownID)
            m_store.setScriptText(*m_shownID, text);
    });
    connect(&m_store, &Store::scriptsChanged, this, &Editor::scriptsChanged);
    connect(&m_store, &Store::selectedIDChanged, this, &Editor::selectionChanged);
    selectionChanged();
}

Editor::~Editor()
{
    // The popover reports its closing to this editor; close it while the editor is whole.
    delete m_popup;
}

QString Editor::statisticsText() const
{
    return m_statistics->text();
}

void Editor::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette::ink());
}

void Editor::selectionChanged()
{
    const Script *script = m_store.selectedScript();
    if (!script) {
        m_shownID.reset();
        setShowShortcuts(false);
        m_content->hide();
        return;
    }
    if (m_shownID != script->id) {
        m_shownID = script->id;
        m_text->showScript(script->text);
    } else {
        m_text->syncText(script->text);
    }
    if (m_title->text() != script->title)
        m_title->setText(script->title);
    showStats(script->id, script->text);
    m_content->show();
}

void Editor::scriptsChanged()
{
    // A deleted or replaced list can move the selection; otherwise this is an echo of an edit.
    selectionChanged();
}

void Editor::showStats(const QUuid &id, const QString &text)
{
    const ScriptStats &stats = m_stats.stats(id, text);
    m_statistics->setText(statisticsLineText(stats));
    m_placeholder->setVisible(text.isEmpty());

    QList<std::pair<qint64, QString>> keys;
    keys.reserve(stats.cues.size());
    for (const ScriptSection &s : stats.cues)
        keys.append({s.id, s.cue.value_or(QString())});
    if (keys != m_cueKeys) {
        m_cueKeys = std::move(keys);
        m_setCues(stats.cues);
    }
    m_cueStripBox->setVisible(!stats.cues.isEmpty());
}

void Editor::setRefusedShortcutRows(const QList<int> &rows)
{
    m_refusedShortcutRows = rows;
    m_shortcutNotes.clear();
    applyToSheet();
}

void Editor::setShortcutNotes(const QStringList &notes)
{
    m_shortcutNotes = notes;
    applyToSheet();
}

void Editor::setShortcutOffer(
    const QString &label, std::function<void()> action, const QString &status)
{
    m_shortcutOffer = {label, std::move(action), status};
    applyToSheet();
}

void Editor::applyToSheet()
{
    if (!m_popup)
        return;
    auto *sheet = m_popup->findChild<ShortcutSheet *>();
    if (!sheet)
        return;
    if (m_shortcutNotes.isEmpty())
        sheet->setRefused(m_refusedShortcutRows);
    else
        sheet->setNotes(m_shortcutNotes);
    sheet->setOffer(m_shortcutOffer.label, m_shortcutOffer.action, m_shortcutOffer.status);
    sheet->setClicker(m_clickerListed, m_clickerRefused);
    static_cast<ShortcutPopup *>(m_popup.data())->place();
}

void Editor::setClickerShortcut(bool listed, bool refused)
{
    m_clickerListed = listed;
    m_clickerRefused = refused;
    applyToSheet();
}

void Editor::setShowShortcuts(bool show)
{
    if (show == m_showShortcuts)
        return;
    m_showShortcuts = show;
    if (!show) {
        if (m_popup)
            m_popup->close();
        return;
    }
    auto *popup = new ShortcutPopup(m_shortcutsButton, [this] { m_showShortcuts = false; });
    m_popup = popup;
    applyToSheet();
    popup->place();
    popup->show();
}

} // namespace qm
