// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar.h"

#include "import_queue.h"
#include "logo_mark.h"
#include "main_window/controls/focus_ring.h"
#include "main_window/controls/overlay_scroll_bar.h"
#include "main_window/controls/small_icon_button.h"
#include "script_row.h"
#include "stats_cache.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/symbols.h"
#include "ui/texts.h"
#include "undo_toast.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace qm {

Sidebar::Sidebar(Store &store, StatsCache &stats, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_stats(stats)
{
    setFixedWidth(kWidth);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    column->addLayout(buildHeader());
    column->addLayout(buildListHeader());
    m_progress = makeLabel(QString(), fonts::system(11), palette::white(62), false, this);
    m_progress->setContentsMargins(18, 0, 18, 8);
    m_progress->hide();
    column->addWidget(m_progress);
    column->addWidget(buildList(), 1);
    m_toast = new UndoToast(this);
    column->addWidget(m_toast);
    column->addLayout(buildFooter());
    connect(m_toast, &UndoToast::undoRequested, this, &Sidebar::undoDelete);
    // Ctrl+Z anywhere in the list (the editor keeps its own for typing).
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, &Sidebar::undoDelete);

    m_chooser = [](QWidget *dialogParent) {
        // A documents folder that does not exist would be offered as a file name instead.
        QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(start).isDir())
            start = QDir::homePath();
        return QFileDialog::getOpenFileNames(dialogParent,
            QStringLiteral("Choose files to import as scripts"), start, importFileFilter());
    };

    m_imports = new ImportQueue(m_store, this);
    connect(m_imports, &ImportQueue::currentChanged, this, [this](const QString &path) {
        if (path.isEmpty()) {
            m_progress->hide();
            return;
        }
        const QString name = QFileInfo(path).fileName();
        m_progress->setText(QStringLiteral("Importing “%1”…").arg(name));
        // Long names are cut in the middle, so both the start and the extension stay.
        m_progress->setText(
            m_progress->fontMetrics().elidedText(m_progress->text(), Qt::ElideMiddle, kWidth - 36));
        m_progress->setToolTip(path);
        m_progress->show();
    });

    connect(&m_store, &Store::scriptsChanged, this, &Sidebar::syncRows);
    connect(&m_store, &Store::selectedIDChanged, this, &Sidebar::syncSelection);
    syncRows();
}

Sidebar::~Sidebar() = default;

// The logo and the name.
QLayout *Sidebar::buildHeader()
{
    auto *header = new QHBoxLayout;
    header->setContentsMargins(18, 48, 18, 0);
    header->setSpacing(9);
    auto *logo = new LogoMark(this);
    logo->setFixedSize(24, 24);
    header->addWidget(logo, 0, Qt::AlignVCenter);
    header->addWidget(makeLabel(QStringLiteral("Quillmere"), fonts::rounded(16, QFont::Bold),
                          palette::white(100), false, this),
        0, Qt::AlignVCenter);
    header->addStretch(1);
    return header;
}

// "SCRIPTS", import and new.
QLayout *Sidebar::buildListHeader()
{
    auto *listHeader = new QHBoxLayout;
    listHeader->setContentsMargins(18, 28, 18, 10);
    listHeader->setSpacing(6);
    QFont capsFont = fonts::system(10, QFont::Bold);
    capsFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    listHeader->addWidget(
        makeLabel(QStringLiteral("SCRIPTS"), capsFont, palette::white(40), false, this), 0,
        Qt::AlignVCenter);
    listHeader->addStretch(1);
    m_import = new SmallIconButton(
        symbols::importFile, QStringLiteral("Import scripts from files"), this);
    m_new = new SmallIconButton(symbols::plus, texts::newScriptTip(), this);
    m_new->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    listHeader->addWidget(m_import);
    listHeader->addWidget(m_new);
    connect(m_import, &QAbstractButton::clicked, this, &Sidebar::importFile);
    connect(m_new, &QAbstractButton::clicked, this, [this] {
        m_store.addScript();
        Q_EMIT scriptAdded();
    });
    return listHeader;
}

// The rows in a scroll area.
QWidget *Sidebar::buildList()
{
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    // The rows are the Tab stops, not the area around them.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    new OverlayScrollBar(m_scroll);
    auto *content = new QWidget;
    content->setObjectName(QLatin1String(ScriptRow::kListName));
    m_list = new QVBoxLayout(content);
    // One point less on the left: the selected row's tally mark reaches past its edge.
    m_list->setContentsMargins(10 - ScriptRow::kBleed, 0, 10, 0);
    m_list->setSpacing(3);
    m_list->addStretch(1);
    m_scroll->setWidget(content);
    // setWidget turns background filling on; the list shows the sidebar's panel colour.
    content->setAutoFillBackground(false);
    return m_scroll;
}

// The privacy note.
QLayout *Sidebar::buildFooter()
{
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(18, 14, 18, 14);
    footer->setSpacing(8);
    QLabel *lock = makeLabel(symbols::lock, fonts::symbols(9), palette::tallySoft(), false, this);
    footer->addWidget(lock, 0, Qt::AlignVCenter);
    QLabel *note
        = makeLabel(texts::sidebarFooter(), fonts::system(10.5), palette::white(42), false, this);
    note->setObjectName(QStringLiteral("privacyNote"));
    note->setWordWrap(true);
    footer->addWidget(note, 1, Qt::AlignVCenter);
    // "Scripts stay on this computer" holds only while no device on the network can read them.
    const auto sync = [this, note] {
        note->setText(m_store.settings().remoteEnabled ? texts::sidebarFooterRemoteOn()
                                                       : texts::sidebarFooter());
    };
    connect(&m_store, &Store::settingsChanged, note, sync);
    sync();
    return footer;
}

