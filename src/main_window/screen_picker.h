// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

namespace qm {

// The connected screens one above the other on an ink track, the chosen one on a lighter
// plate: which screen display mode fills.
class ScreenPicker final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenPicker)

public:
    struct Entry {
        QString name;
        QString label;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    explicit ScreenPicker(QWidget *parent = nullptr);

    // Shows the screens and the chosen one (by name; none plated when it is not among them).
    // Does not emit.
    void setScreens(const QList<Entry> &entries, const QString &current);
    QList<Entry> entries() const { return m_entries; }
    QString current() const { return m_current; }
    QRectF rowRect(int index) const;
    int rowAt(const QPointF &pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {60, sizeHint().height()}; }

Q_SIGNALS:
    // A click on a row, or the arrow keys: the screen's name.
    void picked(const QString &name);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    double rowHeight() const;

    QList<Entry> m_entries;
    QString m_current;
    int m_pressed = -1;
};

} // namespace qm
