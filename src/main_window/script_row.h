// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/script.h"

#include <QAbstractButton>
#include <QWidget>

class QMenu;

namespace qm {

class StatsCache;

// One script in the sidebar list: its title and a line of statistics, the raised look while it
// is the selected one, and a delete button while the pointer is on it. A click anywhere else in
// the row selects it. From the keyboard the list is one Tab stop: the row holding it takes Up,
// Down, Home and End to move the focus along the list, Enter or Space to select, and the menu key
// for its menu.
class ScriptRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptRow)

public:
    ScriptRow(const Script &script, bool selected, StatsCache &stats, QWidget *parent = nullptr);
    ~ScriptRow() override;

    QUuid id() const { return m_id; }
    // Updates the texts; the statistics are recomputed only when the text changed.
    void setScript(const Script &script);
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    bool hovered() const { return m_hover; }

    // What the row shows, for the list and its tests.
    QString titleText() const;
    QString subtitleText() const { return m_subtitle; }
    QAbstractButton *deleteButton() const { return m_delete; }

    // The secondary-click menu, owned by `parent`.
    QMenu *createContextMenu(QWidget *parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The row's widget starts this far left of the drawn row, room for the tally mark.
    static constexpr int kBleed = 1;
    // The object name of the widget holding the rows, which reads as the list of scripts.
    static constexpr const char *kListName = "scriptList";

Q_SIGNALS:
    void selectRequested();
    void deleteRequested();
    // Up or Down (-1, +1), Home or End (-2, +2) asked to move the keyboard along the list.
    void focusMoveRequested(int step);
    void focused();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void setHover(bool hover);
    void placeDeleteButton();

    StatsCache &m_stats;
    QUuid m_id;
    QString m_title;
    QString m_subtitle;
    bool m_selected = false;
    bool m_hover = false;
    bool m_pressed = false;
    QAbstractButton *m_delete = nullptr;
};

} // namespace qm
