// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_host.h"

#include "display_window.h"
#include "panel_frame.h"
#include "panel_input.h"
#include "platform/capture_exclusion.h"
#include "platform/compositor.h"
#include "platform/tiling_window_manager.h"
#include "prompter/prompter_controller.h"
#include "prompter_panel.h"
#include "store/store.h"
#include "ui/screen_coords.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

namespace qm {

namespace {

QList<QRectF> screenFrames()
{
    QList<QRectF> frames;
    for (const QScreen *screen : QGuiApplication::screens())
        frames.append(QRectF(screen->geometry()));
    return frames;
}

} // namespace

PanelHost::PanelHost(PrompterController &controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_compositor(
          std::make_unique<platform::CompositorWatch>([this](bool) { compositorChanged(); }))
{
    connect(qApp, &QGuiApplication::screenRemoved, this, &PanelHost::screenRemoved);
    connect(qApp, &QGuiApplication::screenAdded, this, &PanelHost::screenAdded);
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
    if (const QString socket = platform::TilingWindowManager::socketPath(); !socket.isEmpty()) {
        m_tiling = std::make_unique<platform::TilingWindowManager>(socket);
        // Bars come and go, and the first answer may come after the notch is shown.
        connect(m_tiling.get(), &platform::TilingWindowManager::changed, this, [this] {
            if (m_panel && m_panel->mode() == PrompterMode::Notch && m_panel->screen())
                placeOn(m_panel->screen(), m_controller.store().settings());
        });
        m_tiling->refresh();
    }
}

QRect PanelHost::freeArea(const QScreen *screen) const
{
    const QRect available = screen->availableGeometry();
    if (m_tiling) {
        if (const std::optional<QRect> area = m_tiling->areaOn(screen->geometry()))
            return available.intersected(*area);
    }
    return available;
}

void PanelHost::watchScreen(QScreen *screen)
{
    m_screenFrames.insert(screen, screen->geometry());
    const auto changed = [this, screen] { screenChanged(screen); };
    connect(screen, &QScreen::geometryChanged, this, changed);
    connect(screen, &QScreen::availableGeometryChanged, this, changed);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, changed);
    connect(screen, &QScreen::orientationChanged, this, changed);
}

PanelHost::~PanelHost()
{
    delete m_menu.data();
    delete m_panel.data();
    delete m_output.data();
}

void PanelHost::setMenuActions(const QList<QAction *> &actions)
{
    m_menuActions.clear();
    for (QAction *action : actions)
        m_menuActions.append(action);
}

QWidget *PanelHost::mainWindow()
{
    // The active window unless that is a panel, else the first registered window that is not
    // one.
    QWidget *main = QApplication::activeWindow();
    if (qobject_cast<PrompterPanel *>(main) || qobject_cast<DisplayWindow *>(main))
        main = nullptr;
    if (!main) {
        for (QWidget *window : WindowRegistry::windows()) {
            if (window->isVisible() && !qobject_cast<PrompterPanel *>(window)
                && !qobject_cast<DisplayWindow *>(window)) {
                main = window;
                break;
            }
        }
    }
    return main;
}

QScreen *PanelHost::screenForNewPanel() const
{
    // The main window's screen.
    QWidget *main = mainWindow();
    if (main && main->screen())
        return main->screen();
    if (QScreen *primary = QGuiApplication::primaryScreen())
        return primary;
    const QList<QScreen *> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

double PanelHost::buildPanel(const Settings &settings)
{
    if (m_tiling)
        m_tiling->refresh();
    QScreen *screen = screenForNewPanel();
    dropPanel();
    if (settings.mode == PrompterMode::Display && showOutput(settings, screen))
        return 0.0;

    // Display mode without its screen stands in with the floating panel.
    auto *panel = new PrompterPanel(m_controller,
        settings.mode == PrompterMode::Display ? PrompterMode::Floating : settings.mode,
        translucentPanel());
    m_panel = panel;
    connect(panel, &PrompterPanel::hoverChanged, this,
        [this](bool hovering) { m_controller.setHovering(hovering); });
    connect(panel, &PrompterPanel::moved, this, &PanelHost::storeFloatingFrame);
    connect(panel, &PrompterPanel::resizeEnded, this, &PanelHost::storeFloatingFrame);
    connect(panel, &PrompterPanel::contextMenuRequested, this, &PanelHost::showContextMenu);

    // Without any screen there is nowhere to place it; it still exists so the prompter runs.
    if (screen)
        placeOn(screen, settings);
    panel->show();
    panel->raise();
    m_askPlace = m_tiling && panel->mode() == PrompterMode::Floating && panel->windowHandle();
    if (m_askPlace)
        panel->windowHandle()->installEventFilter(this);
    applyCaptureExclusion(settings);
    WindowRegistry::add(panel);
    return 0.0;
}

void PanelHost::dropPanel()
{
    dropOutput();
    if (!m_panel)
        return;
    // A resize that ended just before the panel goes is still kept.
    m_panel->finishResize();
    PrompterPanel *old = m_panel;
    m_panel.clear();
    m_excluded = false;
    old->disconnect(this);
    old->hide();
    // The request may come from inside the panel's own event handling (its close button, its
    // menu), so it is deleted once that has returned.
    old->deleteLater();
    // A hidden window sends no leave event.
    m_controller.setHovering(false);
}

bool PanelHost::translucentPanel() const
{
    // QUILLMERE_PLAIN_FRAMES=1 shows frames as they were before, for measuring one way against
    // the other: the panel translucent whatever runs.
    return m_compositor->running() || qEnvironmentVariableIntValue("QUILLMERE_PLAIN_FRAMES") == 1;
}

void PanelHost::compositorChanged()
{
    const bool running = translucentPanel();
    if (!m_panel || m_panel->translucent() == running)
        return;
    // A window has an alpha channel or not from when it is made. The prompter carries on as
    // it was, in the new panel, which goes where the old one was.
    const bool floating = m_panel->mode() == PrompterMode::Floating;
    const QRect frame = m_panel->geometry();
    buildPanel(m_controller.store().settings());
    if (floating && m_panel && m_panel->mode() == PrompterMode::Floating)
        m_panel->place(frame);
    m_controller.adoptHostClock();
}

std::unique_ptr<platform::FrameClock> PanelHost::makeFrameClock()
{
    // The window shown: the full-screen output, or the panel.
    QWidget *window = currentWindow();
    if (!window)
        return nullptr;
    QScreen *screen = window->screen();
    const double rate = screen ? screen->refreshRate() : 0;
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    return platform::makeFrameClock(x11 ? quintptr(window->winId()) : 0, rate);
}

void PanelHost::closePanel()
{
    dropPanel();
}

void PanelHost::reapply(const Settings &settings)
{
    if (reapplyOutput(settings) || !m_panel)
        return;
    applyCaptureExclusion(settings);
    if (settings.mode == PrompterMode::Notch && m_panel->mode() == PrompterMode::Notch) {
        QScreen *screen = m_panel->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            placeOn(screen, settings);
    }
}

void PanelHost::applyCaptureExclusion(const Settings &settings)
{
    m_excluded = platform::setExcludedFromCapture(m_panel, settings.hideFromSharing)
        && settings.hideFromSharing;
}

void PanelHost::placeOn(QScreen *screen, const Settings &settings)
{
    // A new floating panel opened over the main window would cover the buttons just used,
    // and one under the pointer would open paused by hover.
    KeepClear clear;
    if (QWidget *main = mainWindow(); main && main->isVisible() && main->screen() == screen)
        clear.window = QRectF(main->frameGeometry());
    if (const QPoint pointer = QCursor::pos(screen); screen->geometry().contains(pointer))
        clear.pointer = QPointF(pointer);
    // No Linux interface reports a camera housing, so nothing covers the panel's top.
    const PanelScreen on {QRectF(screen->geometry()), QRectF(freeArea(screen)), 0.0};
    m_panel->place(panelGeometry(settings, on, screenFrames(), primaryScreenHeight(), clear));
    rememberPlace(screen->geometry());
}

void PanelHost::rememberPlace(const QRect &screenFrame)
{
    m_placed = m_panel->geometry();
    m_placedOn = screenFrame;
}

void PanelHost::storeFloatingFrame()
{
    if (!m_panel || m_panel->mode() != PrompterMode::Floating)
        return;
    const QScreen *screen = QGuiApplication::screenAt(m_panel->geometry().center());
    if (!screen)
        screen = m_panel->screen();
    rememberPlace(screen ? screen->geometry() : QRect());
    Settings settings = m_controller.store().settings();
    if (settings.mode != PrompterMode::Floating)
        return;
    const QList<double> frame = storedFloatingFrame(m_panel->geometry(), primaryScreenHeight());
    if (settings.floatingFrame == frame)
        return;
    settings.floatingFrame = frame;
    m_controller.store().setSettings(settings);
}

void PanelHost::installWheelMonitor()
{
    if (m_wheelMonitor)
        return;
    m_wheelMonitor = true;
    // Seen before any widget of the panel, so the view's own children never scroll instead.
    qApp->installEventFilter(this);
}

void PanelHost::askTilingPlace()
{
    if (m_tiling && m_panel && m_panel->mode() == PrompterMode::Floating && m_placed.isValid())
        m_tiling->moveFloating(m_panel->winId(), m_placed.topLeft());
}

bool PanelHost::eventFilter(QObject *watched, QEvent *event)
{
    // The window manager knows the panel once it is on screen, not before.
    if (m_askPlace && event->type() == QEvent::Expose && m_panel
        && watched == m_panel->windowHandle() && m_panel->windowHandle()->isExposed()) {
        m_askPlace = false;
        watched->removeEventFilter(this);
        askTilingPlace();
    }
    if (event->type() != QEvent::Wheel || !currentWindow() || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget *>(watched)->window() != currentWindow())
        return false;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    const double delta = wheelScroll(
        wheel->pixelDelta(), wheel->angleDelta(), m_controller.store().settings().fontSize);
    if (delta != 0)
        m_controller.scrollBy(delta);
    // Accepted, so the toolkit does not hand it on to the panel's parents as well.
    event->accept();
    return true;
}

void PanelHost::showContextMenu(const QPoint &globalPos)
{
    delete m_menu.data();
    // Not a child of the panel: an action may close the panel while the menu is still on
    // screen.
    auto *menu = new QMenu;
    m_menu = menu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction *action : std::as_const(m_menuActions)) {
        if (action)
            menu->addAction(action);
    }
    menu->popup(globalPos);
}

} // namespace qm
