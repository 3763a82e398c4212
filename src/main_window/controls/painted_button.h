// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace qm {

// A plain button drawn by hand: no frame of the style, dimmed while pressed, and fadable as a
// whole so a view can cross-fade between alternatives.
class PaintedButton : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaintedButton)

public:
    explicit PaintedButton(QWidget *parent = nullptr);

    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);

protected:
    // The fade times the pressed dimming.
    double paintOpacity() const;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    double m_opacity = 1;
};

// What a screen reader calls a button that shows a symbol: its tooltip without the keys in
// brackets ("Restart (Ctrl+Alt+R)" is "Restart").
QString accessibleNameFromTip(const QString &tip);

} // namespace qm
