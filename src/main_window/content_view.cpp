// SPDX-License-Identifier: GPL-3.0-or-later
#include "content_view.h"

#include "model/sections.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qm {

// A plain working layout: the list of scripts and an editor for the selected one.
ContentView::ContentView(Store &store, PrompterController *, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto *list = new QListWidget(this);
    list->setFixedWidth(220);
    auto *editorColumn = new QWidget(this);
    auto *column = new QVBoxLayout(editorColumn);
    auto *title = new QLineEdit(editorColumn);
    title->setPlaceholderText(QStringLiteral("Script title"));
    auto *stats = new QLabel(editorColumn);
    auto *text = new QPlainTextEdit(editorColumn);
    text->setObjectName(QStringLiteral("scriptText"));
    column->addWidget(title);
    column->addWidget(stats);
    column->addWidget(text, 1);
    row->addWidget(list);
    row->addWidget(editorColumn, 1);

    auto refreshList = [this, list] {
        list->blockSignals(true);
        list->clear();
        for (const Script &s : m_store.scripts())
            list->addItem(s.title.isEmpty() ? QStringLiteral("Untitled script") : s.title);
        if (auto i = m_store.selectedIndex())
            list->setCurrentRow(int(*i));
        list->blockSignals(false);
    };
    auto refreshEditor = [this, title, text, stats] {
        const Script *s = m_store.selectedScript();
        if (!s)
            return;
        if (title->text() != s->title)
            title->setText(s->title);
        if (text->toPlainText() != s->text)
            text->setPlainText(s->text);
        const ScriptStats st = scriptStats(s->text);
        stats->setText(st.words > 0 ? QString::number(st.words) + QStringLiteral(" words")
                                    : QStringLiteral("No words yet"));
    };
    connect(&m_store, &Store::scriptsChanged, this, [=] {
        refreshList();
        refreshEditor();
    });
    connect(&m_store, &Store::selectedIDChanged, this, [=] {
        refreshList();
        refreshEditor();
    });
    connect(list, &QListWidget::currentRowChanged, this, [this](int rowIndex) {
        if (rowIndex >= 0 && rowIndex < m_store.scripts().size())
            m_store.setSelectedID(m_store.scripts().at(rowIndex).id);
    });
    connect(title, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (const Script *s = m_store.selectedScript())
            m_store.setScriptTitle(s->id, t);
    });
    connect(text, &QPlainTextEdit::textChanged, this, [this, text] {
        if (const Script *s = m_store.selectedScript()) {
            if (s->text != text->toPlainText())
                m_store.setScriptText(s->id, text->toPlainText());
        }
    });
    refreshList();
    refreshEditor();
}

ContentView::~ContentView() = default;

} // namespace qm
