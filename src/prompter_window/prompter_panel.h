// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hover_gate.h"
#include "model/settings.h"

#include <QRect>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace qm {

class PrompterController;

// The prompter's top-level window. In notch mode it hangs from the top edge above everything,
// bypassing the window manager and never taking the focus; in floating mode it is a frameless
// always-on-top window that never takes the focus, dragged by its background and resized from
// its edges. It hosts the prompter view, reports hover, moves and resize ends, and asks for its
// context menu; what to do with them is the host's business.
class PrompterPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrompterPanel)

public:
    // `translucent`: the window has an alpha channel, for the corners to show what is behind
    // them; only worth it where a compositing manager shows it. Otherwise the panel is an
    // opaque window whose corners are black, as a translucent one shows without compositing.
    PrompterPanel(PrompterController &controller, PrompterMode mode, bool translucent = true);
    ~PrompterPanel() override;

    PrompterMode mode() const { return m_mode; }
    bool translucent() const { return m_translucent; }
    QWidget *content() const { return m_content; }

    // Sets the geometry for the program's own placement. The window system's echo of it is not
    // reported as a move by the user.
    void place(const QRect &geometry);
    // Reports a resize whose end is still pending at once (the panel is about to go).
    void finishResize();

    static constexpr int kResizeEndMs = 400;
    static constexpr int kRaiseIntervalMs = 1000;

Q_SIGNALS:
    void hoverChanged(bool hovering);
    // Moved by the user (or the window manager), not by place().
    void moved();
    // kResizeEndMs after the last resize by the user.
    void resizeEnded();
    void contextMenuRequested(const QPoint &globalPos);

protected:
    bool event(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHover(bool hovering);
    // Whether a geometry change is the program's own placement or its echo.
    bool isOwnPlacement();
    void updateCursor(QPoint pos);

    // A move or resize done by hand where the window manager refused to do it.
    struct ManualDrag {
        Qt::Edges edges;
        QRect startGeometry;
        QPoint startGlobal;
    };

    const PrompterMode m_mode;
    const bool m_translucent = true;
    QWidget *m_content = nullptr;
    HoverGate m_hover;
    bool m_hoverReported = false;
    QTimer m_resizeEnd;
    QTimer m_raise;
    bool m_placing = false;
    std::optional<QRect> m_placed;
    std::optional<ManualDrag> m_drag;
};

} // namespace qm
