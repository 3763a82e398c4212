// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QIcon;
class QMenu;
class QPalette;
class QPixmap;
class QSystemTrayIcon;

namespace qm {

class PrompterController;

// The tray item and its menu: show or hide the prompter, play or pause, restart, open the main
// window, quit. The panel's right-click menu offers the same actions. Where the desktop has no
// tray (yet) it keeps looking for one for a while; the menu's actions stay reachable from the
// panel's menu and the remote commands.
class MenuContent final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuContent)

public:
    MenuContent(PrompterController &prompter, std::function<void()> openMainWindow,
        QObject *parent = nullptr);
    ~MenuContent() override;

    QMenu *menu() const { return m_menu.get(); }
    QAction *toggleAction() const { return m_toggle; }
    QAction *playPauseAction() const { return m_playPause; }
    QAction *restartAction() const { return m_restart; }
    QAction *openAction() const { return m_open; }
    QAction *quitAction() const { return m_quit; }

    // Puts the icon into the tray when there is one; otherwise looks again every few seconds
    // for a while, since a tray may start after the program at login.
    void showInTray();
    // Null until a tray took the icon.
    QSystemTrayIcon *trayIcon() const { return m_tray; }

    // What a left click on the tray icon does: show the main window, or put it away.
    void setToggleMainWindow(std::function<void()> toggle);

    // The first two titles follow the prompter; run each time the menu opens.
    void refreshTitles();

    // The program's mark: an accent square with rounded corners and a black notch at the top.
    static QPixmap logoMark(int size);
    static QIcon logoIcon();

    // Menus in the program's colours (the raised background, white text) rather than the
    // light default of the desktop's style; the panel they open over is black.
    static QPalette darkMenuPalette();
    static void useDarkMenus();

    static constexpr int kTrayRetryMs = 5000;
    static constexpr int kTrayRetries = 60;

Q_SIGNALS:
    // "Quit Quillmere" was chosen (or Ctrl+Q pressed in one of the program's windows).
    void quitRequested();

private:
    bool tryTray();

    PrompterController &m_prompter;
    std::function<void()> m_openMainWindow;
    std::function<void()> m_toggleMainWindow;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_toggle = nullptr;
    QAction *m_playPause = nullptr;
    QAction *m_restart = nullptr;
    QAction *m_open = nullptr;
    QAction *m_quit = nullptr;
    QSystemTrayIcon *m_tray = nullptr; // a child of this
    QTimer m_retry;
    int m_retriesLeft = kTrayRetries;
};

} // namespace qm
