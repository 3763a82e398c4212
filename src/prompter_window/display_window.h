// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hover_gate.h"
#include "model/settings.h"

#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace qm {

class PrompterController;
class PrompterView;

// The prompter full screen on a studio monitor: black, frameless, above everything and never
// focused, covering one screen exactly. It hosts the same prompter view as the panel, flipped as
// the glass needs it, and hides the pointer once it rests. What hover and the context menu do is
// the host's business.
class DisplayWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisplayWindow)

public:
    explicit DisplayWindow(PrompterController &controller);
    ~DisplayWindow() override;

    PrompterView *view() const { return m_view; }
    // Takes the whole of `screen`.
    void cover(QScreen *screen);
    // The screen covered, null once it is gone.
    QScreen *coveredScreen() const { return m_screen; }
    // The flips and the eye-line marker from the settings.
    void applySettings(const Settings &settings);
    bool pointerHidden() const { return m_pointerHidden; }

    static constexpr int kPointerRestMs = 2000;
    static constexpr int kRaiseIntervalMs = 1000;

Q_SIGNALS:
    void hoverChanged(bool hovering);
    void contextMenuRequested(const QPoint &globalPos);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void pointerMoved();
    void hidePointer();
    void setHover(bool hovering);

    PrompterView *m_view = nullptr;
    QPointer<QScreen> m_screen;
    QTimer m_pointerRest;
    QTimer m_raise;
    bool m_pointerHidden = false;
    HoverGate m_hover;
    bool m_hoverReported = false;
};

} // namespace qm
