// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace qm {

class ToggleSwitch;

// Title and subtitle at the leading edge, the switch at the trailing edge.
class ToggleRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToggleRow)

public:
    ToggleRow(const QString &title, const QString &subtitle, QWidget *parent = nullptr);

    bool isChecked() const;
    // Shows a state; does not emit.
    void setChecked(bool checked);
    ToggleSwitch *toggle() const { return m_switch; }

Q_SIGNALS:
    // Only the user's clicks.
    void toggled(bool checked);

private:
    ToggleSwitch *m_switch = nullptr;
};

} // namespace qm
