// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

namespace qm {

class PillButton;

// A note at the bottom of the script list after a deletion: "Deleted “Title”" and an Undo
// button, gone by itself after kShownMs or when the deletion is undone.
class UndoToast final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UndoToast)

public:
    explicit UndoToast(QWidget *parent = nullptr);

    void showDeleted(const QString &title);
    QString text() const;
    PillButton *undoButton() const { return m_undo; }

    static constexpr int kShownMs = 8000;

Q_SIGNALS:
    void undoRequested();

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitText();

    QString m_title;
    QLabel *m_text = nullptr;
    PillButton *m_undo = nullptr;
    QTimer m_timer;
};

} // namespace qm
