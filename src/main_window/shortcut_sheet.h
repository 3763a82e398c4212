// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>

#include <utility>

class QLabel;

namespace qm {

// The list of keyboard shortcuts the editor's "Shortcuts" button opens. Always dark.
class ShortcutSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShortcutSheet)

public:
    explicit ShortcutSheet(QWidget *parent = nullptr);
    ~ShortcutSheet() override;

    QSize sizeHint() const override;

    struct Row {
        QString keys;
        QString description;
    };
    // In the order shown: the main window's own shortcut, then the five system-wide keys.
    static QList<Row> rows();

    // The rows (1…5, the system-wide ones) whose keys another program holds; each says so
    // beside its keys. Replaces the previous marks.
    void setRefused(const QList<int> &rows);
    // The presenter clicker's page keys, listed after the others while the setting is on and
    // marked when another program holds them.
    void setClicker(bool listed, bool refused);
    static Row clickerRow();

    static constexpr int kWidth = 300;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    // One row's widget and the mark under its keys.
    std::pair<QWidget *, QLabel *> addRow(const Row &row, const QString &name);
    void relayout(QWidget *row);

    QList<QLabel *> m_refusedMarks;
    QWidget *m_clickerRow = nullptr;
    QLabel *m_clickerMark = nullptr;
};

} // namespace qm
