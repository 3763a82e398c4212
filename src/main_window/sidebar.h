// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLayout;
class QScrollArea;
class QVBoxLayout;

namespace qm {

class ImportQueue;
class Store;
class StatsCache;
class ScriptRow;
class SmallIconButton;
class UndoToast;
struct DeletedScript;

// The left column: the logo and name, the "SCRIPTS" header with import and new buttons, the
// list of scripts in the store's order and the privacy note at the bottom.
class Sidebar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Sidebar)

public:
    Sidebar(Store &store, StatsCache &stats, QWidget *parent = nullptr);
    ~Sidebar() override;

    // Runs the file dialog and imports the chosen files. Tests replace the dialog.
    void importFile();
    // Reads imported files one after another; the list shows which one is being read.
    ImportQueue *imports() const { return m_imports; }
    using FileChooser = std::function<QStringList(QWidget *parent)>;
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    // Deletes a script at once, offering to undo it.
    void deleteScript(const QUuid &id);
    // Puts the most recently deleted script that is not back yet where it was. Returns false
    // when there is none.
    bool undoDelete();
    UndoToast *undoToast() const { return m_toast; }

    // The rows in list order.
    QList<ScriptRow *> rows() const;
    ScriptRow *row(const QUuid &id) const { return m_rows.value(id); }
    SmallIconButton *importButton() const { return m_import; }
    SmallIconButton *newButton() const { return m_new; }
    // "Importing “talk.docx”…" while a file is read; hidden otherwise.
    QLabel *progressLine() const { return m_progress; }

    static constexpr int kWidth = 220;

Q_SIGNALS:
    // A new script was made with the New button or its shortcut, and is selected.
    void scriptAdded();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLayout *buildHeader();
    QLayout *buildListHeader();
    QWidget *buildList();
    QLayout *buildFooter();
    void syncRows();
    void syncSelection();
    // Gives the list's one Tab stop to `id`'s row, or to the selected or first row without it.
    void setKeyboardRow(std::optional<QUuid> id);
    void moveKeyboard(const QUuid &from, int step);

    Store &m_store;
    StatsCache &m_stats;
    FileChooser m_chooser;
    ImportQueue *m_imports = nullptr;
    QLabel *m_progress = nullptr;
    QScrollArea *m_scroll = nullptr;
    QVBoxLayout *m_list = nullptr;
    SmallIconButton *m_import = nullptr;
    SmallIconButton *m_new = nullptr;
    UndoToast *m_toast = nullptr;
    // This run's deletions, newest last; nothing of them is stored.
    QList<DeletedScript> m_deleted;
    // Rows are kept per script, so a row keeps its hover state while its script moves.
    QHash<QUuid, ScriptRow *> m_rows;
    QList<QUuid> m_order;
    // The row that is the list's Tab stop.
    QUuid m_keyboardRow;
};

} // namespace qm
