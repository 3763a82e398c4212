// SPDX-License-Identifier: GPL-3.0-or-later
// PanelHost's display mode: the full-screen output on its chosen screen, and the floating panel
// standing in for it when that screen is missing or goes away.
#include "display_window.h"
#include "panel_host.h"
#include "platform/capture_exclusion.h"
#include "prompter/prompter_controller.h"
#include "prompter_panel.h"
#include "store/store.h"
#include "ui/display_screens.h"
#include "ui/window_registry.h"

#include <QGuiApplication>
#include <QScreen>

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
    if (m_output) {
        if (m_output->coveredScreen() == screen)
            m_output->cover(screen);
        return;
    }
    // The notch hangs from its screen's top edge; a floating panel stays where it was put.
    if (m_panel && m_panel->mode() == PrompterMode::Notch && m_panel->screen() == screen)
        placeOn(screen, m_controller.store().settings());
}

} // namespace qm
