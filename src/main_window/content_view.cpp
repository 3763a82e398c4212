// SPDX-License-Identifier: GPL-3.0-or-later
#include "content_view.h"

#include "editor.h"
#include "main_window/controls/small_icon_button.h"
#include "script_editor.h"
#include "settings_panel.h"
#include "sidebar.h"
#include "stats_cache.h"
#include "ui/labels.h"
#include "ui/palette.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>

namespace qm {

namespace {

QWidget *makeSettingsPanel(Store &store, PrompterController &controller, QWidget *parent)
{
    return new SettingsPanel(store, controller, parent);
}

} // namespace

ContentView::ContentView(Store &store, PrompterController &prompter, QWidget *parent)
    : QWidget(parent)
    , m_stats(std::make_unique<StatsCache>())
{
    setMinimumSize(kMinimumSize);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_sidebar = new Sidebar(store, *m_stats, this);
    m_editor = new Editor(store, prompter, *m_stats, this);
    m_settings = makeSettingsPanel(store, prompter, this);
    m_settings->setFixedWidth(kSettingsWidth);
    // The keyboard starts in the script's text, and goes to a new script's text, so typing
    // writes at once instead of landing on whatever control comes first (where Space would
    // press it).
    m_editor->scriptEditor()->setFocus(Qt::OtherFocusReason);
    connect(m_sidebar, &Sidebar::scriptAdded, m_editor,
        [this] { m_editor->scriptEditor()->setFocus(Qt::OtherFocusReason); });

    row->addWidget(m_sidebar);
    m_sidebarLine = makeHairline(Qt::Vertical, this);
    row->addWidget(m_sidebarLine);
    row->addWidget(m_editor, 1);
    m_settingsLine = makeHairline(Qt::Vertical, this);
    row->addWidget(m_settingsLine);
    row->addWidget(m_settings);

    // "tune", the settings sliders.
    m_settingsButton
        = new SmallIconButton(QString(QChar(0xe429)), QStringLiteral("Settings"), this);
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    m_settingsButton->setCheckable(true);
    m_settingsButton->hide();
    connect(m_settingsButton, &QAbstractButton::toggled, this, [this](bool open) {
        m_settings->setVisible(open);
        if (open)
            placeOverlay();
    });
    // "menu", for the script list.
    m_scriptsButton = new SmallIconButton(QString(QChar(0xe5d2)), QStringLiteral("Scripts"), this);
    m_scriptsButton->setObjectName(QStringLiteral("scriptsButton"));
    m_scriptsButton->setCheckable(true);
    m_scriptsButton->hide();
    connect(m_scriptsButton, &QAbstractButton::toggled, this, [this](bool open) {
        m_sidebar->setVisible(open);
        if (open)
            placeOverlay();
    });
}

void ContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    setNarrow(width() < kWideWidth);
    setListFolded(m_narrow && width() < Sidebar::kWidth + 1 + m_editor->minimumSizeHint().width());
    m_settingsButton->move(width() - SmallIconButton::kSize - 8, 8);
    m_scriptsButton->move(8, 8);
    if (m_narrow)
        placeOverlay();
}

namespace {

// Takes a column out of the row (it then opens over the editor from its button) or puts it back
// at `index` of the row (-1: the end).
void foldColumn(QHBoxLayout *row, QWidget *column, QWidget *line, QAbstractButton *button,
    bool folded, int index)
{
    if (folded) {
        row->removeWidget(column);
        line->hide();
        column->setVisible(button->isChecked());
        button->show();
    } else {
        row->insertWidget(index, column);
        line->show();
        column->show();
        button->hide();
    }
}

} // namespace

void ContentView::setNarrow(bool narrow)
{
    if (narrow == m_narrow)
        return;
    m_narrow = narrow;
    foldColumn(static_cast<QHBoxLayout *>(layout()), m_settings, m_settingsLine, m_settingsButton,
        narrow, -1);
}

void ContentView::setListFolded(bool folded)
{
    if (folded == m_listFolded)
        return;
    m_listFolded = folded;
    foldColumn(
        static_cast<QHBoxLayout *>(layout()), m_sidebar, m_sidebarLine, m_scriptsButton, folded, 0);
}

void ContentView::placeOverlay()
{
    if (m_listFolded) {
        m_sidebar->setGeometry(0, 0, Sidebar::kWidth, height());
        m_sidebar->raise();
        m_scriptsButton->raise();
    }
    if (!m_narrow)
        return;
    // Over the editor's right side, full height, under the button that closes it again.
    if (m_settings->isVisible()) {
        m_settings->setGeometry(width() - kSettingsWidth, 0, kSettingsWidth, height());
        m_settings->raise();
    }
    m_settingsButton->raise();
}

ContentView::~ContentView()
{
    // The columns hold the statistics cache by reference; they go before it does.
    delete m_sidebar;
    delete m_editor;
}

void ContentView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette::ink());
}

} // namespace qm
