// SPDX-License-Identifier: GPL-3.0-or-later
// PanelHost's display mode: the full-screen output on its chosen screen, and the floating panel
// standing in for it when that screen is missing or goes away.
#include "display_window.h"
#include "panel_frame.h"
#include "panel_host.h"
#include "platform/capture_exclusion.h"
#include "platform/tiling_window_manager.h"
#include "prompter/prompter_controller.h"
#include "prompter_panel.h"
#include "store/store.h"
#include "ui/display_screens.h"
#include "ui/window_registry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace qm {

DisplayWindow *PanelHost::output() const
{
    return m_output;
}

QWidget *PanelHost::currentWindow() const
{
    if (m_output)
        return m_output;
    return m_panel;
}

bool PanelHost::showOutput(const Settings &settings, QScreen *mainScreen)
{
    m_outputFor = settings.displayName;
    QScreen *screen = displayScreen(settings.displayName, mainScreen);
    if (!screen)
        return false;

    auto *output = new DisplayWindow(m_controller);
    m_output = output;
    connect(output, &DisplayWindow::hoverChanged, this,
        [this](bool hovering) { m_controller.setHovering(hovering); });
    connect(output, &DisplayWindow::contextMenuRequested, this, &PanelHost::showContextMenu);
    output->applySettings(settings);
    output->cover(screen);
    output->show();
    output->raise();
    m_excluded = platform::setExcludedFromCapture(output, settings.hideFromSharing)
        && settings.hideFromSharing;
    WindowRegistry::add(output);
    return true;
}

void PanelHost::dropOutput()
{
    if (!m_output)
        return;
    DisplayWindow *old = m_output;
    m_output.clear();
    m_excluded = false;
    old->disconnect(this);
    old->hide();
    // May be asked from inside the window's own event handling (its context menu).
    old->deleteLater();
    m_controller.setHovering(false);
}

bool PanelHost::reapplyOutput(const Settings &settings)
{
    if (settings.mode != PrompterMode::Display || !m_outputFor)
        return false;
    // Another screen chosen: the prompter moves there, or from there to the panel.
    if (settings.displayName != *m_outputFor
        && (m_output || displayScreen(settings.displayName, nullptr))) {
        buildPanel(settings);
        m_controller.adoptHostClock();
        return true;
    }
    if (!m_output)
        return false;
    m_output->applySettings(settings);
    m_excluded = platform::setExcludedFromCapture(m_output, settings.hideFromSharing)
        && settings.hideFromSharing;
    return true;
}

void PanelHost::screenRemoved(QScreen *screen)
{
    const QRect before = m_screenFrames.take(screen);
    if (m_panel && !m_output && panelWasOn(screen, before)) {
        // The main window's screen, unless that is the one going.
        QScreen *target = screenForNewPanel();
        const QList<QScreen *> screens = QGuiApplication::screens();
        if ((!target || target == screen) && !screens.isEmpty())
            target = screens.first();
        if (target && target != screen) {
            if (m_panel->mode() == PrompterMode::Notch)
                placeOn(target, m_controller.store().settings());
            else
                followScreen(target);
        }
        return;
    }
    if (!m_output || m_output->coveredScreen() != screen)
        return;
    // Only the window changes: the controller keeps the offset, the play state and the
    // countdown, and the panel's view lays the same text out again at its own width.
    Settings settings = m_controller.store().settings();
    settings.mode = PrompterMode::Floating;
    buildPanel(settings);
    // The main window may have been on the screen that went; the panel goes where it can be
    // seen.
    if (m_panel && screenForNewPanel() == screen) {
        for (QScreen *other : QGuiApplication::screens()) {
            if (other != screen) {
                placeOn(other, settings);
                break;
            }
        }
    }
    // The frames went by the refreshes of the window that went, and now go by the panel's.
    m_controller.adoptHostClock();
}

void PanelHost::screenAdded(QScreen *screen)
{
    watchScreen(screen);
    const Settings &settings = m_controller.store().settings();
    if (!m_controller.isVisible() || settings.mode != PrompterMode::Display || m_output || !m_panel)
        return;
    // The studio monitor is back (or another one now answers to the stored name): the output
    // takes over from the panel standing in for it, in the same play state.
    if (displayScreen(settings.displayName, nullptr) != screen)
        return;
    buildPanel(settings);
    m_controller.adoptHostClock();
}

void PanelHost::screenChanged(QScreen *screen)
{
    const QRect before = m_screenFrames.value(screen);
    m_screenFrames.insert(screen, screen->geometry());
    if (m_tiling)
        m_tiling->refresh();
    if (m_output) {
        if (m_output->coveredScreen() == screen)
            m_output->cover(screen);
        return;
    }
    if (!m_panel || !panelWasOn(screen, before))
        return;
    // The notch hangs from its screen's top edge; a floating panel keeps its place on the
    // screen in proportion and stays within it.
    if (m_panel->mode() == PrompterMode::Notch)
        placeOn(screen, m_controller.store().settings());
    else
        followScreen(screen);
}

bool PanelHost::panelWasOn(QScreen *screen, const QRect &frame) const
{
    // The window system may already have handed the panel to another screen by its new
    // geometry; where it stood on the old frame says where it was.
    if (frame.isValid())
        return frame.contains(m_panel->geometry().center());
    return m_panel->screen() == screen;
}

void PanelHost::followScreen(QScreen *screen)
{
    const QRect from = m_placed.isValid() ? m_placed : m_panel->geometry();
    // The free area may still be the old one for a moment (the window manager answers the
    // change after the toolkit has seen it); its free-area change follows and places again.
    QRect area = freeArea(screen).intersected(screen->geometry());
    if (area.isEmpty())
        area = screen->geometry();
    const QRectF frame
        = followedFrame(QRectF(from), QRectF(m_placedOn), QRectF(screen->geometry()), QRectF(area));
    m_panel->place(frame.toRect());
    if (m_tiling && m_panel->windowHandle() && m_panel->windowHandle()->isExposed())
        m_tiling->moveFloating(m_panel->winId(), frame.toRect().topLeft());
    // On another screen, the place there is what later changes start from.
    if (!m_placedOn.isValid() || !m_placedOn.intersects(screen->geometry()))
        rememberPlace(screen->geometry());
}

} // namespace qm
