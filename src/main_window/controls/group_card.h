// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QVBoxLayout;

namespace qm {

// A titled card of the settings column: symbol and upper-case title, then one row per added
// widget, 13 apart, on a faintly lighter rounded rectangle.
class GroupCard final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GroupCard)

public:
    GroupCard(const QString &title, const QString &symbol, QWidget *parent = nullptr);

    void addRow(QWidget *row);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QVBoxLayout *m_layout = nullptr;
};

} // namespace qm
