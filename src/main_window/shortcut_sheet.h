// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>

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

    static constexpr int kWidth = 300;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QList<QLabel *> m_refusedMarks;
};

} // namespace qm