void Sidebar::importFile()
{
    const QStringList paths = m_chooser ? m_chooser(window()) : QStringList();
    if (!paths.isEmpty())
        m_imports->add(paths);
}

void Sidebar::deleteScript(const QUuid &id)
{
    std::optional<DeletedScript> deleted = m_store.deleteScript(id);
    if (!deleted)
        return;
    m_toast->showDeleted(deleted->script.title);
    m_deleted.append(std::move(*deleted));
    // The keyboard stays in the list, so Ctrl+Z reaches it at once.
    if (ScriptRow *row = m_rows.value(m_keyboardRow))
        row->setFocus(Qt::OtherFocusReason);
}

bool Sidebar::undoDelete()
{
    while (!m_deleted.isEmpty()) {
        const DeletedScript deleted = m_deleted.takeLast();
        if (!m_store.restoreScript(deleted))
            continue;
        m_toast->hide();
        if (ScriptRow *row = m_rows.value(deleted.script.id)) {
            setKeyboardRow(deleted.script.id);
            row->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    m_toast->hide();
    return false;
}

QList<ScriptRow *> Sidebar::rows() const
{
    QList<ScriptRow *> list;
    for (const QUuid &id : m_order)
        list.append(m_rows.value(id));
    return list;
}

void Sidebar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette::panel());
}

void Sidebar::syncRows()
{
    const QList<Script> &scripts = m_store.scripts();
    const std::optional<QUuid> selected = m_store.selectedID();
    QList<QUuid> order;
    order.reserve(scripts.size());
    for (const Script &script : scripts) {
        order.append(script.id);
        const bool isSelected = selected && *selected == script.id;
        if (ScriptRow *row = m_rows.value(script.id)) {
            row->setScript(script);
            row->setSelected(isSelected);
            continue;
        }
        auto *row = new ScriptRow(script, isSelected, m_stats, m_scroll->widget());
        const QUuid id = script.id;
        connect(row, &ScriptRow::selectRequested, this, [this, id] { m_store.setSelectedID(id); });
        // The store may drop this row while its own button or menu is still being handled,
        // so removed rows are deleted later.
        connect(row, &ScriptRow::deleteRequested, this, [this, id] { deleteScript(id); });
        connect(row, &ScriptRow::focusMoveRequested, this,
            [this, id](int step) { moveKeyboard(id, step); });
        connect(row, &ScriptRow::focused, this, [this, id, row] {
            setKeyboardRow(id);
            m_scroll->ensureWidgetVisible(row, 0, 0);
        });
        m_rows.insert(id, row);
    }
    if (order == m_order) {
        setKeyboardRow(m_keyboardRow);
        return;
    }

    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (!order.contains(it.key())) {
            it.value()->hide();
            it.value()->deleteLater();
            it = m_rows.erase(it);
        } else {
            ++it;
        }
    }
    // Re-seat the rows in the new order, the stretch last.
    while (m_list->count() > 0)
        delete m_list->takeAt(0);
    for (const QUuid &id : order)
        m_list->addWidget(m_rows.value(id));
    m_list->addStretch(1);
    m_order = order;
    m_stats.retain(order);
    // Rows made later would otherwise come last in the window's Tab order.
    QWidget *before = m_new;
    for (const QUuid &id : std::as_const(m_order)) {
        setTabOrderAfter(before, m_rows.value(id));
        before = m_rows.value(id);
    }
    setKeyboardRow(m_keyboardRow);
}

void Sidebar::syncSelection()
{
    const std::optional<QUuid> selected = m_store.selectedID();
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        it.value()->setSelected(selected && *selected == it.key());
    // Tab comes back to the selected script.
    if (!m_rows.value(m_keyboardRow) || !m_rows.value(m_keyboardRow)->hasFocus())
        setKeyboardRow(selected);
}

void Sidebar::setKeyboardRow(std::optional<QUuid> id)
{
    if (!id || !m_rows.contains(*id)) {
        const std::optional<QUuid> selected = m_store.selectedID();
        id = selected && m_rows.contains(*selected)
            ? selected
            : (m_order.isEmpty() ? std::nullopt : std::optional<QUuid>(m_order.first()));
    }
    m_keyboardRow = id.value_or(QUuid());
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        it.value()->setFocusPolicy(it.key() == m_keyboardRow ? Qt::TabFocus : Qt::NoFocus);
}

void Sidebar::moveKeyboard(const QUuid &from, int step)
{
    const qsizetype at = m_order.indexOf(from);
    if (at < 0 || m_order.isEmpty())
        return;
    qsizetype to = at + step;
    if (step == -2)
        to = 0;
    else if (step == 2)
        to = m_order.size() - 1;
    to = qBound<qsizetype>(0, to, m_order.size() - 1);
    if (to == at)
        return;
    setKeyboardRow(m_order.at(to));
    // Keyboard focus, which the focus ring follows.
    m_rows.value(m_order.at(to))->setFocus(Qt::TabFocusReason);
}

} // namespace qm
