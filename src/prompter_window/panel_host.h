// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter/prompter_window_host.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QScreen;

namespace qm {

namespace platform {
class CompositorWatch;
class TilingWindowManager;
} // namespace platform

class DisplayWindow;
class PrompterController;
class PrompterPanel;

// The window side of the prompter: builds, re-applies and closes the PrompterPanel for the
// controller, turns hover and the wheel over the panel into controller calls, stores the
// floating panel's frame and offers the application's menu on a right-click.
class PanelHost final : public QObject, public PrompterWindowHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelHost)

public:
    explicit PanelHost(PrompterController &controller, QObject *parent = nullptr);
    ~PanelHost() override;

    // What the right-click menu offers, in order (separators included): the application's own
    // actions, which it keeps current and which run the same wherever they are chosen.
    void setMenuActions(const QList<QAction *> &actions);

    double buildPanel(const Settings &settings) override;
    void closePanel() override;
    bool hasPanel() const override { return !m_panel.isNull() || !m_output.isNull(); }
    void reapply(const Settings &settings) override;
    void installWheelMonitor() override;
    std::unique_ptr<platform::FrameClock> makeFrameClock() override;

    PrompterPanel *panel() const { return m_panel; }
    // Display mode's full-screen window, while it is shown.
    DisplayWindow *output() const;
    // Whichever window shows the prompter: the full-screen output or the panel.
    QWidget *currentWindow() const;
    // A screen going away: the full-screen output on it gives way to the floating panel on the
    // main screen, which carries on at the same place in the same play state; a panel on it
    // moves to a screen that stays.
    void screenRemoved(QScreen *screen);
    // A screen coming: display mode's own screen back takes the output back from the panel.
    void screenAdded(QScreen *screen);
    // A screen's size, scale, rotation or free area changed: the windows on it follow.
    void screenChanged(QScreen *screen);
    // Whether the current panel is really kept out of screen captures.
    bool panelExcludedFromCapture() const { return m_excluded; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QScreen *screenForNewPanel() const;
    void watchScreen(QScreen *screen);
    // The floating panel brought onto `screen` as it now is, from where it was last put.
    void followScreen(QScreen *screen);
    // Where the floating panel was last put, by the program or the user, and the frame of its
    // screen then: what following a screen change starts from, so that a change seen in
    // steps (the size first, the free area later) ends where one step would.
    void rememberPlace(const QRect &screenFrame);
    // Whether the panel was last on the screen whose frame was `frame`.
    bool panelWasOn(QScreen *screen, const QRect &frame) const;
    // The program's main window, not a prompter window; null when none is shown.
    static QWidget *mainWindow();
    void dropPanel();
    // Whether a panel built now has an alpha channel: only where a compositing manager shows it.
    bool translucentPanel() const;
    // A compositing manager came or went: the panel is made again with or without its alpha
    // channel, at the same place.
    void compositorChanged();
    void applyCaptureExclusion(const Settings &settings);
    void placeOn(QScreen *screen, const Settings &settings);
    // Asks a tiling window manager to put the floating panel where it was placed.
    void askTilingPlace();
    // The part of `screen` left to windows, bars and docks taken off.
    QRect freeArea(const QScreen *screen) const;
    void storeFloatingFrame();
    void showContextMenu(const QPoint &globalPos);
    // Display mode (display_host.cpp).
    bool showOutput(const Settings &settings, QScreen *mainScreen);
    void dropOutput();
    bool reapplyOutput(const Settings &settings);

    PrompterController &m_controller;
    QPointer<PrompterPanel> m_panel;
    QPointer<QMenu> m_menu;
    QPointer<DisplayWindow> m_output;
    // The screen name the output (or the panel standing in for it) was built for.
    std::optional<QString> m_outputFor;
    QList<QPointer<QAction>> m_menuActions;
    // Each screen's frame as last seen, to tell what a change moved from.
    QHash<QScreen *, QRect> m_screenFrames;
    // Under sway and i3, which leave their bars in the available geometry they report, and
    // where sway places floating windows itself.
    std::unique_ptr<platform::TilingWindowManager> m_tiling;
    // The floating panel's place is to be asked of sway once the panel is on screen.
    bool m_askPlace = false;
    std::unique_ptr<platform::CompositorWatch> m_compositor;
    QRect m_placed;
    QRect m_placedOn;
    bool m_excluded = false;
    bool m_wheelMonitor = false;
};

} // namespace qm
