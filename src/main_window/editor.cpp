// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor.h"

#include "centered_column.h"
#include "cue_highlighter.h"
#include "cue_strip.h"
#include "save_banner.h"
#include "script_editor.h"
#include "script_placeholder.h"
#include "shortcut_popup.h"
#include "shortcut_sheet.h"
#include "shortcuts_button.h"
#include "stats_cache.h"
#include "store/store.h"
#include "transport.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"
#include "unreadable_file_note.h"

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
    outer->addWidget(new UnreadableFileNote(m_store, UnreadableFileNote::Kind::Scripts, this));
    outer->addWidget(new UnreadableFileNote(m_store, UnreadableFileNote::Kind::Settings, this));
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

    columnLayout->addLayout(buildHeader(column));
    columnLayout->addWidget(buildCueStrip(column));

    m_text = new ScriptEditor(column);
    m_text->setAccessibleName(QStringLiteral("Script"));
    columnLayout->addWidget(m_text, 1);
    m_placeholder = new Placeholder(m_text);
    m_placeholder->hide();
    area->setChild(column);
    stack->addWidget(area, 1);

    // 2. The hairline.
    stack->addWidget(makeHairline(Qt::Horizontal, m_content));

    // 3. The hint bar.
    stack->addLayout(buildHintBar());

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

// The title, the statistics below it and the prompter controls beside them.
QLayout *Editor::buildHeader(QWidget *column)
{
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
    return header;
}

// The cue strip, hidden while the script has no cues.
QWidget *Editor::buildCueStrip(QWidget *column)
{
    m_cueStripBox = new QWidget(column);
    auto *stripLayout = new QVBoxLayout(m_cueStripBox);
    stripLayout->setContentsMargins(0, 0, 0, 10);
    stripLayout->setSpacing(0);
    CueStripParts strip = makeCueStrip(m_controller, m_cueStripBox);
    m_cueStrip = strip.widget;
    m_setCues = std::move(strip.setCues);
    stripLayout->addWidget(m_cueStrip);
    m_cueStripBox->hide();
    return m_cueStripBox;
}

// The line about cues and the Shortcuts button.
QLayout *Editor::buildHintBar()
{
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
    connect(m_shortcutsButton, &QAbstractButton::clicked, this,
        [this] { setShowShortcuts(!m_showShortcuts); });
    return hint;
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
    if (m_title->text() != script->title) {
        m_title->setText(script->title);
        // A line edit shows the end of a text that does not fit, where setText leaves the
        // caret; a title is read from its beginning.
        if (!m_title->hasFocus())
            m_title->setCursorPosition(0);
    }
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
