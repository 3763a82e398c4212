// SPDX-License-Identifier: GPL-3.0-or-later
#include "content_view.h"

#include "editor.h"
#include "settings_panel.h"
#include "sidebar.h"
#include "stats_cache.h"
#include "ui/palette.h"

#include <QHBoxLayout>
#include <QPainter>

namespace qm {

namespace {

QWidget *makeSettingsPanel(Store &store, PrompterController &controller, QWidget *parent)
{
    return new SettingsPanel(store, controller, parent);
}

QWidget *makeHairline(QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, palette::hairline());
    line->setPalette(pal);
    return line;
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

    row->addWidget(m_sidebar);
    row->addWidget(makeHairline(this));
    row->addWidget(m_editor, 1);
    row->addWidget(makeHairline(this));
    row->addWidget(m_settings);
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
